// The clock as plain logic on simulated time: positions, beats, tempo records, pause and restart,
// the next-wake rule and the done message.

#include "midilib/Clock.h"

#include <gtest/gtest.h>

#include "OutputTestSupport.h"
#include "midilib/EventEncoding.h"

namespace midilib {
namespace {

using testing::Bytes;
using testing::MakeRecordingPort;
using testing::RecordingNotifier;
using testing::Wake;

constexpr int64_t kMs = 1'000'000;
constexpr int64_t kSecond = 1000 * kMs;
constexpr int64_t kT0 = 5 * kSecond;  // simulated times start somewhere after boot

// Ticks the clock at every period from `from` to `to` (inclusive), as its thread would.
void RunEvery(Clock& clock, int64_t from, int64_t to, int64_t step) {
    for (int64_t now = from; now <= to; now += step)
        Wake(clock, now);
}

TEST(ClockTest, PositionFollowsTempoAndResolutionWithoutDrift) {
    RecordingNotifier notifier;
    Clock clock(&notifier, 0, 10, kT0);
    EXPECT_EQ(clock.Tempo(), 500000u);
    EXPECT_EQ(clock.Resolution(), 480);
    clock.Start(kT0);
    EXPECT_EQ(clock.PositionAt(kT0), 0u);
    EXPECT_EQ(clock.PositionAt(kT0 + kSecond), 960u);
    EXPECT_EQ(clock.PositionAt(kT0 + kSecond - 1), 959u);
    // An hour later, after thousands of irregular wakes, still exactly on the formula.
    for (int64_t now = kT0; now < kT0 + 3600 * kSecond; now += 7 * kSecond + 12345)
        Wake(clock, now);
    EXPECT_EQ(clock.PositionAt(kT0 + 3600 * kSecond), 3'456'000u);

    // A tempo of 97.5 BPM and an odd resolution: ticks = elapsed * 96 / 615384 us, floored.
    Clock odd(&notifier, 0, 1, kT0);
    ASSERT_TRUE(odd.SetTempo(615384, kT0));
    ASSERT_TRUE(odd.SetResolution(96, kT0));
    odd.Start(kT0);
    const int64_t elapsed = 10 * kSecond + 777;
    EXPECT_EQ(odd.PositionAt(kT0 + elapsed), uint64_t(elapsed / 1000 * 96 / 615384));
    // TimeOfTick is the first moment the position reaches the tick.
    const int64_t due = odd.TimeOfTick(1000);
    EXPECT_EQ(odd.PositionAt(due), 1000u);
    EXPECT_EQ(odd.PositionAt(due - 1), 999u);
}

TEST(ClockTest, TempoChangeWhileRunningKeepsThePositionReached) {
    Clock clock(nullptr, 0, 10, kT0);
    clock.Start(kT0);
    const int64_t half = kT0 + kSecond / 2;
    ASSERT_TRUE(clock.SetTempo(250000, half + 3));  // at 480 ticks, now twice as fast
    EXPECT_EQ(clock.PositionAt(half + 3), 480u);
    EXPECT_EQ(clock.PositionAt(half + kSecond / 2), 480u + 960u);
    ASSERT_TRUE(clock.SetResolution(960, half + kSecond / 2));
    EXPECT_EQ(clock.PositionAt(half + kSecond), 1440u + 1920u);
}

TEST(ClockTest, ZeroTempoAndResolutionAreRefusedAndTheOldValuesKept) {
    Clock clock(nullptr, 0, 10, kT0);
    ASSERT_TRUE(clock.SetTempo(600000, kT0));
    ASSERT_TRUE(clock.SetResolution(96, kT0));
    EXPECT_FALSE(clock.SetTempo(0, kT0));
    EXPECT_FALSE(clock.SetResolution(0, kT0));
    EXPECT_EQ(clock.Tempo(), 600000u);
    EXPECT_EQ(clock.Resolution(), 96);
    clock.Start(kT0);
    EXPECT_EQ(clock.PositionAt(kT0 + 600 * kMs), 96u);
}

TEST(ClockTest, EveryBeatPassedIsCountedAndAStallGivesOnePostForAllItsBeats) {
    RecordingNotifier notifier;
    Clock clock(&notifier, 0, 10, kT0);
    clock.Start(kT0);
    RunEvery(clock, kT0, kT0 + 499 * kMs, kMs);
    EXPECT_EQ(notifier.Count(MSG_SYNC_BEAT), 0);
    Wake(clock, kT0 + 500 * kMs);
    EXPECT_EQ(notifier.Count(MSG_SYNC_BEAT), 1);
    RunEvery(clock, kT0 + 501 * kMs, kT0 + 2050 * kMs, kMs);
    EXPECT_EQ(notifier.Count(MSG_SYNC_BEAT), 4);
    EXPECT_EQ(notifier.Calls(MSG_SYNC_BEAT), 4);

    // A wake after a long stall owes the beats 5 to 10 of the play: one post carries all six, and
    // the next wakes owe nothing more.
    notifier.Clear();
    Wake(clock, kT0 + 5 * kSecond);
    EXPECT_EQ(notifier.Count(MSG_SYNC_BEAT), 6);
    EXPECT_EQ(notifier.Calls(MSG_SYNC_BEAT), 1);
    RunEvery(clock, kT0 + 5 * kSecond + kMs, kT0 + 5 * kSecond + 10 * kMs, kMs);
    EXPECT_EQ(notifier.Count(MSG_SYNC_BEAT), 6);
    for (const auto& [message, generation] : notifier.Posts())
        EXPECT_EQ(generation, 1u);

    // Beats owed but not yet taken when a new play starts belong to the old play.
    clock.Tick(kT0 + 6 * kSecond);
    clock.Start(kT0 + 6 * kSecond);
    notifier.Clear();
    Wake(clock, kT0 + 6 * kSecond + kMs);
    EXPECT_EQ(notifier.Count(MSG_SYNC_BEAT), 0);
}

TEST(ClockTest, PauseAndRestartKeepThePositionAndPlayNothingMeanwhile) {
    RecordingNotifier notifier;
    auto probe = std::make_shared<TestDeviceProbe>();
    auto output = MakeRecordingPort(nullptr, probe);
    Clock clock(&notifier, 0, 10, kT0);
    clock.Link(output.get());
    output->Put({300, 0x90, 60, 100, 0});
    clock.Start(kT0);
    Wake(clock, kT0 + 250 * kMs);
    clock.Pause(kT0 + 250 * kMs);
    EXPECT_EQ(clock.PositionAt(kT0 + 250 * kMs), 240u);
    RunEvery(clock, kT0 + 260 * kMs, kT0 + 3 * kSecond, 10 * kMs);
    EXPECT_EQ(clock.PositionAt(kT0 + 3 * kSecond), 240u);
    EXPECT_TRUE(probe->Messages().empty());
    EXPECT_EQ(notifier.Count(MSG_SYNC_BEAT), 0);

    clock.ReStart(kT0 + 4 * kSecond);
    EXPECT_EQ(clock.PositionAt(kT0 + 4 * kSecond + 62500 * 1000), 300u);
    Wake(clock, kT0 + 4 * kSecond + 62500 * 1000 - 1);
    EXPECT_TRUE(probe->Messages().empty());
    Wake(clock, kT0 + 4 * kSecond + 62500 * 1000);
    EXPECT_EQ(Bytes(*probe), (std::vector<std::vector<uint8_t>>{{0x90, 60, 100}}));
    EXPECT_EQ(clock.Generation(), 1u);  // a restart is not a new play
    clock.Start(kT0 + 10 * kSecond);
    EXPECT_EQ(clock.Generation(), 2u);
    EXPECT_EQ(clock.PositionAt(kT0 + 10 * kSecond), 0u);
}

TEST(ClockTest, TempoRecordChangesTheTempoAtItsOwnTick) {
    auto probe = std::make_shared<TestDeviceProbe>();
    auto output = MakeRecordingPort(nullptr, probe);
    Clock clock(nullptr, 0, 10, kT0);
    clock.Link(output.get());
    output->Put(MakeTempoEvent(480, 250000));  // at beat 1: twice as fast
    output->Put({480, 0x90, 64, 90, 0});       // tick 960: 0.5 s + 0.25 s
    clock.Start(kT0);
    // The wake that plays the tempo record comes 7 ms after its tick's time: no matter.
    Wake(clock, kT0 + 507 * kMs);
    EXPECT_EQ(clock.Tempo(), 250000u);
    EXPECT_EQ(clock.PositionAt(kT0 + 750 * kMs), 960u);
    EXPECT_EQ(clock.PositionAt(kT0 + 750 * kMs - 1), 959u);
    EXPECT_EQ(clock.TimeOfTick(960), kT0 + 750 * kMs);
    Wake(clock, kT0 + 750 * kMs);
    EXPECT_EQ(Bytes(*probe), (std::vector<std::vector<uint8_t>>{{0x90, 64, 90}}));
}

TEST(ClockTest, NextWakeIsTheGridOrTheNextEventIfEarlier) {
    auto output = MakeRecordingPort(nullptr, std::make_shared<TestDeviceProbe>());
    Clock clock(nullptr, 0, 10, kT0);
    clock.Link(output.get());
    EXPECT_EQ(Wake(clock, kT0 + 3 * kMs), kT0 + 10 * kMs);  // stopped: the grid only
    output->Put({5, 0x90, 60, 100, 0});                     // due at 5/960 s
    clock.Start(kT0 + 3 * kMs);
    EXPECT_EQ(Wake(clock, kT0 + 3 * kMs), kT0 + 3 * kMs + 5208334);
    EXPECT_EQ(Wake(clock, kT0 + 3 * kMs + 5208334), kT0 + 10 * kMs);
    clock.Configure(nullptr, Clock::kUnchanged, 1, kT0 + 10 * kMs + 400);
    EXPECT_EQ(clock.PeriodMs(), 1);
    EXPECT_EQ(clock.Mode(), 0);
    EXPECT_EQ(Wake(clock, kT0 + 10 * kMs + 400), kT0 + 11 * kMs + 400);
}

TEST(ClockTest, DoneComesOncePerStartABeatAfterTheLastEventPlayed) {
    RecordingNotifier notifier;
    Clock lonely(&notifier, 0, 10, kT0);
    lonely.Start(kT0);
    RunEvery(lonely, kT0, kT0 + 490 * kMs, 10 * kMs);
    EXPECT_EQ(notifier.Count(MSG_SYNC_DONE), 0);
    RunEvery(lonely, kT0 + 500 * kMs, kT0 + 3 * kSecond, 10 * kMs);
    EXPECT_EQ(notifier.Count(MSG_SYNC_DONE), 1);  // no output linked: one beat after the start

    notifier.Clear();
    auto output = MakeRecordingPort(nullptr, std::make_shared<TestDeviceProbe>());
    Clock clock(&notifier, 0, 10, kT0);
    clock.Link(output.get());
    output->Put({0, 0x90, 60, 100, 0});
    output->Put({960, 0x80, 60, 0, 0});  // played at 1 s
    clock.Start(kT0);
    RunEvery(clock, kT0, kT0 + 1490 * kMs, 10 * kMs);
    EXPECT_EQ(notifier.Count(MSG_SYNC_DONE), 0);
    clock.NoteInput(kT0 + 1300 * kMs);  // something new came at tick 1248: wait a beat from there
    output->Put({0, 0x80, 62, 0, 0});
    RunEvery(clock, kT0 + 1500 * kMs, kT0 + 1790 * kMs, 10 * kMs);
    EXPECT_EQ(notifier.Count(MSG_SYNC_DONE), 0);
    RunEvery(clock, kT0 + 1800 * kMs, kT0 + 4 * kSecond, 10 * kMs);
    EXPECT_EQ(notifier.Count(MSG_SYNC_DONE), 1);

    clock.Start(kT0 + 5 * kSecond);
    RunEvery(clock, kT0 + 5 * kSecond, kT0 + 7 * kSecond, 10 * kMs);
    EXPECT_EQ(notifier.Count(MSG_SYNC_DONE), 2);
    const auto posts = notifier.Posts();
    const auto lastDone = std::find_if(
        posts.rbegin(), posts.rend(), [](const auto& post) { return post.first == MSG_SYNC_DONE; });
    EXPECT_EQ(lastDone->second, 2u);  // the second play's generation
}

TEST(ClockTest, DoneWaitsForAnOutputWhoseDeviceRefuses) {
    RecordingNotifier notifier;
    auto probe = std::make_shared<TestDeviceProbe>();
    auto output = MakeRecordingPort(nullptr, probe);
    Clock clock(&notifier, 0, 10, kT0);
    clock.Link(output.get());
    output->Put({0, 0x90, 60, 100, 0});
    probe->refuse = true;
    clock.Start(kT0);
    RunEvery(clock, kT0, kT0 + 3 * kSecond, 10 * kMs);
    EXPECT_EQ(notifier.Count(MSG_SYNC_DONE), 0);
    EXPECT_FALSE(output->Empty());
    probe->refuse = false;
    RunEvery(clock, kT0 + 3010 * kMs, kT0 + 4 * kSecond, 10 * kMs);
    EXPECT_EQ(probe->Messages().size(), 1u);
    EXPECT_EQ(notifier.Count(MSG_SYNC_DONE), 1);
}

// An output that refused an event has more to give: however long its owner takes to answer the
// ready message (a window busy for seconds), the play is not declared done before that event.
TEST(ClockTest, DoneWaitsForTheOwnerOfAFullQueueToGiveTheRest) {
    RecordingNotifier notifier;
    RecordingNotifier owner;
    auto probe = std::make_shared<TestDeviceProbe>();
    auto output = MakeRecordingPort(&owner, probe, 4);
    Clock clock(&notifier, 0, 10, kT0);
    clock.Link(output.get());
    for (uint8_t note = 60; output->Put({note == 60 ? 0u : 96u, 0x90, note, 100, 0}); ++note) {
    }
    clock.Start(kT0);
    RunEvery(clock, kT0, kT0 + 10 * kSecond, 10 * kMs);
    EXPECT_EQ(owner.Count(MSG_OUTPUT_READY), 1);
    EXPECT_EQ(probe->Messages().size(), 4u);
    EXPECT_EQ(notifier.Count(MSG_SYNC_DONE), 0) << "the refused event has not been given yet";

    output->Put({96, 0x90, 64, 100, 0});
    clock.NoteInput(kT0 + 10 * kSecond);
    RunEvery(clock, kT0 + 10010 * kMs, kT0 + 12 * kSecond, 10 * kMs);
    EXPECT_EQ(probe->Messages().size(), 5u);
    EXPECT_EQ(notifier.Count(MSG_SYNC_DONE), 1);
}

TEST(ClockTest, EventsOfTwoOutputsPlayInTickOrderAndANewPlayCountsTicksFromZero) {
    auto probe = std::make_shared<TestDeviceProbe>();
    auto first = MakeRecordingPort(nullptr, probe);
    auto second = MakeRecordingPort(nullptr, probe);
    Clock clock(nullptr, 0, 10, kT0);
    clock.Link(first.get());
    clock.Link(second.get());
    first->Put({20, 0x90, 1, 1, 0});
    second->Put({10, 0x90, 2, 2, 0});
    first->Put({0, 0x90, 3, 3, 0});
    clock.Start(kT0);
    Wake(clock, kT0 + kSecond);
    EXPECT_EQ(Bytes(*probe),
              (std::vector<std::vector<uint8_t>>{{0x90, 2, 2}, {0x90, 1, 1}, {0x90, 3, 3}}));

    // The next play queues from delta 0 again without a reset: its ticks count from 0.
    first->Put({96, 0x90, 4, 4, 0});
    clock.Start(kT0 + 2 * kSecond);
    Wake(clock, kT0 + 2 * kSecond + 99 * kMs);
    EXPECT_EQ(probe->Messages().size(), 3u);
    Wake(clock, kT0 + 2 * kSecond + 100 * kMs);
    EXPECT_EQ(probe->Messages().size(), 4u);
}

}  // namespace
}  // namespace midilib
