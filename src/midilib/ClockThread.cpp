#include "midilib/ClockThread.h"

#include <pthread.h>
#include <sched.h>
#include <sys/prctl.h>

#include <chrono>
#include <mutex>
#include <span>

#include "midilib/Clock.h"

namespace midilib {

namespace {
void AskForRealtime() {
    prctl(PR_SET_TIMERSLACK, 1UL, 0UL, 0UL, 0UL);
    sched_param param{};
    param.sched_priority =
        (sched_get_priority_min(SCHED_FIFO) + sched_get_priority_max(SCHED_FIFO)) / 2;
    pthread_setschedparam(pthread_self(), SCHED_FIFO, &param);  // refused without the right: fine
}
}  // namespace

int64_t ClockThread::Now() {
    return std::chrono::duration_cast<std::chrono::nanoseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

ClockThread::ClockThread(LibraryMutex& lock, LibraryMutex& postLock, Clock& clock, bool realtime)
    : lock_(lock), postLock_(postLock), clock_(clock) {
    thread_ = std::thread([this, realtime] { Run(realtime); });
}

ClockThread::~ClockThread() {
    {
        std::lock_guard guard(lock_);
        closing_ = true;
    }
    wake_.notify_one();
    thread_.join();
}

void ClockThread::Kick() {
    kicked_ = true;
    wake_.notify_one();
}

void ClockThread::Run(bool realtime) {
    if (realtime) AskForRealtime();
    std::unique_lock guard(lock_);
    while (!closing_) {
        kicked_ = false;
        const int64_t deadline = clock_.Tick(Now());
        const size_t posts = clock_.TakePosts(posts_);
        if (posts > 0) {
            std::unique_lock posting(postLock_);
            guard.unlock();
            Deliver(std::span(posts_.data(), posts));
            posting.unlock();
            guard.lock();
        }
        // A Kick that came while the lock was released makes the wait below end at once.
        // steady_clock is CLOCK_MONOTONIC: the wait ends at an absolute time, not after a delay.
        const std::chrono::steady_clock::time_point wakeAt{std::chrono::nanoseconds(deadline)};
        wake_.wait_until(guard, wakeAt, [this] { return kicked_ || closing_; });
    }
}

}  // namespace midilib
