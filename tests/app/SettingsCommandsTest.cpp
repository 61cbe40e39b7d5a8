// The settings commands through the main frame's command routing: every menu item and toolbar
// button opens its dialog, the timer period items and their check marks, the clock dialogs on the
// frame's clock, and the track dialogs over a loaded file while it plays.
#include <QAction>
#include <QListWidget>
#include <QMenu>

#include "AppTestSupport.h"
#include "app/SettingsTestSupport.h"
#include "res/Resource.h"

using namespace apptest;
using settingstest::Edit;
using settingstest::Press;
using settingstest::Type;
using settingstest::WithDialog;

namespace {

class SettingsCommandsTest : public AppFixture {
  protected:
    void SetUp() override {
        settingstest::EnsureApplication();  // made first: an application never destroyed
        AppFixture::SetUp();
    }
    // Runs command `id`, giving the dialog it opens to `drive`; false when none opened.
    bool CommandWithDialog(unsigned id, const std::function<void(CDialog&)>& drive) {
        bool opened = false;
        WithDialog(
            [&] {
                Command(id);
                return 0;
            },
            [&](CDialog& dialog) {
                opened = true;
                drive(dialog);
            });
        return opened;
    }
    // The check marks of the two timer period items, refreshed as when the menu opens.
    std::pair<bool, bool> PeriodChecks() {
        QAction* one = frame->GetMenu()->FindItem(ID_TIMER_PERIOD_1);
        QAction* ten = frame->GetMenu()->FindItem(ID_TIMER_PERIOD_10);
        if (!one || !ten) return {false, false};
        frame->UpdateMenuItems(*qobject_cast<QMenu*>(ten->parent()));
        return {one->isChecked(), ten->isChecked()};
    }
    // A song of three named tracks (one unnamed) holding notes for `beats` beats at 600 BPM.
    void OpenNamedSong(uint32_t beats = 2) {
        const auto path = Scratch("named") / "named.mid";
        const uint32_t ticks = beats * 24;  // at 96 per beat, in 4 steps
        auto notes = [&](std::vector<uint8_t> events, uint8_t channel, uint8_t note) {
            for (int step = 0; step < 4; ++step) {
                for (uint8_t b : {uint8_t(0x00), uint8_t(0x90 | channel), note, uint8_t(80)})
                    events.push_back(b);
                if (ticks >= 0x80) events.push_back(uint8_t(0x80 | (ticks >> 7)));
                events.push_back(uint8_t(ticks & 0x7F));
                for (uint8_t b : {uint8_t(0x80 | channel), note, uint8_t(0)})
                    events.push_back(b);
            }
            return TrackChunk(events);
        };
        WriteSmf(path, {TrackChunk({0x00, 0xFF, 0x51, 0x03, 0x01, 0x86, 0xA0, 0x00, 0xFF, 0x03, 5,
                                    'T', 'e', 'm', 'p', 'o'}),
                        notes({0x00, 0xFF, 0x03, 4, 'B', 'a', 's', 's'}, 1, 40), notes({}, 2, 64),
                        notes({0x00, 0xFF, 0x03, 5, 'P', 'i', 'a', 'n', 0xF6}, 3, 67)});
        ASSERT_TRUE(Open(path.string()));
        ASSERT_EQ(UserSettings.trackCount, 4);
        ASSERT_TRUE(doc->HasEvents());
    }
};

TEST_F(SettingsCommandsTest, EveryMenuItemAndToolbarButtonOpensItsDialog) {
    const struct {
        unsigned id;
        const char* title;
    } commands[] = {{ID_SETTINGS_MUTE, "Mute Tracks"},
                    {ID_TOOLBAR_MUTE, "Mute Tracks"},
                    {ID_SETTINGS_TRANSPOSE, "Transpose Tracks"},
                    {ID_TOOLBAR_TRANSPOSE, "Transpose Tracks"},
                    {ID_SETTINGS_SET_TEMPO, "Set Tempo"},
                    {ID_TOOLBAR_SET_TEMPO, "Set Tempo"},
                    {ID_SETTINGS_SET_RESOLUTION, "Set Resolution"},
                    {ID_SETTINGS_LOGGING, "Logging"},
                    {ID_TOOLBAR_LOGGING, "Logging"},
                    {ID_MONITOR_CHANNELS, "Monitor Midi Channels"},
                    {ID_TOOLBAR_MONITOR_CHANNELS, "Monitor Midi Channels"},
                    {ID_MONITOR_TRACKS, "Monitor Tracks"},
                    {ID_TOOLBAR_MONITOR_TRACKS, "Monitor Tracks"}};
    for (const auto& command : commands) {
        EXPECT_TRUE(Enabled(command.id)) << command.id;
        QString title;
        EXPECT_TRUE(CommandWithDialog(command.id, [&](CDialog& dialog) {
            title = dialog.windowTitle();
            Press(dialog, IDCANCEL);
        })) << command.id;
        EXPECT_EQ(title, command.title) << command.id;
    }
    EXPECT_TRUE(Enabled(ID_TIMER_PERIOD_1));
    EXPECT_TRUE(Enabled(ID_TIMER_PERIOD_10));
    EXPECT_TRUE(boxes.Boxes().empty());
}

TEST_F(SettingsCommandsTest, TimerPeriodItemsSetThePeriodAndCheckExactlyTheCurrentOne) {
    EXPECT_EQ(PeriodChecks(), std::make_pair(false, true));
    Command(ID_TIMER_PERIOD_1);
    EXPECT_EQ(frame->clock.GetPeriod(), 1);
    EXPECT_TRUE(frame->clock.IsOpen());
    EXPECT_EQ(PeriodChecks(), std::make_pair(true, false));

    // The choice survives a file load, and a play runs on it.
    OpenNamedSong(1);
    EXPECT_EQ(PeriodChecks(), std::make_pair(true, false));
    ASSERT_TRUE(Command(ID_PLAY_START));
    ASSERT_TRUE(QTest::qWaitFor([this] { return !Running(); }, 10000));
    EXPECT_GT(view->sync->beatCount, 0);

    Command(ID_TIMER_PERIOD_10);
    EXPECT_EQ(frame->clock.GetPeriod(), 10);
    EXPECT_EQ(PeriodChecks(), std::make_pair(false, true));
}

TEST_F(SettingsCommandsTest, TempoAndResolutionDialogsWorkOnTheFramesClock) {
    EXPECT_TRUE(CommandWithDialog(ID_TOOLBAR_SET_TEMPO, [](CDialog& dialog) {
        EXPECT_EQ(Edit(dialog, IDC_TEMPO)->text(), "120.000");
        Type(dialog, IDC_TEMPO, "90.5");
        Press(dialog, IDOK);
    }));
    EXPECT_EQ(frame->clock.GetPlayedTempo(), 662983u);

    EXPECT_TRUE(CommandWithDialog(ID_SETTINGS_SET_RESOLUTION, [](CDialog& dialog) {
        EXPECT_EQ(Edit(dialog, IDC_RESOLUTION)->text(), "480");
        Type(dialog, IDC_RESOLUTION, "96");
        Press(dialog, IDOK);
    }));
    EXPECT_EQ(frame->clock.GetResolution(), 96);

    // A new document puts both back; a loaded file brings its own resolution.
    Command(ID_FILE_NEW);
    EXPECT_EQ(frame->clock.GetTempo(), 500000u);
    OpenNamedSong();
    EXPECT_TRUE(CommandWithDialog(ID_SETTINGS_SET_RESOLUTION, [](CDialog& dialog) {
        EXPECT_EQ(Edit(dialog, IDC_RESOLUTION)->text(), "96");
        Press(dialog, IDCANCEL);
    }));
}

TEST_F(SettingsCommandsTest, TrackDialogsListTheLoadedFilesTracks) {
    OpenNamedSong();
    EXPECT_TRUE(CommandWithDialog(ID_MONITOR_TRACKS, [](CDialog& dialog) {
        auto* list = qobject_cast<QListWidget*>(dialog.GetDlgItem(IDC_TRACK_LIST));
        ASSERT_NE(list, nullptr);
        ASSERT_EQ(list->count(), 4);
        EXPECT_EQ(list->item(0)->text(), "Tempo");
        EXPECT_EQ(list->item(1)->text(), "Bass");
        EXPECT_EQ(list->item(2)->text(), "NO NAME");
        EXPECT_EQ(list->item(3)->text(), QString::fromUtf8("Pian\xc3\xb6"));  // Latin-1 byte
        for (int i = 0; i < 4; ++i)
            EXPECT_TRUE(list->item(i)->isSelected()) << i;
        list->item(2)->setSelected(false);
        Press(dialog, IDOK);
    }));
    EXPECT_EQ(UserSettings.monitoredTracks[2], 0);
    EXPECT_EQ(UserSettings.monitoredTracks[3], 1);

    // The next load restores every track.
    OpenNamedSong();
    EXPECT_EQ(UserSettings.monitoredTracks[2], 1);
}

TEST_F(SettingsCommandsTest, PlaybackGoesOnWhileADialogIsOpen) {
    OpenNamedSong(16);  // about six seconds of notes
    ASSERT_TRUE(Command(ID_PLAY_START));
    int beatsWhileOpen = 0;
    EXPECT_TRUE(CommandWithDialog(ID_SETTINGS_MUTE, [&](CDialog& dialog) {
        const int start = view->sync->beatCount;
        QTest::qWait(400);
        beatsWhileOpen = view->sync->beatCount - start;
        Press(dialog, IDC_TRACKS_SELECT_ALL);
        EXPECT_EQ(UserSettings.mutedTracks[3], 1) << "stored before the dialog ends";
        Press(dialog, IDCANCEL);
    }));
    EXPECT_GE(beatsWhileOpen, 1) << "the modal loop keeps the clock's messages coming";
    EXPECT_TRUE(Running());
    for (int i = 0; i < 4; ++i)
        EXPECT_EQ(UserSettings.mutedTracks[i], 1);
    Command(ID_PLAY_STOP);
}

}  // namespace
