// The window's practice side: the status bar's texts, the position slider, the keys, files
// dropped on the window, the title and recent files after failed opens, and what is kept between
// runs.
#include <QMimeData>
#include <QSignalSpy>
#include <QUrl>
#include <cmath>
#include <limits>

#include "AppTestSupport.h"
#include "Misc/ChordAnalysis.h"
#include "app/PlayerStatus.h"
#include "res/Resource.h"
#include "settings/PlayerSettingsStore.h"

using namespace apptest;

namespace {

TEST(PlayerStatusTexts, SayWhereThePlayIsWhatPlaysAndWhatChangesTheSong) {
    PlayerStatus status;
    status.bar = {12, 3, 0};
    status.seconds = 65.9;
    status.lengthSeconds = 3600 + 61;
    status.beatsPerMinute = 95.6;
    status.speedPercent = 80;
    status.deviceDescription = "Port A";
    StatusTexts texts = StatusTextsOf(status);
    EXPECT_EQ(texts.position, "Bar 12:3");
    EXPECT_EQ(texts.time, "1:05 / 1:01:01") << "seconds are truncated, hours appear when needed";
    EXPECT_EQ(texts.tempo, "96 BPM at 80 %");
    EXPECT_EQ(texts.device, "Output: Port A");
    EXPECT_EQ(texts.markers, "") << "nothing changes the song";

    // Transposed by 0 changes nothing; muted, transposed and a loop are all named.
    status.transposedTracks = 2;
    EXPECT_EQ(StatusTextsOf(status).markers, "");
    status.transposeAmount = -3;
    status.mutedTracks = 1;
    status.looping = true;
    status.loopFromBar = 5;
    status.loopToBar = 8;
    EXPECT_EQ(StatusTextsOf(status).markers, "1 muted | 2 transposed -3 | Loop 5-8");
    status.transposeAmount = 2;
    EXPECT_EQ(StatusTextsOf(status).markers, "1 muted | 2 transposed +2 | Loop 5-8");

    // The built-in synth says what it does; a failed device and no device say so.
    status.synthStatus = "Built-in synth: silent, no audio device answered (tried ALSA)";
    EXPECT_EQ(StatusTextsOf(status).device, status.synthStatus);
    status.deviceFailed = true;
    EXPECT_EQ(StatusTextsOf(status).device, "Output: Port A failed, not heard");
    status.deviceDescription.clear();
    EXPECT_EQ(StatusTextsOf(status).device, "No output device");

    // Readings that make no sense never make nonsense texts.
    EXPECT_EQ(FormatSongTime(-4), "0:00");
    EXPECT_EQ(FormatSongTime(std::numeric_limits<double>::quiet_NaN()), "0:00");
    EXPECT_EQ(FormatSongTime(1e300), "99:59:59");
    status.beatsPerMinute = std::numeric_limits<double>::infinity();
    EXPECT_EQ(StatusTextsOf(status).tempo, "0 BPM at 80 %");

    // A song timed in SMPTE frames plays at the rate of its division, not at a tempo.
    status.smpteFramesPerSecond = 25;
    status.ticksPerFrame = 40;
    EXPECT_EQ(StatusTextsOf(status).tempo, "SMPTE 25 fps x 40 at 80 %");
    status.smpteFramesPerSecond = 29;
    EXPECT_EQ(StatusTextsOf(status).tempo, "SMPTE 29.97 fps drop-frame x 40 at 80 %");
}

class PracticeWindowTest : public AppFixture {
  protected:
    void OpenShortSong() {
        song = (Scratch("practice") / "short.mid").string();
        WriteShortSong(song);
        ASSERT_TRUE(Open(song));
    }
    StatusTexts Shown() {
        frame->OnIdleUpdateCmdUI();
        return frame->GetStatusBar()->Shown();
    }
    void Activate() {
        frame->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(frame));
    }
    // A drop of `paths` on the window, as a file manager makes it.
    void Drop(const QStringList& paths) {
        QMimeData data;
        QList<QUrl> urls;
        for (const QString& path : paths)
            urls << QUrl::fromLocalFile(path);
        data.setUrls(urls);
        const QPoint at = frame->rect().center();
        QDragEnterEvent enter(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(frame, &enter);
        dropAccepted = enter.isAccepted();
        if (!dropAccepted) return;
        QDropEvent drop(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(frame, &drop);
        QCoreApplication::processEvents();  // the file is opened once the drop is over
    }
    std::string song;
    bool dropAccepted = false;
};

TEST_F(PracticeWindowTest, TheStatusBarFollowsTheSongTheDeviceAndTheTrackSettings) {
    StatusTexts texts = Shown();
    EXPECT_EQ(texts.position, "Bar 1:1");
    EXPECT_EQ(texts.tempo, "120 BPM at 100 %");
    EXPECT_EQ(texts.device, "Output: Test Synth") << "the default device, no synth status";
    EXPECT_EQ(texts.markers, "");

    OpenShortSong();
    UserSettings.mutedTracks[0] = 1;
    EXPECT_EQ(Shown().markers, "1 muted");
    UserSettings.mutedTracks[0] = 0;
    UserSettings.transposedTracks[0] = 1;
    UserSettings.transposeAmount = 5;
    EXPECT_EQ(Shown().markers, "1 transposed +5");
    // Flags beyond the song's tracks are not the song's.
    UserSettings.transposedTracks[0] = 0;
    UserSettings.mutedTracks[7] = 1;
    EXPECT_EQ(Shown().markers, "");

    // The short song: two beats at 600 BPM. Its tempo is in force once it plays, and the bar
    // moves with the play.
    ASSERT_TRUE(Command(ID_PLAY_START));
    ASSERT_TRUE(QTest::qWaitFor([this] { return !Running(); }, 10000));
    texts = Shown();
    EXPECT_EQ(texts.tempo, "600 BPM at 100 %");
    EXPECT_EQ(texts.position, "Bar 1:3") << "at the song's last event, two beats in";

    Command(ID_OUTPUT_DEVICE_FIRST);
    EXPECT_EQ(Shown().device, "Output: Port A");

    // A song timed in SMPTE frames shows its division; the next song its tempo again.
    ASSERT_TRUE(Open(TABULON_SOURCE_DIR "/tests/regressions/smpte-division.mid"));
    EXPECT_EQ(Shown().tempo, "SMPTE 25 fps x 40 at 100 %");
    OpenShortSong();
    EXPECT_TRUE(Shown().tempo.endsWith(QStringLiteral(" BPM at 100 %")))
        << Shown().tempo.toStdString();
}

TEST_F(PracticeWindowTest, TheSliderSpansTheSongAndFollowsThePlay) {
    PositionSlider* slider = frame->GetPositionSlider();
    ASSERT_NE(slider, nullptr);
    Shown();
    EXPECT_FALSE(slider->isEnabled()) << "nothing to move in without a song";

    OpenShortSong();
    Shown();
    EXPECT_EQ(slider->SongLength(), 192u) << "the last event of the short song";
    EXPECT_TRUE(slider->isEnabled());
    EXPECT_EQ(slider->value(), 0);
    ASSERT_TRUE(Command(ID_PLAY_START));
    ASSERT_TRUE(QTest::qWaitFor([this] { return !Running(); }, 10000));
    Shown();
    EXPECT_EQ(slider->value(), 192) << "at the end when the song has ended";

    // File New: nothing to move in again.
    Command(ID_FILE_NEW);
    Shown();
    EXPECT_EQ(slider->SongLength(), 0u);
    EXPECT_FALSE(slider->isEnabled());
}

TEST_F(PracticeWindowTest, SpacePlaysPausesResumesAndAfterTheEndPlaysAgain) {
    OpenShortSong();
    frame->clock.SetTempo(CMidiSync::BpmToTempo(30.0));
    Activate();

    QTest::keyClick(frame, Qt::Key_Space);
    ASSERT_TRUE(Running()) << "Space on a fresh song is Play";
    const uint32_t generation = chordTimeline.Generation();
    QTest::keyClick(frame, Qt::Key_Space);
    EXPECT_FALSE(Running()) << "and then Pause";
    view->sync->beatCount = 5;
    QTest::keyClick(frame, Qt::Key_Space);
    EXPECT_TRUE(Running()) << "and then goes on";
    EXPECT_EQ(view->sync->beatCount, 5) << "where it was, not from the start";
    EXPECT_EQ(chordTimeline.Generation(), generation);

    // Stop leaves the play where it is; Space takes it up there.
    EXPECT_TRUE(Command(ID_PLAY_STOP));
    QTest::keyClick(frame, Qt::Key_Space);
    EXPECT_TRUE(Running());
    EXPECT_EQ(view->sync->beatCount, 5);

    // At the end of the song Space starts it again from the beginning.
    frame->clock.SetTempo(CMidiSync::BpmToTempo(600.0));
    ASSERT_TRUE(QTest::qWaitFor([this] { return !Running(); }, 10000));
    QTest::keyClick(frame, Qt::Key_Space);
    EXPECT_TRUE(Running());
    EXPECT_EQ(view->sync->beatCount, 0) << "a new play";
    EXPECT_NE(chordTimeline.Generation(), generation);

    // A song just opened is played from its start too, and an empty document plays nothing.
    EXPECT_TRUE(Command(ID_PLAY_STOP));
    OpenShortSong();
    view->sync->beatCount = 9;
    QTest::keyClick(frame, Qt::Key_Space);
    EXPECT_EQ(view->sync->beatCount, 0);
    Command(ID_FILE_NEW);
    EXPECT_FALSE(Enabled(ID_PRACTICE_PLAY_PAUSE));
    QTest::keyClick(frame, Qt::Key_Space);
    EXPECT_FALSE(Running());
}

TEST_F(PracticeWindowTest, ADroppedFileOpensAndOnlyReadableFilesTitleTheWindowAndAreListed) {
    OpenShortSong();
    EXPECT_EQ(frame->windowTitle(), "short.mid - Tabulon");

    // A file that is not a song: the user is told, the window is untitled, the list keeps only
    // the good file.
    const std::string garbage = (Scratch("dropped") / "notes.mid").string();
    std::ofstream(garbage) << "not a MIDI file";
    const size_t boxesBefore = boxes.Boxes().size();
    Drop({QString::fromStdString(garbage)});
    ASSERT_TRUE(dropAccepted);
    EXPECT_EQ(boxes.Boxes().size(), boxesBefore + 1) << "cannot open";
    EXPECT_FALSE(doc->LastOpenSucceeded());
    EXPECT_EQ(frame->windowTitle(), "Untitled - Tabulon");
    const QStringList listed = app->GetRecentFileList()->Files();
    ASSERT_EQ(listed.size(), 1);
    EXPECT_TRUE(listed.front().endsWith("short.mid"));

    // A good song dropped (the first of several files) opens and goes to the top of the list.
    const QString blues = QString::fromStdString(DemoSong("demo-blues.mid"));
    Drop({blues, QString::fromStdString(garbage)});
    EXPECT_TRUE(doc->LastOpenSucceeded());
    EXPECT_TRUE(doc->HasEvents());
    EXPECT_EQ(frame->windowTitle(), "demo-blues.mid - Tabulon");
    EXPECT_EQ(app->GetRecentFileList()->Files().front(), QFileInfo(blues).absoluteFilePath());

    // Drags without a local file are refused.
    QMimeData text;
    text.setText("demo-blues.mid");
    QDragEnterEvent enter(frame->rect().center(), Qt::CopyAction, &text, Qt::LeftButton,
                          Qt::NoModifier);
    QApplication::sendEvent(frame, &enter);
    EXPECT_FALSE(enter.isAccepted());

    // A listed song that has gone since leaves the list when chosen.
    std::filesystem::remove(song);
    ASSERT_EQ(app->GetRecentFileList()->Files().size(), 2);
    ASSERT_TRUE(app->GetRecentFileList()->Files()[1].endsWith("short.mid"));
    Command(ID_FILE_MRU_FILE1 + 1);
    EXPECT_EQ(app->GetRecentFileList()->Files(), QStringList{QFileInfo(blues).absoluteFilePath()});
}

TEST_F(PracticeWindowTest, TheChosenDeviceAndTheLastFolderAreKeptForTheNextRun) {
    EXPECT_EQ(app->FileDialogFolder(), "") << "nothing kept yet";
    OpenShortSong();
    EXPECT_EQ(app->FileDialogFolder(), QFileInfo(QString::fromStdString(song)).absolutePath());
    Command(ID_OUTPUT_DEVICE_FIRST);
    EXPECT_EQ(settings::LoadPlayerSettings().outputDevice, "Port A");

    // The next run opens Port A instead of the default synth.
    app.reset();
    app = std::make_unique<CTabulonApp>(Options());
    ASSERT_TRUE(app->InitInstance());
    auto* next = dynamic_cast<CTabulonView*>(app->GetMainWnd()->GetActiveView());
    ASSERT_NE(next, nullptr);
    EXPECT_STREQ(next->output.GetDescription(), "Port A");

    // A kept device that is gone, or a folder that is gone, falls back to the defaults.
    settings::PlayerSettings kept = settings::LoadPlayerSettings();
    kept.outputDevice = "Unplugged Port";
    kept.lastFolder = QString::fromStdString((Scratch("gone") / "nowhere").string());
    settings::SavePlayerSettings(kept);
    app.reset();
    app = std::make_unique<CTabulonApp>(Options());
    ASSERT_TRUE(app->InitInstance());
    next = dynamic_cast<CTabulonView*>(app->GetMainWnd()->GetActiveView());
    EXPECT_STREQ(next->output.GetDescription(), "Test Synth");
    EXPECT_EQ(app->FileDialogFolder(), "");

    // Speeds beyond what the player plays are brought into its range.
    kept.speedPercent = 900;
    settings::SavePlayerSettings(kept);
    EXPECT_EQ(settings::LoadPlayerSettings().speedPercent,
              settings::PlayerSettings::kMaxSpeedPercent);
    kept.speedPercent = 3;
    settings::SavePlayerSettings(kept);
    EXPECT_EQ(settings::LoadPlayerSettings().speedPercent,
              settings::PlayerSettings::kMinSpeedPercent);
}

}  // namespace
