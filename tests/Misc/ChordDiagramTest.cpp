#include <gtest/gtest.h>

#include <sstream>
#include <string>

#include "Misc/ChordDiagram.h"

namespace {

std::string ChordText(int set) {
    std::ostringstream out;
    WriteChord(out, Chord(set));
    return out.str();
}

std::string DiagramText(const Fingering& f) {
    std::ostringstream out;
    WriteChordDiagram(out, f);
    return out.str();
}

struct Lookup {
    bool found = false;
    const char* abbreviation = "untouched";
    const char* name = "untouched";
    const FingeringList* fingerings = nullptr;
    const char* root = "untouched";
};

Lookup Look(int set) {
    Lookup r;
    r.found = LookupChord(Chord(set), r.abbreviation, r.name, r.fingerings, r.root);
    return r;
}

class ChordLookup : public testing::Test {
  protected:
    void SetUp() override { BuildChordDictionary(); }

    void ExpectChord(int set, const char* root, const char* abbreviation, const char* name) {
        const Lookup r = Look(set);
        ASSERT_TRUE(r.found) << std::hex << set;
        EXPECT_STREQ(r.root, root) << std::hex << set;
        EXPECT_STREQ(r.abbreviation, abbreviation) << std::hex << set;
        EXPECT_STREQ(r.name, name) << std::hex << set;
    }
};

TEST_F(ChordLookup, NamesTheLowestRootThatFits) {
    ExpectChord(0x910, "E", "", "major");
    EXPECT_EQ(Look(0x910).fingerings->front().frets, (std::array<int32_t, 6>{0, 2, 2, 1, 0, 0}));
    ExpectChord(0x291, "C", "6", "sixth");            // C E G A, not A minor seventh
    ExpectChord(0x249, "C", "dim", "diminished");     // D# F# A C
    ExpectChord(0x252, "F#", "m7", "minor seventh");  // F# A C# E, not A sixth
    ExpectChord(0x111, "C", "aug(+)", "augmented");   // E G# C
    ExpectChord(0x444, "D", "aug(+)", "augmented");   // D F# A#
    ExpectChord(0x451, "C", "7-5", "seventh diminish fifth");
    ExpectChord(0x495, "C", "9", "ninth");                                  // C E G A# D
    ExpectChord(0x4AA, "D#", "9", "ninth");                                 // D# G A# C# F
    ExpectChord(0x4A5, "A#", "6/9", "six nine (major sixth added ninth)");  // A# D F G C
    ExpectChord(0x848, "B", "", "major");
}

TEST_F(ChordLookup, LeavesResultsAloneForNonChords) {
    for (int set : {0x000, 0x001, 0x081, 0xAB5, 0x095}) {
        const Lookup r = Look(set);
        EXPECT_FALSE(r.found) << std::hex << set;
        EXPECT_STREQ(r.root, "untouched");
        EXPECT_STREQ(r.abbreviation, "untouched");
        EXPECT_STREQ(r.name, "untouched");
        EXPECT_EQ(r.fingerings, nullptr);
        EXPECT_EQ(ChordText(set), "");
    }
}

TEST_F(ChordLookup, WritesCMajorLineAndDiagram) {
    EXPECT_EQ(ChordText(0x091),
              "C major\n"
              "\n"
              "(E)  |---|---|---|---|\n"
              "(B)  |-1-|---|---|---|\n"
              "(G)  |---|---|---|---|\n"
              "(D)  |---|-2-|---|---|\n"
              "(A)  |---|---|-3-|---|\n"
              "(E)  |---|---|-O-|---|\n"
              "        1   2   3   4\n");
}

TEST_F(ChordLookup, WritesBothDMinorDiagramsNewestFirst) {
    EXPECT_EQ(ChordText(0x224),
              "Dmin minor\n"
              "\n"
              "(E)  |---|-1-|---|---|\n"
              "(B)  |---|---|-2-|---|\n"
              "(G)  |---|---|---|-4-|\n"
              "(D)  |---|---|---|-3-|\n"
              "(A)  |---|-1-|---|---|\n"
              "(E)  |---|-O-|---|---|\n"
              "        4   5   6   7\n"
              "\n"
              "(E)  |-1-|---|---|---|\n"
              "(B)  |---|---|-3-|---|\n"
              "(G)  |---|-2-|---|---|\n"
              "(D)  |---|---|---|---|\n"
              "(A)  |---|---|---|---|\n"
              "(E)  |-X-|---|---|---|\n"
              "        1   2   3   4\n");
    EXPECT_EQ(ChordText(0x245), "D7 seventh\n");  // a root without fingerings
}

TEST(ChordDiagramText, ShowsTheFourFretsEndingAtTheHighest) {
    Fingering f;
    f.frets = {-1, 5, 2, 0, 3, 1};
    f.fingers = {2, 4, 0, 3, -1, 1};
    EXPECT_EQ(DiagramText(f),
              "\n"
              "(E)  |---|---|---|---|\n"  // fret 1 lies outside frets 2 to 5
              "(B)  |---|-O-|---|---|\n"
              "(G)  |---|---|---|---|\n"  // open string: no mark
              "(D)  |---|---|---|---|\n"  // fretted without a finger number
              "(A)  |---|---|---|-4-|\n"
              "(E)  |-X-|---|---|---|\n"
              "        2   3   4   5\n");

    std::ostringstream hexStream;
    hexStream << std::hex;
    f.frets = {12, -1, -1, -1, -1, 10};
    f.fingers = {3, -1, -1, -1, -1, 1};
    WriteChordDiagram(hexStream, f);
    EXPECT_EQ(hexStream.str(),
              "\n"
              "(E)  |---|-1-|---|---|\n"
              "(B)  |-X-|---|---|---|\n"
              "(G)  |-X-|---|---|---|\n"
              "(D)  |-X-|---|---|---|\n"
              "(A)  |-X-|---|---|---|\n"
              "(E)  |---|---|---|-3-|\n"
              "        9  10  11  12\n");
    std::ostringstream empty;
    WriteChordDiagrams(empty, FingeringList{});
    EXPECT_EQ(empty.str(), "");
}

}  // namespace
