#pragma once
// ClockThread: the thread of one open clock. Each wake takes the library's lock, runs one
// Clock::Tick, takes what the wake made due (Clock::TakePosts, into a fixed array of its own),
// releases the lock and only then delivers those posts to their receivers; then it sleeps until
// the absolute deadline that Tick returned (CLOCK_MONOTONIC), or until Kick asks for an earlier
// wake (a start, a tempo change, an event queued on an empty output). Where permitted it runs with
// SCHED_FIFO at a middle priority and a 1 ns timer slack, so that wakes are late by little more
// than the system's wake-up jitter. After it has started it allocates nothing.
//
// The post lock is held from before the library's lock is released until the posts are
// delivered: whoever removes a receiver from the library (closing an output or a clock, changing
// a clock's receiver) takes it once afterwards, and from then on no post reaches that receiver.

#include <array>
#include <condition_variable>
#include <cstdint>
#include <thread>

#include "midilib/LibraryMutex.h"
#include "midilib/PendingPost.h"

namespace midilib {

class Clock;

class ClockThread {
  public:
    // Starts the thread; `lock` is the library's lock that guards `clock`, `postLock` the lock
    // held while posts are delivered.
    ClockThread(LibraryMutex& lock, LibraryMutex& postLock, Clock& clock, bool realtime);
    // Must be destroyed without holding the lock; no Tick runs after the destructor returns.
    ~ClockThread();
    ClockThread(const ClockThread&) = delete;
    ClockThread& operator=(const ClockThread&) = delete;

    // With the lock held: wake now and recompute the next deadline.
    void Kick();

    static int64_t Now();

  private:
    void Run(bool realtime);

    LibraryMutex& lock_;
    LibraryMutex& postLock_;
    Clock& clock_;
    std::array<PendingPost, kMaxPostsPerWake> posts_{};
    std::condition_variable_any wake_;
    bool kicked_ = false;
    bool closing_ = false;
    std::thread thread_;
};

}  // namespace midilib
