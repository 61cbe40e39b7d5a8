// The GUI thread's side of the library's notifications: posts made on another thread are
// delivered on the GUI thread, every beat counted, also inside a modal dialog's loop; posts of an
// earlier generation give way to newer ones; a window that is gone hears nothing.

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

TEST(GuiDispatcherTest, PostsFromAnotherThreadAreDeliveredOnTheGuiThreadEveryBeatCounted) {
    TestApplication();
    framework::GuiDispatcher dispatcher;
    std::vector<uint32_t> received;
    bool allOnGuiThread = true;
    midi::MessageWindow window(dispatcher, "clock", [&](uint32_t message, uint32_t generation) {
        allOnGuiThread = allOnGuiThread && QThread::currentThread() == qApp->thread();
        received.push_back(message * 1000 + generation);
    });
    constexpr uint32_t kPosts = 500;
    std::thread clock([&] {
        for (uint32_t i = 0; i < kPosts; ++i)
            window.PostMidiMessage(0x5452, 7, i % 3 == 0 ? 2 : 1);
        window.PostMidiMessage(0x5457, 7, 1);
    });
    clock.join();
    EXPECT_TRUE(received.empty()) << "nothing runs before the event loop does";
    const size_t beats = kPosts + (kPosts + 2) / 3;
    ASSERT_TRUE(ProcessUntil([&] { return received.size() == beats + 1; }));
    for (size_t i = 0; i < beats; ++i)
        ASSERT_EQ(received[i], 0x5452u * 1000 + 7);
    EXPECT_EQ(received.back(), 0x5457u * 1000 + 7) << "the end of a play comes after its beats";
    EXPECT_TRUE(allOnGuiThread);

    // Beats and a done of an earlier play still waiting when a new play's beats come are dropped.
    received.clear();
    window.PostMidiMessage(0x5452, 8, 3);
    window.PostMidiMessage(0x5452, 9, 2);
    window.PostMidiMessage(0x5453, 4, 1);
    ASSERT_TRUE(ProcessUntil([&] { return received.size() == 3; }));
    QCoreApplication::processEvents();
    EXPECT_EQ(received,
              (std::vector<uint32_t>{0x5453u * 1000 + 4, 0x5452u * 1000 + 9, 0x5452u * 1000 + 9}));
}

TEST(GuiDispatcherTest, ModalLoopKeepsDeliveringAndGoneWindowsHearNothing) {
    TestApplication();
    framework::GuiDispatcher dispatcher;
    int beats = 0;
    QDialog dialog;
    midi::MessageWindow window(dispatcher, "clock", [&](uint32_t, uint32_t) {
        if (++beats == 3) dialog.done(QDialog::Accepted);
    });
    std::atomic<bool> stop{false};
    std::thread clock([&] {
        for (int i = 0; i < 3 && !stop; ++i) {
            window.PostMidiMessage(0x5452, 0, 1);
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
        midi::MessageWindow gone(dispatcher, "output", [&](uint32_t, uint32_t) { ++late; });
        gone.PostMidiMessage(0x5453, 0, 1);
    }
    bool marker = false;
    midi::MessageWindow other(dispatcher, "marker", [&](uint32_t, uint32_t) { marker = true; });
    other.PostMidiMessage(0x5453, 0, 1);
    ASSERT_TRUE(ProcessUntil([&] { return marker; }));
    EXPECT_EQ(late, 0);
}
