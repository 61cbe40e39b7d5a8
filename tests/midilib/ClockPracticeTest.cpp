// The clock's practice playback on simulated time: speed across the file's tempo changes, a loop
// made of a position jump, a count-in, and a move of the position while events are queued.

#include <gtest/gtest.h>

#include "OutputTestSupport.h"
#include "midi/MidiMessages.h"
#include "midilib/Clock.h"
#include "midilib/EventEncoding.h"

namespace midilib {
namespace {

using testing::MakeRecordingPort;
using testing::RecordingNotifier;
using testing::Wake;

constexpr int64_t kMs = 1'000'000;
constexpr int64_t kSecond = 1000 * kMs;
constexpr int64_t kT0 = 5 * kSecond;

// Wakes the clock every millisecond from `from` for `span`; returns the simulated time of every
// message the device received meanwhile, in order (to the millisecond).
std::vector<int64_t> ArrivalTimes(Clock& clock, const TestDeviceProbe& probe, int64_t from,
                                  int64_t span) {
    std::vector<int64_t> times;
    for (int64_t now = from; now <= from + span; now += kMs) {
        Wake(clock, now);
        while (times.size() < probe.Messages().size())
            times.push_back(now - from);
    }
    return times;
}

MidiEvent Note(uint32_t delta, uint8_t note) {
    return {delta, 0x90, note, 100, 0};
}
MidiEvent Jump(uint32_t delta, uint32_t ticks) {
    return midi::MakeValueRecord(delta, midi::kPositionJumpStatus, ticks);
}

TEST(ClockPracticeTest, SpeedScalesEveryTempoOfTheFileAndKeepsThePositionReached) {
    for (const double speed : {1.0, 2.0, 0.5}) {
        SCOPED_TRACE(speed);
        auto probe = std::make_shared<TestDeviceProbe>();
        auto output = MakeRecordingPort(nullptr, probe);
        Clock clock(nullptr, 0, 1, kT0);
        clock.Link(output.get());
        ASSERT_TRUE(clock.SetSpeed(speed, kT0));
        // One beat at 120 BPM, then the file doubles its tempo for a beat: 500 + 250 ms at 100 %.
        output->Put(Note(480, 1));
        output->Put(MakeTempoEvent(0, 250000));
        output->Put(Note(480, 2));
        clock.Start(kT0);
        const auto times = ArrivalTimes(clock, *probe, kT0, 2 * kSecond);
        ASSERT_EQ(times.size(), 2u);
        EXPECT_NEAR(double(times[0]), 500 * kMs / speed, double(kMs));
        EXPECT_NEAR(double(times[1]), 750 * kMs / speed, double(kMs));
        EXPECT_EQ(clock.Tempo(), 250000u) << "the file's tempo, not the one heard";
    }

    // A change of speed while playing keeps the position and goes on at the new pace.
    Clock clock(nullptr, 0, 10, kT0);
    clock.Start(kT0);
    EXPECT_EQ(clock.PositionAt(kT0 + kSecond), 960u);
    ASSERT_TRUE(clock.SetSpeed(0.25, kT0 + kSecond));
    EXPECT_EQ(clock.PositionAt(kT0 + kSecond), 960u);
    EXPECT_EQ(clock.PositionAt(kT0 + 3 * kSecond), 960u + 480u);
    for (const double refused : {0.0, -1.0, std::numeric_limits<double>::infinity()})
        EXPECT_FALSE(clock.SetSpeed(refused, kT0)) << refused;
    EXPECT_EQ(clock.Speed(), 0.25);
}

TEST(ClockPracticeTest, APositionJumpLoopsBackWithoutAGapAndCountsTheSharedBeatOnce) {
    RecordingNotifier notifier;
    auto probe = std::make_shared<TestDeviceProbe>();
    auto output = MakeRecordingPort(nullptr, probe);
    Clock clock(&notifier, 0, 1, kT0);
    clock.Link(output.get());
    // Ticks 0 to 960 (a two-beat loop), played twice: the second pass counts from 0 again.
    for (int pass = 0; pass < 2; ++pass) {
        output->Put(Note(0, 10));
        output->Put(Note(480, 11));
        output->Put(Jump(480, 960));
    }
    output->Put(Note(240, 12));
    clock.Start(kT0);
    const auto times = ArrivalTimes(clock, *probe, kT0, 3 * kSecond);
    ASSERT_EQ(times.size(), 5u);
    const std::vector<int64_t> expected = {0, 500 * kMs, 1000 * kMs, 1500 * kMs, 2250 * kMs};
    for (size_t i = 0; i < times.size(); ++i)
        EXPECT_NEAR(double(times[i]), double(expected[i]), double(kMs)) << i;
    EXPECT_EQ(clock.PositionAt(kT0 + 2250 * kMs), 240u);
    // One beat every 500 ms, the loop points (1 s, 2 s) counted once each: six in three seconds.
    EXPECT_EQ(notifier.Count(MSG_SYNC_BEAT), 6);
}

TEST(ClockPracticeTest, ACountInHoldsThePositionAndTheBeatsUntilItsJump) {
    RecordingNotifier notifier;
    auto probe = std::make_shared<TestDeviceProbe>();
    auto output = MakeRecordingPort(nullptr, probe);
    Clock clock(&notifier, 0, 1, kT0);
    clock.Link(output.get());
    // A play from tick 1920 after a two-click count-in of one beat each.
    output->StartAt(0);
    output->Put(Note(0, 76));
    output->Put(Note(480, 37));
    output->Put(Jump(480, 960));
    output->Put(Note(0, 60));
    clock.Start(kT0, 1920, true);
    Wake(clock, kT0 + 600 * kMs);
    EXPECT_EQ(clock.ReportedPositionAt(kT0 + 600 * kMs), 1920u);
    EXPECT_EQ(notifier.Count(MSG_SYNC_BEAT), 0);
    const auto times = ArrivalTimes(clock, *probe, kT0 + 601 * kMs, 1500 * kMs);
    ASSERT_EQ(probe->Messages().size(), 3u);
    EXPECT_NEAR(double(times[2]), 399 * kMs, double(kMs)) << "the song starts after the bar";
    EXPECT_FALSE(clock.CountingIn());
    EXPECT_EQ(clock.ReportedPositionAt(kT0 + 1500 * kMs), 1920u + 480u);
    // The song's beats at 1.5 s and 2 s; none for the clicks.
    EXPECT_EQ(notifier.Count(MSG_SYNC_BEAT), 2);
}

TEST(ClockPracticeTest, SetPositionDropsTheQueueAndCountsTheNextEventsFromTheNewTick) {
    auto probe = std::make_shared<TestDeviceProbe>();
    auto output = MakeRecordingPort(nullptr, probe);
    Clock clock(nullptr, 0, 1, kT0);
    clock.Link(output.get());
    output->Put(Note(100, 1));
    output->Put(Note(100, 2));
    clock.Start(kT0);
    Wake(clock, kT0 + 150 * kMs);  // note 1 played at tick 100
    const size_t silenced = probe->Messages().size();
    clock.SetPosition(4800, 1000000, kT0 + 150 * kMs);  // to beat 10, at 60 BPM there
    EXPECT_GT(probe->Messages().size(), silenced) << "the device is silenced";
    EXPECT_TRUE(output->Empty());
    EXPECT_EQ(clock.PositionAt(kT0 + 150 * kMs), 4800u);
    EXPECT_EQ(clock.Tempo(), 1000000u);
    output->Put(Note(240, 3));
    const size_t before = probe->Messages().size();
    const auto times = ArrivalTimes(clock, *probe, kT0 + 150 * kMs, kSecond);
    ASSERT_EQ(probe->Messages().size(), before + 1);
    EXPECT_EQ(probe->Messages().back().bytes, (std::vector<uint8_t>{0x90, 3, 100}));
    EXPECT_NEAR(double(times.back()), 500 * kMs, double(kMs));
}

}  // namespace
}  // namespace midilib
