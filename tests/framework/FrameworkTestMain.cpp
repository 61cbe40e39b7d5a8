// The framework tests' main: one QApplication on the offscreen platform for the whole run, living
// on the stack so that it goes before the libraries' own static objects, and a profile folder of
// the run's own so that the recent-file list never touches the user's settings.

#include <gtest/gtest.h>

#include <QApplication>
#include <QSettings>
#include <QTemporaryDir>

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    // The runner selects the offscreen platform; so does a plain run (and the test listing that
    // the build runs), as these tests never want a display.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const QTemporaryDir profile;
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, profile.path());
    return RUN_ALL_TESTS();
}
