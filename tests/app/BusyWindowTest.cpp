// A window that is busy does not hold up the music: while the GUI thread is kept busy for 200 ms
// in the middle of a play (asking the clock for its position all the while, as a long paint
// would), the clock goes on handing every event to the device on time, and afterwards the beat
// count has caught up with every beat that passed.
#include <chrono>

#include "AppTestSupport.h"
#include "res/Resource.h"

using namespace apptest;
using namespace std::chrono_literals;

namespace {

class BusyWindowTest : public AppFixture {};

// 96 ticks per beat at 100,000 us per beat: a tick is 1/960 s. A note every 10 ticks for 1.5 s.
constexpr int kNotes = 144;
constexpr int kGapTicks = 10;
constexpr double kTickMs = 100.0 / 96.0;

std::vector<uint8_t> EvenNotes() {
    std::vector<uint8_t> events = {0x00, 0xFF, 0x51, 0x03, 0x01, 0x86, 0xA0};
    for (int k = 0; k < kNotes; ++k) {
        const uint8_t note = uint8_t(40 + k % 40);
        for (uint8_t b : {uint8_t(k == 0 ? 0 : kGapTicks / 2), uint8_t(0x90), note, uint8_t(90)})
            events.push_back(b);
        for (uint8_t b : {uint8_t(kGapTicks / 2), uint8_t(0x80), note, uint8_t(0)})
            events.push_back(b);
    }
    return events;
}

TEST_F(BusyWindowTest, TheClockKeepsTimeAndCountsEveryBeatWhileTheWindowIsBusy) {
    const auto song = Scratch("busy") / "even.mid";
    WriteSmf(song, {TrackChunk(EvenNotes())});
    ASSERT_TRUE(Open(song.string()));
    frame->clock.SetPeriod(1);
    ASSERT_TRUE(Command(ID_PLAY_START));

    QTest::qWait(300);
    const auto busyUntil = std::chrono::steady_clock::now() + 200ms;
    const int32_t beatsBefore = view->sync->beatCount;
    uint32_t position = 0;
    while (std::chrono::steady_clock::now() < busyUntil)
        position = view->sync->GetPosition(0);
    EXPECT_EQ(view->sync->beatCount, beatsBefore) << "beats are counted on the GUI thread";
    EXPECT_GT(position, 0u);
    ASSERT_TRUE(QTest::qWaitFor([this] { return !Running(); }, 10000));

    // Every note-on reached the device at its time, counted from the first one, the notes due
    // while the window was busy included. The bound is loose on purpose: a clock held up by the
    // window would be some 200 ms late.
    std::vector<std::chrono::steady_clock::time_point> noteOns;
    for (const auto& message : synthProbe->Messages())
        if (message.bytes.size() == 3 && message.bytes[0] == 0x90) noteOns.push_back(message.time);
    ASSERT_EQ(noteOns.size(), size_t(kNotes));
    double latest = 0;
    for (int k = 0; k < kNotes; ++k) {
        const double elapsedMs =
            std::chrono::duration<double, std::milli>(noteOns[size_t(k)] - noteOns[0]).count();
        latest = std::max(latest, elapsedMs - k * kGapTicks * kTickMs);
    }
    EXPECT_LT(latest, 50.0) << "the latest note-on came " << latest << " ms after its time";

    // Every beat the clock passed was counted once the window was free again (the song's 1.5 s
    // hold 15 beats, and the clock stops a beat after the last event).
    EXPECT_GE(view->sync->beatCount, 15);
    EXPECT_LE(view->sync->beatCount, 17);
}

}  // namespace
