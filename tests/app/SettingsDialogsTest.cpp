// The value dialogs (Set Tempo, Set Resolution, Logging) driven through their controls, with the
// clock and the log file they change.
#include <QCheckBox>
#include <QLabel>

#include "Misc/LogStream.h"
#include "app/SettingsTestSupport.h"
#include "framework/MessageBox.h"
#include "midi/CMidiSync.h"
#include "res/Resource.h"
#include "settings/SettingsActions.h"
#include "settings/UserSettings.h"
#include "support/TestLoop.h"

using namespace settingstest;

namespace {

class ClockDialogTest : public ::testing::Test {
  protected:
    void SetUp() override {
        EnsureApplication();
        clock.Create(loop);
        ASSERT_EQ(clock.Open(0, 10), 1);
        clock.SetTempo(500000);
        clock.SetResolution(480);
    }

    // Opens the Set Tempo dialog, checks what it shows, types `typed` (unless null) and presses OK.
    int SetTempo(const QString& expectShown, const char* typed) {
        return WithDialog([this] { return settings::RunSetTempo(clock); },
                          [&](CDialog& dialog) {
                              EXPECT_EQ(dialog.windowTitle(), "Set Tempo");
                              EXPECT_EQ(Edit(dialog, IDC_TEMPO)->text(), expectShown);
                              if (typed) Type(dialog, IDC_TEMPO, QString::fromUtf8(typed));
                              Press(dialog, IDOK);
                          });
    }

    // Opens Set Resolution, types `typed` and presses OK; a refusal is recorded in `refusal`, after
    // which the dialog is cancelled.
    int SetResolution(const char* typed, QString* shown = nullptr) {
        return WithDialog([this] { return settings::RunSetResolution(clock); },
                          [&](CDialog& dialog) {
                              if (shown) *shown = Edit(dialog, IDC_RESOLUTION)->text();
                              if (typed) Type(dialog, IDC_RESOLUTION, QString::fromUtf8(typed));
                              Press(dialog, IDOK);
                              if (dialog.isVisible()) {
                                  refusal = boxes.LastText();
                                  Press(dialog, IDCANCEL);
                              }
                          });
    }

    TestLoop loop;
    CBeatSync clock;
    framework::MessageBoxCapture boxes;
    QString refusal;
};

TEST_F(ClockDialogTest, SetTempoShowsBeatsPerMinuteAndConvertsTheTextOnOk) {
    EXPECT_EQ(SetTempo("120.000", nullptr), IDOK);
    EXPECT_EQ(clock.GetPlayedTempo(), 500000u);

    EXPECT_EQ(SetTempo("120.000", "90.5"), IDOK);
    EXPECT_EQ(clock.GetPlayedTempo(), 662983u);
    EXPECT_EQ(SetTempo("90.500", " 97.5bpm"), IDOK);
    EXPECT_EQ(clock.GetPlayedTempo(), 615384u);
    EXPECT_TRUE(boxes.Boxes().empty());
}

TEST_F(ClockDialogTest, SetTempoOfZeroOrWithoutDigitsSetsOneHundredTwentyBeats) {
    for (const char* typed : {"0", "", "abc", "-0", "inf", "nan"}) {
        clock.SetSpeed(1.0);
        clock.SetTempo(1000000);
        EXPECT_EQ(SetTempo("60.000", typed), IDOK) << typed;
        EXPECT_EQ(clock.GetPlayedTempo(), 500000u) << typed;
    }
    EXPECT_TRUE(boxes.Boxes().empty());
}

TEST_F(ClockDialogTest, SetTempoTakesOneToSixtyMillionBeatsAndRefusesTheRestWithAMessage) {
    // The bounds themselves: 60 s and 1 us per beat.
    EXPECT_EQ(SetTempo("120.000", "1"), IDOK);
    EXPECT_EQ(clock.GetPlayedTempo(), 60000000u);
    EXPECT_EQ(SetTempo("1.000", "60000000"), IDOK);
    EXPECT_EQ(clock.GetPlayedTempo(), 1u);
    EXPECT_TRUE(boxes.Boxes().empty());

    // Beyond them nothing is rounded into range: OK is refused, the field selected, the clock kept.
    clock.SetSpeed(1.0);
    clock.SetTempo(500000);
    for (const char* typed : {"-90", "-1", "0.99", "60000001", "99999999", "1e999", "nan(1)"}) {
        const size_t before = boxes.Boxes().size();
        const int result = WithDialog([this] { return settings::RunSetTempo(clock); },
                                      [&](CDialog& dialog) {
                                          Type(dialog, IDC_TEMPO, typed);
                                          Press(dialog, IDOK);
                                          EXPECT_TRUE(dialog.isVisible()) << typed;
                                          EXPECT_TRUE(Edit(dialog, IDC_TEMPO)->hasSelectedText());
                                          Press(dialog, IDCANCEL);
                                      });
        EXPECT_EQ(result, IDCANCEL) << typed;
        ASSERT_EQ(boxes.Boxes().size(), before + 1) << typed;
        EXPECT_EQ(boxes.LastText(), "Please enter a number between 1 and 60000000.") << typed;
        EXPECT_EQ(clock.GetPlayedTempo(), 500000u) << typed;
    }
}

TEST_F(ClockDialogTest, SetTempoLimitsTypingToEightCharactersAndRefusesLongerShownText) {
    // Typing stops at the limit.
    WithDialog([this] { return settings::RunSetTempo(clock); },
               [&](CDialog& dialog) {
                   Type(dialog, IDC_TEMPO, "123.4567890");
                   EXPECT_EQ(Edit(dialog, IDC_TEMPO)->text(), "123.4567");
                   Press(dialog, IDCANCEL);
               });
    EXPECT_EQ(clock.GetPlayedTempo(), 500000u);

    // 10000 beats per minute is shown in full but cannot be confirmed unchanged.
    clock.SetTempo(6000);
    const int result =
        WithDialog([this] { return settings::RunSetTempo(clock); },
                   [&](CDialog& dialog) {
                       EXPECT_EQ(Edit(dialog, IDC_TEMPO)->text(), "10000.000");
                       Press(dialog, IDOK);
                       EXPECT_TRUE(dialog.isVisible());
                       EXPECT_EQ(boxes.LastText(), "Please enter no more than 8 characters.");
                       EXPECT_TRUE(Edit(dialog, IDC_TEMPO)->hasSelectedText());
                       Type(dialog, IDC_TEMPO, "100");
                       Press(dialog, IDOK);
                   });
    EXPECT_EQ(result, IDOK);
    EXPECT_EQ(clock.GetPlayedTempo(), 600000u);
    ASSERT_EQ(boxes.Boxes().size(), 1u);
    EXPECT_EQ(boxes.Boxes()[0].type & MB_ICONMASK, MB_ICONWARNING);
}

TEST_F(ClockDialogTest, CancelLeavesTheClockAlone) {
    for (auto run : {&settings::RunSetTempo, &settings::RunSetResolution}) {
        const int result = WithDialog(
            [&] { return run(clock); },
            [](CDialog& dialog) {
                Type(dialog, dialog.GetDlgItem(IDC_TEMPO) ? IDC_TEMPO : IDC_RESOLUTION, "77");
                Press(dialog, IDCANCEL);
            });
        EXPECT_EQ(result, IDCANCEL);
    }
    EXPECT_EQ(clock.GetPlayedTempo(), 500000u);
    EXPECT_EQ(clock.GetResolution(), 480u);
}

TEST_F(ClockDialogTest, SetResolutionShowsTheCurrentValueAndSetsTheTypedOne) {
    QString shown;
    EXPECT_EQ(SetResolution("96", &shown), IDOK);
    EXPECT_EQ(shown, "480");
    EXPECT_EQ(clock.GetResolution(), 96u);
    EXPECT_EQ(SetResolution(" 120x", &shown), IDOK);  // the leading integer counts
    EXPECT_EQ(shown, "96");
    EXPECT_EQ(clock.GetResolution(), 120u);
    EXPECT_TRUE(refusal.isEmpty());
}

TEST_F(ClockDialogTest, SetResolutionNeverPassesZeroOrANonNumberToTheClock) {
    for (const char* typed : {"0", "abc", "", "-5", "+0"}) {
        refusal.clear();
        EXPECT_EQ(SetResolution(typed), IDCANCEL) << typed;
        EXPECT_EQ(refusal, "Please enter an integer between 1 and 9999.") << typed;
        EXPECT_EQ(clock.GetResolution(), 480u) << typed;
    }
}

TEST_F(ClockDialogTest, SetResolutionOfFiveDigitsIsShownInFullButRefused) {
    clock.SetResolution(10000);
    QString shown;
    EXPECT_EQ(SetResolution(nullptr, &shown), IDCANCEL);
    EXPECT_EQ(shown, "10000");
    EXPECT_EQ(refusal, "Please enter no more than 4 characters.");
    EXPECT_EQ(clock.GetResolution(), 10000u);
}

// The Logging dialog and the life of the log file.
class LoggingTest : public ::testing::Test {
  protected:
    void SetUp() override {
        EnsureApplication();
        CloseLogStream();
        saved = UserSettings;
        UserSettings.loggingEnabled = 0;
        UserSettings.logNotes = UserSettings.logChords = UserSettings.logMidiEvents = 0;
        UserSettings.logTrackInfo = 0;
        folder = ScratchFolder(::testing::UnitTest::GetInstance()->current_test_info()->name());
    }
    void TearDown() override {
        CloseLogStream();
        UserSettings = saved;
    }

    // Opens the Logging dialog; types `name` unless null, sets "Enable Logging" to `enable`, OK.
    int Configure(const char* name, bool enable) {
        return WithDialog(&settings::RunLogging, [&](CDialog& dialog) {
            if (name) {
                Edit(dialog, IDC_LOG_FILE)->setText(QString::fromUtf8(name));
            }
            dialog.CheckDlgButton(IDC_LOG_ENABLE, enable);
            Press(dialog, IDOK);
        });
    }

    UserSettingsRecord saved;
    std::filesystem::path folder;
    framework::MessageBoxCapture boxes;
};

TEST_F(LoggingTest, DialogShowsTheSettingsAndOkStoresEachBoxInItsFlag) {
    UserSettings.logFileName = (folder / "shown.log").string();
    UserSettings.logChords = 1;
    const struct {
        unsigned id;
        int32_t UserSettingsRecord::*flag;
    } boxesAndFlags[] = {{IDC_LOG_NOTES, &UserSettingsRecord::logNotes},
                         {IDC_LOG_CHORDS, &UserSettingsRecord::logChords},
                         {IDC_LOG_MIDI_EVENTS, &UserSettingsRecord::logMidiEvents},
                         {IDC_LOG_TRACK_INFO, &UserSettingsRecord::logTrackInfo}};
    for (const auto& entry : boxesAndFlags) {
        WithDialog(&settings::RunLogging, [&](CDialog& dialog) {
            EXPECT_EQ(dialog.windowTitle(), "Logging");
            EXPECT_EQ(Edit(dialog, IDC_LOG_FILE)->text().toStdString(), UserSettings.logFileName);
            for (const auto& other : boxesAndFlags)
                EXPECT_EQ(dialog.IsDlgButtonChecked(other.id), UserSettings.*other.flag);
            for (const auto& other : boxesAndFlags)
                dialog.CheckDlgButton(other.id, 0);
            ClickBox(dialog, entry.id);
            Press(dialog, IDOK);
        });
        for (const auto& other : boxesAndFlags)
            EXPECT_EQ(UserSettings.*other.flag, other.id == entry.id ? 1 : 0) << entry.id;
        EXPECT_EQ(UserSettings.loggingEnabled, 0);
        EXPECT_FALSE(LogStream.is_open());
    }
    EXPECT_TRUE(boxes.Boxes().empty());
}

TEST_F(LoggingTest, EachOkWithLoggingEnabledStartsTheFileAfreshAndDisablingKeepsIt) {
    const auto log = folder / "run.log";
    {
        std::ofstream old(log);
        old << "left over\n";
    }
    EXPECT_EQ(Configure(log.string().c_str(), true), IDOK);
    EXPECT_EQ(UserSettings.logFileName, log.string());
    EXPECT_EQ(UserSettings.loggingEnabled, 1);
    ASSERT_TRUE(LogStream.is_open());
    EXPECT_EQ(ReadWholeFile(log), "");
    LogStream << "first play\n";

    // Nothing changed, OK again: closed (written out) and reopened empty.
    EXPECT_EQ(Configure(nullptr, true), IDOK);
    EXPECT_TRUE(LogStream.is_open());
    EXPECT_EQ(ReadWholeFile(log), "");
    LogStream << "second play\n";

    EXPECT_EQ(Configure(nullptr, false), IDOK);
    EXPECT_FALSE(LogStream.is_open());
    EXPECT_EQ(ReadWholeFile(log), "second play\n");
    LogStream << "lost\n";  // harmless while closed

    EXPECT_EQ(Configure(nullptr, true), IDOK);
    LogStream << "third play\n";
    CloseLogStream();
    EXPECT_EQ(ReadWholeFile(log), "third play\n");
    EXPECT_TRUE(boxes.Boxes().empty());
}

TEST_F(LoggingTest, CancelChangesNeitherTheSettingsNorTheFile) {
    const auto log = folder / "kept.log";
    ASSERT_EQ(Configure(log.string().c_str(), true), IDOK);
    LogStream << "kept\n";
    const int result = WithDialog(&settings::RunLogging, [](CDialog& dialog) {
        Edit(dialog, IDC_LOG_FILE)->setText("/elsewhere.log");
        dialog.CheckDlgButton(IDC_LOG_ENABLE, 0);
        dialog.CheckDlgButton(IDC_LOG_NOTES, 1);
        Press(dialog, IDCANCEL);
    });
    EXPECT_EQ(result, IDCANCEL);
    EXPECT_EQ(UserSettings.logFileName, log.string());
    EXPECT_EQ(UserSettings.loggingEnabled, 1);
    EXPECT_EQ(UserSettings.logNotes, 0);
    ASSERT_TRUE(LogStream.is_open());
    CloseLogStream();
    EXPECT_EQ(ReadWholeFile(log), "kept\n");
}

TEST_F(LoggingTest, AFileThatCannotBeOpenedIsReportedAndLoggingStaysChosen) {
    const std::string missing = (folder / "no such folder" / "x.log").string();
    EXPECT_EQ(Configure(missing.c_str(), true), IDOK);
    ASSERT_EQ(boxes.Boxes().size(), 1u);
    const framework::MessageBoxRequest& box = boxes.Boxes()[0];
    EXPECT_EQ(box.text.toStdString(), "Open failed on LOGFILE: " + missing);
    EXPECT_EQ(box.caption, "Open Failed!");
    EXPECT_EQ(box.type, MB_ICONWARNING | MB_OK);
    EXPECT_EQ(box.owner, nullptr);
    EXPECT_FALSE(LogStream.is_open());
    EXPECT_EQ(UserSettings.loggingEnabled, 1);
    EXPECT_EQ(UserSettings.logFileName, missing);

    // The box stays marked, and the next OK tries again.
    WithDialog(&settings::RunLogging, [](CDialog& dialog) {
        EXPECT_EQ(dialog.IsDlgButtonChecked(IDC_LOG_ENABLE), 1);
        Press(dialog, IDOK);
    });
    EXPECT_EQ(boxes.Boxes().size(), 2u);

    // An empty name fails the same way, naming nothing; a later good name works again.
    EXPECT_EQ(Configure("", true), IDOK);
    EXPECT_EQ(boxes.LastText(), "Open failed on LOGFILE: ");
    const auto good = folder / "good.log";
    Configure(good.string().c_str(), true);
    EXPECT_EQ(boxes.Boxes().size(), 3u);
    LogStream << "after failures\n";
    CloseLogStream();
    EXPECT_EQ(ReadWholeFile(good), "after failures\n");
}

TEST_F(LoggingTest, LongFileNamesAreOpenedAndReportedInFull) {
    // A path well past 512 bytes, in folders of legal name length.
    std::filesystem::path deep = folder;
    for (int level = 0; level < 4; ++level)
        deep /= std::string(150, static_cast<char>('a' + level));
    std::filesystem::create_directories(deep);
    const std::string longName = (deep / (std::string(200, 'z') + ".log")).string();
    ASSERT_GT(longName.size(), 800u);
    EXPECT_EQ(Configure(longName.c_str(), true), IDOK);
    EXPECT_TRUE(boxes.Boxes().empty());
    EXPECT_EQ(UserSettings.logFileName, longName);
    LogStream << "deep\n";
    CloseLogStream();
    EXPECT_EQ(ReadWholeFile(longName), "deep\n");

    const std::string longMissing = (deep / "missing" / std::string(200, 'y')).string();
    Configure(longMissing.c_str(), true);
    ASSERT_EQ(boxes.Boxes().size(), 1u);
    EXPECT_EQ(boxes.LastText().toStdString(), "Open failed on LOGFILE: " + longMissing);
}

TEST_F(LoggingTest, FileNamesThatAreNotUtf8AreOpenedAsTheyAre) {
    // A name given directly in bytes (Latin-1 é); the dialog shows it and OK keeps it.
    UserSettings.logFileName = (folder / "caf\xe9.log").string();
    WithDialog(&settings::RunLogging, [](CDialog& dialog) {
        dialog.CheckDlgButton(IDC_LOG_ENABLE, 1);
        Press(dialog, IDOK);
    });
    EXPECT_TRUE(LogStream.is_open());
    EXPECT_TRUE(boxes.Boxes().empty()) << boxes.LastText().toStdString();
    EXPECT_EQ(UserSettings.logFileName, (folder / "caf\xe9.log").string());
    EXPECT_TRUE(std::filesystem::exists(folder / "caf\xe9.log"));
}

}  // namespace
