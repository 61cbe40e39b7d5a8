#pragma once
// Helpers of the settings tests: one QApplication for the test program (made when first needed,
// unless another test made one), a scratch folder, and a way to run a modal dialog while a test
// function works its controls from inside the dialog's own event loop.

#include <gtest/gtest.h>
#include <QApplication>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <filesystem>
#include <fstream>
#include <functional>
#include <sstream>
#include <string>

#include "framework/CDialog.h"

namespace settingstest {

// The application object is never destroyed: destroyed among the exit handlers it would outlive
// Qt's own global data, which its input devices still reach.
inline void EnsureApplication() {
    if (QApplication::instance()) return;
    static int argc = 1;
    static char name[] = "tests_app";
    static char* argv[] = {name, nullptr};
    static QApplication* const app = new QApplication(argc, argv);
    (void)app;
}

// Runs `run` (which opens one modal dialog); `drive` gets that dialog once it is shown. A dialog
// that `drive` leaves open is cancelled and reported as a failure, so no test can hang.
inline int WithDialog(const std::function<int()>& run, const std::function<void(CDialog&)>& drive) {
    EnsureApplication();
    bool driven = false;
    QTimer::singleShot(0, [&] {
        auto* dialog = dynamic_cast<CDialog*>(QApplication::activeModalWidget());
        if (!dialog) {
            ADD_FAILURE() << "no modal dialog open";
            return;
        }
        driven = true;
        drive(*dialog);
        if (dialog->isVisible()) {
            ADD_FAILURE() << "the dialog was left open";
            dialog->done(IDCANCEL);
        }
    });
    const int result = run();
    EXPECT_TRUE(driven);
    return result;
}

inline QLineEdit* Edit(CDialog& dialog, unsigned id) {
    return qobject_cast<QLineEdit*>(dialog.GetDlgItem(id));
}

// Clears the field and types `text` key by key, as the user would (typing limits apply).
inline void Type(CDialog& dialog, unsigned id, const QString& text) {
    QLineEdit* edit = Edit(dialog, id);
    ASSERT_NE(edit, nullptr) << id;
    edit->setFocus();
    edit->selectAll();
    QTest::keyClick(edit, Qt::Key_Backspace);
    QTest::keyClicks(edit, text);
}

inline void Press(CDialog& dialog, unsigned id) {
    auto* button = qobject_cast<QPushButton*>(dialog.GetDlgItem(id));
    ASSERT_NE(button, nullptr) << id;
    button->click();
}

// A plain click on a check box's mark (its label may be shorter than the control).
inline void ClickBox(CDialog& dialog, unsigned id) {
    QWidget* box = dialog.GetDlgItem(id);
    ASSERT_NE(box, nullptr) << id;
    QTest::mouseClick(box, Qt::LeftButton, Qt::NoModifier, QPoint(6, box->height() / 2));
}

// A fresh, empty folder for one test.
inline std::filesystem::path ScratchFolder(const std::string& name) {
    const auto folder = std::filesystem::temp_directory_path() / "tabulon-settings-tests" / name;
    std::filesystem::remove_all(folder);
    std::filesystem::create_directories(folder);
    return folder;
}

inline std::string ReadWholeFile(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

}  // namespace settingstest
