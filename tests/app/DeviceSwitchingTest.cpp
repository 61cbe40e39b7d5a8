// Switching the output device through the device menu while a song plays, playing when the
// chosen device cannot be opened, and a device that fails during a play: no note is left hanging
// on any device, playback stays sound, and a play cut short by its device is reported.
#include <QAction>
#include <array>
#include <set>

#include "AppTestSupport.h"
#include "app/COutputDeviceMenu.h"
#include "app/SettingsTestSupport.h"
#include "midi/CMidiOut.h"
#include "res/Resource.h"

using namespace apptest;
using midilib::TestDeviceConfig;
using midilib::TestDeviceProbe;

namespace {

// Notes that a device was left sounding: note-ons not followed by their note-off, an all notes
// off (controller 123) or an all sound off (controller 120) on their channel.
std::set<std::pair<int, int>> HangingNotes(const TestDeviceProbe& probe) {
    std::set<std::pair<int, int>> sounding;  // (channel, note)
    for (const auto& message : probe.Messages()) {
        if (message.bytes.size() != 3) continue;
        const int kind = message.bytes[0] & 0xF0;
        const int channel = message.bytes[0] & 0x0F;
        const int data1 = message.bytes[1];
        if (kind == 0x90 && message.bytes[2] > 0) {
            sounding.insert({channel, data1});
        } else if (kind == 0x80 || kind == 0x90) {
            sounding.erase({channel, data1});
        } else if (kind == 0xB0 && (data1 == 123 || data1 == 120)) {
            std::erase_if(sounding, [&](const auto& note) { return note.first == channel; });
        }
    }
    return sounding;
}

size_t NoteOns(const TestDeviceProbe& probe) {
    size_t n = 0;
    for (const auto& m : probe.Messages())
        if (m.bytes.size() == 3 && (m.bytes[0] & 0xF0) == 0x90 && m.bytes[2] > 0) ++n;
    return n;
}

class DeviceSwitchingTest : public ::testing::Test {
  protected:
    static constexpr unsigned kPortA = ID_OUTPUT_DEVICE_FIRST;
    static constexpr unsigned kBroken = ID_OUTPUT_DEVICE_FIRST + 1;
    static constexpr unsigned kSynth = ID_OUTPUT_DEVICE_FIRST + 2;

    void SetUp() override {
        settingstest::EnsureApplication();  // made first: an application never destroyed
        EnsureApplication();
        UserSettings = UserSettingsRecord{};
        midilib::SetTestOutputDevices(
            {TestDeviceConfig{"Port A", false, {}, portAFailsAfter, portProbe},
             TestDeviceConfig{"Broken", true, {}, -1, brokenProbe},
             TestDeviceConfig{"Test Synth", false, {}, -1, synthProbe}});
        app = std::make_unique<CTabulonApp>();
        ASSERT_TRUE(app->InitInstance());
        frame = dynamic_cast<CMainFrame*>(app->GetMainWnd());
        ASSERT_NE(frame, nullptr);
        view = dynamic_cast<CTabulonView*>(frame->GetActiveView());
        ASSERT_NE(view, nullptr);
    }
    void TearDown() override {
        app.reset();
        midilib::SetTestOutputDevices({});
    }

    // Chords held for two beats each on three channels, 16 beats at 240 BPM.
    void OpenHeldChords() {
        const auto path = Scratch("held") / "held.mid";
        std::vector<uint8_t> events = {0x00, 0xFF, 0x51, 0x03, 0x03, 0xD0, 0x90};  // 250000 us
        for (int chord = 0; chord < 8; ++chord) {
            const uint8_t root = static_cast<uint8_t>(48 + chord);
            for (uint8_t b :
                 {0x00, 0x90, int(root), 90, 0x00, 0x91, root + 4, 90, 0x00, 0x92, root + 7, 90})
                events.push_back(static_cast<uint8_t>(b));
            for (uint8_t b :
                 {0x81, 0x40, 0x80, int(root), 0, 0x00, 0x81, root + 4, 0, 0x00, 0x82, root + 7, 0})
                events.push_back(static_cast<uint8_t>(b));
        }
        WriteSmf(path, {TrackChunk(events)});
        ASSERT_NE(app->OpenDocumentFile(QString::fromStdString(path.string())), nullptr);
    }
    // A pad held on channel 1 under 800 short notes on channel 2 (1,602 events, several output
    // buffers), at 1000 BPM: about four seconds.
    void OpenPadAndRun() {
        const auto path = Scratch("pad") / "pad.mid";
        std::vector<uint8_t> events = {0x00, 0xFF, 0x51, 0x03, 0x00, 0xEA,
                                       0x60, 0x00, 0x90, 36,   90};
        for (int i = 0; i < 800; ++i) {
            const uint8_t note = static_cast<uint8_t>(60 + i % 24);
            for (uint8_t b : {uint8_t(0x00), uint8_t(0x91), note, uint8_t(80), uint8_t(8),
                              uint8_t(0x81), note, uint8_t(0)})
                events.push_back(b);
        }
        for (uint8_t b : {0x00, 0x80, 36, 0})
            events.push_back(b);
        WriteSmf(path, {TrackChunk(events)});
        ASSERT_NE(app->OpenDocumentFile(QString::fromStdString(path.string())), nullptr);
    }
    bool Running() const { return view->sync && view->sync->IsRunning(); }
    std::array<bool, 3> Checks() const {
        std::array<bool, 3> checks{};
        for (unsigned i = 0; i < 3; ++i) {
            QAction* item = frame->GetMenu()->FindItem(ID_OUTPUT_DEVICE_FIRST + i);
            checks[i] = item && item->isChecked();
        }
        return checks;
    }

    int portAFailsAfter = -1;  // messages "Port A" sends before it fails for good
    framework::MessageBoxCapture boxes;
    std::shared_ptr<TestDeviceProbe> portProbe = std::make_shared<TestDeviceProbe>();
    std::shared_ptr<TestDeviceProbe> brokenProbe = std::make_shared<TestDeviceProbe>();
    std::shared_ptr<TestDeviceProbe> synthProbe = std::make_shared<TestDeviceProbe>();
    std::unique_ptr<CTabulonApp> app;
    CMainFrame* frame = nullptr;
    CTabulonView* view = nullptr;
};

TEST_F(DeviceSwitchingTest, SwitchingWhilePlayingLeavesNoNoteHangingOnEitherDevice) {
    EXPECT_EQ(Checks(), (std::array<bool, 3>{false, false, true}));
    OpenPadAndRun();
    ASSERT_TRUE(frame->OnCommand(ID_PLAY_START));
    ASSERT_TRUE(QTest::qWaitFor([this] { return NoteOns(*synthProbe) >= 50; }, 5000));
    ASSERT_TRUE(HangingNotes(*synthProbe).count({0, 36})) << "the pad sounds on the synth";

    frame->OnCommand(kPortA);
    EXPECT_EQ(view->output.GetDeviceId(), 0);
    EXPECT_EQ(Checks(), (std::array<bool, 3>{true, false, false}));
    EXPECT_TRUE(HangingNotes(*synthProbe).empty()) << "the synth was silenced before closing";
    EXPECT_TRUE(Running()) << "the song goes on";

    // The next output buffers go to the new device; then back to the synth.
    ASSERT_TRUE(QTest::qWaitFor([this] { return NoteOns(*portProbe) >= 50; }, 5000));
    EXPECT_TRUE(Running());
    frame->OnCommand(kSynth);
    EXPECT_EQ(Checks(), (std::array<bool, 3>{false, false, true}));
    EXPECT_TRUE(HangingNotes(*portProbe).empty());
    ASSERT_TRUE(QTest::qWaitFor([this] { return !Running(); }, 15000));
    EXPECT_TRUE(HangingNotes(*portProbe).empty());
    EXPECT_TRUE(HangingNotes(*synthProbe).empty());
    EXPECT_EQ(synthProbe->opens.load(), 2);
    EXPECT_LE(NoteOns(*portProbe) + NoteOns(*synthProbe), 801u);
    EXPECT_TRUE(boxes.Boxes().empty());
}

TEST_F(DeviceSwitchingTest, ADeviceThatFailsToOpenLeavesNothingCheckedAndPlaybackSound) {
    OpenHeldChords();
    frame->OnCommand(kBroken);
    EXPECT_EQ(Checks(), (std::array<bool, 3>{false, false, false}));
    EXPECT_FALSE(view->output.IsOpen());
    EXPECT_EQ(synthProbe->closes.load(), 1);

    // Play without a device: the program goes on, and Stop still works.
    frame->OnCommand(ID_PLAY_START);
    QTest::qWait(300);
    frame->OnCommand(ID_PLAY_STOP);
    EXPECT_FALSE(Running());
    EXPECT_EQ(NoteOns(*brokenProbe), 0u);

    // A working device chosen afterwards plays the whole song, and its item alone is checked.
    frame->OnCommand(kPortA);
    EXPECT_EQ(Checks(), (std::array<bool, 3>{true, false, false}));
    ASSERT_TRUE(frame->OnCommand(ID_PLAY_START));
    ASSERT_TRUE(QTest::qWaitFor([this] { return !Running(); }, 15000));
    EXPECT_EQ(NoteOns(*portProbe), 24u);
    EXPECT_TRUE(HangingNotes(*portProbe).empty());
    EXPECT_TRUE(boxes.Boxes().empty()) << "a failing device shows no message";
}

class DeviceFailingMidPlayTest : public DeviceSwitchingTest {
  protected:
    void SetUp() override {
        portAFailsAfter = 32 + 20;  // the resets at opening, then twenty song messages
        DeviceSwitchingTest::SetUp();
    }
};

TEST_F(DeviceFailingMidPlayTest, TheEndOfThePlayTellsTheUserAndAnotherDevicePlaysTheSong) {
    OpenHeldChords();
    frame->OnCommand(kPortA);
    ASSERT_TRUE(frame->OnCommand(ID_PLAY_START));
    ASSERT_TRUE(QTest::qWaitFor([this] { return !Running(); }, 15000));
    EXPECT_LT(NoteOns(*portProbe), 24u);
    ASSERT_EQ(boxes.Boxes().size(), 1u);
    EXPECT_EQ(boxes.LastText(),
              "The MIDI output device failed during playback; the rest of the song was not heard. "
              "Choose a device from the Output Device menu.");
    EXPECT_EQ(boxes.Boxes().back().type & MB_ICONMASK, MB_ICONWARNING);

    // The window stays usable: the Start item is enabled again and another device plays the
    // whole song, with no further message.
    EXPECT_TRUE(frame->IsCommandEnabled(ID_PLAY_START));
    frame->OnCommand(kSynth);
    ASSERT_TRUE(frame->OnCommand(ID_PLAY_START));
    ASSERT_TRUE(QTest::qWaitFor([this] { return !Running(); }, 15000));
    EXPECT_EQ(NoteOns(*synthProbe), 24u);
    EXPECT_TRUE(HangingNotes(*synthProbe).empty());
    EXPECT_EQ(boxes.Boxes().size(), 1u);
}

}  // namespace
