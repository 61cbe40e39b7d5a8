// The GUI thread's message queue for the library's notifications: tasks posted from another
// thread run on the GUI thread, in order, also inside a modal dialog's loop; messages to a
// window that is gone are dropped.

#include <gtest/gtest.h>

#include <QDialog>
#include <QElapsedTimer>
#include <QThread>
#include <QTimer>
#include <atomic>
#include <thread>
#include <vector>

#include "framework/FrameworkTestSupport.h"
#include "framework/GuiDispatcher.h"
#include "midi/MessageWindow.h"

namespace {

template <class Predicate>
bool ProcessUntil(Predicate done) {
    QElapsedTimer timer;
    timer.start();
    while (!done() && timer.elapsed() < 10000)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    return done();
}

}  // namespace

TEST(GuiDispatcherTest, TasksFromAnotherThreadRunOnTheGuiThreadInOrder) {
    TestApplication();
    GuiDispatcher dispatcher;
    std::vector<uint32_t> received;
    bool allOnGuiThread = true;
    MessageWindow window(dispatcher, "clock", [&](uint32_t message, uint32_t generation) {
        allOnGuiThread = allOnGuiThread && QThread::currentThread() == qApp->thread();
        received.push_back(message * 1000 + generation);
    });
    constexpr uint32_t kCount = 500;
    std::thread clock([&] {
        for (uint32_t i = 0; i < kCount; ++i)
            window.PostMidiMessage(0x5452, i);
    });
    clock.join();
    EXPECT_TRUE(received.empty()) << "nothing runs before the event loop does";
    ASSERT_TRUE(ProcessUntil([&] { return received.size() == kCount; }));
    for (uint32_t i = 0; i < kCount; ++i)
        ASSERT_EQ(received[i], 0x5452 * 1000 + i);
    EXPECT_TRUE(allOnGuiThread);
}

TEST(GuiDispatcherTest, ModalLoopKeepsDeliveringAndGoneWindowsHearNothing) {
    TestApplication();
    GuiDispatcher dispatcher;
    int beats = 0;
    QDialog dialog;
    MessageWindow window(dispatcher, "clock", [&](uint32_t, uint32_t) {
        if (++beats == 3) dialog.done(QDialog::Accepted);
    });
    std::atomic<bool> stop{false};
    std::thread clock([&] {
        for (int i = 0; i < 3 && !stop; ++i) {
            window.PostMidiMessage(0x5452, 0);
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
    });
    QTimer::singleShot(10000, &dialog, [&] { dialog.done(QDialog::Rejected); });
    EXPECT_EQ(dialog.exec(), QDialog::Accepted);
    stop = true;
    clock.join();
    EXPECT_EQ(beats, 3);

    int late = 0;
    {
        MessageWindow gone(dispatcher, "output", [&](uint32_t, uint32_t) { ++late; });
        gone.PostMidiMessage(0x5453, 0);
    }
    bool marker = false;
    dispatcher.Dispatch([&] { marker = true; });
    ASSERT_TRUE(ProcessUntil([&] { return marker; }));
    EXPECT_EQ(late, 0);
}
