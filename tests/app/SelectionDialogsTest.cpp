// The track dialogs (Monitor Tracks, Mute Tracks, Transpose Tracks) over a file's tracks, and the
// Monitor Midi Channels dialog, driven through their controls.
#include <QListWidget>
#include <deque>
#include <memory>

#include "app/SettingsTestSupport.h"
#include "framework/MessageBox.h"
#include "midi/CMidiSMF.h"
#include "midi/CMidiTrack.h"
#include "res/Resource.h"
#include "settings/SettingsActions.h"
#include "settings/UserSettings.h"

using namespace settingstest;

namespace {

QListWidget* List(CDialog& dialog) {
    return qobject_cast<QListWidget*>(dialog.GetDlgItem(IDC_TRACK_LIST));
}

std::vector<int> SelectedRows(QListWidget* list) {
    std::vector<int> rows;
    for (int i = 0; i < list->count(); ++i)
        if (list->item(i)->isSelected()) rows.push_back(i);
    return rows;
}

// A plain click on item `row`, as the user gives it.
void ClickItem(QListWidget* list, int row) {
    list->scrollToItem(list->item(row));
    const QRect rect = list->visualItemRect(list->item(row));
    QTest::mouseClick(list->viewport(), Qt::LeftButton, Qt::NoModifier, rect.center());
}

class SelectionDialogTest : public ::testing::Test {
  protected:
    void SetUp() override {
        EnsureApplication();
        saved = UserSettings;
        UserSettings.ResetTrackSettings();
        UserSettings.ClearMutedTracks();
        UserSettings.trackCount = 0;
        UserSettings.trackNames.reset();
    }
    void TearDown() override {
        UserSettings = saved;
        file->Close();
    }

    // A file object in memory whose tracks carry `names` (null: no name).
    void LoadTracks(const std::vector<const char*>& names) {
        for (const char* name : names) {
            tracks.push_back(std::make_unique<CMidiTrack>());
            if (name) tracks.back()->SetName(name);
            file->AddTrack(tracks.back().get());
        }
        UserSettings.trackNames = file;
        UserSettings.trackCount = static_cast<int32_t>(names.size());
    }

    UserSettingsRecord saved;
    std::shared_ptr<CMidiSMF> file = std::make_shared<CMidiSMF>();
    std::vector<std::unique_ptr<CMidiTrack>> tracks;
    framework::MessageBoxCapture boxes;
};

TEST_F(SelectionDialogTest, TrackListsShowTheNamesInFileOrderAndTheFlags) {
    LoadTracks({"Drums", nullptr, "Caf\xc3\xa9 UTF-8", "Caf\xe9 Latin-1", "", "Bass"});
    UserSettings.mutedTracks[1] = 1;
    UserSettings.mutedTracks[4] = 1;
    const int result = WithDialog(&settings::RunMuteTracks, [](CDialog& dialog) {
        EXPECT_EQ(dialog.windowTitle(), "Mute Tracks");
        QListWidget* list = List(dialog);
        ASSERT_NE(list, nullptr);
        ASSERT_EQ(list->count(), 6);
        const QString expected[] = {"Drums", "NO NAME", "Café UTF-8", "Café Latin-1", "", "Bass"};
        for (int i = 0; i < 6; ++i)
            EXPECT_EQ(list->item(i)->text(), expected[i]) << i;
        EXPECT_EQ(SelectedRows(list), (std::vector<int>{1, 4}));
        Press(dialog, IDOK);
    });
    EXPECT_EQ(result, IDOK);
    for (int i = 0; i < 6; ++i)
        EXPECT_EQ(UserSettings.mutedTracks[i], i == 1 || i == 4) << i;
}

TEST_F(SelectionDialogTest, PlainClicksToggleAndOkStoresExactlyTheSelection) {
    LoadTracks({"a", "b", "c", "d"});
    UserSettings.monitoredTracks[7] = 1;  // beyond the file: not touched
    WithDialog(&settings::RunMonitorTracks, [](CDialog& dialog) {
        EXPECT_EQ(dialog.windowTitle(), "Monitor Tracks");
        QListWidget* list = List(dialog);
        EXPECT_EQ(SelectedRows(list), (std::vector<int>{0, 1, 2, 3}));
        ClickItem(list, 1);
        ClickItem(list, 3);
        ClickItem(list, 3);
        EXPECT_EQ(SelectedRows(list), (std::vector<int>{0, 2, 3}));
        Press(dialog, IDOK);
    });
    EXPECT_EQ((std::vector<int32_t>(UserSettings.monitoredTracks.begin(),
                                    UserSettings.monitoredTracks.begin() + 8)),
              (std::vector<int32_t>{1, 0, 1, 1, 1, 1, 1, 1}));

    // Clicks followed by Cancel store nothing.
    WithDialog(&settings::RunMonitorTracks, [](CDialog& dialog) {
        EXPECT_EQ(SelectedRows(List(dialog)), (std::vector<int>{0, 2, 3}));
        ClickItem(List(dialog), 0);
        Press(dialog, IDCANCEL);
    });
    EXPECT_EQ(UserSettings.monitoredTracks[0], 1);
}

TEST_F(SelectionDialogTest, SelectAllAndDeselectAllStoreAtOnceSoCancelKeepsThem) {
    LoadTracks({"a", "b", "c"});
    UserSettings.mutedTracks[0] = 1;
    UserSettings.mutedTracks[2] = 1;
    WithDialog(&settings::RunMuteTracks, [](CDialog& dialog) {
        Press(dialog, IDC_TRACKS_DESELECT_ALL);
        EXPECT_TRUE(SelectedRows(List(dialog)).empty());
        EXPECT_EQ(UserSettings.mutedTracks[0] + UserSettings.mutedTracks[2], 0);
        Press(dialog, IDCANCEL);
    });
    EXPECT_EQ(UserSettings.mutedTracks[0] + UserSettings.mutedTracks[2], 0);

    UserSettings.monitoredTracks[1] = 0;
    WithDialog(&settings::RunMonitorTracks, [](CDialog& dialog) {
        Press(dialog, IDC_TRACKS_SELECT_ALL);
        EXPECT_EQ(SelectedRows(List(dialog)), (std::vector<int>{0, 1, 2}));
        Press(dialog, IDCANCEL);
    });
    EXPECT_EQ(UserSettings.monitoredTracks[1], 1);

    // Select All in Transpose Tracks, then a refused amount and Cancel: flags stay, amount too.
    UserSettings.transposeAmount = 3;
    WithDialog(&settings::RunTranspose, [](CDialog& dialog) {
        Press(dialog, IDC_TRACKS_SELECT_ALL);
        Press(dialog, IDCANCEL);
    });
    EXPECT_EQ(UserSettings.transposedTracks[0] + UserSettings.transposedTracks[1] +
                  UserSettings.transposedTracks[2],
              3);
    EXPECT_EQ(UserSettings.transposedTracks[3], 0);
    EXPECT_EQ(UserSettings.transposeAmount, 3);
}

TEST_F(SelectionDialogTest, WithoutAFileTheListsAreEmptyAndNoFlagChanges) {
    UserSettings.mutedTracks[0] = 1;
    UserSettings.monitoredTracks[0] = 0;
    for (auto run :
         {&settings::RunMonitorTracks, &settings::RunMuteTracks, &settings::RunTranspose}) {
        WithDialog(run, [](CDialog& dialog) {
            EXPECT_EQ(List(dialog)->count(), 0);
            Press(dialog, IDC_TRACKS_SELECT_ALL);
            Press(dialog, IDC_TRACKS_DESELECT_ALL);
            Press(dialog, IDC_TRACKS_SELECT_ALL);
            Press(dialog, IDOK);
        });
    }
    EXPECT_EQ(UserSettings.mutedTracks[0], 1);
    EXPECT_EQ(UserSettings.monitoredTracks[0], 0);
    EXPECT_EQ(UserSettings.transposedTracks[0], 0);
}

TEST_F(SelectionDialogTest, TracksBeyondTheSettingsArraysAreListedButNeverSelectable) {
    std::vector<const char*> names(260, "t");
    LoadTracks(names);
    UserSettings.mutedTracks.fill(1);
    WithDialog(&settings::RunMuteTracks, [](CDialog& dialog) {
        QListWidget* list = List(dialog);
        ASSERT_EQ(list->count(), 260);
        EXPECT_EQ(SelectedRows(list).size(), 200u);
        EXPECT_TRUE(list->item(199)->flags() & Qt::ItemIsSelectable);
        EXPECT_FALSE(list->item(200)->flags() & Qt::ItemIsSelectable);
        EXPECT_FALSE(list->item(259)->flags() & Qt::ItemIsEnabled);
        ClickItem(list, 230);
        EXPECT_FALSE(list->item(230)->isSelected());
        Press(dialog, IDC_TRACKS_DESELECT_ALL);
        Press(dialog, IDC_TRACKS_SELECT_ALL);
        EXPECT_EQ(SelectedRows(list).size(), 200u);
        ClickItem(list, 199);
        // Even a selection forced onto a disabled item is not stored anywhere.
        list->item(255)->setSelected(true);
        Press(dialog, IDOK);
    });
    for (int i = 0; i < 199; ++i)
        ASSERT_EQ(UserSettings.mutedTracks[i], 1) << i;
    EXPECT_EQ(UserSettings.mutedTracks[199], 0);
    EXPECT_FALSE(TrackFlag(UserSettings.mutedTracks, 255));
}

TEST_F(SelectionDialogTest, TransposeAcceptsWholeNumbersFromMinusTwelveToTwelve) {
    LoadTracks({"a", "b"});
    auto tryAmount = [&](const char* typed) {
        const size_t before = boxes.Boxes().size();
        QString refusal;
        const int result = WithDialog(&settings::RunTranspose, [&](CDialog& dialog) {
            Type(dialog, IDC_TRANSPOSE_AMOUNT, typed);
            Press(dialog, IDOK);
            if (!dialog.isVisible()) return;
            refusal = boxes.LastText();
            if (*typed) {
                EXPECT_TRUE(Edit(dialog, IDC_TRANSPOSE_AMOUNT)->hasSelectedText());
            }
            Press(dialog, IDCANCEL);
        });
        EXPECT_EQ(boxes.Boxes().size(), before + (result == IDOK ? 0 : 1)) << typed;
        return refusal;
    };
    WithDialog(&settings::RunTranspose, [](CDialog& dialog) {
        EXPECT_EQ(dialog.windowTitle(), "Transpose Tracks");
        EXPECT_EQ(Edit(dialog, IDC_TRANSPOSE_AMOUNT)->text(), "0");
        Press(dialog, IDCANCEL);
    });
    EXPECT_EQ(tryAmount("12"), "");
    EXPECT_EQ(UserSettings.transposeAmount, 12);
    EXPECT_EQ(tryAmount(" -12 "), "");
    EXPECT_EQ(UserSettings.transposeAmount, -12);
    for (const char* outside : {"13", "-13", "99999999999"}) {
        const QString expected = QString(outside).size() > 3 ? "Please enter an integer."
                                                             : "Please enter an integer between "
                                                               "-12 and 12.";
        EXPECT_EQ(tryAmount(outside), expected) << outside;
    }
    for (const char* notInteger : {"", "3a", "1.5", "+"})
        EXPECT_EQ(tryAmount(notInteger), "Please enter an integer.") << notInteger;
    EXPECT_EQ(UserSettings.transposeAmount, -12);
}

TEST_F(SelectionDialogTest, RefusedTransposeAmountKeepsTheFlagsAlreadyWritten) {
    LoadTracks({"a", "b", "c"});
    UserSettings.transposeAmount = 5;
    WithDialog(&settings::RunTranspose, [&](CDialog& dialog) {
        EXPECT_EQ(Edit(dialog, IDC_TRANSPOSE_AMOUNT)->text(), "5");
        ClickItem(List(dialog), 2);
        Type(dialog, IDC_TRANSPOSE_AMOUNT, "20");
        Press(dialog, IDOK);
        EXPECT_TRUE(dialog.isVisible());
        EXPECT_EQ(boxes.LastText(), "Please enter an integer between -12 and 12.");
        Press(dialog, IDCANCEL);
    });
    EXPECT_EQ(UserSettings.transposedTracks[2], 1);
    EXPECT_EQ(UserSettings.transposedTracks[0], 0);
    EXPECT_EQ(UserSettings.transposeAmount, 5);
}

TEST_F(SelectionDialogTest, ChannelBoxesShowAndSetTheirChannels) {
    UserSettings.monitoredChannels.fill(0);
    UserSettings.monitoredChannels[4] = 1;  // channel 5
    WithDialog(&settings::RunMonitorChannels, [](CDialog& dialog) {
        EXPECT_EQ(dialog.windowTitle(), "Monitor Midi Channels");
        for (int c = 0; c < 16; ++c) {
            auto* box = qobject_cast<QAbstractButton*>(dialog.GetDlgItem(IDC_CHANNEL_CHECKS[c]));
            ASSERT_NE(box, nullptr) << c;
            EXPECT_EQ(box->text(), c == 5 ? QString(" 6") : QString::number(c + 1));
            EXPECT_EQ(box->isChecked(), c == 4) << c;
        }
        EXPECT_EQ(dialog.IsDlgButtonChecked(1021), 1);
        ClickBox(dialog, 1022);  // channel 6 on
        ClickBox(dialog, 1021);  // channel 5 off
        ClickBox(dialog, 1032);  // channel 16 on
        Press(dialog, IDOK);
    });
    for (int c = 0; c < 16; ++c)
        EXPECT_EQ(UserSettings.monitoredChannels[c], c == 5 || c == 15) << c;
}

TEST_F(SelectionDialogTest, ChannelSelectAllAndDeselectAllChangeOnlyTheBoxesUntilOk) {
    UserSettings.monitoredChannels.fill(0);
    UserSettings.monitoredChannels[9] = 1;
    const ChannelFlags before = UserSettings.monitoredChannels;
    WithDialog(&settings::RunMonitorChannels, [](CDialog& dialog) {
        Press(dialog, IDC_CHANNELS_SELECT_ALL);
        for (unsigned id : IDC_CHANNEL_CHECKS)
            EXPECT_EQ(dialog.IsDlgButtonChecked(id), 1);
        EXPECT_EQ(UserSettings.monitoredChannels[0], 0);
        Press(dialog, IDCANCEL);
    });
    EXPECT_EQ(UserSettings.monitoredChannels, before);

    WithDialog(&settings::RunMonitorChannels, [](CDialog& dialog) { Press(dialog, IDOK); });
    EXPECT_EQ(UserSettings.monitoredChannels, before);

    WithDialog(&settings::RunMonitorChannels, [](CDialog& dialog) {
        Press(dialog, IDC_CHANNELS_SELECT_ALL);
        Press(dialog, IDOK);
    });
    for (int32_t flag : UserSettings.monitoredChannels)
        EXPECT_EQ(flag, 1);
    WithDialog(&settings::RunMonitorChannels, [](CDialog& dialog) {
        Press(dialog, IDC_CHANNELS_DESELECT_ALL);
        Press(dialog, IDOK);
    });
    for (int32_t flag : UserSettings.monitoredChannels)
        EXPECT_EQ(flag, 0);
}

}  // namespace
