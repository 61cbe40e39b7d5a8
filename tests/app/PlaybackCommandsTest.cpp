// The playback commands through the frame's command routing, the Start rule, the sound changes
// of Stop / Pause / Open / New, and the frame's start-up state.
#include <QAction>
#include <QMenu>
#include <QMenuBar>

#include "AppTestSupport.h"
#include "Misc/ChordAnalysis.h"
#include "Misc/LogStream.h"
#include "Misc/notelist.h"
#include "app/CAboutDlg.h"
#include "app/ChordDisplay.h"
#include "res/Resource.h"

using namespace apptest;

namespace {

class PlaybackCommandsTest : public AppFixture {
  protected:
    void OpenShortSong() {
        const auto folder = Scratch("playback");
        song = (folder / "short.mid").string();
        WriteShortSong(song);
        ASSERT_TRUE(Open(song));
        ASSERT_TRUE(doc->HasEvents());
    }
    std::string song;
};

TEST_F(PlaybackCommandsTest, StartFollowsTheStateTableAndTheDoneMessageEnablesItAgain) {
    // An empty document: the menu's Start and Ctrl+P are refused, the toolbar's Play is not.
    EXPECT_FALSE(Enabled(ID_PLAY_START));
    EXPECT_TRUE(Enabled(ID_TOOLBAR_PLAY));
    EXPECT_TRUE(Enabled(ID_PLAY_STOP));
    EXPECT_TRUE(Enabled(ID_PLAY_PAUSE));
    EXPECT_FALSE(Command(ID_PLAY_START));
    EXPECT_FALSE(Running());

    OpenShortSong();
    EXPECT_TRUE(Enabled(ID_PLAY_START));
    EXPECT_TRUE(Command(ID_PLAY_START));
    EXPECT_TRUE(Running());
    EXPECT_FALSE(Enabled(ID_PLAY_START));
    EXPECT_TRUE(Enabled(ID_PLAY_PAUSE));
    EXPECT_TRUE(Enabled(ID_PLAY_STOP));
    EXPECT_FALSE(chordTimeline.IsEmpty()) << "Play runs the analysis";

    // The library's done message stops the clock; beatCount keeps its last value.
    ASSERT_TRUE(QTest::qWaitFor([this] { return !Running(); }, 10000));
    EXPECT_GT(view->sync->beatCount, 0);
    EXPECT_TRUE(Enabled(ID_PLAY_START));
    EXPECT_FALSE(synthProbe->Messages().empty()) << "the song reached the device";
}

TEST_F(PlaybackCommandsTest, PauseTogglesAndStopThenPauseRestartsWithoutAnalysis) {
    OpenShortSong();
    frame->clock.SetTempo(CMidiSync::BpmToTempo(30.0));  // slow enough to act while it runs
    ASSERT_TRUE(Command(ID_PLAY_START));
    const uint32_t generation = chordTimeline.Generation();

    EXPECT_TRUE(Command(ID_PLAY_PAUSE));
    EXPECT_FALSE(Running());
    EXPECT_TRUE(Enabled(ID_PLAY_START));
    EXPECT_TRUE(Command(ID_TOOLBAR_PAUSE));
    EXPECT_TRUE(Running());

    view->sync->beatCount = 7;
    EXPECT_TRUE(Command(ID_PLAY_STOP));
    EXPECT_FALSE(Running());
    EXPECT_TRUE(Command(ID_PLAY_PAUSE));
    EXPECT_TRUE(Running()) << "Pause after Stop restarts the clock";
    EXPECT_EQ(view->sync->beatCount, 7) << "only Play resets the beat count";
    EXPECT_EQ(chordTimeline.Generation(), generation) << "only Play runs the analysis";
    EXPECT_TRUE(Command(ID_TOOLBAR_STOP));
    EXPECT_FALSE(Running());
}

TEST_F(PlaybackCommandsTest, StopPauseOpenAndNewSilenceTheDevice) {
    OpenShortSong();
    frame->clock.SetTempo(CMidiSync::BpmToTempo(30.0));
    ASSERT_TRUE(Command(ID_PLAY_START));

    int before = NotesOffCount();
    Command(ID_PLAY_PAUSE);
    EXPECT_EQ(NotesOffCount(), before + 16) << "Pause silences every channel";
    before = NotesOffCount();
    Command(ID_PLAY_PAUSE);
    EXPECT_EQ(NotesOffCount(), before) << "resuming sends no silence";
    Command(ID_PLAY_STOP);
    EXPECT_EQ(NotesOffCount(), before + 16) << "Stop silences every channel";

    Command(ID_PLAY_START);
    before = NotesOffCount();
    ASSERT_TRUE(Open(song));
    EXPECT_FALSE(Running()) << "opening a file stops the clock";
    EXPECT_GE(NotesOffCount(), before + 16);
    EXPECT_EQ(view->output.GetOutCount(), 0u) << "the old song's pending events are dropped";

    Command(ID_PLAY_START);
    ASSERT_TRUE(Running());
    before = NotesOffCount();
    Command(ID_FILE_NEW);
    EXPECT_FALSE(Running()) << "File New stops the clock too";
    EXPECT_GE(NotesOffCount(), before + 16);
    EXPECT_FALSE(Enabled(ID_PLAY_START));
}

TEST_F(PlaybackCommandsTest, OpenAndNewEmptyTheSoundingNotes) {
    const MidiEvent noteOn{0, 0x90, 60, 100, 0};
    soundingNotes.Update(noteOn);
    OpenShortSong();
    EXPECT_TRUE(soundingNotes.IsEmpty());
    soundingNotes.Update(noteOn);
    Command(ID_FILE_NEW);
    EXPECT_TRUE(soundingNotes.IsEmpty());
}

TEST_F(PlaybackCommandsTest, EveryBeatRepaintsAndPlayResetsTheDisplayPlace) {
    OpenShortSong();
    chordDisplayState.displayCursor = 5;
    Command(ID_PLAY_START);
    EXPECT_EQ(chordDisplayState.displayCursor, ChordTimeline::npos);
    int paints = 0;
    struct PaintCounter : QObject {
        int* count;
        explicit PaintCounter(int* c) : count(c) {}
        bool eventFilter(QObject*, QEvent* e) override {
            if (e->type() == QEvent::Paint) ++*count;
            return false;
        }
    } counter(&paints);
    view->installEventFilter(&counter);
    ASSERT_TRUE(QTest::qWaitFor([this] { return view->sync->beatCount >= 2; }, 5000));
    QTest::qWait(50);
    view->removeEventFilter(&counter);
    EXPECT_GE(paints, 1);
}

TEST_F(PlaybackCommandsTest, FrameStartsWithItsClockAtTenMillisecondsAndDefaultSettings) {
    EXPECT_TRUE(frame->clock.IsOpen());
    EXPECT_EQ(frame->clock.GetPeriod(), 10);
    EXPECT_EQ(frame->clock.GetResolution(), 480) << "a new document plays at 480 ticks";
    EXPECT_EQ(frame->clock.GetTempo(), 500000u) << "and 120 beats per minute";
    EXPECT_EQ(UserSettings.logFileName, DefaultLogFileName());
    EXPECT_NE(UserSettings.logFileName.find("/tabulon.log"), std::string::npos);
    EXPECT_FALSE(UserSettings.loggingEnabled);
    EXPECT_FALSE(LogStream.is_open()) << "no log file is opened at start";
    EXPECT_EQ(UserSettings.monitoredChannels[15], 1);
    EXPECT_EQ(UserSettings.monitoredTracks[199], 1);
    EXPECT_FALSE(frame->m_bAutoMenuEnable);

    // The device menu sits between Monitor and Help; the guitarist's Chords menu after it, the
    // Practice menu after Play.
    const QList<QAction*> top = frame->menuBar()->actions();
    const QStringList expected = {"&File",   "&Settings",      "&Play",   "P&ractice",
                                  "Monitor", "&Output Device", "&Chords", "&Help"};
    ASSERT_EQ(top.size(), expected.size());
    for (int i = 0; i < expected.size(); ++i)
        EXPECT_EQ(top[i]->text(), expected[i]);

    // The toolbar's ten buttons in order.
    const unsigned buttons[] = {ID_FILE_OPEN,
                                ID_TOOLBAR_STOP,
                                ID_TOOLBAR_PLAY,
                                ID_TOOLBAR_PAUSE,
                                ID_TOOLBAR_TRANSPOSE,
                                ID_TOOLBAR_MUTE,
                                ID_TOOLBAR_MONITOR_TRACKS,
                                ID_TOOLBAR_MONITOR_CHANNELS,
                                ID_TOOLBAR_SET_TEMPO,
                                ID_TOOLBAR_LOGGING};
    const QList<QAction*> actions = frame->toolBar.actions();
    ASSERT_EQ(actions.size(), 18)
        << "the designed ten, a separator, Guitarist View, a separator, five practice buttons";
    for (int i = 0; i < 10; ++i) {
        EXPECT_EQ(CMenu::ItemId(actions[i]), buttons[i]) << i;
        EXPECT_FALSE(actions[i]->icon().isNull()) << i;
    }
    EXPECT_TRUE(actions[10]->isSeparator());
    EXPECT_EQ(CMenu::ItemId(actions[11]), ID_TOOLBAR_GUITARIST_VIEW);
    EXPECT_TRUE(actions[12]->isSeparator());
    const unsigned practice[] = {ID_TOOLBAR_REWIND, ID_TOOLBAR_SLOWER, ID_TOOLBAR_FASTER,
                                 ID_TOOLBAR_LOOP, ID_TOOLBAR_COUNT_IN};
    for (int i = 0; i < 5; ++i)
        EXPECT_EQ(CMenu::ItemId(actions[13 + i]), practice[i]) << i;
    for (int i = 11; i < 18; ++i) {
        if (!actions[i]->isSeparator()) {
            EXPECT_FALSE(actions[i]->icon().isNull()) << i;
        }
    }
}

TEST_F(PlaybackCommandsTest, TimerPeriodTenIsCheckedAtStart) {
    QAction* one = frame->GetMenu()->FindItem(ID_TIMER_PERIOD_1);
    QAction* ten = frame->GetMenu()->FindItem(ID_TIMER_PERIOD_10);
    ASSERT_TRUE(one && ten);
    auto* popup = qobject_cast<QMenu*>(ten->parent());
    ASSERT_NE(popup, nullptr);
    frame->UpdateMenuItems(*popup);
    EXPECT_TRUE(ten->isChecked());
    EXPECT_FALSE(one->isChecked());
}

TEST(AboutText, MinorVersionHasAtLeastTwoDigits) {
    EXPECT_EQ(FormatLibraryVersion(0x0105), "MIDI Library V1.05");
    EXPECT_EQ(FormatLibraryVersion(0x0200), "MIDI Library V2.00");
    EXPECT_EQ(FormatLibraryVersion(0x037B), "MIDI Library V3.123");
    EXPECT_EQ(FormatLibraryVersion(0xFFFF), "MIDI Library V255.255");
}

}  // namespace
