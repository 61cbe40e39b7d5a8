#include "Misc/ChordDictionary.h"

#include <iterator>

ChordDictionary chordDictionary;

namespace {

int PitchClassOf(int root) {
    return (root % 12 + 12) % 12;
}

std::optional<std::string> CopyText(const char* text) {
    if (text == nullptr) return std::nullopt;
    return std::string(text);
}

}  // namespace

const ChordType* ChordDictionary::Find(Chord intervals) const {
    for (const ChordType& type : types)
        if (type.intervals == intervals) return &type;
    return nullptr;
}

Fingering& ChordDictionary::Add(int root, Chord chord, const Fingering& f, const char* abbreviation,
                                const char* name) {
    const Chord relative = chord.Rotate(root);
    ChordType* type = nullptr;
    for (ChordType& existing : types) {
        if (existing.intervals == relative) {
            type = &existing;
            break;
        }
    }
    if (type == nullptr) {
        ChordType created;
        created.intervals = relative;
        created.abbreviation = CopyText(abbreviation);
        created.name = CopyText(name);
        types.push_front(std::move(created));
        ++typeCount;
        type = &types.front();
    }
    matchTableValid = false;
    FingeringList& list = type->fingerings[PitchClassOf(root)];
    list.push_front(f);
    return list.front();
}

void ChordDictionary::Clear() {
    types.clear();
    typeCount = 0;
    matchTable.clear();
    matchTableValid = false;
}

std::optional<ChordMatch> ChordDictionary::MatchByWalk(Chord set) const {
    if (set.Value() < 0 || set.Value() >= Chord::kLimit) return std::nullopt;
    for (int root = 0; root < 12; ++root) {
        if (const ChordType* type = Find(set.Rotate(root))) return ChordMatch{type, root};
    }
    return std::nullopt;
}

void ChordDictionary::BuildMatchTable() const {
    matchTable.assign(Chord::kLimit, ChordMatch{});
    // Roots in ascending order and, per root, types in list order: the first entry written for a
    // set is the one the walk over the roots finds first.
    for (int root = 0; root < 12; ++root) {
        for (const ChordType& type : types) {
            // The type built on `root`: its intervals transposed up by root semitones.
            const int absolute = type.intervals.Rotate(12 - root).Value();
            if (matchTable[absolute].type == nullptr)
                matchTable[absolute] = ChordMatch{&type, root};
        }
    }
    matchTableValid = true;
}

std::optional<ChordMatch> ChordDictionary::Match(Chord set) const {
    if (set.Value() < 0 || set.Value() >= Chord::kLimit) return std::nullopt;
    if (!matchTableValid) BuildMatchTable();
    const ChordMatch& entry = matchTable[set.Value()];
    if (entry.type == nullptr) return std::nullopt;
    return entry;
}

namespace {

// One call of the built-in table: a chord on `root` (absolute pitch classes), one fingering for it,
// and the texts of the type (used only when the call creates the type).
struct BuiltInChord {
    int root;
    int chord;
    Fingering fingering;
    const char* abbreviation;
    const char* name;
};

// Calls 1 to 23 create the 23 types on C; the rest add fingerings for the other roots to "major"
// and "minor". Fingerings are kept exactly as written here, in this order. Every shape plays only
// notes of its chord and sounds its root.
const BuiltInChord kBuiltInChords[] = {
    {0, 0x091, {{3, 3, 2, 0, 1, 0}, {-1, 3, 2, 0, 1, 0}}, "", "major"},
    {0, 0x491, {{3, 3, 2, 3, 1, 0}, {-1, 3, 2, 4, 1, 0}}, "7", "seventh"},
    {0, 0x089, {{3, 3, 1, 0, 1, -1}, {-1, 4, 1, 0, 2, -1}}, "min", "minor"},
    {0, 0x489, {{3, 3, 1, 3, 1, -1}, {-1, 3, 1, 4, 1, -1}}, "m7", "minor seventh"},
    {0, 0x891, {{3, 3, 2, 0, 0, 0}, {-1, 3, 2, 0, 0, 0}}, "maj7", "major seventh"},
    {0, 0x0A1, {{3, 3, 3, 0, 1, 1}, {-1, 3, 4, 0, 1, -1}}, "sus4", "suspended fourth"},
    {0, 0x4A1, {{3, 3, 3, 3, 1, -1}, {-1, 2, 3, 4, 1, -1}}, "7sus4", "seventh suspended fourth"},
    {0, 0x291, {{3, 3, 2, 2, 1, 0}, {-1, 4, 2, 3, 1, 0}}, "6", "sixth"},
    {0, 0x289, {{3, 3, 1, 2, 1, -1}, {-1, 3, 1, 2, 1, -1}}, "m6", "minor sixth"},
    // Dominant ninth C E G A# D, the notes its fingering plays. {C, D, F, G, A#} would be a
    // sixth-ninth chord on A# and is not a ninth at all.
    {0, 0x495, {{3, 3, 2, 3, 3, 3}, {-1, 2, 1, 3, 4, -1}}, "9", "ninth"},
    {0, 0x48D, {{-1, 3, 1, 3, 3, -1}, {-1, 2, 1, 3, 4, -1}}, "m9", "minor ninth"},
    {0, 0x895, {{-1, 3, 2, 4, 3, -1}, {-1, 2, 1, 4, 3, 0}}, "maj9", "major ninth"},
    {0,
     0x295,
     {{3, 3, 2, 2, 3, 3}, {-1, 2, 1, 1, 3, 4}},
     "6/9",
     "six nine (major sixth added ninth)"},
    {0, 0x499, {{-1, 3, 2, 3, 4, -1}, {-1, 2, 1, 3, 4, -1}}, "7+9", "seventh augmented ninth"},
    {0, 0x493, {{-1, 3, 2, 3, 2, -1}, {-1, 2, 1, 3, 1, -1}}, "7-9", "seventh flat ninth"},
    {0, 0x111, {{-1, 3, 2, 1, 1, 0}, {-1, 4, 3, 1, 2, 0}}, "aug(+)", "augmented"},
    {0, 0x511, {{-1, 1, 2, 1, 1, -1}, {-1, 1, 2, 1, 1, -1}}, "7+5", "seventh augmented fifth"},
    {0, 0x249, {{-1, 3, 4, 2, 4, -1}, {-1, 2, 3, 1, 4, -1}}, "dim", "diminished"},
    {0, 0x051, {{-1, 3, 4, 5, 5, -1}, {-1, 1, 2, 3, 4, -1}}, "-5", "diminished fifth"},
    {0, 0x451, {{-1, 3, 4, 3, 5, -1}, {-1, 1, 2, 1, 3, -1}}, "7-5", "seventh diminish fifth"},
    {0, 0x455, {{2, 3, 2, 3, 3, 2}, {1, 2, 1, 3, 4, 1}}, "9-5", "ninth diminished fifth"},
    {0, 0x4B5, {{3, 3, 3, 3, 3, 3}, {-1, 1, 1, 1, 1, 1}}, "11", "eleventh"},
    {0, 0x695, {{3, 3, 2, 3, 3, 5}, {-1, 2, 1, 3, 3, 4}}, "11", "eleventh"},
    {1, 0x122, {{-1, 4, 6, 6, 6, 4}, {-1, 1, 2, 3, 4, 1}}, nullptr, nullptr},
    {1, 0x112, {{4, 4, 6, 6, 5, 4}, {-1, 1, 3, 4, 2, 1}}, nullptr, nullptr},
    {2, 0x244, {{-1, 0, 0, 2, 3, 2}, {-1, 0, 0, 1, 3, 2}}, nullptr, nullptr},
    {2, 0x224, {{-1, 0, 0, 2, 3, 1}, {-1, 0, 0, 2, 3, 1}}, nullptr, nullptr},
    {2, 0x224, {{5, 5, 7, 7, 6, 5}, {-1, 1, 3, 4, 2, 1}}, nullptr, nullptr},
    {3, 0x488, {{6, 6, 5, 3, 4, 3}, {-1, 4, 3, 1, 2, 1}}, nullptr, nullptr},
    {3, 0x448, {{-1, -1, 4, 3, 4, 2}, {-1, -1, 3, 2, 4, 1}}, nullptr, nullptr},
    {4, 0x910, {{0, 2, 2, 1, 0, 0}, {0, 2, 3, 1, 0, 0}}, nullptr, nullptr},
    {4, 0x890, {{0, 2, 2, 0, 0, 0}, {0, 2, 3, 0, 0, 0}}, nullptr, nullptr},
    {5, 0x221, {{1, 3, 3, 2, 1, 1}, {1, 3, 4, 2, 1, 1}}, nullptr, nullptr},
    {5, 0x121, {{1, 3, 3, 1, 1, 1}, {1, 3, 4, 1, 1, 1}}, nullptr, nullptr},
    {6, 0x442, {{2, 4, 4, 3, 2, 2}, {1, 3, 4, 2, 1, 1}}, nullptr, nullptr},
    {6, 0x242, {{2, 4, 4, 2, 2, 2}, {1, 3, 4, 1, 1, 1}}, nullptr, nullptr},
    {7, 0x884, {{3, 2, 0, 0, 0, 3}, {2, 1, 0, 0, 0, 3}}, nullptr, nullptr},
    {7, 0x484, {{3, 5, 5, 3, 3, 3}, {1, 3, 4, 1, 1, 1}}, nullptr, nullptr},
    {8, 0x109, {{-1, -1, 1, 1, 1, 4}, {-1, -1, 1, 1, 1, 4}}, nullptr, nullptr},
    {8, 0x908, {{4, 6, 6, 4, 4, 4}, {1, 3, 4, 1, 1, 1}}, nullptr, nullptr},
    {9, 0x212, {{-1, 0, 2, 2, 2, 0}, {-1, 0, 1, 2, 3, 0}}, nullptr, nullptr},
    {9, 0x211, {{-1, 0, 2, 2, 1, 0}, {-1, 0, 2, 3, 1, 0}}, nullptr, nullptr},
    {10, 0x424, {{1, 1, 3, 3, 3, 1}, {-1, 1, 3, 3, 3, -1}}, nullptr, nullptr},
    {10, 0x422, {{-1, 1, 3, 3, 2, 1}, {-1, 1, 3, 4, 2, 1}}, nullptr, nullptr},
    {11, 0x848, {{2, 2, 4, 4, 4, 2}, {-1, 1, 3, 3, 3, -1}}, nullptr, nullptr},
    {11, 0x844, {{2, 2, 4, 4, 3, 2}, {-1, 1, 3, 4, 2, 1}}, nullptr, nullptr},
};

static_assert(std::size(kBuiltInChords) == 46, "the built-in table has 46 entries");

}  // namespace

void BuildChordDictionary() {
    chordDictionary.Clear();
    for (const BuiltInChord& entry : kBuiltInChords) {
        chordDictionary.Add(entry.root, Chord(entry.chord), entry.fingering, entry.abbreviation,
                            entry.name);
    }
}
