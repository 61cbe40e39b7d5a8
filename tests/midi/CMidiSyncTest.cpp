// The playback clock: tempo conversions, its states, and beat and done messages on the real clock.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <limits>

#include "Misc/LogStream.h"
#include "midi/CMidiSync.h"
#include "midi/MidiTestSupport.h"
#include "support/TestLoop.h"

using namespace miditest;

namespace {

TEST(CMidiSyncTempo, BeatsPerMinuteToMicrosecondsPerBeat) {
    EXPECT_EQ(CMidiSync::BpmToTempo(120.0), 500000u);
    EXPECT_EQ(CMidiSync::BpmToTempo(97.0), 618556u);
    EXPECT_EQ(CMidiSync::BpmToTempo(97.5), 615384u);
    EXPECT_EQ(CMidiSync::BpmToTempo(90.5), 662983u);
    for (double odd :
         {0.0, -0.0, -97.0, std::numeric_limits<double>::quiet_NaN(),
          std::numeric_limits<double>::infinity(), -std::numeric_limits<double>::infinity()})
        EXPECT_EQ(CMidiSync::BpmToTempo(odd), 500000u) << odd;
    EXPECT_EQ(CMidiSync::BpmToTempo(1e-9), 4294967295u);
    EXPECT_EQ(CMidiSync::BpmToTempo(1e12), 1u);

    char shown[32];
    std::snprintf(shown, sizeof shown, "%3.3f", CMidiSync::TempoToBpm(615384));
    EXPECT_STREQ(shown, "97.500");
    EXPECT_EQ(CMidiSync::TempoToBpm(0), 0.0);
}

class CMidiSyncTest : public ::testing::Test {
  protected:
    void SetUp() override {
        clock.Create(loop);
        clock.onBeat = [this] { ++redraws; };
    }
    void Post(uint32_t message, uint32_t generation) {
        clock.GetWindow()->PostMidiMessage(message, generation, 1);
        loop.Pump();
    }
    uint32_t Generation() const { return GetSyncGeneration(clock.GetHandle()); }

    TestLoop loop;
    CBeatSync clock;
    int redraws = 0;
};

TEST_F(CMidiSyncTest, OpenWritesTheClockLineAndKeepsTheLogUsable) {
    ASSERT_EQ(clock.GetWindow()->Title(), "CMidiSyncWnd");
    const std::string log = ScratchPath("clock.log");
    ASSERT_TRUE(OpenLogStream(log));
    ASSERT_EQ(clock.Open(0, 10), 1);
    CloseLogStream();
    const std::string text = ReadFile(log);
    EXPECT_EQ(text.substr(0, 14), "line 77, file ");
    EXPECT_NE(
        text.find(", hDevice is " + std::to_string(clock.GetHandle()) + ", MIDIERR_MAXERR is 32\n"),
        std::string::npos);
    EXPECT_EQ(clock.Open(0, 1), 1);  // already open: nothing is reapplied
    EXPECT_EQ(clock.GetPeriod(), 10);
    std::remove(log.c_str());
}

TEST_F(CMidiSyncTest, BeatsArriveAndAreCountedUntilDoneStopsTheClock) {
    ASSERT_EQ(clock.Open(0, 1), 1);
    ASSERT_TRUE(clock.SetTempo(CMidiSync::BpmToTempo(3000.0)));  // 20 ms per beat
    EXPECT_EQ(clock.GetTempo(), 20000u);
    clock.Start();
    EXPECT_EQ(clock.IsRunning(), 1);
    ASSERT_TRUE(loop.RunUntil([&] { return clock.beatCount >= 3 || !clock.IsRunning(); }));
    EXPECT_GE(clock.beatCount, 1);
    EXPECT_EQ(redraws, clock.beatCount);
    // With nothing to play the library says done; the clock then stops.
    EXPECT_TRUE(loop.RunUntil([&] { return !clock.IsRunning(); }));
}

TEST_F(CMidiSyncTest, MessagesOfAnEarlierPlayAreDropped) {
    ASSERT_EQ(clock.Open(0, 10), 1);
    clock.Start();
    const uint32_t earlier = Generation();
    clock.Stop();
    clock.Start();  // a new play: a new generation
    ASSERT_NE(Generation(), earlier);
    clock.beatCount = 0;
    Post(MSG_SYNC_BEAT, earlier);
    Post(MSG_SYNC_DONE, earlier);
    EXPECT_EQ(clock.beatCount, 0);
    EXPECT_EQ(clock.IsRunning(), 1);
    Post(MSG_SYNC_BEAT, Generation());
    EXPECT_EQ(clock.beatCount, 1);
    EXPECT_EQ(redraws, 1);
    Post(MSG_SYNC_DONE, Generation());
    EXPECT_EQ(clock.IsRunning(), 0);
}

TEST_F(CMidiSyncTest, PeriodChangeKeepsTheClockOpenAndAFailedOneClosesIt) {
    ASSERT_EQ(clock.Open(0, 10), 1);
    clock.SetResolution(96);
    EXPECT_EQ(clock.SetPeriod(1), 1);
    EXPECT_EQ(clock.IsOpen(), 1);
    EXPECT_EQ(clock.GetPeriod(), 1);
    EXPECT_EQ(clock.GetResolution(), 96);  // the same clock, reconfigured
    EXPECT_EQ(clock.SetPeriod(10), 1);
    EXPECT_EQ(clock.GetPeriod(), 10);

    EXPECT_EQ(clock.SetPeriod(5000), 0);
    EXPECT_EQ(clock.IsOpen(), 0);
    EXPECT_EQ(clock.GetHandle(), 0u);
    clock.Start();
    EXPECT_EQ(clock.IsRunning(), 0);
    EXPECT_EQ(clock.SetPeriod(10), 0);
}

TEST_F(CMidiSyncTest, PauseAndRestartToggleRunning) {
    clock.Start();  // closed: nothing happens
    EXPECT_EQ(clock.IsRunning(), 0);
    ASSERT_EQ(clock.Open(0, 10), 1);
    clock.Start();
    clock.Pause(1);
    EXPECT_EQ(clock.IsRunning(), 0);
    clock.ReStart();
    EXPECT_EQ(clock.IsRunning(), 1);
    clock.Close();
    EXPECT_EQ(clock.IsRunning(), 0);
    EXPECT_EQ(clock.GetHandle(), 0u);
}

}  // namespace
