#pragma once
// Shared helpers of the framework tests. The QApplication (offscreen platform, chosen by the test
// runner) and the private profile folder are set up by FrameworkTestMain.cpp.

#include <QApplication>
#include <QMetaObject>
#include <utility>

inline QApplication& TestApplication() {
    return *qApp;
}

// Runs `step` from inside the next event-loop turn, e.g. within a modal dialog's loop.
template <class Step>
void Soon(Step step) {
    QMetaObject::invokeMethod(qApp, std::move(step), Qt::QueuedConnection);
}
