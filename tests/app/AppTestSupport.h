#pragma once
// Helpers of the application tests: one QApplication for the test program (made when first
// needed, unless another test made one) with a profile folder of its own, small MIDI files
// written byte by byte, the demo songs of the build, and a fixture that starts the whole
// application (frame, view, document) on test output devices.

#include <gtest/gtest.h>
#include <unistd.h>
#include <QApplication>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

#include "app/CMainFrame.h"
#include "app/CTabulonApp.h"
#include "app/CTabulonDoc.h"
#include "app/CTabulonView.h"
#include "framework/MessageBox.h"
#include "framework/Profile.h"
#include "midilib/LibraryOptions.h"
#include "midilib/testing/TestOutputDevices.h"
#include "settings/UserSettings.h"
#include "support/RawSmf.h"

namespace apptest {

inline void EnsureApplication() {
    static QTemporaryDir profile;
    static const bool isolated = [] {
        QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, profile.path());
        QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, profile.path());
        return true;
    }();
    (void)isolated;
    if (QApplication::instance()) return;
    static int argc = 1;
    static char name[] = "tests_app";
    static char* argv[] = {name, nullptr};
    // Destroyed when the test program ends its tests, while Qt's own globals still live: a static
    // QApplication would go after them (the input device list) and crash.
    struct ApplicationEnd : ::testing::Environment {
        void TearDown() override { delete QApplication::instance(); }
    };
    new QApplication(argc, argv);
    ::testing::AddGlobalTestEnvironment(new ApplicationEnd);
}

// A fresh, empty folder. Each test process has its own root, removed when the process ends:
// ctest runs the tests of one fixture in parallel processes, which share folder names.
inline std::filesystem::path Scratch(const std::string& name) {
    struct Root {
        std::filesystem::path path = std::filesystem::temp_directory_path() /
                                     ("tabulon-app-tests-" + std::to_string(::getpid()));
        ~Root() {
            std::error_code ignored;
            std::filesystem::remove_all(path, ignored);
        }
    };
    static const Root root;
    const auto folder = root.path / name;
    std::filesystem::remove_all(folder);
    std::filesystem::create_directories(folder);
    return folder;
}

inline std::vector<char> ReadBytes(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

inline std::string TestDataFile(const std::string& name) {
    return std::string(TABULON_TESTDATA_DIR) + "/" + name;
}

// A demo song written by the build (target demo_songs).
inline std::string DemoSong(const std::string& name) {
    return std::string(TABULON_BINARY_DIR) + "/examples/" + name;
}

// A test output device.
inline midilib::TestDeviceConfig Device(std::string description, bool failsToOpen = false,
                                        std::shared_ptr<midilib::TestDeviceProbe> probe = nullptr) {
    midilib::TestDeviceConfig spec;
    spec.description = std::move(description);
    spec.failsToOpen = failsToOpen;
    spec.probe = std::move(probe);
    return spec;
}

using smftest::TrackChunk;
using smftest::WriteSmf;

// A short song at 96 ticks per beat and 600 beats per minute: C major for a beat, then A minor.
inline void WriteShortSong(const std::filesystem::path& path) {
    WriteSmf(path, {TrackChunk({0x00, 0xFF, 0x51, 0x03, 0x01, 0x86, 0xA0,  // 100000 us per beat
                                0x00, 0x90, 60,   90,   0x00, 64,   90,   0x00, 67, 90,  //
                                0x60, 0x80, 60,   0,    0x00, 64,   0,    0x00, 67, 0,   //
                                0x00, 0x90, 57,   90,   0x00, 60,   90,   0x00, 64, 90,  //
                                0x60, 0x80, 57,   0,    0x00, 60,   0,    0x00, 64, 0})});
}

// The whole application on two test devices: "Port A" and "Test Synth" (the default).
class AppFixture : public ::testing::Test {
  protected:
    void SetUp() override {
        EnsureApplication();
        // Every test starts from an empty profile, also when several run in one process.
        framework::UserProfile().clear();
        UserSettings = UserSettingsRecord{};
        midilib::SetTestOutputDevices(
            {Device("Port A", false, portProbe), Device("Test Synth", false, synthProbe)});
        app = std::make_unique<CTabulonApp>(Options());
        ASSERT_TRUE(app->InitInstance());
        frame = dynamic_cast<CMainFrame*>(app->GetMainWnd());
        ASSERT_NE(frame, nullptr);
        view = dynamic_cast<CTabulonView*>(frame->GetActiveView());
        doc = dynamic_cast<CTabulonDoc*>(frame->GetActiveDocument());
        ASSERT_NE(view, nullptr);
        ASSERT_NE(doc, nullptr);
    }
    void TearDown() override {
        app.reset();
        midilib::SetTestOutputDevices({});
        CTabulonView::startupDevice.reset();
    }
    virtual StartupOptions Options() const { return {}; }

    bool Enabled(unsigned id) { return frame->IsCommandEnabled(id); }
    bool Command(unsigned id) { return frame->OnCommand(id); }
    bool Open(const std::string& path) {
        return app->OpenDocumentFile(QString::fromStdString(path)) != nullptr;
    }
    bool Running() const { return view->sync && view->sync->IsRunning(); }
    // All-notes-off messages (controller 123) the default device has received.
    int NotesOffCount() const {
        int n = 0;
        for (const auto& m : synthProbe->Messages())
            if (m.bytes.size() == 3 && (m.bytes[0] & 0xF0) == 0xB0 && m.bytes[1] == 123) ++n;
        return n;
    }

    framework::MessageBoxCapture boxes;
    std::shared_ptr<midilib::TestDeviceProbe> portProbe =
        std::make_shared<midilib::TestDeviceProbe>();
    std::shared_ptr<midilib::TestDeviceProbe> synthProbe =
        std::make_shared<midilib::TestDeviceProbe>();
    std::unique_ptr<CTabulonApp> app;
    CMainFrame* frame = nullptr;
    CTabulonView* view = nullptr;
    CTabulonDoc* doc = nullptr;
};

}  // namespace apptest
