// A MIDI file that is removed, cut short or rewritten by someone else between opening it and
// reading its tracks (as the document does: Open, one track per track of the file, ReadAllTracks):
// the tracks read are those of the file as it was opened, whole and consistent, with their names;
// opening the file again gives what it holds now, or fails with a reason.
#include <gtest/gtest.h>

#include <cstdio>
#include <deque>
#include <filesystem>
#include <string>

#include "midi/CMidiOut.h"
#include "midi/CMidiSMF.h"
#include "midi/CMidiSync.h"
#include "midi/CMidiTrack.h"
#include "midi/MidiTestSupport.h"
#include "midilib/SmfTestSupport.h"
#include "support/TestLoop.h"

using namespace miditest;
using smftest::Append;
using smftest::Bytes;

namespace {

constexpr uint32_t kNotesPerTrack = 300;

// A format-1 file of `tracks` named tracks of note pairs, 96 ticks per beat; `base` shifts the
// note numbers so that two versions of the file are told apart.
Bytes SongFile(uint16_t tracks, uint8_t base) {
    Bytes file = smftest::Header(1, tracks, 96);
    for (uint16_t t = 0; t < tracks; ++t) {
        const std::string name = "Track " + std::to_string(t);
        Bytes body = {0x00, 0xFF, 0x03, uint8_t(name.size())};
        body.insert(body.end(), name.begin(), name.end());
        for (uint32_t i = 0; i < kNotesPerTrack; ++i) {
            const uint8_t note = uint8_t((base + t * 12 + i) % 128);
            Append(body, {0x00, uint8_t(0x90 | t), note, 100, 0x30, uint8_t(0x80 | t), note, 0});
        }
        Append(body, smftest::kEndOfTrack);
        Append(file, smftest::Track(body));
    }
    return file;
}

class FaultFileChangeTest : public ::testing::Test {
  protected:
    void SetUp() override {
        UserSettings = UserSettingsRecord{};
        clock.Create(loop);
        ASSERT_EQ(clock.Open(0, 10), 1);
        clock.SetResolution(480);
        out.SetSync(&clock);
        song.Write(SongFile(3, 40));
    }

    // Opens the file as the document does; false when it cannot be opened.
    bool Open() {
        if (!file.Open(song.Path(), 'r', 1)) return false;
        for (uint32_t i = 0; i < file.GetTrackCountInFile(); ++i) {
            CMidiTrack& track = tracks.emplace_back();
            file.AddTrack(&track);
            out.AddTrack(&track);
        }
        return true;
    }
    void Unload() {
        for (CMidiTrack& track : tracks)
            out.RemoveTrack(&track);
        file.Close();
        tracks.clear();
    }
    // The tracks hold the whole file version `base` of `count` tracks: names, notes and times.
    void ExpectSong(uint16_t count, uint8_t base) {
        ASSERT_EQ(tracks.size(), count);
        for (uint16_t t = 0; t < count; ++t) {
            CMidiTrack& track = tracks[t];
            ASSERT_EQ(track.GetCount(), 2 * kNotesPerTrack) << "track " << t;
            ASSERT_NE(track.GetName(), nullptr);
            EXPECT_EQ(std::string(track.GetName()), "Track " + std::to_string(t));
            const std::vector<MidiEvent> events(track.GetEvents(),
                                                track.GetEvents() + track.GetCount());
            EXPECT_EQ(smftest::CheckRecords(events), "");
            for (uint32_t i = 0; i < kNotesPerTrack; ++i) {
                const uint8_t note = uint8_t((base + t * 12 + i) % 128);
                EXPECT_EQ(events[2 * i], (MidiEvent{0, uint8_t(0x90 | t), note, 100, 0}));
                EXPECT_EQ(events[2 * i + 1], (MidiEvent{0x30, uint8_t(0x80 | t), note, 0, 0}));
            }
        }
        EXPECT_EQ(clock.GetResolution(), 96);  // the file's resolution went to the clock
    }

    smftest::ScratchFile song{"changing.mid"};
    TestLoop loop;
    CBeatSync clock;
    CMidiOut out;
    std::deque<CMidiTrack> tracks;  // outlive the file object
    CMidiSMF file;
};

TEST_F(FaultFileChangeTest, AFileRemovedAfterOpeningIsReadWhole) {
    ASSERT_TRUE(Open());
    std::filesystem::remove(song.Path());
    ASSERT_EQ(file.ReadAllTracks(), 1);
    ExpectSong(3, 40);
    // Reloading it now fails cleanly and leaves the file object closed.
    Unload();
    EXPECT_FALSE(Open());
    EXPECT_EQ(file.IsOpen(), 0);
    EXPECT_EQ(file.GetTrackCountInFile(), 0u);
    EXPECT_STRNE(file.GetErrorText(), "");
    EXPECT_EQ(file.ReadAllTracks(), 0);
}

TEST_F(FaultFileChangeTest, AFileCutShortAfterOpeningIsReadWhole) {
    ASSERT_TRUE(Open());
    std::filesystem::resize_file(song.Path(), 700);
    ASSERT_EQ(file.ReadAllTracks(), 1);
    ExpectSong(3, 40);
    // Reloading it now keeps what the cut left: whole events of the first track only.
    Unload();
    ASSERT_TRUE(Open());
    ASSERT_EQ(file.ReadAllTracks(), 1);
    ASSERT_GE(tracks.size(), 1u);
    EXPECT_STRNE(file.GetErrorText(), "");
    EXPECT_GT(tracks[0].GetCount(), 0u);
    EXPECT_LT(tracks[0].GetCount(), 2 * kNotesPerTrack);
    for (CMidiTrack& track : tracks) {
        EXPECT_EQ(smftest::CheckRecords({track.GetEvents(), track.GetEvents() + track.GetCount()}),
                  "");
    }
}

TEST_F(FaultFileChangeTest, AFileRewrittenAfterOpeningIsReadAsItWasOpened) {
    ASSERT_TRUE(Open());
    song.Write(SongFile(5, 70));  // more tracks, other notes
    ASSERT_EQ(file.ReadAllTracks(), 1);
    ExpectSong(3, 40);
    // A second read of the same open file gives the same again.
    ASSERT_EQ(file.ReadAllTracks(), 1);
    ExpectSong(3, 40);
    // A play of what was read goes through the merge to the end.
    out.StartPlayback();
    EXPECT_EQ(out.GetStates()[0].trackIndex + out.GetStates()[1].trackIndex +
                  out.GetStates()[2].trackIndex,
              3 * 2 * kNotesPerTrack);
    // Reloading gives the new version.
    Unload();
    ASSERT_TRUE(Open());
    ASSERT_EQ(file.ReadAllTracks(), 1);
    ExpectSong(5, 70);
}

}  // namespace
