// The chord sheet: a file written with the library's writer, loaded and analysed like the
// document does, printed one chord per line; options, exit codes and messages.
#include <gtest/gtest.h>

#include <algorithm>
#include <deque>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "Misc/notelist.h"
#include "chordsheet/ChordSheet.h"
#include "midi/CMidiSMF.h"
#include "midi/MidiTestSupport.h"

namespace {

using miditest::At;

std::size_t LineCount(const std::string& text) {
    return static_cast<std::size_t>(std::count(text.begin(), text.end(), '\n'));
}

class ChordSheet : public ::testing::Test {
  protected:
    void SetUp() override {
        // Track 0 (channel 1): C major, then G major; track 1 (channel 2): F major.
        std::deque<CMidiTrack> tracks(2);
        miditest::Fill(
            tracks[0],
            {At(0, 0x90, 60), At(0, 0x90, 64), At(0, 0x90, 67), At(480, 0x80, 60, 0),
             At(480, 0x80, 64, 0), At(480, 0x80, 67, 0), At(480, 0x90, 55), At(480, 0x90, 59),
             At(480, 0x90, 62), At(960, 0x80, 55, 0), At(960, 0x80, 59, 0), At(960, 0x80, 62, 0)});
        miditest::Fill(tracks[1],
                       {At(960, 0x91, 65), At(960, 0x91, 69), At(960, 0x91, 72),
                        At(1440, 0x81, 65, 0), At(1440, 0x81, 69, 0), At(1440, 0x81, 72, 0)});
        tracks[0].SetName("Chords");
        CMidiSMF writer;
        ASSERT_EQ(writer.Open(song.c_str(), 'w', 1), 1);
        for (CMidiTrack& track : tracks)
            writer.AddTrack(&track);
        ASSERT_EQ(writer.WriteAllTracks(), 1);
    }
    void TearDown() override {
        std::remove(song.c_str());
        std::remove(log.c_str());
    }

    int Run(std::vector<std::string> arguments) {
        out.str("");
        err.str("");
        return RunChordSheet(arguments, out, err);
    }

    // A bad invocation: exit 2, one line on the error stream, nothing printed.
    void ExpectRefused(const std::vector<std::string>& arguments) {
        SCOPED_TRACE(::testing::PrintToString(arguments));
        EXPECT_EQ(Run(arguments), kChordSheetFailed);
        EXPECT_EQ(out.str(), "");
        EXPECT_EQ(LineCount(err.str()), 1u) << err.str();
    }

    const std::string song = miditest::ScratchPath("sheet.mid");
    const std::string log = miditest::ScratchPath("sheet.log");
    std::ostringstream out;
    std::ostringstream err;
};

TEST_F(ChordSheet, PrintsOneLinePerChordOfEveryMonitoredTrack) {
    EXPECT_EQ(Run({song}), kChordSheetOk);
    EXPECT_EQ(out.str(), "0\tC\t\tmajor\n480\tG\t\tmajor\n960\tF\t\tmajor\n");
    EXPECT_EQ(err.str(), "");
}

TEST_F(ChordSheet, OptionsChooseChannelsTracksAndTransposition) {
    EXPECT_EQ(Run({song, "--channels", "2"}), kChordSheetOk);
    EXPECT_EQ(out.str(), "960\tF\t\tmajor\n");
    EXPECT_EQ(Run({"--channels=1,3", song}), kChordSheetOk);
    EXPECT_EQ(out.str(), "0\tC\t\tmajor\n480\tG\t\tmajor\n");
    EXPECT_EQ(Run({song, "--tracks", "1"}), kChordSheetOk);
    EXPECT_EQ(out.str(), "960\tF\t\tmajor\n");
    EXPECT_EQ(Run({song, "--transpose", "2", "--transpose-tracks", "0"}), kChordSheetOk);
    EXPECT_EQ(out.str(), "0\tD\t\tmajor\n480\tA\t\tmajor\n960\tF\t\tmajor\n");
    EXPECT_EQ(Run({song, "--transpose=-12", "--transpose-tracks=0,1"}), kChordSheetOk);
    EXPECT_EQ(out.str(), "0\tC\t\tmajor\n480\tG\t\tmajor\n960\tF\t\tmajor\n");
    EXPECT_EQ(Run({song, "--transpose", "+1", "--transpose-tracks", "1"}), kChordSheetOk);
    EXPECT_EQ(out.str(), "0\tC\t\tmajor\n480\tG\t\tmajor\n960\tF#\t\tmajor\n");
}

TEST_F(ChordSheet, BadArgumentsAreRefusedWithAMessage) {
    ExpectRefused({});
    ExpectRefused({song, song, "--log", log});
    ExpectRefused({song, "--min-chord", "3beats"});
    ExpectRefused({song, "--names", "fancy"});
    ExpectRefused({song, "--format", "xml"});
    ExpectRefused({song, "--jobs", "0"});
    ExpectRefused({song, "--bogus"});
    ExpectRefused({song, "--channels"});
    for (const char* channels : {"0", "17", "1,,2", "x", "1,", "", "2.5"})
        ExpectRefused({song, "--channels", channels});
    ExpectRefused({song, "--tracks", "-1"});
    ExpectRefused({song, "--tracks", "2"});  // the song has tracks 0 and 1
    ExpectRefused({song, "--tracks", "200"});
    ExpectRefused({song, "--transpose", "13", "--transpose-tracks", "0"});
    ExpectRefused({song, "--transpose", "-13", "--transpose-tracks", "0"});
    ExpectRefused({song, "--transpose", "++1", "--transpose-tracks", "0"});
    ExpectRefused({song, "--transpose", "2"});
    ExpectRefused({song, "--transpose-tracks", "0"});
    ExpectRefused({song, "--transpose", "1", "--transpose-tracks", "5"});
    ExpectRefused({song, "--log="});
}

TEST_F(ChordSheet, UnreadableFilesGiveOneLineWithTheReason) {
    const std::string missing = miditest::ScratchPath("missing.mid");
    ExpectRefused({missing});
    EXPECT_NE(err.str().find(missing), std::string::npos);

    {
        std::ofstream garbage(song, std::ios::binary | std::ios::trunc);
        garbage << "this is not a MIDI file";
    }
    ExpectRefused({song});
    EXPECT_NE(err.str().find(song), std::string::npos);
}

TEST_F(ChordSheet, HelpPrintsTheUsage) {
    EXPECT_EQ(Run({"--help"}), kChordSheetOk);
    EXPECT_EQ(out.str().rfind("usage: tabulon-chords FILE", 0), 0u);
}

TEST_F(ChordSheet, LogOptionWritesEverySectionAndTheSettingsComeBack) {
    UserSettings.ResetTrackSettings();
    UserSettings.transposeAmount = 5;
    UserSettings.monitoredChannels[3] = 0;
    UserSettings.loggingEnabled = 0;
    EXPECT_EQ(Run({song, "--log", log, "--tracks", "0"}), kChordSheetOk);
    const std::string text = miditest::ReadFile(log);
    for (const char* expected :
         {"file contains 2 tracks\n", "Track 0 (Chords), ", "Track 1 (no name), ",
          "\nMidi File: ", "\nthe following tracks are being monitored: \n\t1 Chords\n\n",
          "The following lists each event that is being monitored:\n",
          "time=480, G  major\nG major\n",
          "The following lists each event as it is sent to the MIDI interface:\n"})
        EXPECT_NE(text.find(expected), std::string::npos) << expected;
    EXPECT_EQ(UserSettings.transposeAmount, 5);
    EXPECT_EQ(UserSettings.monitoredChannels[3], 0);
    EXPECT_EQ(UserSettings.loggingEnabled, 0);
    EXPECT_TRUE(UserSettings.trackNames.expired());
    UserSettings.ResetTrackSettings();

    ExpectRefused({song, "--log", "/nonexistent-folder/x.log"});
}

TEST_F(ChordSheet, NotesLeftSoundingElsewhereDoNotLeakIntoTheSheet) {
    soundingNotes.Update(At(0, 0x90, 69));
    EXPECT_EQ(Run({song}), kChordSheetOk);
    EXPECT_EQ(out.str(), "0\tC\t\tmajor\n480\tG\t\tmajor\n960\tF\t\tmajor\n");
    soundingNotes.Clear();
}

TEST_F(ChordSheet, RealFilesAreReadWithoutHarm) {
    std::size_t files = 0;
    for (const auto& entry : std::filesystem::directory_iterator(TABULON_TESTDATA_DIR)) {
        if (entry.path().extension() != ".mid") continue;
        ++files;
        SCOPED_TRACE(entry.path().string());
        const int code = Run({entry.path().string()});
        EXPECT_TRUE(code == kChordSheetOk || code == kChordSheetFailed);
        if (code == kChordSheetFailed) {
            EXPECT_EQ(LineCount(err.str()), 1u);
        }
    }
    EXPECT_GT(files, 10u);

    ASSERT_EQ(Run({std::string(TABULON_TESTDATA_DIR) + "/jazzsoft-test-multichannel-chords-1.mid"}),
              kChordSheetOk);
    EXPECT_EQ(out.str().rfind("0\tC\t\tmajor\n96\tD\tmin\tminor\n192\tE\tmin\tminor\n", 0), 0u)
        << out.str();
}

}  // namespace
