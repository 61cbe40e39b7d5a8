#include <gtest/gtest.h>

#include <bit>
#include <iterator>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "Misc/ChordDictionary.h"

namespace {

Chord OnRoot(Chord intervals, int root) {
    return intervals.Rotate(12 - root);
}

class BuiltDictionary : public testing::Test {
  protected:
    void SetUp() override { BuildChordDictionary(); }
};

// What the display and the log draw: every major and minor chord has a shape on every root, every
// type one on C, and D minor offers its barre shape first (the display draws the first one).
// Building again gives the same content, not a second copy.
TEST_F(BuiltDictionary, EveryMajorAndMinorChordHasAShapeAndRebuildingChangesNothing) {
    BuildChordDictionary();
    EXPECT_EQ(chordDictionary.TypeCount(), 23u);
    const auto major = chordDictionary.Match(Chord(0x091));
    const auto minor = chordDictionary.Match(Chord(0x089));
    ASSERT_TRUE(major && minor);
    int shapes = 0;
    for (const ChordType& type : chordDictionary.Types()) {
        EXPECT_FALSE(type.fingerings[0].empty()) << *type.name;
        for (const FingeringList& list : type.fingerings)
            shapes += static_cast<int>(std::distance(list.begin(), list.end()));
    }
    EXPECT_EQ(shapes, 46) << "one shape per call of the table";
    for (int root = 0; root < 12; ++root) {
        EXPECT_FALSE(major->type->fingerings[root].empty()) << root;
        EXPECT_FALSE(minor->type->fingerings[root].empty()) << root;
    }
    const FingeringList& dMinor = minor->type->fingerings[2];
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

// A shape is right when every string it sounds (fretted or open) plays a note of its chord and
// one of them is the root.
TEST_F(BuiltDictionary, EveryFingeringPlaysOnlyItsChordAndSoundsItsRoot) {
    constexpr int kOpenStrings[6] = {40, 45, 50, 55, 59, 64};  // E2 A2 D3 G3 B3 E4
    int checked = 0;
    for (const ChordType& type : chordDictionary.Types()) {
        for (int root = 0; root < 12; ++root) {
            const Chord chord = OnRoot(type.intervals, root);
            for (const Fingering& f : type.fingerings[root]) {
                ++checked;
                bool rootSounds = false;
                for (int s = 0; s < 6; ++s) {
                    if (f.frets[s] < 0) continue;
                    const int note = kOpenStrings[s] + f.frets[s];
                    EXPECT_TRUE(chord.Contains(note))
                        << *type.name << " on " << Chord::NoteName(root) << ", string " << s;
                    rootSounds = rootSounds || note % 12 == root;
                }
                EXPECT_TRUE(rootSounds) << *type.name << " on " << Chord::NoteName(root);
            }
        }
    }
    EXPECT_EQ(checked, 46);
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
