#pragma once
// MessageWindow: the invisible "window" through which an object of the GUI thread (the clock,
// the output object) receives the MIDI library's posted messages.
//
// The library calls PostMidiMessage from its real-time clock thread. The window only records the
// post in fixed storage of its own (atomics: the count of beats due with their generation, the
// generation of a due done and of a due output-ready) and wakes its owner's MessageDispatcher;
// nothing is allocated and nothing blocks. On the owner's thread the dispatcher later has every
// window deliver what it holds: output-ready, then each beat (one handler call per beat, so a
// count grows by one per beat), then done. While a wake is pending further posts only add to the
// counts, so a busy owner gets one delivery for many beats. Posts of a newer generation replace
// due posts of an older one of the same kind: those belong to an earlier play, whose messages the
// receivers drop anyway.
//
// MessageDispatcher is the owner thread's side: the framework implements Signal on the Qt event
// loop, tests with a loop of their own. Windows register themselves at construction and leave at
// destruction (both on the owner's thread); a window that is gone hears nothing more.

#include <algorithm>
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "midi/MidiLib.h"

namespace midi {

class MessageDispatcher {
  public:
    // Something that holds posts for the owner's thread.
    class Receiver {
      public:
        virtual ~Receiver() = default;
        virtual void DeliverPosts() = 0;
    };

    MessageDispatcher() = default;
    virtual ~MessageDispatcher() = default;
    MessageDispatcher(const MessageDispatcher&) = delete;
    MessageDispatcher& operator=(const MessageDispatcher&) = delete;

    // Owner's thread only.
    void Add(Receiver* receiver);
    void Remove(Receiver* receiver);

    // Any thread; never blocks or allocates: the owner's loop runs DeliverAll soon. Wakes that
    // come while one is pending are one wake.
    void Wake() {
        if (!woken_.exchange(true, std::memory_order_acq_rel)) Signal();
    }

  protected:
    // Makes the owner's loop call DeliverAll. Called from the library's clock thread: must not
    // block or allocate.
    virtual void Signal() = 0;
    // Owner's thread: every receiver delivers what it holds. Handlers may add or remove
    // receivers and may run nested loops that deliver again.
    void DeliverAll();

  private:
    std::atomic<bool> woken_{false};
    std::vector<Receiver*> receivers_;
    int delivering_ = 0;
    bool removed_ = false;
};

class MessageWindow final : public MidiNotifier, private MessageDispatcher::Receiver {
  public:
    using Handler = std::function<void(uint32_t message, uint32_t generation)>;

    MessageWindow(MessageDispatcher& owner, std::string title, Handler handler);
    ~MessageWindow() override;
    MessageWindow(const MessageWindow&) = delete;
    MessageWindow& operator=(const MessageWindow&) = delete;

    void PostMidiMessage(uint32_t message, uint32_t generation, uint32_t count) override;
    const std::string& Title() const { return title_; }

  private:
    void DeliverPosts() override;

    MessageDispatcher& owner_;
    std::string title_;
    Handler handler_;
    // Beats due: generation in the high half, count in the low half (0: none).
    std::atomic<uint64_t> beats_{0};
    // Done and output-ready due: kDue | generation (0: none).
    std::atomic<uint64_t> done_{0};
    std::atomic<uint64_t> ready_{0};
};

// ---- inline definitions (the framework's dispatcher links no midi code) ----

namespace message_window_detail {

constexpr uint64_t kDue = uint64_t{1} << 32;

constexpr uint64_t PackBeats(uint32_t generation, uint32_t count) {
    return (uint64_t{generation} << 32) | count;
}

}  // namespace message_window_detail

inline void MessageDispatcher::Add(Receiver* receiver) {
    receivers_.push_back(receiver);
}

inline void MessageDispatcher::Remove(Receiver* receiver) {
    const auto found = std::find(receivers_.begin(), receivers_.end(), receiver);
    if (found == receivers_.end()) return;
    if (delivering_ > 0) {
        *found = nullptr;  // compacted when the outermost delivery ends
        removed_ = true;
    } else {
        receivers_.erase(found);
    }
}

inline void MessageDispatcher::DeliverAll() {
    // Cleared first: a post that comes during the delivery wakes the loop again.
    woken_.store(false, std::memory_order_release);
    ++delivering_;
    for (size_t i = 0; i < receivers_.size(); ++i)
        if (Receiver* receiver = receivers_[i]) receiver->DeliverPosts();
    if (--delivering_ == 0 && removed_) {
        receivers_.erase(std::remove(receivers_.begin(), receivers_.end(), nullptr),
                         receivers_.end());
        removed_ = false;
    }
}

inline MessageWindow::MessageWindow(MessageDispatcher& owner, std::string title, Handler handler)
    : owner_(owner), title_(std::move(title)), handler_(std::move(handler)) {
    owner_.Add(this);
}

inline MessageWindow::~MessageWindow() {
    owner_.Remove(this);
}

inline void MessageWindow::PostMidiMessage(uint32_t message, uint32_t generation, uint32_t count) {
    if (count == 0) return;
    switch (message) {
        case MSG_SYNC_BEAT: {
            uint64_t due = beats_.load(std::memory_order_relaxed);
            uint64_t next = 0;
            do {
                const auto dueCount = uint32_t(due);
                const bool same = dueCount > 0 && uint32_t(due >> 32) == generation;
                const uint64_t total = (same ? uint64_t{dueCount} : 0) + count;
                next = message_window_detail::PackBeats(
                    generation, uint32_t(std::min<uint64_t>(total, UINT32_MAX)));
            } while (!beats_.compare_exchange_weak(due, next, std::memory_order_acq_rel));
            break;
        }
        case MSG_SYNC_DONE:
            done_.store(message_window_detail::kDue | generation, std::memory_order_release);
            break;
        case MSG_OUTPUT_READY:
            ready_.store(message_window_detail::kDue | generation, std::memory_order_release);
            break;
        default:
            return;
    }
    owner_.Wake();
}

inline void MessageWindow::DeliverPosts() {
    if (const uint64_t ready = ready_.exchange(0, std::memory_order_acq_rel); ready != 0)
        handler_(MSG_OUTPUT_READY, uint32_t(ready));
    if (const uint64_t beats = beats_.exchange(0, std::memory_order_acq_rel); beats != 0) {
        const auto generation = uint32_t(beats >> 32);
        for (uint32_t i = 0; i < uint32_t(beats); ++i)
            handler_(MSG_SYNC_BEAT, generation);
    }
    if (const uint64_t done = done_.exchange(0, std::memory_order_acq_rel); done != 0)
        handler_(MSG_SYNC_DONE, uint32_t(done));
}

}  // namespace midi
