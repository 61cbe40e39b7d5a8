// What the window says about the built-in synth: the audio driver chosen by the command line or
// the profile, and the device menu's item and the status text that name the driver playing, or
// say why the synth is silent.
#include <QAction>
#include <QSettings>
#include <QTest>

#include "AppTestSupport.h"
#include "app/CMainFrame.h"
#include "app/CTabulonApp.h"
#include "app/CTabulonView.h"
#include "app/SynthStatusText.h"
#include "framework/Profile.h"
#include "midilib/SynthOutputDevice.h"
#include "res/Resource.h"

using namespace apptest;
using midilib::SynthStatus;

namespace {

void SetProfileDriver(const QString& driver) {
    QSettings profile = framework::UserProfile();
    if (driver.isEmpty())
        profile.remove(QStringLiteral("Synth/AudioDriver"));
    else
        profile.setValue(QStringLiteral("Synth/AudioDriver"), driver);
    profile.sync();
}

TEST(AudioDriverChoice, TheCommandLineBeatsTheProfileAndAnUnknownProfileEntryIsIgnored) {
    EnsureApplication();
    SetProfileDriver(QStringLiteral("alsa"));
    StartupOptions chosen;
    chosen.audioDriver = "sdl2";
    EXPECT_EQ(CTabulonApp(chosen).ChosenAudioDriver(), "sdl2");
    EXPECT_EQ(CTabulonApp().ChosenAudioDriver(), "alsa");

    SetProfileDriver(QStringLiteral("nonsense"));
    ::testing::internal::CaptureStderr();
    EXPECT_EQ(CTabulonApp().ChosenAudioDriver(), "") << "the automatic order instead";
    EXPECT_NE(::testing::internal::GetCapturedStderr().find("Synth/AudioDriver"),
              std::string::npos);
    SetProfileDriver({});
    EXPECT_EQ(CTabulonApp().ChosenAudioDriver(), "");
}

TEST(SynthStatusWords, SilenceSaysWhyAndNamesTheDriversTried) {
    SynthStatus status;
    EXPECT_EQ(SynthMenuNote(status), "opening");
    status.state = SynthStatus::State::Silent;
    status.silence = SynthStatus::Silence::NoAudioDevice;
    status.triedDrivers = {"pulseaudio", "alsa", "sdl2"};
    EXPECT_EQ(SynthMenuNote(status), "silent: no audio device");
    EXPECT_TRUE(SynthStatusText(status).contains("tried PulseAudio, ALSA, SDL2"))
        << SynthStatusText(status).toStdString();
    status.silence = SynthStatus::Silence::NoSoundFont;
    EXPECT_EQ(SynthMenuNote(status), "silent: no soundfont");
    EXPECT_TRUE(SynthStatusText(status).contains("timgm6mb-soundfont"));
}

// The real device list and the real synth, on ALSA's null device.
class SynthInWindowTest : public ::testing::Test {
  protected:
    void SetUp() override {
        if (midilib::SynthOutputDevice::FindSoundFont().empty())
            GTEST_SKIP() << "no GM soundfont installed";
        EnsureApplication();
        UserSettings = UserSettingsRecord{};
        midilib::SetTestOutputDevices({});
        midilib::SetSynthAudioDriver("alsa", "null");
        app = std::make_unique<CTabulonApp>();
        ASSERT_TRUE(app->InitInstance());
        frame = dynamic_cast<CMainFrame*>(app->GetMainWnd());
        view = frame ? dynamic_cast<CTabulonView*>(frame->GetActiveView()) : nullptr;
        ASSERT_NE(view, nullptr);
        view->onOutputStatus = [this](const QString& text) { shown.push_back(text); };
    }
    void TearDown() override {
        app.reset();
        midilib::SetSynthAudioDriver("");
    }
    QString ItemText(int device) const {
        const QAction* item =
            view->deviceMenu.Popup().FindItem(unsigned(view->deviceMenu.FirstMenuId() + device));
        return item ? item->text() : QString();
    }

    std::unique_ptr<CTabulonApp> app;
    CMainFrame* frame = nullptr;
    CTabulonView* view = nullptr;
    std::vector<QString> shown;
};

TEST_F(SynthInWindowTest, TheSynthsItemAndTheStatusNameTheDriverOnceItHasOpened) {
    const int synth = view->deviceMenu.DeviceCount() - 1;
    ASSERT_EQ(view->output.GetDeviceId(), synth) << "the built-in synth is the default";
    // Its opening goes on after the window is there; the view looks again until it is done.
    ASSERT_TRUE(QTest::qWaitFor([&] { return ItemText(synth) == "Tabulon Synth (ALSA)"; }, 5000))
        << ItemText(synth).toStdString();
    ASSERT_FALSE(shown.empty());
    EXPECT_TRUE(shown.back().startsWith("Built-in synth: playing through ALSA ("))
        << shown.back().toStdString();
    EXPECT_EQ(view->OutputStatusText(), shown.back());

    // Another device: the synth's item loses its note and the status has nothing to say.
    frame->OnCommand(unsigned(view->deviceMenu.FirstMenuId() + synth - 1));
    EXPECT_EQ(ItemText(synth), "Tabulon Synth");
    EXPECT_EQ(shown.back(), "");
}

}  // namespace
