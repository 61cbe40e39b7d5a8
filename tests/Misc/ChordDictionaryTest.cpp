#include <gtest/gtest.h>

#include <bit>
#include <iterator>
#include <set>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "Misc/ChordDictionary.h"

namespace {

const ChordType& TypeNamed(const char* abbreviation) {
    for (const ChordType& type : chordDictionary.Types())
        if (type.abbreviation && *type.abbreviation == abbreviation) return type;
    throw std::runtime_error(abbreviation);
}

Chord OnRoot(Chord intervals, int root) {
    return intervals.Rotate(12 - root);
}

class BuiltDictionary : public testing::Test {
  protected:
    void SetUp() override { BuildChordDictionary(); }
};

TEST_F(BuiltDictionary, HoldsTwentyThreeTypesNewestFirstEvenWhenBuiltTwice) {
    BuildChordDictionary();
    EXPECT_EQ(chordDictionary.TypeCount(), 23u);
    EXPECT_EQ(std::distance(chordDictionary.Types().begin(), chordDictionary.Types().end()), 23);
    EXPECT_EQ(chordDictionary.Types().front().intervals, Chord(0x695));
    const ChordType* last = nullptr;
    for (const ChordType& type : chordDictionary.Types())
        last = &type;
    EXPECT_EQ(*last->name, "major");
    EXPECT_EQ(*last->abbreviation, "");  // present, empty

    for (const ChordType& type : chordDictionary.Types()) {
        const std::string name = type.name.value_or("");
        ASSERT_EQ(std::distance(type.fingerings[0].begin(), type.fingerings[0].end()), 1) << name;
        for (int root = 1; root < 12; ++root) {
            const auto count =
                std::distance(type.fingerings[root].begin(), type.fingerings[root].end());
            const bool majorOrMinor = name == "major" || name == "minor";
            EXPECT_EQ(count, !majorOrMinor                    ? 0
                             : (name == "minor" && root == 2) ? 2
                                                              : 1)
                << name << " root " << root;
        }
    }
    const FingeringList& dMinor = TypeNamed("min").fingerings[2];
    EXPECT_EQ(dMinor.front().frets, (std::array<int32_t, 6>{5, 5, 7, 7, 6, 5}));
    EXPECT_EQ(std::next(dMinor.begin())->frets, (std::array<int32_t, 6>{-1, 0, 0, 2, 3, 1}));
}

TEST_F(BuiltDictionary, FindMatchesExactPatternsOnC) {
    EXPECT_EQ(*chordDictionary.Find(Chord(0x091))->name, "major");
    EXPECT_EQ(*chordDictionary.Find(Chord(0x495))->name, "ninth");
    EXPECT_EQ(chordDictionary.Find(Chord(0x910)), nullptr);  // E major is found only by rotating
    for (int v = 0; v < Chord::kLimit; ++v) {
        if (std::popcount(unsigned(v)) < 3) {
            ASSERT_EQ(chordDictionary.Find(Chord(v)), nullptr) << v;
        }
    }
}

// Each pair of distinct types where one, built on some root, is the same set as the other on C.
std::set<std::pair<std::string, std::string>> OverlappingTypes() {
    std::set<std::pair<std::string, std::string>> pairs;
    for (const ChordType& a : chordDictionary.Types())
        for (const ChordType& b : chordDictionary.Types())
            for (int root = 0; root < 12; ++root)
                if (&a != &b && OnRoot(a.intervals, root) == b.intervals)
                    pairs.insert({a.abbreviation.value_or(""), b.abbreviation.value_or("")});
    return pairs;
}

TEST_F(BuiltDictionary, IntervalSetsAreDistinctAndOverlapOnlyWhereMusicDoes) {
    std::set<int> seen;
    for (const ChordType& type : chordDictionary.Types()) {
        EXPECT_GE(std::popcount(unsigned(type.intervals.Value())), 3);
        EXPECT_TRUE(type.intervals.Contains(0)) << *type.name;
        EXPECT_TRUE(seen.insert(type.intervals.Value()).second) << *type.name;
    }
    // C6 is Am7 and Am7 is C6 (from A): the only two types that share sets; the ninth is none.
    EXPECT_EQ(OverlappingTypes(),
              (std::set<std::pair<std::string, std::string>>{{"6", "m7"}, {"m7", "6"}}));
}

// Fingerings that do not play only notes of their chord, recorded as they stand in the data.
TEST_F(BuiltDictionary, FingeringsPlayTheirChordExceptKnownOnes) {
    constexpr int kOpenStrings[6] = {40, 45, 50, 55, 59, 64};  // E2 A2 D3 G3 B3 E4
    std::set<std::pair<std::string, int>> strays;
    int checked = 0;
    for (const ChordType& type : chordDictionary.Types()) {
        for (int root = 0; root < 12; ++root) {
            const Chord chord = OnRoot(type.intervals, root);
            for (const Fingering& f : type.fingerings[root]) {
                ++checked;
                for (int s = 0; s < 6; ++s) {
                    if (f.frets[s] >= 0 && !chord.Contains(kOpenStrings[s] + f.frets[s]))
                        strays.insert({type.name.value_or(""), root});
                }
            }
        }
    }
    EXPECT_EQ(checked, 46);
    const std::set<std::pair<std::string, int>> known = {
        {"minor ninth", 0},  // plays C F G, the sus4 shape
        {"augmented", 0},    // plays D F# A#, D augmented
        {"diminished", 0},   // plays D F G# B
        {"major", 1},        // adds B: C#7
        {"minor", 9},        // plays A C# E G: A7
        {"minor", 10},       // plays A# D F G#: A#7
    };
    EXPECT_EQ(strays, known);
}

TEST(ChordDictionaryAdd, KeepsFirstTextsAndCopiesFingerings) {
    ChordDictionary dictionary;
    Fingering f;
    EXPECT_EQ(f.frets[0], -1);
    EXPECT_EQ(f.fingers[5], -1);
    f.frets = {0, 2, 2, 1, 0, 0};
    Fingering& stored = dictionary.Add(4, Chord(0x910), f, "", "major");
    f.frets[0] = 9;
    EXPECT_EQ(stored.frets[0], 0);
    const ChordType* major = dictionary.Find(Chord(0x091));
    ASSERT_NE(major, nullptr);

    Fingering second;
    dictionary.Add(7, Chord(0x884), second, "M", "other name");
    EXPECT_EQ(dictionary.TypeCount(), 1u);
    EXPECT_EQ(*major->abbreviation, "");
    EXPECT_EQ(*major->name, "major");
    EXPECT_EQ(&major->fingerings[7].front(), &dictionary.Add(7, Chord(0x884), f, nullptr, nullptr));
    EXPECT_EQ(major->fingerings[7].front().frets[0], 9);

    dictionary.Add(0, Chord(0x005), f, nullptr, nullptr);
    const ChordType& created = dictionary.Types().front();
    EXPECT_FALSE(created.abbreviation.has_value());
    EXPECT_FALSE(created.name.has_value());
    EXPECT_EQ(created.NameText(), nullptr);
}

TEST(ChordDictionaryMatch, TableAgreesWithWalkAndFollowsChanges) {
    BuildChordDictionary();
    int recognised = 0;
    for (int v = 0; v < Chord::kLimit; ++v) {
        const auto table = chordDictionary.Match(Chord(v));
        const auto walk = chordDictionary.MatchByWalk(Chord(v));
        ASSERT_EQ(table.has_value(), walk.has_value()) << v;
        if (!table) continue;
        ++recognised;
        ASSERT_EQ(table->type, walk->type) << v;
        ASSERT_EQ(table->root, walk->root) << v;
    }
    // 23 types on 12 roots, less the sets counted twice or more: C6 = Am7 (12 sets), the
    // diminished, augmented and seventh-diminished-fifth sets repeat every 3, 4 and 6 semitones.
    EXPECT_EQ(recognised, 23 * 12 - 12 - 9 - 8 - 6);

    ChordDictionary dictionary;
    EXPECT_FALSE(dictionary.Match(Chord(0x081)));
    dictionary.Add(2, Chord(0x204), Fingering{}, "5", "power");
    ASSERT_TRUE(dictionary.Match(Chord(0x204)));
    EXPECT_EQ(dictionary.Match(Chord(0x204))->root, 2);
    EXPECT_EQ(dictionary.Match(Chord(0x081))->root, 0);
    dictionary.Clear();
    EXPECT_FALSE(dictionary.Match(Chord(0x081)));
}

}  // namespace
