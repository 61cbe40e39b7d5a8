// The Practice menu's commands and keys on a real play: moving by bars, the slider's seek, speed,
// loop and count-in as the output receives them, and what the next run takes up.
#include <QMenu>
#include <QMouseEvent>

#include "AppTestSupport.h"
#include "Misc/ChordAnalysis.h"
#include "SettingsTestSupport.h"
#include "app/ChordDisplay.h"
#include "res/Resource.h"
#include "settings/PlayerSettingsStore.h"

using namespace apptest;

namespace {

using smftest::TimedBytes;
using smftest::TimedTrack;

constexpr uint32_t kBeat = 96;
constexpr uint32_t kBar = 3 * kBeat;  // the song is in 3/4
constexpr uint32_t kBars = 6;

// Six bars of 3/4 at 120 BPM, C major and A minor in turn, one chord a bar.
void WriteWaltz(const std::filesystem::path& path) {
    std::vector<TimedBytes> events = {{0, {0xFF, 0x58, 0x04, 0x03, 0x02, 0x18, 0x08}}};
    for (uint32_t bar = 0; bar < kBars; ++bar) {
        const std::vector<uint8_t> notes =
            bar % 2 == 0 ? std::vector<uint8_t>{60, 64, 67} : std::vector<uint8_t>{57, 60, 64};
        for (uint8_t note : notes) {
            events.push_back({bar * kBar, {0x90, note, 90}});
            events.push_back({bar * kBar + kBar - 1, {0x80, note, 0}});
        }
    }
    smftest::WriteSmf(path, {TimedTrack(events)});
}

class PracticeCommandsTest : public AppFixture {
  protected:
    void SetUp() override {
        AppFixture::SetUp();
        song = (Scratch("practice-commands") / "waltz.mid").string();
        WriteWaltz(song);
        ASSERT_TRUE(Open(song));
        frame->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(frame));
    }
    uint32_t Position() const { return frame->ShownPosition(); }
    void Key(Qt::Key key) { QTest::keyClick(frame, key); }
    QString Bar() {
        frame->OnIdleUpdateCmdUI();
        return frame->GetStatusBar()->Shown().position;
    }
    bool Checked(unsigned id) {
        QAction* item = frame->GetMenu()->FindItem(id);
        auto* popup = item ? qobject_cast<QMenu*>(item->parent()) : nullptr;
        if (!popup) return false;
        frame->UpdateMenuItems(*popup);
        return item->isChecked();
    }
    std::string song;
};

TEST_F(PracticeCommandsTest, ArrowsMoveByTheSongsBarsAndHomeRewinds) {
    // Before any play: the keys move where the next Space plays from.
    Key(Qt::Key_Right);
    EXPECT_EQ(Position(), kBar);
    EXPECT_EQ(Bar(), "Bar 2:1") << "bars of three beats";
    Key(Qt::Key_Right);
    Key(Qt::Key_Right);
    EXPECT_EQ(Position(), 3 * kBar);
    Key(Qt::Key_Left);
    EXPECT_EQ(Position(), 2 * kBar);
    Key(Qt::Key_Space);
    ASSERT_TRUE(Running());
    EXPECT_GE(Position(), 2 * kBar) << "Space plays from where the keys put the play";

    // During the play: one bar back, past the last bar nothing, Home to the start.
    Key(Qt::Key_Left);
    EXPECT_GE(Position(), kBar);
    EXPECT_LT(Position(), 2 * kBar);
    EXPECT_TRUE(Running()) << "moving does not stop the play";
    for (int i = 0; i < 10; ++i)
        Key(Qt::Key_Right);
    EXPECT_GE(Position(), (kBars - 1) * kBar);
    view->grab();
    EXPECT_EQ(chordDisplayState.displayCursor, kBars - 1) << "the last bar's chord is in force";

    // Back at the start the chord display is placed again: bar 1's chord is the one in force.
    Key(Qt::Key_Home);
    EXPECT_LT(Position(), kBar);
    view->grab();
    EXPECT_EQ(chordDisplayState.displayCursor, 0u);
    Key(Qt::Key_Left);
    EXPECT_LT(Position(), kBar) << "never before bar 1";
    Command(ID_PLAY_STOP);
}

TEST_F(PracticeCommandsTest, TheSliderSeeksWhereItIsClickedAndLetGo) {
    PositionSlider* slider = frame->GetPositionSlider();
    frame->OnIdleUpdateCmdUI();
    ASSERT_EQ(slider->SongLength(), kBars * kBar - 1);
    ASSERT_GT(slider->width(), 100);
    // A click at three quarters of the groove puts the play about three quarters in.
    const QPoint at(slider->width() * 3 / 4, slider->height() / 2);
    QTest::mouseClick(slider, Qt::LeftButton, Qt::NoModifier, at);
    const double share = double(Position()) / slider->SongLength();
    EXPECT_NEAR(share, 0.75, 0.1);
    EXPECT_EQ(uint32_t(slider->value()), Position());
    EXPECT_TRUE(Checked(ID_PRACTICE_SPEED_100));

    // While the handle is held the play does not pull it away.
    Key(Qt::Key_Home);
    slider->setSliderDown(true);
    slider->setSliderPosition(int(3 * kBar));
    frame->OnIdleUpdateCmdUI();
    EXPECT_EQ(slider->sliderPosition(), int(3 * kBar));
    EXPECT_LT(Position(), kBar);
    slider->setSliderDown(false);
    EXPECT_EQ(Position(), 3 * kBar) << "let go: the play is there";
}

TEST_F(PracticeCommandsTest, SpeedStepsAndPresetsAreHeardAndKeptForTheNextRun) {
    auto speed = [this] { return view->practice.SpeedPercent(); };
    EXPECT_EQ(speed(), 100);
    Key(Qt::Key_BracketRight);
    EXPECT_EQ(speed(), 105);
    Key(Qt::Key_BracketLeft);
    Key(Qt::Key_BracketLeft);
    EXPECT_EQ(speed(), 95);
    EXPECT_NEAR(view->sync->GetSpeed(), 0.95, 1e-9);
    frame->OnIdleUpdateCmdUI();
    EXPECT_EQ(frame->GetStatusBar()->Shown().tempo, "114 BPM at 95 %");

    Command(ID_PRACTICE_SPEED_50);
    EXPECT_EQ(speed(), 50);
    EXPECT_TRUE(Checked(ID_PRACTICE_SPEED_50));
    EXPECT_FALSE(Checked(ID_PRACTICE_SPEED_100));
    for (int i = 0; i < 10; ++i)
        Command(ID_TOOLBAR_SLOWER);
    EXPECT_EQ(speed(), settings::PlayerSettings::kMinSpeedPercent);
    Command(ID_PRACTICE_SPEED_125);
    for (int i = 0; i < 30; ++i)
        Key(Qt::Key_BracketRight);
    EXPECT_EQ(speed(), settings::PlayerSettings::kMaxSpeedPercent);

    // A speed between the steps (from the tempo dialog) goes to the next step.
    view->practice.SetSpeedPercent(83);
    Key(Qt::Key_BracketLeft);
    EXPECT_EQ(speed(), 80);
    view->practice.SetSpeedPercent(83);
    Key(Qt::Key_BracketRight);
    EXPECT_EQ(speed(), 85);

    Command(ID_PRACTICE_COUNT_IN);
    app.reset();
    app = std::make_unique<CTabulonApp>(Options());
    ASSERT_TRUE(app->InitInstance());
    auto* next = dynamic_cast<CTabulonView*>(app->GetMainWnd()->GetActiveView());
    ASSERT_NE(next, nullptr);
    EXPECT_EQ(next->practice.SpeedPercent(), 85) << "the speed of the last run";
    EXPECT_TRUE(next->practice.CountIn());
    EXPECT_EQ(next->output.GetPractice().countInBeats, 4u) << "a bar of 4/4 without a song";
}

TEST_F(PracticeCommandsTest, LoopBarsAndCountInReachTheOutputAndTheStatusBar) {
    EXPECT_FALSE(Enabled(ID_PRACTICE_LOOP)) << "no loop set yet";
    Key(Qt::Key_Right);
    Command(ID_PRACTICE_LOOP_SET_A);
    EXPECT_FALSE(view->output.GetPractice().loop) << "A alone is no loop";
    Key(Qt::Key_Right);
    Key(Qt::Key_Right);
    Command(ID_PRACTICE_LOOP_SET_B);
    CMidiOut::PracticeOptions practice = view->output.GetPractice();
    EXPECT_TRUE(practice.loop);
    EXPECT_EQ(practice.from, kBar) << "from the start of bar 2";
    EXPECT_EQ(practice.to, 4 * kBar) << "to the end of bar 4";
    EXPECT_TRUE(Checked(ID_PRACTICE_LOOP));
    frame->OnIdleUpdateCmdUI();
    EXPECT_EQ(frame->GetStatusBar()->Shown().markers, "Loop 2-4");

    // B before A: the loop is that one bar.
    Key(Qt::Key_Home);
    Command(ID_PRACTICE_LOOP_SET_B);
    EXPECT_EQ(view->practice.GetLoop().fromBar, 1u);
    EXPECT_EQ(view->practice.GetLoop().toBar, 1u);
    EXPECT_EQ(view->output.GetPractice().to, kBar);

    // Loop off and on again; the last bar's end is the song's end.
    Command(ID_TOOLBAR_LOOP);
    EXPECT_FALSE(view->output.GetPractice().loop);
    EXPECT_FALSE(Checked(ID_PRACTICE_LOOP));
    for (int i = 0; i < 10; ++i)
        Key(Qt::Key_Right);
    Command(ID_PRACTICE_LOOP_SET_B);
    EXPECT_EQ(view->output.GetPractice().to, kBars * kBar - 1);

    // Count-in: one bar of the song's meter, three beats.
    Command(ID_PRACTICE_COUNT_IN);
    EXPECT_TRUE(Checked(ID_PRACTICE_COUNT_IN));
    practice = view->output.GetPractice();
    EXPECT_EQ(practice.countInBeats, 3u);
    EXPECT_EQ(practice.countInBeatTicks, kBeat);

    // Loop Bars asks for the numbers; a loop that ends before it starts, or a bar the song does
    // not have, is refused and the dialog stays open.
    settingstest::WithDialog([this] { return Command(ID_PRACTICE_LOOP_BARS) ? 1 : 0; },
                             [this](CDialog& dialog) {
                                 settingstest::Type(dialog, IDC_LOOP_FROM_BAR, "4");
                                 settingstest::Type(dialog, IDC_LOOP_TO_BAR, "2");
                                 settingstest::Press(dialog, IDOK);
                                 EXPECT_TRUE(dialog.isVisible());
                                 settingstest::Type(dialog, IDC_LOOP_TO_BAR, "7");
                                 settingstest::Press(dialog, IDOK);
                                 EXPECT_TRUE(dialog.isVisible());
                                 settingstest::Type(dialog, IDC_LOOP_TO_BAR, "5");
                                 settingstest::Press(dialog, IDOK);
                             });
    ASSERT_GE(boxes.Boxes().size(), 2u);
    EXPECT_EQ(boxes.Boxes()[boxes.Boxes().size() - 2].text,
              "The loop cannot end before it starts.");
    EXPECT_EQ(boxes.Boxes().back().text, "Please enter an integer between 1 and 6.");
    practice = view->output.GetPractice();
    EXPECT_TRUE(practice.loop);
    EXPECT_EQ(practice.from, 3 * kBar);
    EXPECT_EQ(practice.to, 5 * kBar);

    // Another song forgets the loop, not the count-in, which takes the new song's meter (4/4).
    const auto other = Scratch("practice-other") / "short.mid";
    WriteShortSong(other);
    ASSERT_TRUE(Open(other.string()));
    EXPECT_FALSE(view->output.GetPractice().loop);
    EXPECT_FALSE(Enabled(ID_PRACTICE_LOOP));
    EXPECT_EQ(view->output.GetPractice().countInBeats, 4u);
}

}  // namespace
