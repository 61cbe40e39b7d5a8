#pragma once
// TestLoop: the tests' own owner-thread loop for MessageWindow. Signal may be called from the
// library's clock thread; Pump and RunUntil deliver the windows' messages on the test's thread.

#include <chrono>
#include <condition_variable>
#include <mutex>

#include "midi/MessageWindow.h"

class TestLoop final : public midi::MessageDispatcher {
  public:
    // Delivers what the windows hold now; returns whether a wake was pending.
    bool Pump() {
        {
            std::lock_guard lock(mutex_);
            if (!signalled_) return false;
            signalled_ = false;
        }
        DeliverAll();
        return true;
    }

    // Delivers as wakes arrive until `done()` holds or `timeout` passes; returns done().
    template <class Predicate>
    bool RunUntil(Predicate done, std::chrono::milliseconds timeout = std::chrono::seconds(10)) {
        const auto deadline = std::chrono::steady_clock::now() + timeout;
        while (!done()) {
            {
                std::unique_lock lock(mutex_);
                if (!wake_.wait_until(lock, deadline, [this] { return signalled_; })) return done();
            }
            Pump();
        }
        return true;
    }

    // How many times the library woke this loop.
    int Wakes() const {
        std::lock_guard lock(mutex_);
        return wakes_;
    }

  protected:
    void Signal() override {
        {
            std::lock_guard lock(mutex_);
            signalled_ = true;
            ++wakes_;
        }
        wake_.notify_one();
    }

  private:
    mutable std::mutex mutex_;
    std::condition_variable wake_;
    bool signalled_ = false;
    int wakes_ = 0;
};
