// Plays through devices that misbehave: one that refuses events for a while, one that fails for
// good in the middle of a song, and a device switch or a new Play while a song is playing. Each
// case ends with the engine still usable, nothing already sent lost, and the trouble visible.
#include <gtest/gtest.h>

#include <chrono>
#include <deque>

#include "midi/CMidiOut.h"
#include "midi/CMidiSync.h"
#include "midi/CMidiTrack.h"
#include "midi/MidiTestSupport.h"
#include "midilib/LibraryOptions.h"
#include "midilib/testing/TestOutputDevices.h"
#include "support/TestLoop.h"

using namespace miditest;
using namespace std::chrono_literals;
using midilib::TestDeviceProbe;
using midilib::TestDeviceConfig;
using Bytes = std::vector<uint8_t>;
using SteadyTime = std::chrono::steady_clock::time_point;

namespace {

constexpr uint32_t kFlags = 0x00033320;
constexpr uint32_t kSongEvents = 3000;
constexpr uint32_t kTempo = 96000;  // microseconds per beat: 480 ticks (events) in 96 ms
constexpr auto kTick = std::chrono::nanoseconds(kTempo * 1000 / 480);
constexpr auto kTimeout = 20s;

// Song event i: a note-on one tick after the previous one, on channel i % 4, whose note number and
// velocity together tell i apart from every other event of the song.
MidiEvent SongEvent(uint32_t i) {
    return At(i, uint8_t(kNoteOn | (i % 4)), uint8_t(i % 128), uint8_t(1 + (i / 128) % 127));
}
// The index of the song event that `bytes` are, or -1 (the device's silences).
int SongIndex(const Bytes& bytes) {
    if (bytes.size() != 3 || (bytes[0] & 0xF0) != kNoteOn) return -1;
    return int(bytes[1]) + 128 * int(bytes[2] - 1);
}
bool IsSilence(const Bytes& bytes) {
    return bytes.size() == 3 && (bytes[0] & 0xF0) == 0xB0 && (bytes[1] == 120 || bytes[1] == 123);
}

struct Received {
    std::vector<int> indexes;  // song indexes, in arrival order
    std::vector<SteadyTime> times;
    int others = 0;  // neither a song event nor a silence
};
Received SongEventsOf(const TestDeviceProbe& probe, size_t from = 0) {
    Received received;
    const auto messages = probe.Messages();
    for (size_t m = from; m < messages.size(); ++m) {
        const int index = SongIndex(messages[m].bytes);
        if (index >= 0) {
            received.indexes.push_back(index);
            received.times.push_back(messages[m].time);
        } else if (!IsSilence(messages[m].bytes)) {
            ++received.others;
        }
    }
    return received;
}
std::vector<int> Range(int first, int end) {
    std::vector<int> indexes;
    for (int i = first; i < end; ++i)
        indexes.push_back(i);
    return indexes;
}

class FaultDeviceTest : public ::testing::Test {
  protected:
    void SetUp() override {
        UserSettings = UserSettingsRecord{};
        midilib::SetTestOutputDevices({
            TestDeviceConfig{"Good", false, 0ms, -1, good},
            TestDeviceConfig{"Busy At First", false, 400ms, -1, busy},
            TestDeviceConfig{"Fails Midway", false, 0ms, 32 + 700, failing},
            TestDeviceConfig{"Other", false, 0ms, -1, other},
        });
        clock.Create(loop);
        ASSERT_EQ(clock.Open(0, 1), 1);
        ASSERT_TRUE(clock.SetTempo(kTempo));
        out.Create(loop);
        out.SetSync(&clock);
        std::vector<MidiEvent> song;
        for (uint32_t i = 0; i < kSongEvents; ++i)
            song.push_back(SongEvent(i));
        Fill(track.emplace_back(), song);
        out.AddTrack(&track.back());
    }
    void TearDown() override { midilib::SetTestOutputDevices({}); }

    // Play as the view does it; returns the time just before the clock starts.
    SteadyTime Play() {
        clock.beatCount = 0;
        out.StartPlayback();
        const SteadyTime started = std::chrono::steady_clock::now();
        clock.Start();
        return started;
    }
    bool PlayToDone() {
        return loop.RunUntil([&] { return !clock.IsRunning(); }, kTimeout);
    }
    void SwitchTo(uint16_t device) {  // as the device menu does it
        out.Reset();
        out.Close();
        ASSERT_EQ(out.Open(device, kFlags), 1);
    }
    void PumpFor(std::chrono::milliseconds span) {
        const auto until = std::chrono::steady_clock::now() + span;
        loop.RunUntil([until] { return std::chrono::steady_clock::now() >= until; }, span);
    }
    // Every song event of `received` arrived no earlier than its time after `origin`, when event
    // `firstIndex` is due at `origin` (one tick per event); `slack` allows for clock rounding.
    static void ExpectNeverEarly(const Received& received, SteadyTime origin, int firstIndex) {
        const auto slack = 2 * kTick;
        for (size_t k = 0; k < received.indexes.size(); ++k) {
            const auto due = origin + (received.indexes[k] - firstIndex) * kTick - slack;
            ASSERT_GE(received.times[k], due)
                << "event " << received.indexes[k] << " came early by "
                << (due - received.times[k]).count() << " ns";
        }
    }

    std::shared_ptr<TestDeviceProbe> good = std::make_shared<TestDeviceProbe>();
    std::shared_ptr<TestDeviceProbe> busy = std::make_shared<TestDeviceProbe>();
    std::shared_ptr<TestDeviceProbe> failing = std::make_shared<TestDeviceProbe>();
    std::shared_ptr<TestDeviceProbe> other = std::make_shared<TestDeviceProbe>();
    TestLoop loop;
    std::deque<CMidiTrack> track;
    CBeatSync clock;
    CMidiOut out;
};

TEST_F(FaultDeviceTest, ADeviceBusyAtFirstGetsEveryEventOnceAndInOrder) {
    ASSERT_EQ(out.Open(1, kFlags), 1);
    const uint32_t sentBefore = CMidiOut::eventsSentTime;
    Play();
    const uint32_t queued = CMidiOut::eventsSentTime - sentBefore;
    PumpFor(200ms);
    // The device takes nothing yet: the library's queue stays full and nothing more is sent.
    EXPECT_TRUE(busy->Messages().empty());
    EXPECT_EQ(CMidiOut::eventsSentTime - sentBefore, queued);
    EXPECT_LT(queued, kSongEvents - 1);
    ASSERT_TRUE(PlayToDone());

    const Received received = SongEventsOf(*busy);
    EXPECT_EQ(received.indexes, Range(0, kSongEvents));
    EXPECT_EQ(received.others, 0);
    // The hold-up shows in the output's lateness figures.
    EXPECT_GE(midilib::GetMidiOutLateness(out.GetHandle()).maxNs, 150'000'000);
    EXPECT_FALSE(midilib::MidiOutDeviceFailed(out.GetHandle()));

    // Usable afterwards: the next play delivers the whole song again.
    const size_t before = busy->Messages().size();
    Play();
    ASSERT_TRUE(PlayToDone());
    EXPECT_EQ(SongEventsOf(*busy, before).indexes, Range(0, kSongEvents));
}

TEST_F(FaultDeviceTest, ADeviceBusyInTheMiddleGetsEveryEventOnceAndInOrder) {
    ASSERT_EQ(out.Open(0, kFlags), 1);
    Play();
    ASSERT_TRUE(loop.RunUntil([&] { return good->Messages().size() >= 1200; }, kTimeout));
    good->refuse = true;
    PumpFor(250ms);
    const size_t held = good->Messages().size();
    PumpFor(50ms);
    EXPECT_EQ(good->Messages().size(), held);
    EXPECT_EQ(clock.IsRunning(), 1);  // a full queue is no reason to say done
    good->refuse = false;
    ASSERT_TRUE(PlayToDone());
    EXPECT_EQ(SongEventsOf(*good).indexes, Range(0, kSongEvents));
    EXPECT_GE(midilib::GetMidiOutLateness(out.GetHandle()).maxNs, 150'000'000);
}

TEST_F(FaultDeviceTest, ADeviceThatFailsMidwayEndsThePlayAndSaysSoOnce) {
    ASSERT_EQ(out.Open(2, kFlags), 1);
    ::testing::internal::CaptureStderr();
    Play();
    const bool done = PlayToDone();
    const std::string err = ::testing::internal::GetCapturedStderr();
    ASSERT_TRUE(done) << "the play did not end";
    // What the device took before it failed is there, in order; nothing after it.
    const Received received = SongEventsOf(*failing);
    EXPECT_EQ(received.indexes, Range(0, 700));
    EXPECT_EQ(failing->Messages().size(), 32u + 700u);
    EXPECT_EQ(err, "tabulon: the MIDI output device failed; its events are dropped\n");
    EXPECT_TRUE(midilib::MidiOutDeviceFailed(out.GetHandle()));

    // Another play on the failed device ends as well, silently.
    ::testing::internal::CaptureStderr();
    Play();
    EXPECT_TRUE(PlayToDone());
    EXPECT_EQ(::testing::internal::GetCapturedStderr(), "");
    EXPECT_EQ(failing->Messages().size(), 32u + 700u);

    // Choosing a device again gives a working output.
    SwitchTo(0);
    EXPECT_FALSE(midilib::MidiOutDeviceFailed(out.GetHandle()));
    Play();
    ASSERT_TRUE(PlayToDone());
    EXPECT_EQ(SongEventsOf(*good).indexes, Range(0, kSongEvents));
}

TEST_F(FaultDeviceTest, ADeviceChosenDuringAPlayGoesOnInTimeWithTheSong) {
    ASSERT_EQ(out.Open(0, kFlags), 1);
    Play();
    ASSERT_TRUE(loop.RunUntil([&] { return good->Messages().size() >= 1500; }, kTimeout));
    const SteadyTime switched = std::chrono::steady_clock::now();
    SwitchTo(3);
    ASSERT_TRUE(PlayToDone());

    const Received before = SongEventsOf(*good);
    const Received after = SongEventsOf(*other);
    ASSERT_FALSE(before.indexes.empty());
    ASSERT_FALSE(after.indexes.empty());
    EXPECT_EQ(before.indexes, Range(0, before.indexes.back() + 1));
    // What the first device still queued is dropped with its queue; the rest follows in order.
    EXPECT_EQ(after.indexes, Range(after.indexes.front(), kSongEvents));
    EXPECT_GT(after.indexes.front(), before.indexes.back());
    // The rest of the song keeps its pace: it does not rush through the time already played.
    ExpectNeverEarly(after, switched, after.indexes.front() - 1);
}

TEST_F(FaultDeviceTest, PlayDuringAPlayStartsOverInTime) {
    ASSERT_EQ(out.Open(0, kFlags), 1);
    Play();
    ASSERT_TRUE(loop.RunUntil([&] { return good->Messages().size() >= 1500; }, kTimeout));
    const size_t firstPlay = good->Messages().size();
    const SteadyTime replayed = std::chrono::steady_clock::now();
    Play();
    loop.Pump();
    EXPECT_EQ(clock.beatCount, 0);
    ASSERT_TRUE(PlayToDone());

    // The second play starts over at the beginning and never gets ahead of its own clock.
    const auto messages = good->Messages();
    size_t restart = firstPlay;
    while (restart < messages.size() && !IsSilence(messages[restart].bytes))
        ++restart;
    const Received second = SongEventsOf(*good, restart);
    EXPECT_EQ(second.indexes, Range(0, kSongEvents));
    ExpectNeverEarly(second, replayed, 0);
}

}  // namespace
