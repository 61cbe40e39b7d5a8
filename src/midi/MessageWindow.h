#pragma once
// MessageWindow: the invisible "window" through which an object of the GUI thread (the clock,
// the output object) receives the MIDI library's posted messages. The library calls
// PostMidiMessage from its clock thread; the window hands the message to its MessageDispatcher,
// which runs the handler later on the owner's thread. Messages still in flight when the window is
// destroyed are dropped.
//
// MessageDispatcher is the owner thread's queue: the framework implements it on the Qt event loop,
// tests with a loop of their own.

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "midi/MidiLib.h"

class MessageDispatcher {
  public:
    virtual ~MessageDispatcher() = default;
    // Thread-safe; `task` runs later on the owner's thread, in the order of the calls.
    virtual void Dispatch(std::function<void()> task) = 0;
};

class MessageWindow final : public MidiNotifier {
  public:
    using Handler = std::function<void(uint32_t message, uint32_t generation)>;

    MessageWindow(MessageDispatcher& owner, std::string title, Handler handler)
        : owner_(owner),
          title_(std::move(title)),
          handler_(std::move(handler)),
          alive_(std::make_shared<bool>(true)) {}
    ~MessageWindow() override { *alive_ = false; }
    MessageWindow(const MessageWindow&) = delete;
    MessageWindow& operator=(const MessageWindow&) = delete;

    void PostMidiMessage(uint32_t message, uint32_t generation) override {
        // `alive_` is only read and written on the owner's thread.
        owner_.Dispatch([alive = alive_, this, message, generation] {
            if (*alive) handler_(message, generation);
        });
    }
    const std::string& Title() const { return title_; }

  private:
    MessageDispatcher& owner_;
    std::string title_;
    Handler handler_;
    std::shared_ptr<bool> alive_;
};
