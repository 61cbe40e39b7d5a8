// The output device menu on test devices: the default rule, exclusive check marks, failing
// devices and the routing of device items through the view.
#include <QAction>
#include <QMenu>
#include <QMenuBar>

#include "AppTestSupport.h"
#include "app/COutputDeviceMenu.h"
#include "midi/CMidiOut.h"
#include "res/Resource.h"

using namespace apptest;
using midilib::TestDeviceConfig;

namespace {

class DeviceMenuTest : public ::testing::Test {
  protected:
    void SetUp() override {
        EnsureApplication();
        bar = std::make_unique<QMenuBar>();
    }
    void TearDown() override { midilib::SetTestOutputDevices({}); }

    // Builds a menu over `names` as the view does, with the output attached.
    void Build(const std::vector<TestDeviceConfig>& devices) {
        midilib::SetTestOutputDevices(devices);
        defaultOutputDevice = 0;
        menuBar = CMenu::Attach(bar.get());
        bar->addMenu("&Help");
        menu.BuildMenu(&menuBar, 0, "&Output Device", 201);
        menu.output = &output;
    }
    bool Checked(unsigned id) const {
        QAction* item = menu.Popup().FindItem(id);
        return item && item->isChecked();
    }
    int CheckedCount() const {
        int n = 0;
        for (int id = 201; id < 201 + menu.DeviceCount(); ++id)
            n += Checked(unsigned(id));
        return n;
    }

    std::unique_ptr<QMenuBar> bar;
    CMenu menuBar;
    COutputDeviceMenu menu;
    CMidiOut output;
};

TEST_F(DeviceMenuTest, TheLastDeviceWhoseDescriptionContainsSynthIsTheDefault) {
    Build({Device("External Port"), Device("Soft Synth One"), Device("Synth Two")});
    EXPECT_EQ(defaultOutputDevice, 2);
    EXPECT_EQ(menu.DeviceCount(), 3);
    EXPECT_EQ(menu.MapperId(), 0) << "our library has no mapper";
    ASSERT_NE(menu.Popup().FindItem(203), nullptr);
    EXPECT_EQ(menu.Popup().FindItem(203)->text(), "Synth Two");
}

TEST_F(DeviceMenuTest, TheWordCountsOnlyInItsOwnCase) {
    Build({Device("External Port"), Device("soft synth"), Device("SYNTH")});
    EXPECT_EQ(defaultOutputDevice, 0);
}

TEST_F(DeviceMenuTest, SelectingOpensTheDeviceAndChecksOnlyItsItem) {
    auto first = std::make_shared<midilib::TestDeviceProbe>();
    auto second = std::make_shared<midilib::TestDeviceProbe>();
    Build({Device("Port A", false, first), Device("Port B", false, second)});
    EXPECT_EQ(menu.SelectDevice(0), 1) << "a device number";
    EXPECT_TRUE(output.IsOpen());
    EXPECT_EQ(output.GetDeviceId(), 0);
    EXPECT_EQ(output.GetOpenFlags(), 0x33320u);
    EXPECT_TRUE(Checked(201));
    EXPECT_EQ(menu.SelectDevice(202), 1) << "a command identifier";
    EXPECT_EQ(output.GetDeviceId(), 1);
    EXPECT_EQ(first->closes.load(), 1);
    EXPECT_TRUE(Checked(202));
    EXPECT_EQ(CheckedCount(), 1);

    EXPECT_EQ(menu.SelectDevice(202), 1) << "the open device is closed and opened again";
    EXPECT_EQ(second->opens.load(), 2);
    EXPECT_EQ(second->closes.load(), 1);
    EXPECT_EQ(CheckedCount(), 1);
}

TEST_F(DeviceMenuTest, ValuesOutsideBothRangesChangeNothing) {
    Build({Device("Port A"), Device("Port B")});
    menu.SelectDevice(1);
    for (int value : {3, 100, 200, 204, 32782, 57601}) {
        EXPECT_EQ(menu.SelectDevice(value), 0) << value;
        EXPECT_EQ(output.GetDeviceId(), 1) << value;
        EXPECT_TRUE(Checked(202)) << value;
    }
    COutputDeviceMenu detached;
    EXPECT_EQ(detached.SelectDevice(0), 0) << "no output attached";
}

TEST_F(DeviceMenuTest, ADeviceThatFailsToOpenLeavesNoItemChecked) {
    Build({Device("Port A"), Device("Broken", true)});
    menu.SelectDevice(0);
    EXPECT_EQ(menu.SelectDevice(1), 1);
    EXPECT_FALSE(output.IsOpen()) << "the previous device is closed in any case";
    EXPECT_EQ(CheckedCount(), 0);
}

class AppDeviceMenuTest : public AppFixture {};

TEST_F(AppDeviceMenuTest, TheViewOpensTheDefaultAndAnyCommandNamingAnItemSwitches) {
    EXPECT_EQ(view->output.GetDeviceId(), 1) << "\"Test Synth\" is the default";
    EXPECT_TRUE(view->output.IsOpen());
    // A device item is a command like any other: it reaches the view through the frame.
    Command(ID_OUTPUT_DEVICE_FIRST);
    EXPECT_EQ(view->output.GetDeviceId(), 0);
    EXPECT_EQ(portProbe->opens.load(), 1);
    // Update queries never switch the device.
    EXPECT_TRUE(Enabled(ID_OUTPUT_DEVICE_FIRST + 1));
    EXPECT_EQ(view->output.GetDeviceId(), 0);
    frame->UpdateToolBars();
    EXPECT_EQ(view->output.GetDeviceId(), 0);
}

class StartupDeviceTest : public AppFixture {
  protected:
    StartupOptions Options() const override {
        StartupOptions options;
        options.device = 0;
        return options;
    }
};

TEST_F(StartupDeviceTest, TheCommandLineDeviceReplacesTheDefault) {
    EXPECT_EQ(view->output.GetDeviceId(), 0);
    EXPECT_EQ(synthProbe->opens.load(), 0) << "the default device is never opened";
}

}  // namespace
