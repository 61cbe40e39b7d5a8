// The song loader: what a load attaches, reads and logs, what a failed load leaves, and the track
// names that the settings refer to without owning them.
#include <gtest/gtest.h>

#include "midi/CMidiSync.h"
#include "midi/LoadedSong.h"
#include "midi/MidiTestSupport.h"

using namespace miditest;

namespace {

class LoadedSongTest : public ::testing::Test {
  protected:
    void SetUp() override { UserSettings = UserSettingsRecord{}; }
    void TearDown() override {
        CloseLogStream();
        std::remove(path.c_str());
        std::remove(logPath.c_str());
        UserSettings = UserSettingsRecord{};
    }

    // Three tracks: "Chords" with two events, an empty one without a name, "Bass" with one.
    void WriteSong() {
        uint32_t format = 1, count = 0;
        const uint32_t h = OpenSMF(path.c_str(), &format, 'w', &count);
        ASSERT_NE(h, 0u);
        const MidiEvent chords[] = {At(0, 0x90, 60), At(480, 0x80, 60, 0)};
        const MidiEvent bass = At(0, 0x91, 36);
        WriteMetaEvent(h, 0, 3, reinterpret_cast<const uint8_t*>("Chords"), 0);
        WriteSMF(h, 0, chords, 2);
        WriteSMF(h, 1, nullptr, 0);
        WriteMetaEvent(h, 2, 3, reinterpret_cast<const uint8_t*>("Bass"), 0);
        WriteSMF(h, 2, &bass, 1);
        ASSERT_EQ(CloseSMF(h), 0);
    }

    const std::string path = ScratchPath("song.mid");
    const std::string logPath = ScratchPath("song.log");
};

TEST_F(LoadedSongTest, ATrackPerTrackOfTheFileIsAttachedReadAndLogged) {
    WriteSong();
    CBeatSync clock;
    CMidiOut output;
    output.SetSync(&clock);
    ASSERT_EQ(clock.Open(0, 10), 1);
    clock.SetResolution(96);
    ASSERT_TRUE(OpenLogStream(logPath));
    UserSettings.logTrackInfo = 1;
    LoadedSong song;
    ASSERT_TRUE(song.Load(path, &output)) << song.ErrorText();
    EXPECT_EQ(song.ErrorText(), "");
    ASSERT_EQ(song.TrackCount(), 3);
    EXPECT_EQ(output.GetNumTracks(), 3);
    for (int32_t i = 0; i < 3; ++i) {
        EXPECT_EQ(song.File().GetTrack(i), song.Track(i));
        EXPECT_EQ(output.GetStates()[static_cast<size_t>(i)].track, song.Track(i));
    }
    EXPECT_EQ(song.Track(0)->GetCount(), 2u);
    EXPECT_STREQ(song.Track(2)->GetName(), "Bass");
    EXPECT_EQ(song.Track(3), nullptr);
    EXPECT_TRUE(song.HasEvents());
    EXPECT_EQ(clock.GetResolution(), 480) << "the file's resolution went to the clock";
    CloseLogStream();
    EXPECT_EQ(ReadFile(logPath),
              "file contains 3 tracks\nTrack 0 (Chords), 2 events\nTrack 1 (no name), 0 events\n"
              "Track 2 (Bass), 1 events\n");

    // A second load replaces the tracks; a failed one leaves nothing attached and says why.
    ASSERT_TRUE(song.Load(path, &output));
    EXPECT_EQ(output.GetNumTracks(), 3);
    EXPECT_FALSE(song.Load(ScratchPath("missing.mid"), &output));
    EXPECT_EQ(song.TrackCount(), 0);
    EXPECT_EQ(output.GetNumTracks(), 0);
    EXPECT_EQ(song.ErrorText(), "cannot open file");
}

TEST_F(LoadedSongTest, TheSettingsTrackNamesLapseWithTheSong) {
    WriteSong();
    {
        LoadedSong song;
        ASSERT_TRUE(song.Load(path));
        song.Describe(UserSettings, path);
        EXPECT_EQ(UserSettings.trackCount, 3);
        EXPECT_EQ(UserSettings.loadedFilePath, path);
        const auto file = UserSettings.trackNames.lock();
        ASSERT_NE(file, nullptr);
        EXPECT_STREQ(file->GetTrack(0)->GetName(), "Chords");
    }
    EXPECT_EQ(UserSettings.trackNames.lock(), nullptr) << "no reference outlives the song";
}

}  // namespace
