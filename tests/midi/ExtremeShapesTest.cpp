// Extreme but valid files, at sizes that run in a fraction of a second here (the full sizes are
// timed by bench/extreme_shapes.sh): the song loads, analyses and unloads with memory bounded by
// what the file holds, and the chords come out right however the events are spread.

#include <gtest/gtest.h>
#include <malloc.h>

#include <string>
#include <vector>

#include "Misc/ChordAnalysis.h"
#include "Misc/ChordDictionary.h"
#include "Misc/notelist.h"
#include "settings/UserSettings.h"
#include "support/RawSmf.h"
#include "support/SongOnOutput.h"

namespace {

using smftest::TrackChunk;

// Bytes the allocator has handed out and not taken back; 0 where a sanitizer owns the heap.
size_t HeapInUse() {
#if defined(__SANITIZE_ADDRESS__)
    return 0;
#else
    const struct mallinfo2 info = mallinfo2();
    return info.uordblks + info.hblkhd;
#endif
}

std::vector<uint8_t> FileOf(const std::vector<std::vector<uint8_t>>& tracks) {
    std::vector<uint8_t> bytes = {'M', 'T', 'h', 'd', 0, 0, 0, 6, 0, 1};
    const auto count = static_cast<uint16_t>(tracks.size());
    for (uint16_t v : {count, uint16_t{96}}) {
        bytes.push_back(static_cast<uint8_t>(v >> 8));
        bytes.push_back(static_cast<uint8_t>(v));
    }
    for (const auto& t : tracks)
        bytes.insert(bytes.end(), t.begin(), t.end());
    return bytes;
}

class ExtremeShapes : public ::testing::Test {
  protected:
    void SetUp() override {
        BuildChordDictionary();
        UserSettings.ResetTrackSettings();
        UserSettings.ClearMutedTracks();
        soundingNotes.Clear();  // as opening a file does
    }
};

TEST_F(ExtremeShapes, ManyTracksOfOneNoteTakeNoEmptySlotsAndAnalyseInMergedOrder) {
    // C, E, G, C, E, G, ... one note a track, all struck at tick 0 and released a beat later.
    constexpr int kTracks = 20000;
    const uint8_t notes[] = {60, 64, 67};
    std::vector<std::vector<uint8_t>> tracks;
    for (int i = 0; i < kTracks; ++i) {
        const uint8_t note = notes[i % 3];
        tracks.push_back(TrackChunk({0x00, 0x90, note, 0x40, 0x60, 0x80, note, 0x40}));
    }
    const std::vector<uint8_t> file = FileOf(tracks);
    const size_t before = HeapInUse();
    {
        SongOnOutput song(file.data(), file.size());
        ASSERT_EQ(song.song.TrackCount(), kTracks);
        // Each track holds its two events, not thousands of zero slots.
        const size_t used = HeapInUse() - before;
        EXPECT_LT(used, size_t{kTracks} * 1024) << used;
        song.output.StartPlayback();
        ASSERT_EQ(chordTimeline.Size(), 1u);
        EXPECT_EQ(chordTimeline[0].chord, Chord(0x091));  // C major, complete after track 3
        EXPECT_EQ(chordTimeline[0].time, 0u);
    }
}

TEST_F(ExtremeShapes, AHugeSystemExclusiveMessageIsKeptOnceAndTheSongGoesOn) {
    constexpr uint32_t kBytes = 2000000;
    std::vector<uint8_t> body = {0x00, 0xF0};
    for (uint32_t v = kBytes + 1, shift = 21;; shift -= 7) {  // the length in four groups
        body.push_back(static_cast<uint8_t>(((v >> shift) & 0x7F) | (shift ? 0x80 : 0)));
        if (shift == 0) break;
    }
    body.resize(body.size() + kBytes, 0x11);
    body.push_back(0xF7);
    for (uint8_t note : {60, 64, 67})
        body.insert(body.end(), {0x00, 0x90, note, 0x40});
    const std::vector<uint8_t> file = FileOf({TrackChunk(body)});
    const size_t before = HeapInUse();
    SongOnOutput song(file.data(), file.size());
    ASSERT_EQ(song.song.TrackCount(), 1);
    EXPECT_EQ(song.song.Track(0)->GetCount(), kBytes + 2 + 3);  // F0, the bytes, F7, three notes
    // One record a byte, kept once: the file's bytes and 8 bytes a byte, not a second copy.
    const size_t used = HeapInUse() - before;
    EXPECT_LT(used, size_t{kBytes} * 10) << used;
    EXPECT_EQ(song.song.ErrorText(), "");
    song.output.StartPlayback();
    ASSERT_EQ(chordTimeline.Size(), 1u);
    EXPECT_EQ(chordTimeline[0].chord, Chord(0x091));
}

TEST_F(ExtremeShapes, OneLongTrackGivesEveryChordChange) {
    // C major and G major in turn, one a beat, over 300,000 events (running status).
    constexpr uint32_t kChords = 50000;
    const uint8_t c[] = {60, 64, 67};
    const uint8_t g[] = {55, 59, 62};
    std::vector<uint8_t> body = {0x00, 0x90, c[0], 0x40, 0x00, c[1], 0x40, 0x00, c[2], 0x40};
    for (uint32_t i = 1; i < kChords; ++i) {
        const uint8_t* off = i % 2 ? c : g;
        const uint8_t* on = i % 2 ? g : c;
        body.insert(body.end(), {0x60, off[0], 0x00, 0x00, off[1], 0x00, 0x00, off[2], 0x00});
        body.insert(body.end(), {0x00, on[0], 0x40, 0x00, on[1], 0x40, 0x00, on[2], 0x40});
    }
    const std::vector<uint8_t> file = FileOf({TrackChunk(body)});
    SongOnOutput song(file.data(), file.size());
    ASSERT_EQ(song.song.Track(0)->GetCount(), kChords * 6 - 3);
    song.output.StartPlayback();
    ASSERT_EQ(chordTimeline.Size(), kChords);
    for (uint32_t i = 0; i < kChords; i += 9973) {
        EXPECT_EQ(chordTimeline[i].time, i * 96u);
        EXPECT_EQ(chordTimeline[i].chord, Chord(i % 2 ? 0x884 : 0x091));  // G B D / C E G
    }
}

}  // namespace
