#include "framework/GuiDispatcher.h"

#include <sys/eventfd.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QMetaObject>
#include <cstdint>

namespace framework {

GuiDispatcher::GuiDispatcher() {
    eventFd_ = ::eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC);
    if (eventFd_ < 0) return;  // Signal falls back to a queued call
    notifier_ = std::make_unique<QSocketNotifier>(eventFd_, QSocketNotifier::Read);
    QObject::connect(notifier_.get(), &QSocketNotifier::activated, notifier_.get(),
                     [this] { OnSignalled(); });
}

GuiDispatcher::~GuiDispatcher() {
    notifier_.reset();
    if (eventFd_ >= 0) ::close(eventFd_);
}

void GuiDispatcher::Signal() {
    if (eventFd_ >= 0) {
        const uint64_t one = 1;
        // A full counter (never in practice) still leaves the descriptor readable.
        const ssize_t written = ::write(eventFd_, &one, sizeof one);
        (void)written;
        return;
    }
    // Without a descriptor (the process ran out of them) a queued call does the same, at the
    // cost of an allocation.
    if (QCoreApplication* app = QCoreApplication::instance())
        QMetaObject::invokeMethod(
            app, [this] { DeliverAll(); }, Qt::QueuedConnection);
}

void GuiDispatcher::OnSignalled() {
    uint64_t count = 0;
    const ssize_t read = ::read(eventFd_, &count, sizeof count);
    (void)read;
    DeliverAll();
}

}  // namespace framework
