// Modal dialogs driven through their controls: data exchange in and out, the standard
// validation messages, the dialog staying open on a refused value, the typed-length limit, list
// boxes with toggling selection, and buttons bound through the command table.

#include <gtest/gtest.h>

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <string>

#include "framework/CDialog.h"
#include "framework/DataExchange.h"
#include "framework/FrameworkTestSupport.h"
#include "framework/MessageBox.h"

namespace {

constexpr unsigned kAmount = 1028;
constexpr unsigned kName = 1015;
constexpr unsigned kEnable = 1025;
constexpr unsigned kList = 1010;
constexpr unsigned kSelectAll = 1011;
constexpr unsigned kLabel = 1003;

const framework::DialogTemplate& Template() {
    static const framework::DialogTemplate dialog{
        "Transpose Tracks",
        200,
        150,
        {{framework::ControlKind::ListBox, kList, "", 7, 7, 120, 80, LBS_MULTIPLESEL},
         {framework::ControlKind::Static, IDC_STATIC, "Transpose Amount:", 7, 95, 60, 8},
         {framework::ControlKind::Edit, kAmount, "", 70, 93, 40, 14},
         {framework::ControlKind::Edit, kName, "", 70, 110, 80, 14},
         {framework::ControlKind::CheckBox, kEnable, "Enable Logging", 7, 128, 80, 10},
         {framework::ControlKind::Static, kLabel, "", 100, 128, 90, 8},
         {framework::ControlKind::PushButton, kSelectAll, "Select All", 140, 7, 50, 14},
         {framework::ControlKind::DefPushButton, IDOK, "OK", 140, 25, 50, 14},
         {framework::ControlKind::PushButton, IDCANCEL, "Cancel", 140, 43, 50, 14}}};
    return dialog;
}

class TestDialog : public CDialog {
  public:
    TestDialog() : CDialog(Template()) {}
    int amount = 0;
    std::string name;
    int enabled = 0;
    QString label;
    int selectAllPressed = 0;

  protected:
    void DoDataExchange(CDataExchange* pDX) override {
        DDX_Text(pDX, kAmount, amount);
        DDV_MinMaxInt(pDX, amount, -12, 12);
        DDX_Text(pDX, kName, name);
        DDV_MaxChars(pDX, name, 4);
        DDX_Check(pDX, kEnable, enabled);
        DDX_Text(pDX, kLabel, label);
    }
    void OnSelectAll() { ++selectAllPressed; }
    const framework::CommandMap* GetCommandMap() const override {
        static const framework::CommandMap map =
            framework::CommandMap::Of<TestDialog>({{kSelectAll, &TestDialog::OnSelectAll}});
        return &map;
    }
};

class DialogTest : public ::testing::Test {
  protected:
    void SetUp() override {
        TestApplication();
        // A dialog that a failed step left open must not hang the test run.
        watchdog.setSingleShot(true);
        QObject::connect(&watchdog, &QTimer::timeout, [] {
            for (QWidget* w : QApplication::topLevelWidgets())
                if (auto* d = qobject_cast<QDialog*>(w); d && d->isVisible()) d->done(-1);
        });
        watchdog.start(5000);
    }
    QTimer watchdog;
    QLineEdit* Edit(CDialog& dialog, unsigned id) {
        return qobject_cast<QLineEdit*>(dialog.GetDlgItem(id));
    }
    QPushButton* Button(CDialog& dialog, int id) {
        return qobject_cast<QPushButton*>(dialog.GetDlgItem(static_cast<unsigned>(id)));
    }
    void Retype(QLineEdit* edit, const QString& text) {
        edit->selectAll();
        QTest::keyClick(edit, Qt::Key_Delete);
        QTest::keyClicks(edit, text);
    }
    framework::MessageBoxCapture boxes;
};

}  // namespace

TEST_F(DialogTest, RefusedIntegersShowTheStandardMessagesAndKeepTheDialogOpen) {
    TestDialog dialog;
    dialog.amount = 3;
    QStringList seen;
    bool stayedOpen = true;
    bool focusBack = true;
    Soon([&] {
        QLineEdit* amount = Edit(dialog, kAmount);
        EXPECT_EQ(amount->text(), "3");
        for (const char* text : {"13", "-13", "", "3a", "1 2", "99999999999"}) {
            Retype(amount, text);
            Button(dialog, IDOK)->click();
            seen << boxes.LastText();
            stayedOpen = stayedOpen && dialog.isVisible();
            focusBack = focusBack && dialog.focusWidget() == amount &&
                        amount->selectedText() == amount->text();
        }
        Retype(amount, " -12 ");
        Button(dialog, IDOK)->click();
    });
    EXPECT_EQ(dialog.DoModal(), IDOK);
    EXPECT_EQ(seen, (QStringList{"Please enter an integer between -12 and 12.",
                                 "Please enter an integer between -12 and 12.",
                                 "Please enter an integer.", "Please enter an integer.",
                                 "Please enter an integer.", "Please enter an integer."}));
    EXPECT_TRUE(stayedOpen);
    EXPECT_TRUE(focusBack);
    EXPECT_EQ(dialog.amount, -12);
    EXPECT_EQ(boxes.Boxes().back().type & MB_ICONMASK, MB_ICONWARNING);
    EXPECT_EQ(boxes.Boxes().back().caption, "Tabulon");
}

TEST_F(DialogTest, MaxCharsLimitsTypingButShowsLongerTextAndRefusesItOnOk) {
    TestDialog dialog;
    dialog.name = "10000";  // longer than the limit of 4
    QString shown, afterTyping, message;
    bool openAfterRefusal = false;
    Soon([&] {
        QLineEdit* name = Edit(dialog, kName);
        shown = name->text();
        Button(dialog, IDOK)->click();
        message = boxes.LastText();
        openAfterRefusal = dialog.isVisible();
        Retype(name, "123456");
        afterTyping = name->text();
        Button(dialog, IDOK)->click();
    });
    EXPECT_EQ(dialog.DoModal(), IDOK);
    EXPECT_EQ(shown, "10000");
    EXPECT_EQ(message, "Please enter no more than 4 characters.");
    EXPECT_TRUE(openAfterRefusal);
    EXPECT_EQ(afterTyping, "1234");
    EXPECT_EQ(dialog.name, "1234");
}

TEST_F(DialogTest, ChecksLabelsAndCancelExchangeAsExpected) {
    TestDialog dialog;
    dialog.enabled = 1;
    dialog.label = "MIDI Library V1.05";
    Soon([&] {
        EXPECT_EQ(qobject_cast<QLabel*>(dialog.GetDlgItem(kLabel))->text(), "MIDI Library V1.05");
        EXPECT_EQ(dialog.IsDlgButtonChecked(kEnable), 1);
        QTest::mouseClick(dialog.GetDlgItem(kEnable), Qt::LeftButton);
        Button(dialog, IDOK)->click();
    });
    EXPECT_EQ(dialog.DoModal(), IDOK);
    EXPECT_EQ(dialog.enabled, 0);

    TestDialog cancelled;
    cancelled.amount = 5;
    Soon([&] {
        Retype(Edit(cancelled, kAmount), "7");
        Button(cancelled, IDCANCEL)->click();
    });
    EXPECT_EQ(cancelled.DoModal(), IDCANCEL);
    EXPECT_EQ(cancelled.amount, 5) << "Cancel reads nothing back";

    TestDialog escaped;
    Soon([&] { QTest::keyClick(&escaped, Qt::Key_Escape); });
    EXPECT_EQ(escaped.DoModal(), IDCANCEL);
}

TEST_F(DialogTest, ListBoxTogglesWithPlainClicksAndButtonsUseTheCommandTable) {
    TestDialog dialog;
    Soon([&] {
        auto* list = qobject_cast<QListWidget*>(dialog.GetDlgItem(kList));
        for (int i = 0; i < 3; ++i)
            list->insertItem(i, QStringLiteral("Track %1").arg(i));
        list->item(0)->setSelected(true);
        const auto click = [&](int row) {
            QTest::mouseClick(list->viewport(), Qt::LeftButton, {},
                              list->visualItemRect(list->item(row)).center());
        };
        click(2);
        click(0);
        EXPECT_FALSE(list->item(0)->isSelected());
        EXPECT_FALSE(list->item(1)->isSelected());
        EXPECT_TRUE(list->item(2)->isSelected());
        Button(dialog, static_cast<int>(kSelectAll))->click();
        EXPECT_TRUE(dialog.isVisible());
        Button(dialog, IDCANCEL)->click();
    });
    EXPECT_EQ(dialog.DoModal(), IDCANCEL);
    EXPECT_EQ(dialog.selectAllPressed, 1);
}
