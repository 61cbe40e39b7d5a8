// The guitarist's options on the chord sheet: for each, a song written here and its expected
// chords, beside what the designed sheet makes of the same song.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "chordsheet/ChordSheet.h"
#include "support/RawSmf.h"

namespace {

namespace fs = std::filesystem;
using smftest::TimedBytes;

constexpr uint32_t kBeat = 480;

// Note-ons of `notes` from `tick`, `spread` ticks apart, all held for `length` ticks.
void Strike(std::vector<TimedBytes>& track, uint32_t tick, uint32_t length, std::vector<int> notes,
            uint8_t channel = 0, uint32_t spread = 0) {
    uint32_t at = tick;
    for (int note : notes) {
        track.push_back({at, {uint8_t(0x90 | channel), uint8_t(note), 90}});
        track.push_back({tick + length - 1, {uint8_t(0x80 | channel), uint8_t(note), 0}});
        at += spread;
    }
}

class GuitarOptionsSong : public testing::Test {
  protected:
    void SetUp() override { fs::create_directories(folder); }
    void TearDown() override { fs::remove_all(folder); }

    std::string Song(const std::string& name, std::vector<TimedBytes> events) {
        const fs::path path = folder / name;
        smftest::WriteSmf(path, {smftest::TimedTrack(std::move(events))}, kBeat);
        return path.string();
    }
    std::string Sheet(std::vector<std::string> arguments, int expectedStatus = kChordSheetOk) {
        std::ostringstream out;
        err.str("");
        EXPECT_EQ(RunChordSheet(arguments, out, err), expectedStatus) << err.str();
        return out.str();
    }

    const fs::path folder =
        fs::temp_directory_path() / ("tabulon-guitar-songs-" + std::to_string(::getpid()));
    std::ostringstream err;
};

TEST_F(GuitarOptionsSong, StrumsAreOneChordAndDrumsAreNotChords) {
    std::vector<TimedBytes> song;
    Strike(song, 0, 2 * kBeat, {48, 52, 55, 60}, 0, 6);          // C strummed low to high
    Strike(song, 2 * kBeat, 2 * kBeat, {43, 47, 50, 55}, 0, 6);  // G
    Strike(song, 4 * kBeat, kBeat, {38, 42, 45}, 9);             // snare, hi-hat, tom: D F# A
    const std::string file = Song("strum.mid", song);
    EXPECT_EQ(Sheet({file}), "12\tC\t\tmajor\n972\tG\t\tmajor\n1920\tD\t\tmajor\n");
    EXPECT_EQ(Sheet({file, "--strum"}),
              "0\tC\t\tmajor\tC\t\t332010\n960\tG\t\tmajor\tG\t\t320003\n");
}

TEST_F(GuitarOptionsSong, AMinimumLengthLeavesOutPassingChords) {
    std::vector<TimedBytes> song;
    Strike(song, 0, 2 * kBeat, {48, 52, 55});
    Strike(song, 2 * kBeat, kBeat / 4, {50, 53, 57});  // a passing D minor, a quarter beat
    Strike(song, 2 * kBeat + kBeat / 4, 2 * kBeat - kBeat / 4, {48, 52, 55});
    Strike(song, 4 * kBeat, 2 * kBeat, {41, 45, 48});
    const std::string file = Song("passing.mid", song);
    EXPECT_EQ(Sheet({file}),
              "0\tC\t\tmajor\n960\tD\tmin\tminor\n1080\tC\t\tmajor\n1920\tF\t\tmajor\n");
    const std::string steady = Sheet({file, "--min-chord", "1beat"});
    EXPECT_EQ(steady, "0\tC\t\tmajor\tC\t\t332010\n1920\tF\t\tmajor\tF\t\t133211\n");
    EXPECT_EQ(Sheet({file, "--min-chord", "bar"}), steady) << "C lasts a bar once D minor is gone";
    // The chart: one line a bar, the chord at the beat it starts.
    EXPECT_EQ(Sheet({file, "--min-chord", "beat", "--format", "sheet"}),
              "   1 | C    .    .    .    |\n"
              "   2 | F    .    .    .    |\n");
}

TEST_F(GuitarOptionsSong, GuitarNamesFollowTheBassAndTheKey) {
    std::vector<TimedBytes> song;
    Strike(song, 0, kBeat, {45, 48, 52, 55});                     // A C E G over A
    Strike(song, kBeat, kBeat, {42, 50, 57});                     // D F# A over F#
    song.push_back({2 * kBeat, {0xFF, 0x59, 0x02, 0xFE, 0x00}});  // B flat major from here
    Strike(song, 2 * kBeat, kBeat, {46, 50, 53});                 // A# D F
    Strike(song, 3 * kBeat, kBeat, {48, 52, 55, 57});             // C E G A over C
    const std::string file = Song("names.mid", song);
    // Designed: the lowest root wins, sharps only (and the sets on the way in and out count).
    EXPECT_EQ(Sheet({file}),
              "0\tA\tmin\tminor\n0\tC\t6\tsixth\n479\tC\t\tmajor\n"
              "480\tD\t\tmajor\n960\tA#\t\tmajor\n1440\tC\t\tmajor\n"
              "1440\tC\t6\tsixth\n");
    // (--strum keeps the sets on the way in and out from the sheet.)
    EXPECT_EQ(Sheet({file, "--names", "guitar", "--strum"}),
              "0\tA\tm7\tminor seventh\tAm7\t\t\n"
              "480\tD\t\tmajor\tD/F#\tF#\tx00232\n"
              "960\tBb\t\tmajor\tBb\t\t113331\n"
              "1440\tC\t6\tsixth\tC6\t\t332210\n");
    const std::string json = Sheet({file, "--names", "guitar", "--format", "json"});
    EXPECT_EQ(json.rfind("{\"file\":\"" + file + "\",\"ticksPerBeat\":480,\"chords\":[", 0), 0u)
        << json;
    EXPECT_NE(json.find("\"chord\":\"D/F#\",\"bass\":\"F#\""), std::string::npos) << json;
}

TEST_F(GuitarOptionsSong, MoreTypesNameWhatTheDesignedTypesMiss) {
    std::vector<TimedBytes> song;
    Strike(song, 0, kBeat, {48, 55});                          // C G
    Strike(song, kBeat, kBeat, {50, 52, 57});                  // D E A
    Strike(song, 2 * kBeat, kBeat, {48, 51, 54, 58});          // C Eb Gb Bb
    Strike(song, 3 * kBeat, kBeat, {48, 52, 55, 66});          // C E G and a stray F#
    Strike(song, 4 * kBeat, kBeat, {48, 51, 54, 57});          // C Eb Gb A
    Strike(song, 5 * kBeat, kBeat, {48, 52, 55, 58, 62, 69});  // C E G Bb D A
    const std::string file = Song("types.mid", song);
    // (--strum in both: the notes of one tick are one chord, so the sheets differ only by type.)
    EXPECT_EQ(Sheet({file, "--strum"}),
              "480\tA\tsus4\tsuspended fourth\tAsus4\t\t\n"
              "960\tD#\tm6\tminor sixth\tD#m6\t\t\n1920\tC\tdim\tdiminished\tCdim\t\tx3424x\n"
              "2400\tC\t11\televenth\tC11\t\t332335\n");
    const std::string more = Sheet({file, "--more-types", "--strum"});
    EXPECT_EQ(more,
              "0\tC\t5\tpower chord\tC5\t\tx355xx\n"
              "480\tA\tsus4\tsuspended fourth\tAsus4\t\t\n"
              "960\tC\tm7b5\tminor seventh flat fifth\tCm7b5\t\tx3434x\n"
              "1440\tC\t\tmajor\tC\t\t332010\n"
              "1920\tC\tdim7\tdiminished seventh\tCdim7\t\tx3424x\n"
              "2400\tC\t13\tthirteenth\tC13\t\t332335\n");
}

TEST_F(GuitarOptionsSong, EveryChordGetsAFingering) {
    std::vector<TimedBytes> song;
    Strike(song, 0, kBeat, {50, 54, 57, 60});      // D7: no built-in shape
    Strike(song, kBeat, kBeat, {57, 61, 64, 67});  // A7: moved open shape
    const std::string file = Song("shapes.mid", song);
    // Designed: the major triad on the way in is a chord too; no fingering to show.
    EXPECT_EQ(Sheet({file}),
              "0\tD\t\tmajor\n0\tD\t7\tseventh\n480\tA\t\tmajor\n480\tA\t7\tseventh\n");
    EXPECT_EQ(Sheet({file, "--fingerings", "all"}),
              "0\tD\t\tmajor\tD\t\tx00232\n0\tD\t7\tseventh\tD7\t\t55453x\n"
              "480\tA\t\tmajor\tA\t\tx02220\n480\tA\t7\tseventh\tA7\t\tx02020\n");
}

// The log lists what the designed pass found, whatever the options.
TEST_F(GuitarOptionsSong, TheLogIsTheDesignedOneWithEveryOptionOn) {
    std::vector<TimedBytes> song;
    Strike(song, 0, kBeat, {45, 48, 52, 55}, 0, 4);
    Strike(song, kBeat, kBeat, {38, 42, 45}, 9);
    const std::string file = Song("log.mid", song);
    auto logOf = [&](std::vector<std::string> arguments) {
        const std::string log = (folder / "sheet.log").string();
        arguments.push_back("--log");
        arguments.push_back(log);
        Sheet(arguments);
        std::ifstream in(log);
        return std::string(std::istreambuf_iterator<char>(in), {});
    };
    const std::string designed = logOf({file});
    EXPECT_NE(designed.find("The following lists each chord that is recognized"),
              std::string::npos);
    EXPECT_EQ(logOf({file, "--guitar"}), designed);
}

TEST_F(GuitarOptionsSong, FoldersAreReadWholeAndABrokenFileIsCountedNotFatal) {
    std::vector<TimedBytes> song;
    Strike(song, 0, kBeat, {48, 52, 55});
    const std::string a = Song("a.mid", song);
    Strike(song, kBeat, kBeat, {43, 47, 50});
    const std::string b = Song("b.mid", song);
    std::ofstream(folder / "broken.mid") << "not a song";
    const std::string sheet = Sheet({folder.string(), "--jobs", "2"}, kChordSheetFailed);
    EXPECT_EQ(sheet, a + "\t0\tC\t\tmajor\n" + b + "\t0\tC\t\tmajor\n" + b + "\t480\tG\t\tmajor\n");
    EXPECT_NE(err.str().find("cannot read " + (folder / "broken.mid").string()), std::string::npos)
        << err.str();
    EXPECT_NE(err.str().find("1 of 3 files failed"), std::string::npos) << err.str();
    fs::create_directories(folder / "empty");
    EXPECT_EQ(Sheet({(folder / "empty").string()}, kChordSheetFailed), "");
    EXPECT_NE(err.str().find("no MIDI file found"), std::string::npos) << err.str();
    const std::string json =
        Sheet({a, (folder / "broken.mid").string(), "--format", "json"}, kChordSheetFailed);
    EXPECT_EQ(std::count(json.begin(), json.end(), '\n'), 2) << "one object per file";
    EXPECT_NE(json.find("\"error\":\"cannot read"), std::string::npos) << json;
}

}  // namespace
