// The library's output and clock operations with their real clock thread, on test devices: handles,
// a whole play to the done message, refusal and ready, reset, closing with no late messages.
// Timing is only checked loosely here; the benchmark measures it.

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "OutputTestSupport.h"
#include "midi/MessageWindow.h"
#include "midi/MidiLib.h"
#include "midilib/EventEncoding.h"
#include "support/TestLoop.h"

namespace midilib {
namespace {

using namespace std::chrono_literals;
using testing::Bytes;
using Messages = std::vector<std::vector<uint8_t>>;

class OutputLibraryTest : public ::testing::Test {
  protected:
    void SetUp() override {
        recorder_ = std::make_shared<TestDeviceProbe>();
        TestDeviceConfig recorder{"Test Recorder", false, 0ms, -1, recorder_};
        TestDeviceConfig broken{"Test Broken", true, 0ms, -1, nullptr};
        SetTestOutputDevices({recorder, broken});
        ASSERT_EQ(GetNumOutDevices(), 2);
    }
    void TearDown() override { SetTestOutputDevices({}); }

    std::shared_ptr<TestDeviceProbe> recorder_;
    TestLoop loop_;
};

TEST_F(OutputLibraryTest, HandlesAreUniqueAndAboveTheErrorRange) {
    const uint32_t sync = OpenSync(0, nullptr, 0, 10);
    const uint32_t other = OpenSync(0, nullptr, 0, 1);
    const uint32_t out = OpenMidiOut(nullptr, 0, sync, 0x33320);
    EXPECT_GT(sync, MIDIERR_MAXERR);
    EXPECT_GT(other, MIDIERR_MAXERR);
    EXPECT_GT(out, MIDIERR_MAXERR);
    EXPECT_NE(sync, other);
    EXPECT_NE(out, sync);
    EXPECT_NE(out, other);
    EXPECT_LE(OpenMidiOut(nullptr, 1, sync, 0), MIDIERR_MAXERR);   // fails to open
    EXPECT_LE(OpenMidiOut(nullptr, 2, sync, 0), MIDIERR_MAXERR);   // no such device
    EXPECT_LE(OpenMidiOut(nullptr, 0, 12345, 0), MIDIERR_MAXERR);  // no such clock
    EXPECT_LE(OpenSync(0, nullptr, 0, 0), MIDIERR_MAXERR);
    EXPECT_LE(OpenSync(999999, nullptr, 0, 10), MIDIERR_MAXERR);
    EXPECT_EQ(OpenSync(sync, nullptr, 0xFFFF, 1), sync);  // reconfigured in place
    EXPECT_EQ(GetTempo(sync), 500000u);
    EXPECT_EQ(GetResolution(sync), 480);
    EXPECT_NE(SetTempo(sync, 0), 0);
    EXPECT_NE(SetResolution(sync, 0), 0);
    EXPECT_EQ(GetTempo(sync), 500000u);
    CloseMidiOut(out);
    CloseSync(sync);
    CloseSync(other);
    // Unknown and closed handles: nothing happens, results are 0.
    EXPECT_EQ(PutMidiOut(out, {0, 0x90, 60, 100, 0}), 0);
    EXPECT_EQ(GetMidiOutGeneration(out), 0u);
    EXPECT_EQ(GetPosition(sync, 0), 0u);
    EXPECT_EQ(GetTempo(sync), 0u);
    StartSync(sync);
    CloseSync(sync);
    CloseMidiOut(out);
}

TEST_F(OutputLibraryTest, APlayReachesTheDeviceInOrderAndEndsWithOneDoneMessage) {
    int beats = 0;
    int done = 0;
    uint32_t doneGeneration = 0;
    midi::MessageWindow syncWindow(loop_, "CMidiSyncWnd",
                                   [&](uint32_t message, uint32_t generation) {
                                       if (message == MSG_SYNC_BEAT) ++beats;
                                       if (message == MSG_SYNC_DONE) {
                                           ++done;
                                           doneGeneration = generation;
                                       }
                                   });
    const uint32_t sync = OpenSync(0, &syncWindow, 0, 1);
    ASSERT_EQ(SetTempo(sync, 100000), 0);  // 480 ticks in 0.1 s
    const uint32_t out = OpenMidiOut(nullptr, 0, sync, 0x33320);
    ASSERT_GT(out, MIDIERR_MAXERR);
    const std::vector<MidiEvent> song = {
        {0, 0x90, 60, 100, 0},
        {48, kSysexStatus, 0xF0, 0, 0},  // 10 ms
        {0, kSysexStatus, 0x7D, 0, 0},
        {0, kSysexStatus, 0xF7, 1, 0},
        {0, 0x20, 1, 2, 3},            // below 0x80: ignored
        {48, 0xFF, 0x00, 0xC3, 0x50},  // tempo 50000 at 20 ms: twice as fast
        {96, 0x80, 60, 0, 0},          // 96 ticks later: 10 ms
    };
    for (const MidiEvent& event : song)
        ASSERT_EQ(PutMidiOut(out, event), 0);
    const auto started = std::chrono::steady_clock::now();
    StartSync(sync);
    ASSERT_TRUE(loop_.RunUntil([&] { return done > 0; }, 5s));
    EXPECT_EQ(Bytes(*recorder_), (Messages{{0x90, 60, 100}, {0xF0, 0x7D, 0xF7}, {0x80, 60, 0}}));
    EXPECT_EQ(GetTempo(sync), 50000u);
    EXPECT_EQ(doneGeneration, GetSyncGeneration(sync));
    const auto received = recorder_->Messages();
    // Never early (late by any amount is possible on a busy machine).
    EXPECT_GE(received[1].time - started, 10ms);
    EXPECT_GE(received[2].time - started, 30ms);
    EXPECT_GE(GetPosition(sync, 0), 192u + 480u);  // done a beat after the last event
    EXPECT_GE(beats, 1);
    std::this_thread::sleep_for(50ms);
    loop_.Pump();
    EXPECT_EQ(done, 1);
    const LatenessSummary lateness = GetMidiOutLateness(out);
    EXPECT_EQ(lateness.count, 3u);
    CloseMidiOut(out);
    CloseSync(sync);
}

TEST_F(OutputLibraryTest, ARestartedOutputIsNotDoneBeforeItsOwnerGivesWhatFollows) {
    // A beat after the last played event, with the rest of the song still queued, a restart
    // empties the queue: the play must wait for the events merged again, not end there.
    int done = 0;
    midi::MessageWindow syncWindow(loop_, "CMidiSyncWnd", [&](uint32_t message, uint32_t) {
        if (message == MSG_SYNC_DONE) ++done;
    });
    const uint32_t sync = OpenSync(0, &syncWindow, 0, 1);
    ASSERT_EQ(SetTempo(sync, 100000), 0);  // 480 ticks in 0.1 s
    const uint32_t out = OpenMidiOut(nullptr, 0, sync, 0x33320);
    ASSERT_EQ(PutMidiOut(out, {0, 0x90, 60, 100, 0}), 0);
    ASSERT_EQ(PutMidiOut(out, {1200, 0x80, 60, 0, 0}), 0);
    StartSync(sync);
    ASSERT_TRUE(loop_.RunUntil([&] { return GetPosition(sync, 0) >= 600; }, 5s));
    EXPECT_EQ(RestartMidiOut(out), 1200u);
    std::this_thread::sleep_for(50ms);
    loop_.Pump();
    EXPECT_EQ(done, 0) << "ended while the owner was merging again";
    ASSERT_EQ(PutMidiOut(out, {0, 0x80, 60, 0, 0}), 0);
    ASSERT_TRUE(loop_.RunUntil([&] { return done > 0; }, 5s));
    const Messages played = Bytes(*recorder_);  // the restart's silence comes between
    EXPECT_EQ(played.back(), (std::vector<uint8_t>{0x80, 60, 0}));
    EXPECT_GE(GetPosition(sync, 0), 1200u + 480u);
    CloseMidiOut(out);
    CloseSync(sync);
}

TEST_F(OutputLibraryTest, AFullQueueIsRefusedAndReadyComesOnceWithTheOutputsGeneration) {
    std::vector<uint32_t> ready;
    midi::MessageWindow outWindow(loop_, "CMidiOutWnd", [&](uint32_t message, uint32_t generation) {
        if (message == MSG_OUTPUT_READY) ready.push_back(generation);
    });
    const uint32_t sync = OpenSync(0, nullptr, 0, 1);
    const uint32_t out = OpenMidiOut(&outWindow, 0, sync, 0x33320);
    ResetMidiOut(out);
    const uint32_t generation = GetMidiOutGeneration(out);
    int taken = 0;
    while (PutMidiOut(out, {1, 0x90, 60, 1, 0}) == 0)
        ++taken;
    EXPECT_EQ(taken, 1024);
    EXPECT_NE(PutMidiOut(out, {1, 0x90, 60, 1, 0}), 0);
    StartSync(sync);  // 1024 ticks at 960 per second: about a second
    ASSERT_TRUE(loop_.RunUntil([&] { return !ready.empty(); }, 5s));
    std::this_thread::sleep_for(100ms);
    loop_.Pump();
    EXPECT_EQ(ready, std::vector<uint32_t>{generation});
    EXPECT_LE(recorder_->Messages().size(), 32u + 1024u);
    EXPECT_GE(recorder_->Messages().size(), 32u + 512u);

    ResetMidiOut(out);
    EXPECT_EQ(GetMidiOutGeneration(out), generation + 1);
    CloseMidiOut(out);
    CloseSync(sync);
}

TEST_F(OutputLibraryTest, WithoutAClockEventsAreSentAsTheyArePut) {
    const uint32_t out = OpenMidiOut(nullptr, 0, 0, 0x33320);
    ASSERT_GT(out, MIDIERR_MAXERR);
    EXPECT_EQ(PutMidiOut(out, {5000, 0x91, 40, 80, 0}), 0);
    EXPECT_EQ(PutMidiOut(out, MakeTempoEvent(0, 1000)), 0);
    EXPECT_EQ(Bytes(*recorder_), (Messages{{0x91, 40, 80}}));
    SilenceMidiOut(out);
    EXPECT_EQ(recorder_->Messages().size(), 33u);
    CloseMidiOut(out);
    EXPECT_EQ(recorder_->closes, 1);
    EXPECT_EQ(recorder_->Messages().size(), 65u);  // closing silences too
}

// A notifier that notes any call made after its owner said the sender was closed.
class ClosingNotifier final : public MidiNotifier {
  public:
    void PostMidiMessage(uint32_t, uint32_t, uint32_t) override {
        ++calls;
        if (closed) late = true;
    }
    std::atomic<int> calls{0};
    std::atomic<bool> closed{false};
    std::atomic<bool> late{false};
};

TEST_F(OutputLibraryTest, NoMessageIsPostedAfterCloseReturns) {
    for (int round = 0; round < 20; ++round) {
        ClosingNotifier syncNotifier;
        ClosingNotifier outNotifier;
        const uint32_t sync = OpenSync(0, &syncNotifier, 0, 1);
        SetTempo(sync, 1000);  // a beat every millisecond: a message at nearly every wake
        SetResolution(sync, 1);
        const uint32_t out = OpenMidiOut(&outNotifier, 0, sync, 0);
        while (PutMidiOut(out, {0, 0x90, 60, 1, 0}) == 0) {
        }
        StartSync(sync);
        std::this_thread::sleep_for(std::chrono::microseconds(500 * round));
        CloseMidiOut(out);
        outNotifier.closed = true;
        std::this_thread::sleep_for(2ms);
        CloseSync(sync);
        syncNotifier.closed = true;
        std::this_thread::sleep_for(2ms);
        EXPECT_FALSE(syncNotifier.late);
        EXPECT_FALSE(outNotifier.late);
    }
}

TEST_F(OutputLibraryTest, ClosingTheClockLeavesItsOutputsSendingAtOnce) {
    const uint32_t sync = OpenSync(0, nullptr, 0, 10);
    const uint32_t out = OpenMidiOut(nullptr, 0, sync, 0);
    PutMidiOut(out, {100000, 0x90, 60, 100, 0});
    CloseSync(sync);
    EXPECT_EQ(recorder_->Messages().size(), 32u);  // the dropped queue was silenced
    PutMidiOut(out, {100000, 0x90, 62, 100, 0});
    EXPECT_EQ(recorder_->Messages().back().bytes, (std::vector<uint8_t>{0x90, 62, 100}));
    CloseMidiOut(out);
}

}  // namespace
}  // namespace midilib
