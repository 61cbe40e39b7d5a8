// The clock thread in real time: once it has started it allocates nothing, whatever it plays
// (channel messages, system exclusive, tempo records) and whatever it posts (beats, ready), and
// the owner's thread hears every beat even when it looks only now and then.
//
// Allocations are counted by replacing the global operator new of this test program: a thread
// that a test marks counts every allocation it makes. The device marks the thread that plays it,
// so only the clock thread's allocations from its first played message on are counted.

#include "midilib/ClockThread.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <new>
#include <thread>

#include "midilib/Clock.h"
#include "midilib/EventEncoding.h"
#include "midilib/OutputPort.h"
#include "support/TestLoop.h"

namespace {

thread_local bool countAllocations = false;
std::atomic<int> allocations{0};

void* Allocate(std::size_t size, std::size_t alignment = 0) {
    if (countAllocations) ++allocations;
    if (size == 0) size = 1;
    void* block =
        alignment > alignof(std::max_align_t)
            ? std::aligned_alloc(alignment, (size + alignment - 1) / alignment * alignment)
            : std::malloc(size);
    if (!block) throw std::bad_alloc();
    return block;
}

}  // namespace

void* operator new(std::size_t size) {
    return Allocate(size);
}
void* operator new[](std::size_t size) {
    return Allocate(size);
}
void* operator new(std::size_t size, std::align_val_t alignment) {
    return Allocate(size, std::size_t(alignment));
}
void* operator new[](std::size_t size, std::align_val_t alignment) {
    return Allocate(size, std::size_t(alignment));
}
void* operator new(std::size_t size, const std::nothrow_t&) noexcept {
    try {
        return Allocate(size);
    } catch (...) {
        return nullptr;
    }
}
void* operator new[](std::size_t size, const std::nothrow_t&) noexcept {
    try {
        return Allocate(size);
    } catch (...) {
        return nullptr;
    }
}
void operator delete(void* block) noexcept {
    std::free(block);
}
void operator delete[](void* block) noexcept {
    std::free(block);
}
void operator delete(void* block, std::size_t) noexcept {
    std::free(block);
}
void operator delete[](void* block, std::size_t) noexcept {
    std::free(block);
}
void operator delete(void* block, std::align_val_t) noexcept {
    std::free(block);
}
void operator delete[](void* block, std::align_val_t) noexcept {
    std::free(block);
}
void operator delete(void* block, std::size_t, std::align_val_t) noexcept {
    std::free(block);
}
void operator delete[](void* block, std::size_t, std::align_val_t) noexcept {
    std::free(block);
}

namespace midilib {
namespace {

using namespace std::chrono_literals;

// Counts what it is sent without allocating, and marks the thread that plays it (not the test's
// own thread, which silences it) as one whose allocations count.
class MarkingDevice final : public OutputDevice {
  public:
    explicit MarkingDevice(std::thread::id owner) : owner_(owner) {}
    SendResult Send(std::span<const uint8_t> message) override {
        if (std::this_thread::get_id() != owner_) {
            countAllocations = true;
            ++played;
            if (message.size() > 3) ++sysex;
        }
        return SendResult::Sent;
    }
    std::atomic<int> played{0};
    std::atomic<int> sysex{0};

  private:
    std::thread::id owner_;
};

TEST(ClockThreadTest, PlaysAndPostsWithoutAllocatingAndEveryBeatReachesTheOwner) {
    TestLoop loop;
    int beats = 0;
    int ready = 0;
    midi::MessageWindow clockWindow(loop, "clock", [&](uint32_t message, uint32_t) {
        if (message == MSG_SYNC_BEAT) ++beats;
    });
    midi::MessageWindow outputWindow(loop, "output", [&](uint32_t message, uint32_t) {
        if (message == MSG_OUTPUT_READY) ++ready;
    });
    LibraryMutex lock;
    LibraryMutex postLock;
    auto device = std::make_unique<MarkingDevice>(std::this_thread::get_id());
    MarkingDevice& played = *device;
    Clock clock(&clockWindow, 0, 1, ClockThread::Now());
    OutputPort output(&outputWindow, std::move(device), 64);
    // One tick a millisecond; a beat every 10 ms, so beats come while the owner looks away.
    clock.SetTempo(10000, ClockThread::Now());
    clock.SetResolution(10, ClockThread::Now());
    clock.Link(&output);

    int queued = 0;
    auto refill = [&] {
        std::lock_guard guard(lock);
        for (;;) {
            const int n = queued;
            MidiEvent event{1, uint8_t(0x90 | (n % 16)), uint8_t(n % 128), 64, 0};
            if (n % 50 == 25) event = MakeTempoEvent(1, 10000);
            if (n % 40 == 10) event = {1, kSysexStatus, 0xF0, 0, 0};
            if (n % 40 == 11) event = {0, kSysexStatus, 0x7D, 0, 0};
            if (n % 40 == 12) event = {0, kSysexStatus, 0x01, 0, 0};
            if (n % 40 == 13) event = {0, kSysexStatus, 0xF7, 1, 0};
            if (!output.Put(event)) break;
            ++queued;
        }
    };
    refill();
    std::this_thread::sleep_for(5ms);  // the thread has started and sleeps
    {
        ClockThread thread(lock, postLock, clock, false);
        {
            std::lock_guard guard(lock);
            clock.Start(ClockThread::Now());
            thread.Kick();
        }
        // The owner looks only every 60 ms, refilling the queue whenever it was asked to.
        const auto end = std::chrono::steady_clock::now() + 600ms;
        int readySeen = 0;
        while (std::chrono::steady_clock::now() < end) {
            std::this_thread::sleep_for(60ms);
            loop.Pump();
            if (ready != readySeen) {
                readySeen = ready;
                refill();
            }
        }
        std::lock_guard guard(lock);
        clock.Pause(ClockThread::Now());
    }
    loop.Pump();
    EXPECT_GT(played.played, 200) << "the device was played";
    EXPECT_GT(played.sysex, 4) << "system-exclusive messages were gathered and sent";
    EXPECT_GT(ready, 3) << "the queue was refilled after ready messages";
    EXPECT_EQ(allocations.load(), 0) << "the clock thread allocated while it played";
    // Every beat the clock passed reached the owner, though it looked only now and then.
    const int passed = int(clock.PositionAt(ClockThread::Now()) / 10);
    EXPECT_GE(beats, passed - 1);  // the pause may come between a beat and the wake that sees it
    EXPECT_LE(beats, passed);
    EXPECT_LT(loop.Wakes(), beats) << "a busy owner gets one wake for several beats";
}

}  // namespace
}  // namespace midilib
