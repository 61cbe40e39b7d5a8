#include "Misc/GuitarChords.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cstdint>
#include <tuple>
#include <vector>

namespace guitar {

namespace {

// Designed types first (their texts are the dictionary's unless more types rename them), then
// the added ones. Ranks: the everyday chords first, the altered ones last.
constexpr ChordTypeInfo kTypes[] = {
    {0x091, "", nullptr, nullptr, nullptr, 0, false},
    {0x089, "m", nullptr, nullptr, nullptr, 1, false},
    {0x491, "7", nullptr, nullptr, nullptr, 2, false},
    {0x489, "m7", nullptr, nullptr, nullptr, 3, false},
    {0x891, "maj7", nullptr, nullptr, nullptr, 5, false},
    {0x0A1, "sus4", nullptr, nullptr, nullptr, 6, false},
    {0x249, "dim", "dim7", "dim7", "diminished seventh", 10, false},
    {0x111, "aug", nullptr, nullptr, nullptr, 11, false},
    {0x291, "6", nullptr, nullptr, nullptr, 12, false},
    {0x289, "m6", nullptr, nullptr, nullptr, 13, false},
    {0x495, "9", nullptr, nullptr, nullptr, 15, false},
    {0x48D, "m9", nullptr, nullptr, nullptr, 17, false},
    {0x895, "maj9", nullptr, nullptr, nullptr, 18, false},
    {0x4A1, "7sus4", nullptr, nullptr, nullptr, 19, false},
    {0x295, "6/9", nullptr, nullptr, nullptr, 20, false},
    {0x4B5, "11", nullptr, nullptr, nullptr, 22, false},
    {0x695, "11", "13", "13", "thirteenth", 23, false},
    {0x499, "7#9", nullptr, nullptr, nullptr, 24, false},
    {0x493, "7b9", nullptr, nullptr, nullptr, 25, false},
    {0x511, "7#5", nullptr, nullptr, nullptr, 26, false},
    {0x451, "7b5", nullptr, nullptr, nullptr, 27, false},
    {0x455, "9b5", nullptr, nullptr, nullptr, 28, false},
    {0x051, "(b5)", nullptr, nullptr, nullptr, 29, false},
    {0x081, "5", nullptr, "5", "power chord", 4, true},
    {0x085, "sus2", nullptr, "sus2", "suspended second", 7, true},
    {0x049, "dim", nullptr, "dim", "diminished triad", 8, true},
    {0x449, "m7b5", nullptr, "m7b5", "minor seventh flat fifth", 9, true},
    {0x095, "add9", nullptr, "add9", "added ninth", 14, true},
    {0x08D, "m(add9)", nullptr, "m(add9)", "minor added ninth", 16, true},
    {0x889, "m(maj7)", nullptr, "m(maj7)", "minor major seventh", 21, true},
};

constexpr std::array<const char*, 12> kFlatNames = {"C",  "Db", "D",  "Eb", "E",  "F",
                                                    "Gb", "G",  "Ab", "A",  "Bb", "B"};

struct Candidate {
    int8_t root;
    int8_t type;
};

// Every reading of every set, best first by (rank when more types count, root): the readings of
// set v are candidates[start[v]] up to candidates[start[v + 1]].
struct ReadingTable {
    std::vector<uint32_t> start;
    std::vector<Candidate> candidates;
};

ReadingTable BuildTable(bool moreTypes) {
    struct Entry {
        int set;
        int key;
        Candidate candidate;
    };
    std::vector<Entry> entries;
    for (int type = 0; type < static_cast<int>(std::size(kTypes)); ++type) {
        if (kTypes[type].added && !moreTypes) continue;
        for (int root = 0; root < 12; ++root) {
            const int set = Chord(kTypes[type].intervals).Rotate(12 - root).Value();
            const int key = (moreTypes ? kTypes[type].rank * 12 : 0) + root;
            entries.push_back({set, key, {static_cast<int8_t>(root), static_cast<int8_t>(type)}});
        }
    }
    std::sort(entries.begin(), entries.end(), [](const Entry& a, const Entry& b) {
        return std::tie(a.set, a.key) < std::tie(b.set, b.key);
    });
    ReadingTable table;
    table.start.assign(Chord::kLimit + 1, 0);
    for (const Entry& e : entries)
        ++table.start[static_cast<std::size_t>(e.set) + 1];
    for (std::size_t v = 1; v < table.start.size(); ++v)
        table.start[v] += table.start[v - 1];
    for (const Entry& e : entries)
        table.candidates.push_back(e.candidate);
    return table;
}

const ReadingTable& TableFor(bool moreTypes) {
    static const ReadingTable designed = BuildTable(false);
    static const ReadingTable more = BuildTable(true);
    return moreTypes ? more : designed;
}

// The best reading of exactly `set`, with its preference key (lower is better).
struct Best {
    Candidate candidate;
    int key;
};

std::optional<Best> BestOf(Chord set, int bass, ReadingOptions options) {
    const ReadingTable& table = TableFor(options.moreTypes);
    const auto v = static_cast<std::size_t>(set.Value());
    const uint32_t first = table.start[v];
    const uint32_t end = table.start[v + 1];
    if (first == end) return std::nullopt;
    uint32_t chosen = first;
    if (options.guitarNames && bass >= 0) {
        for (uint32_t i = first; i < end; ++i) {
            if (table.candidates[i].root == bass) {
                chosen = i;
                break;
            }
        }
    }
    const Candidate c = table.candidates[chosen];
    const bool rootInBass = !options.guitarNames || c.root == bass;
    const int rank = options.moreTypes ? kTypes[c.type].rank : 0;
    return Best{c, (rootInBass ? 0 : 1000) + rank * 12 + c.root};
}

}  // namespace

std::span<const ChordTypeInfo> GuitarChordTypes() {
    return kTypes;
}

int GuitarTypeIndex(Chord intervals) {
    for (int type = 0; type < static_cast<int>(std::size(kTypes)); ++type)
        if (kTypes[type].intervals == intervals.Value()) return type;
    return -1;
}

std::optional<ChordReading> ReadChord(Chord set, int bass, ReadingOptions options) {
    if (set.Value() < 0 || set.Value() >= Chord::kLimit) return std::nullopt;
    std::optional<Best> best = BestOf(set, bass, options);
    Chord explained = set;
    if (!best && options.moreTypes) {
        // A chord of three or more notes and one stray tone; the bass is the last tone taken
        // for the stray.
        int bestKey = 0;
        for (int stray = 0; stray < 12; ++stray) {
            if (!set.Contains(stray)) continue;
            const Chord reduced(set.Value() & ~(1 << stray));
            if (std::popcount(static_cast<unsigned>(reduced.Value())) < 3) continue;
            const std::optional<Best> found = BestOf(reduced, bass, options);
            if (!found) continue;
            const int key = (stray == bass ? 10000 : 0) + found->key;
            if (!best || key < bestKey) {
                best = found;
                bestKey = key;
                explained = reduced;
            }
        }
    }
    if (!best) return std::nullopt;
    ChordReading reading;
    reading.root = best->candidate.root;
    reading.type = best->candidate.type;
    reading.chord = explained;
    if (options.guitarNames && bass >= 0 && bass != reading.root && explained.Contains(bass))
        reading.bass = bass;
    return reading;
}

const char* SymbolOf(int type, bool moreTypes) {
    const ChordTypeInfo& info = kTypes[type];
    return moreTypes && info.moreSymbol ? info.moreSymbol : info.symbol;
}

TypeTexts TextsOf(int type, bool moreTypes) {
    const ChordTypeInfo& info = kTypes[type];
    TypeTexts texts{SymbolOf(type, moreTypes), nullptr, nullptr};
    if (info.added || (moreTypes && info.abbreviation)) {
        texts.abbreviation = info.abbreviation;
        texts.name = info.name;
    } else if (const ChordType* designed = chordDictionary.Find(Chord(info.intervals))) {
        texts.abbreviation = designed->AbbreviationText();
        texts.name = designed->NameText();
    }
    return texts;
}

const char* PitchName(int pitchClass, bool flats) {
    const auto pc = static_cast<std::size_t>((pitchClass % 12 + 12) % 12);
    return flats ? kFlatNames[pc] : Chord::NoteName(static_cast<int>(pc));
}

std::string WrittenName(const ChordReading& reading, bool flats, bool moreTypes) {
    std::string name = PitchName(reading.root, flats);
    name += SymbolOf(reading.type, moreTypes);
    if (reading.bass >= 0) {
        name += '/';
        name += PitchName(reading.bass, flats);
    }
    return name;
}

}  // namespace guitar
