#include "framework/GuiDispatcher.h"

#include <QMetaObject>

void GuiDispatcher::Dispatch(std::function<void()> task) {
    // A queued call posts an event to the receiver's thread; posting is thread-safe, and events
    // posted to one receiver are delivered in the order they were posted.
    QMetaObject::invokeMethod(&receiver_, std::move(task), Qt::QueuedConnection);
}
