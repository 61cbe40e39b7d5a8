// The output object against the library's null device: opening, play starts, resuming.
#include <gtest/gtest.h>

#include <deque>

#include "midi/CMidiOut.h"
#include "midi/CMidiSync.h"
#include "midi/CMidiTrack.h"
#include "midi/MidiTestSupport.h"
#include "support/TestLoop.h"

using namespace miditest;

namespace {

constexpr uint32_t kFlags = 0x00033320;

class CMidiOutTest : public ::testing::Test {
  protected:
    void SetUp() override {
        UserSettings = UserSettingsRecord{};
        device = NullDevice();
        ASSERT_GE(device, 0);
        clock.Create(loop);
        ASSERT_EQ(clock.Open(0, 10), 1);  // stopped: the device's queue fills up and stays full
        out.Create(loop);
        out.SetSync(&clock);
        track.emplace_back();
        std::vector<MidiEvent> song;
        for (uint32_t i = 0; i < 5000; ++i)
            song.push_back(At(i, kNoteOn, 60));
        Fill(track.back(), song);
        out.AddTrack(&track.back());
    }

    // The time sent while `action` runs; one tick per event of the song.
    template <class Action>
    uint32_t TimeSent(Action action) {
        const uint32_t before = CMidiOut::eventsSentTime;
        action();
        return CMidiOut::eventsSentTime - before;
    }

    TestLoop loop;
    std::deque<CMidiTrack> track;
    CBeatSync clock;
    CMidiOut out;
    int device = -1;
};

TEST_F(CMidiOutTest, OpenFetchesTheDescriptionAndKeepsAnOpenDevice) {
    ASSERT_EQ(out.Open(static_cast<uint16_t>(device), kFlags), 1);
    EXPECT_STREQ(out.GetDescription(), "Null Output");
    EXPECT_EQ(out.GetOpenFlags(), kFlags);
    const uint32_t handle = out.GetHandle();
    EXPECT_EQ(out.Open(static_cast<uint16_t>(device), 0), 1);
    EXPECT_EQ(out.GetHandle(), handle);
    out.Close();
    EXPECT_EQ(out.IsOpen(), 0);
    EXPECT_EQ(out.Open(0xFFFE, kFlags), 0);  // no such device
    EXPECT_EQ(out.GetHandle(), 0u);
    EXPECT_TRUE(out.Put(MidiEvent{}));  // closed: the event is dropped
}

TEST_F(CMidiOutTest, SendingStopsAtAFullQueueAndStartPlaybackDropsTheOldQueue) {
    ASSERT_EQ(out.Open(static_cast<uint16_t>(device), kFlags), 1);
    const uint32_t first = TimeSent([&] { out.StartPlayback(); });
    ASSERT_GT(first, 0u);
    ASSERT_LT(first, 4999u);  // refused: the clock does not run
    const uint32_t generation = GetMidiOutGeneration(out.GetHandle());
    // A second play must not find the queue of the first one still full.
    EXPECT_EQ(TimeSent([&] { out.StartPlayback(); }), first);
    EXPECT_NE(GetMidiOutGeneration(out.GetHandle()), generation);
}

TEST_F(CMidiOutTest, ReadyMessagesOfAnEarlierGenerationAreDropped) {
    ASSERT_EQ(out.Open(static_cast<uint16_t>(device), kFlags), 1);
    out.StartPlayback();
    const uint32_t stale = GetMidiOutGeneration(out.GetHandle());
    out.Reset();  // the queue is empty again, a new generation starts
    EXPECT_EQ(TimeSent([&] {
                  out.GetWindow()->PostMidiMessage(MSG_OUTPUT_READY, stale, 1);
                  loop.Pump();
              }),
              0u);
    EXPECT_GT(TimeSent([&] {
                  out.GetWindow()->PostMidiMessage(MSG_OUTPUT_READY,
                                                   GetMidiOutGeneration(out.GetHandle()), 1);
                  loop.Pump();
              }),
              0u);
}

TEST_F(CMidiOutTest, DeviceOpenedDuringAPlayTakesOverThePendingEvents) {
    ASSERT_EQ(out.Open(static_cast<uint16_t>(device), kFlags), 1);
    out.StartPlayback();
    out.Reset();
    out.Close();
    EXPECT_GT(TimeSent([&] { ASSERT_EQ(out.Open(static_cast<uint16_t>(device), kFlags), 1); }), 0u);
}

TEST_F(CMidiOutTest, TrackListLinksAndUnlinksTracks) {
    CMidiTrack other;
    EXPECT_EQ(out.RemoveTrack(&other), 0);
    {
        CMidiOut second;
        second.AddTrack(&other);
        EXPECT_EQ(other.output, &second);
        EXPECT_EQ(second.GetNumTracks(), 1);
    }
    EXPECT_EQ(other.output, nullptr);  // the destroyed output object let go of it
    EXPECT_EQ(out.RemoveTrack(&track.front()), 1);
    EXPECT_EQ(track.front().output, nullptr);
    EXPECT_EQ(out.GetNumTracks(), 0);
    out.SendEvents();  // no tracks: nothing happens
    EXPECT_EQ(out.GetOutCount(), 0u);
}

}  // namespace
