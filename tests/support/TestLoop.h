#pragma once
// TestLoop: the tests' own owner-thread loop for MessageWindow. Dispatch may be called from the
// library's clock thread; Pump and RunUntil run the queued tasks on the test's thread.

#include <chrono>
#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>

#include "midi/MessageWindow.h"

class TestLoop final : public MessageDispatcher {
  public:
    void Dispatch(std::function<void()> task) override {
        {
            std::lock_guard lock(mutex_);
            tasks_.push_back(std::move(task));
        }
        wake_.notify_one();
    }

    // Runs every task queued now; returns how many ran.
    int Pump() {
        std::deque<std::function<void()>> ready;
        {
            std::lock_guard lock(mutex_);
            ready.swap(tasks_);
        }
        for (auto& task : ready)
            task();
        return static_cast<int>(ready.size());
    }

    // Runs tasks as they arrive until `done()` holds or `timeout` passes; returns done().
    template <class Predicate>
    bool RunUntil(Predicate done, std::chrono::milliseconds timeout = std::chrono::seconds(10)) {
        const auto deadline = std::chrono::steady_clock::now() + timeout;
        while (!done()) {
            {
                std::unique_lock lock(mutex_);
                if (!wake_.wait_until(lock, deadline, [this] { return !tasks_.empty(); }))
                    return done();
            }
            Pump();
        }
        return true;
    }

  private:
    std::mutex mutex_;
    std::condition_variable wake_;
    std::deque<std::function<void()>> tasks_;
};
