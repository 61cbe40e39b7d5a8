// The log sections that the chord analysis pass writes, compared as whole texts.
#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "Misc/ChordAnalysis.h"
#include "Misc/ChordDictionary.h"
#include "Misc/LogStream.h"
#include "Misc/notelist.h"
#include "midi/MidiTestSupport.h"

namespace {

using miditest::At;

const std::string kSeparator = "\n" + std::string(73, '*') + "\n";
const std::string kMonitoredHeading =
    kSeparator + "\nThe following lists each event that is being monitored:\n";
const std::string kChordsHeading =
    kSeparator + "\nThe following lists each chord that is recognized:\n";
const std::string kSentHeading =
    kSeparator + "\nThe following lists each event as it is sent to the MIDI interface:\n";

const std::string kCMajorDiagram =
    "\n"
    "(E)  |---|---|---|---|\n"
    "(B)  |-1-|---|---|---|\n"
    "(G)  |---|---|---|---|\n"
    "(D)  |---|-2-|---|---|\n"
    "(A)  |---|---|-3-|---|\n"
    "(E)  |---|---|-O-|---|\n"
    "        1   2   3   4\n";

void SetLogFlags(int loggingEnabled, int logNotes, int logChords, int logMidiEvents) {
    UserSettings.loggingEnabled = loggingEnabled;
    UserSettings.logNotes = logNotes;
    UserSettings.logChords = logChords;
    UserSettings.logMidiEvents = logMidiEvents;
    UserSettings.logTrackInfo = 0;
}

class ChordAnalysisLog : public ::testing::Test {
  protected:
    void SetUp() override {
        BuildChordDictionary();
        UserSettings.ResetTrackSettings();
        UserSettings.ClearMutedTracks();
        UserSettings.loadedFilePath = "/songs/one.mid";
        soundingNotes.Clear();
        ASSERT_TRUE(OpenLogStream(path));
    }
    void TearDown() override {
        CloseLogStream();
        std::remove(path.c_str());
        UserSettings.ResetTrackSettings();
        UserSettings.loadedFilePath.clear();
        SetLogFlags(0, 0, 0, 0);
        soundingNotes.Clear();
    }

    CMidiTrack& AddTrack(const std::vector<MidiEvent>& absolute) {
        return miditest::AddFilledTrack(tracks, out, absolute);
    }

    // Runs the pass and returns what reached the log.
    std::string Log() {
        out.AnalyzeChords();
        CloseLogStream();
        return miditest::ReadFile(path);
    }

    const std::string path = miditest::ScratchPath("analysis.log");
    CMidiOut out;
    std::vector<std::unique_ptr<CMidiTrack>> tracks;
};

TEST_F(ChordAnalysisLog, OnePassWritesTheHeaderTheEventsTheChordsAndTheSentHeading) {
    AddTrack({At(0, 0x90, 60), At(0, 0x90, 64), At(0, 0x90, 67), At(480, 0x80, 60, 0),
              At(480, 0x80, 64, 0), At(480, 0x80, 67, 0)})
        .SetName("Piano");
    AddTrack({At(0, 0x91, 50)});
    UserSettings.monitoredChannels.fill(0);
    UserSettings.monitoredChannels[0] = 1;
    UserSettings.monitoredChannels[9] = 1;
    SetLogFlags(1, 1, 1, 1);

    const std::string header =
        "\nMidi File: /songs/one.mid\n"
        "\nMidi File contains 2 tracks\n"
        "\nthe following midi channels are being monitored: \n"
        "\t1\n\t10\n"
        "\nthe following tracks are being monitored: \n"
        "\t1 Piano\n\tNO NAME\n";
    // The last note-off leaves silence: counted as #6, not listed.
    const std::string events =
        "event # 1, time=00000000, message=0x90(3c,64,00): Note On (C), channel 0\n"
        "event # 2, time=00000000, message=0x90(40,64,00): Note On (E), channel 0\n"
        "event # 3, time=00000000, message=0x90(43,64,00): Note On (G), channel 0\n"
        "event # 4, time=00000480, message=0x80(3c,00,00): Note Off (C), channel 0\n"
        "event # 5, time=00000480, message=0x80(40,00,00): Note Off (E), channel 0\n";
    const std::string chords = "time=0, C  major\nC major\n" + kCMajorDiagram + "\n";
    EXPECT_EQ(Log(), header + kMonitoredHeading + events + kChordsHeading + chords + kSentHeading);
}

TEST_F(ChordAnalysisLog, HeaderListsTransposedTracksOnlyWhenTheAmountIsNotZero) {
    AddTrack({}).SetName("Bass");
    AddTrack({});
    AddTrack({});
    UserSettings.monitoredTracks[1] = 0;
    UserSettings.transposedTracks[0] = 1;
    UserSettings.transposedTracks[2] = 1;
    SetLogFlags(1, 0, 0, 0);
    UserSettings.transposeAmount = -3;
    const std::string common =
        "\nMidi File: /songs/one.mid\n"
        "\nMidi File contains 3 tracks\n"
        "\nthe following midi channels are being monitored: \n"
        "\t1\n\t2\n\t3\n\t4\n\t5\n\t6\n\t7\n\t8\n\t9\n\t10\n\t11\n\t12\n\t13\n\t14\n\t15\n\t16\n"
        "\nthe following tracks are being monitored: \n"
        "\t1 Bass\n\tNO NAME\n";
    EXPECT_EQ(Log(), common +
                         "\n\nThe following tracks are being trasposed by -3 semitones\n"
                         "\t1 Bass\n\tNO NAME\n\n");

    ASSERT_TRUE(OpenLogStream(path));
    UserSettings.transposeAmount = 0;
    EXPECT_EQ(Log(), common);
}

TEST_F(ChordAnalysisLog, NothingMonitoredAndNoTracksGiveTheWarnings) {
    UserSettings.loadedFilePath.clear();
    UserSettings.monitoredChannels.fill(0);
    SetLogFlags(1, 1, 0, 0);
    EXPECT_EQ(Log(),
              "\nMidi File: \n"
              "\nMidi File contains 0 tracks\n"
              "\nthe following midi channels are being monitored: \n"
              "\tWARNING: NO CHANNELS ARE BEING MONITORED\n\tNo chords will be recognized!\n\n"
              "\nthe following tracks are being monitored: \n"
              "\tWARNING: NO TRACKS ARE BEING MONITORED\n\tNo chords will be recognized!\n\n" +
                  kMonitoredHeading);
}

TEST_F(ChordAnalysisLog, EachFlagLetsOnlyItsSectionThrough) {
    AddTrack({At(0, 0x90, 62), At(0, 0x90, 66), At(0, 0x90, 69), At(0, 0x90, 72)});
    // Chords without logging enabled; D seventh has no fingering, so only its line is written.
    SetLogFlags(0, 1, 1, 0);
    EXPECT_EQ(Log(), kChordsHeading +
                         "time=0, D  major\nD major\n"
                         "\n"
                         "(E)  |---|-2-|---|---|\n"
                         "(B)  |---|---|-3-|---|\n"
                         "(G)  |---|-1-|---|---|\n"
                         "(D)  |---|---|---|---|\n"
                         "(A)  |---|---|---|---|\n"
                         "(E)  |-X-|---|---|---|\n"
                         "        1   2   3   4\n"
                         "\n"
                         "time=0, D 7 seventh\nD7 seventh\n\n");

    ASSERT_TRUE(OpenLogStream(path));
    soundingNotes.Clear();
    SetLogFlags(0, 0, 0, 1);
    EXPECT_EQ(Log(), kSentHeading);

    ASSERT_TRUE(OpenLogStream(path));
    soundingNotes.Clear();
    SetLogFlags(1, 0, 0, 0);
    const std::string log = Log();
    EXPECT_EQ(log.find("event #"), std::string::npos);
    EXPECT_EQ(log.rfind("\nMidi File: ", 0), 0u);
}

TEST_F(ChordAnalysisLog, EventsAreLoggedAsAnalysedWithTheirNotesTransposed) {
    AddTrack({At(0, 0x90, 60), At(100, 0x7B, 0, 0)});
    UserSettings.transposedTracks[0] = 1;
    UserSettings.transposeAmount = 2;
    SetLogFlags(1, 1, 0, 0);
    const std::string log = Log();
    const std::size_t events = log.find(kMonitoredHeading);
    ASSERT_NE(events, std::string::npos);
    EXPECT_EQ(log.substr(events + kMonitoredHeading.size()),
              "event # 1, time=00000000, message=0x90(3e,64,00): Note On (D), channel 0\n");
}

}  // namespace
