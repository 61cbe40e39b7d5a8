// The chord sheet's formats over chords written here.
#include <gtest/gtest.h>

#include <sstream>

#include "chordsheet/ChordSheetFormats.h"

namespace {

SheetFile Song() {
    SheetFile file;
    file.path = "dir/a \"b\".mid";
    file.song.ticksPerQuarter = 4;
    file.endTick = 30;
    file.entries = {{4, "C", "", "major", "C", "", "x32010"},
                    {10, "A", "m7", "minor seventh", "Am7", "", "x02010"},
                    {16, "D", "", "major", "D/F#", "F#", "2-x-0-2-3-2"}};
    return file;
}

std::string Written(SheetFormat format, const SheetFile& file) {
    std::ostringstream out;
    WriteSheet(out, format, file);
    return out.str();
}

TEST(ChordSheetFormats, TsvKeepsTheDesignedFieldsAndAddsTheGuitaristsAndTheFile) {
    SheetFile file = Song();
    file.entries.resize(2);
    EXPECT_EQ(Written(SheetFormat::Tsv, file), "4\tC\t\tmajor\n10\tA\tm7\tminor seventh\n");
    file.guitarist = true;
    file.named = true;
    file.entries[1].name.reset();
    EXPECT_EQ(Written(SheetFormat::Tsv, file),
              "dir/a \"b\".mid\t4\tC\t\tmajor\tC\t\tx32010\n"
              "dir/a \"b\".mid\t10\tA\tm7\t\tAm7\t\tx02010\n");
    EXPECT_EQ(FingeringText({-1, 3, 2, 0, 1, 0}), "x32010");
    EXPECT_EQ(FingeringText({-1, 10, 12, 12, 11, 10}), "x-10-12-12-11-10");
}

TEST(ChordSheetFormats, JsonIsOneObjectPerFileWithNullForAbsentTexts) {
    SheetFile file = Song();
    file.entries.resize(1);
    file.entries[0].abbreviation.reset();
    EXPECT_EQ(Written(SheetFormat::Json, file),
              "{\"file\":\"dir/a \\\"b\\\".mid\",\"ticksPerBeat\":4,\"chords\":[{\"tick\":4,"
              "\"root\":\"C\",\"abbreviation\":null,\"name\":\"major\",\"chord\":\"C\","
              "\"bass\":\"\",\"fingering\":\"x32010\"}]}\n");
    std::ostringstream out;
    WriteJsonError(out, "x.mid", "not a MIDI file\n");
    EXPECT_EQ(out.str(), "{\"file\":\"x.mid\",\"error\":\"not a MIDI file\\n\"}\n");
}

TEST(ChordSheetFormats, TheSheetIsAChartOfBarsAndBeats) {
    // Four ticks a beat: C from beat 2 of bar 1, Am7 from the middle of beat 3 (it holds most of
    // beat 4), D/F# from bar 2; then 3/4 from tick 24.
    SheetFile file = Song();
    file.song.times = {{0, 4, 4}, {24, 3, 4}};
    EXPECT_EQ(Written(SheetFormat::Sheet, file),
              "   1 | N.C. C    .    Am7  |\n"
              "   2 | D/F# .    |\n"
              "   3 | .    .    .    |\n");
}

}  // namespace
