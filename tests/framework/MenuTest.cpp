// Menu handles: popup insertion by position, item counts, check marks, ownership of popups.

#include <gtest/gtest.h>

#include <QAction>
#include <QMenu>
#include <QMenuBar>
#include <QPointer>

#include "framework/CMenu.h"
#include "framework/FrameworkTestSupport.h"

namespace {

class MenuTest : public ::testing::Test {
  protected:
    void SetUp() override {
        TestApplication();
        bar = CMenu::Attach(&menuBar);
        bar.AppendTable(
            {framework::MenuItem::Popup(
                 "&File",
                 {framework::MenuItem::Command(57601, "&Open...\tCtrl+O"),
                  framework::MenuItem::Separator(), framework::MenuItem::Command(57665, "E&xit")}),
             framework::MenuItem::Popup(
                 "&Settings",
                 {framework::MenuItem::Popup(
                     "Timer &Period", {framework::MenuItem::Command(32777, "&1 Millisecond"),
                                       framework::MenuItem::Command(32778, "1&0 Milliseconds")})}),
             framework::MenuItem::Popup("&Help",
                                        {framework::MenuItem::Command(57664, "&About Tabulon")})});
    }
    QMenuBar menuBar;
    CMenu bar;
};

}  // namespace

TEST_F(MenuTest, TableBuildsPopupsWithTextsIdentifiersAndSeparators) {
    ASSERT_EQ(bar.GetMenuItemCount(), 3);
    CMenu file = bar.GetSubMenu(0);
    ASSERT_EQ(file.GetMenuItemCount(), 3);
    const QList<QAction*> items = file.GetSafeWidget()->actions();
    EXPECT_EQ(items[0]->text(), "&Open...\tCtrl+O");
    EXPECT_EQ(CMenu::ItemId(items[0]), 57601u);
    EXPECT_TRUE(items[1]->isSeparator());
    EXPECT_EQ(menuBar.actions()[0]->text(), "&File");
    EXPECT_EQ(bar.FindItem(32778)->text(), "1&0 Milliseconds") << "found inside nested popups";
    EXPECT_EQ(bar.GetSubMenu(2).GetSubMenu(0).GetSafeWidget(), nullptr) << "a command is no popup";
}

TEST_F(MenuTest, PopupInsertedByPositionLandsBeforeTheLastMenu) {
    CMenu devices;
    ASSERT_TRUE(devices.CreateMenu());
    ASSERT_TRUE(bar.InsertMenu(static_cast<unsigned>(bar.GetMenuItemCount() - 1),
                               MF_BYPOSITION | MF_POPUP, devices, "&Output Device"));
    ASSERT_TRUE(devices.AppendMenu(MF_STRING, 201, "Tabulon Synth"));
    ASSERT_TRUE(devices.AppendMenu(MF_STRING, 202, "Other"));

    ASSERT_EQ(bar.GetMenuItemCount(), 4);
    EXPECT_EQ(menuBar.actions()[2]->text(), "&Output Device");
    EXPECT_EQ(menuBar.actions()[3]->text(), "&Help");
    EXPECT_EQ(bar.GetSubMenu(2).GetMenuItemCount(), 2);
    EXPECT_FALSE(bar.InsertMenu(0, MF_BYCOMMAND, devices, "x")) << "only by position, as popup";

    // A position past the end appends.
    CMenu extra;
    extra.CreatePopupMenu();
    EXPECT_TRUE(bar.InsertMenu(99, MF_BYPOSITION | MF_POPUP, extra, "Extra"));
    EXPECT_EQ(menuBar.actions().back()->text(), "Extra");
}

TEST_F(MenuTest, CheckMenuItemSetsClearsAndReportsThePreviousState) {
    CMenu devices;
    devices.CreateMenu();
    bar.InsertMenu(2, MF_BYPOSITION | MF_POPUP, devices, "&Output Device");
    devices.AppendMenu(MF_STRING, 201, "A");
    devices.AppendMenu(MF_STRING, 202, "B");

    EXPECT_EQ(devices.CheckMenuItem(201, MF_CHECKED), MF_UNCHECKED);
    EXPECT_EQ(devices.CheckMenuItem(201, MF_CHECKED), MF_CHECKED);
    EXPECT_TRUE(devices.FindItem(201)->isChecked());
    EXPECT_EQ(devices.CheckMenuItem(201, MF_UNCHECKED), MF_CHECKED);
    EXPECT_FALSE(devices.FindItem(201)->isChecked());
    EXPECT_EQ(devices.CheckMenuItem(999, MF_CHECKED), 0xFFFFFFFFu);
    // The bar's handle reaches items in its popups too.
    EXPECT_EQ(bar.CheckMenuItem(32778, MF_CHECKED), MF_UNCHECKED);
    EXPECT_TRUE(bar.FindItem(32778)->isChecked());
}

TEST_F(MenuTest, AppendedItemsKeepGreyedAndCheckedFlags) {
    CMenu popup;
    popup.CreateMenu();
    popup.AppendMenu(MF_STRING | MF_GRAYED, 57616, "Recent File");
    popup.AppendMenu(MF_STRING | MF_CHECKED, 32777, "&1 Millisecond");
    popup.AppendMenu(MF_SEPARATOR);
    EXPECT_FALSE(popup.FindItem(57616)->isEnabled());
    EXPECT_TRUE(popup.FindItem(32777)->isChecked());
    EXPECT_EQ(popup.GetMenuItemCount(), 3);
}

TEST_F(MenuTest, PopupLivesWithTheMenuThatHoldsItAndDiesAloneOtherwise) {
    QPointer<QWidget> loose;
    {
        CMenu popup;
        popup.CreateMenu();
        loose = popup.GetSafeWidget();
        CMenu copy = popup;
        EXPECT_EQ(copy.GetSafeWidget(), loose.data());
    }
    EXPECT_TRUE(loose.isNull()) << "a popup never inserted goes with its last handle";

    QPointer<QWidget> inserted;
    {
        CMenu popup;
        popup.CreateMenu();
        inserted = popup.GetSafeWidget();
        bar.InsertMenu(0, MF_BYPOSITION | MF_POPUP, popup, "Inserted");
    }
    EXPECT_FALSE(inserted.isNull()) << "an inserted popup stays with the bar";
    EXPECT_EQ(CMenu().GetMenuItemCount(), -1);
}
