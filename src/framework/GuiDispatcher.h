#pragma once
// GuiDispatcher: the Qt implementation of MessageDispatcher, the queue behind the invisible
// message "windows" (MessageWindow) through which the MIDI library notifies objects of the GUI
// thread. Dispatch may be called from any thread (the library's clock thread); each task runs
// later on the GUI thread, from the event loop, in the order of the calls. Nested loops (modal
// dialogs, message boxes, menus) keep delivering tasks.
//
// Construct it on the GUI thread. Tasks still queued when it is destroyed are dropped; whoever
// posts must have stopped doing so by then (the clock and the output close their library
// handles in their destructors, before the window that holds the dispatcher goes).

#include <QObject>
#include <functional>

#include "midi/MessageWindow.h"

class GuiDispatcher final : public MessageDispatcher {
  public:
    GuiDispatcher() = default;
    GuiDispatcher(const GuiDispatcher&) = delete;
    GuiDispatcher& operator=(const GuiDispatcher&) = delete;

    void Dispatch(std::function<void()> task) override;

  private:
    QObject receiver_;  // lives on the constructing (GUI) thread
};
