#pragma once
// GuiDispatcher: the Qt side of MessageDispatcher, the owner of the invisible message "windows"
// (MessageWindow) through which the MIDI library notifies objects of the GUI thread. Signal may be
// called from any thread (the library's real-time clock thread): it writes to an eventfd, which
// neither allocates nor takes a lock of Qt's; a socket notifier on the GUI thread then has every
// window deliver its messages, from the event loop. Nested loops (modal dialogs, message boxes,
// menus) keep delivering.
//
// Construct it on the GUI thread, before the windows that use it; it must outlive them (the clock
// and the output close their library handles in their destructors, before their windows go).

#include <QSocketNotifier>
#include <memory>

#include "midi/MessageWindow.h"

namespace framework {

class GuiDispatcher final : public midi::MessageDispatcher {
  public:
    GuiDispatcher();
    ~GuiDispatcher() override;

  protected:
    void Signal() override;

  private:
    void OnSignalled();

    int eventFd_ = -1;
    std::unique_ptr<QSocketNotifier> notifier_;
};

}  // namespace framework
