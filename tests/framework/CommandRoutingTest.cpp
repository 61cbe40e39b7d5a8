// Commands through the command tables: routing order, the view's look at every command, update
// handlers reaching menu items and toolbar buttons, the enable test before routing, automatic
// disabling, and the document template's new/open cycle with the recent-file list.

#include <gtest/gtest.h>

#include <QAction>
#include <QMenu>
#include <QMenuBar>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <algorithm>
#include <string>
#include <vector>

#include "framework/CCmdUI.h"
#include "framework/CDC.h"
#include "framework/CToolBar.h"
#include "framework/CWinApp.h"
#include "framework/FrameworkTestSupport.h"

namespace {

constexpr unsigned kViewOnly = 32782;   // handled by the view, with an update handler
constexpr unsigned kShared = 32783;     // handled by both view and frame: the view wins
constexpr unsigned kDocOnly = 32790;    // handled by the document
constexpr unsigned kFrameOnly = 32777;  // handled by the frame, checked by its update handler
constexpr unsigned kAppOnly = 32800;    // handled by the application
constexpr unsigned kNoHandler = 32795;  // in the menu, handled nowhere
constexpr unsigned kDeviceItem = 201;   // added at run time; the view's override acts on it

std::vector<std::string> calls;

QString IconFile() {
    static QTemporaryDir folder;
    static const QString path = [] {
        const QString file = folder.filePath("button.png");
        QImage image(25, 19, QImage::Format_RGB32);
        image.fill(Qt::gray);
        image.save(file);
        return file;
    }();
    return path;
}

class TestDoc : public CDocument {
  public:
    bool OnNewDocument() override {
        calls.push_back("new");
        return true;
    }
    bool OnOpenDocument(const QString& path) override {
        calls.push_back("open " + path.toStdString());
        return true;
    }
    void OnDocCommand() { calls.push_back("doc"); }

  protected:
    const framework::CommandMap* GetCommandMap() const override {
        static const framework::CommandMap map =
            framework::CommandMap::Of<TestDoc>({{kDocOnly, &TestDoc::OnDocCommand}});
        return &map;
    }
};

class TestView : public CView {
  public:
    bool playEnabled = true;
    std::vector<std::pair<unsigned, int>> offered;  // every (id, code) seen by OnCmdMsg
    int menuItemsAtCreate = -1;

    int OnCreate() override {
        calls.push_back("view create");
        CMenu* bar = GetParentFrame()->GetMenu();
        menuItemsAtCreate = bar->GetMenuItemCount();
        CMenu devices;
        devices.CreateMenu();
        bar->InsertMenu(static_cast<unsigned>(bar->GetMenuItemCount() - 1),
                        MF_BYPOSITION | MF_POPUP, devices, "&Output Device");
        devices.AppendMenu(MF_STRING, kDeviceItem, "Device 0");
        return 0;
    }
    void OnDraw(CDC& dc) override { (void)dc; }
    bool OnCmdMsg(unsigned id, int code, CCmdUI* cmdUI) override {
        offered.emplace_back(id, code);
        if (code == CN_COMMAND && id == kDeviceItem) calls.push_back("device");
        return CView::OnCmdMsg(id, code, cmdUI);
    }
    void OnPlay() { calls.push_back("view play"); }
    void OnUpdatePlay(CCmdUI* ui) { ui->Enable(playEnabled); }
    void OnShared() { calls.push_back("view shared"); }

  protected:
    const framework::CommandMap* GetCommandMap() const override {
        static const framework::CommandMap map = framework::CommandMap::Of<TestView>({
            {kViewOnly, &TestView::OnPlay, &TestView::OnUpdatePlay},
            {32811, &TestView::OnPlay},
            {kShared, &TestView::OnShared},
        });
        return &map;
    }
};

class TestFrame : public CFrameWnd {
  public:
    int period = 10;
    CToolBar toolBar;

    int OnCreate() override {
        calls.push_back("frame steps");
        if (CFrameWnd::OnCreate() == -1) return -1;
        calls.push_back("frame base done");
        if (!toolBar.Create(this)) return -1;
        if (!toolBar.LoadToolBar({{32811, IconFile(), "Play"}, {kNoHandler, IconFile(), "Pause"}}))
            return -1;
        return 0;
    }
    void OnFrameCommand() { calls.push_back("frame"); }
    void OnUpdateFrameCommand(CCmdUI* ui) { ui->SetCheck(period == 1); }
    void OnShared() { calls.push_back("frame shared"); }

  protected:
    const framework::CommandMap* GetCommandMap() const override {
        static const framework::CommandMap map = framework::CommandMap::Of<TestFrame>({
            {kFrameOnly, &TestFrame::OnFrameCommand, &TestFrame::OnUpdateFrameCommand},
            {kShared, &TestFrame::OnShared},
        });
        return &map;
    }
};

class TestApp : public CWinApp {
  public:
    void OnAppCommand() { calls.push_back("app"); }

  protected:
    const framework::CommandMap* GetCommandMap() const override {
        static const framework::CommandMap map = framework::CommandMap::Of<TestApp>({
            {ID_FILE_NEW, &CWinApp::OnFileNew},
            {kAppOnly, &TestApp::OnAppCommand},
        });
        return &map;
    }
};

framework::FrameResources Resources() {
    return framework::FrameResources{
        "Tabulon\n\nTabulon\n\n\nTabulon.Document\nTabulon Document",
        {framework::MenuItem::Popup(
             "&File", {framework::MenuItem::Command(ID_FILE_OPEN, "&Open...\tCtrl+O"),
                       framework::MenuItem::Separator(),
                       framework::MenuItem::Command(ID_FILE_MRU_FILE1, "Recent File", MF_GRAYED),
                       framework::MenuItem::Separator(),
                       framework::MenuItem::Command(ID_APP_EXIT, "E&xit")}),
         framework::MenuItem::Popup("&Play",
                                    {framework::MenuItem::Command(kViewOnly, "&Start\tCtrl+P"),
                                     framework::MenuItem::Command(kNoHandler, "Pause"),
                                     framework::MenuItem::Command(kFrameOnly, "&1 Millisecond")}),
         framework::MenuItem::Popup(
             "&Help", {framework::MenuItem::Command(ID_APP_ABOUT, "&About Tabulon")})},
        {{"Ctrl+P", kViewOnly}, {"Ctrl+N", ID_FILE_NEW}},
        {}};
}

class CommandRoutingTest : public ::testing::Test {
  protected:
    void SetUp() override {
        TestApplication();
        calls.clear();
        app.LoadStdProfileSettings(4);
        app.AddDocTemplate(CSingleDocTemplate::Create<TestDoc, TestFrame, TestView>(Resources()));
    }
    void Start() { ASSERT_NE(app.GetDocTemplate()->OpenDocumentFile({}), nullptr); }
    TestFrame& Frame() { return *static_cast<TestFrame*>(app.GetMainWnd()); }
    TestView& View() { return *static_cast<TestView*>(Frame().GetActiveView()); }
    QMenu* Popup(int position) {
        return qobject_cast<QMenu*>(Frame().GetMenu()->GetSubMenu(position).GetSafeWidget());
    }
    // What the menu does just before it pops up.
    void Open(QMenu* menu) { emit menu->aboutToShow(); }

    TestApp app;
};

}  // namespace

TEST_F(CommandRoutingTest, CreationRunsFrameStepsThenViewThenRestOfFrame) {
    Start();
    EXPECT_EQ(calls,
              (std::vector<std::string>{"frame steps", "view create", "frame base done", "new"}));
    EXPECT_EQ(View().menuItemsAtCreate, 3) << "the menu bar exists when the view is created";
    ASSERT_EQ(Frame().GetMenu()->GetMenuItemCount(), 4);
    EXPECT_EQ(Frame().menuBar()->actions()[2]->text(), "&Output Device");
    EXPECT_EQ(Frame().windowTitle(), "Untitled - Tabulon");
}

TEST_F(CommandRoutingTest, CommandsRouteViewThenDocumentThenFrameThenApplication) {
    Start();
    calls.clear();
    for (unsigned id : {kViewOnly, kShared, kDocOnly, kFrameOnly, kAppOnly, kNoHandler})
        Frame().OnCommand(id);
    EXPECT_EQ(calls, (std::vector<std::string>{"view play", "view shared", "doc", "frame", "app"}));
    EXPECT_FALSE(Frame().OnCommand(kNoHandler));
}

TEST_F(CommandRoutingTest, ViewSeesEveryCommandFirstButNoHandlerQueryAsACommand) {
    Start();
    QMenu* play = Popup(1);
    ASSERT_NE(play, nullptr);
    View().offered.clear();
    Open(play);  // automatic disabling asks whether handlers exist
    for (const auto& [id, code] : View().offered)
        EXPECT_NE(code, CN_COMMAND) << id;

    Frame().OnCommand(kAppOnly);
    EXPECT_NE(std::find(View().offered.begin(), View().offered.end(),
                        std::make_pair(kAppOnly, CN_COMMAND)),
              View().offered.end());

    // An item added at run time routes through the view like any other.
    calls.clear();
    QMenu* devices = Popup(2);
    ASSERT_NE(devices, nullptr);
    devices->actions()[0]->trigger();
    EXPECT_EQ(calls, std::vector<std::string>{"device"});
}

TEST_F(CommandRoutingTest, UpdateHandlersReachMenuItemsAndToolbarButtons) {
    Start();
    QMenu* play = Popup(1);
    QAction* start = Frame().GetMenu()->FindItem(kViewOnly);
    QAction* period1 = Frame().GetMenu()->FindItem(kFrameOnly);
    ASSERT_TRUE(play && start && period1);

    View().playEnabled = false;
    Frame().period = 1;
    Open(play);
    EXPECT_FALSE(start->isEnabled());
    EXPECT_TRUE(period1->isChecked());

    View().playEnabled = true;
    Frame().period = 10;
    Open(play);
    EXPECT_TRUE(start->isEnabled());
    EXPECT_FALSE(period1->isChecked());

    // The toolbar follows at idle time: a button with a handler is enabled, one without is not.
    QAction* playButton = Frame().toolBar.FindButton(32811);
    QAction* pauseButton = Frame().toolBar.FindButton(kNoHandler);
    ASSERT_TRUE(playButton && pauseButton);
    playButton->setEnabled(false);
    app.OnIdle(0);
    EXPECT_TRUE(playButton->isEnabled());
    EXPECT_FALSE(pauseButton->isEnabled());
    calls.clear();
    pauseButton->trigger();
    playButton->trigger();
    EXPECT_EQ(calls, std::vector<std::string>{"view play"});
}

TEST_F(CommandRoutingTest, DisabledCommandDoesNothingFromAcceleratorOrCall) {
    Start();
    Frame().activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&Frame()));
    calls.clear();
    View().playEnabled = false;
    QTest::keyClick(&Frame(), Qt::Key_P, Qt::ControlModifier);
    EXPECT_FALSE(Frame().OnCommand(kViewOnly));
    EXPECT_TRUE(calls.empty());

    View().playEnabled = true;
    QTest::keyClick(&Frame(), Qt::Key_P, Qt::ControlModifier);
    EXPECT_EQ(calls, std::vector<std::string>{"view play"});
}

TEST_F(CommandRoutingTest, AutomaticDisablingGreysOnlyItemsWithoutAnyHandler) {
    Start();
    QMenu* play = Popup(1);
    Open(play);
    EXPECT_FALSE(Frame().GetMenu()->FindItem(kNoHandler)->isEnabled());
    EXPECT_TRUE(Frame().GetMenu()->FindItem(kFrameOnly)->isEnabled());

    Frame().m_bAutoMenuEnable = false;
    Frame().GetMenu()->FindItem(kNoHandler)->setEnabled(true);
    Open(play);
    EXPECT_TRUE(Frame().GetMenu()->FindItem(kNoHandler)->isEnabled());
}

TEST_F(CommandRoutingTest, OpeningFilesTitlesAndFillsRecentFileMenu) {
    Start();
    QMenu* file = Popup(0);
    ASSERT_NE(file, nullptr);
    while (app.GetRecentFileList()->GetSize() > 0)
        app.GetRecentFileList()->Remove(0);
    Open(file);
    QAction* first = Frame().GetMenu()->FindItem(ID_FILE_MRU_FILE1);
    EXPECT_EQ(first->text(), "Recent File");
    EXPECT_FALSE(first->isEnabled());

    calls.clear();
    ASSERT_NE(app.OpenDocumentFile("/tmp/a.mid"), nullptr);
    ASSERT_NE(app.OpenDocumentFile("/tmp/b.mid"), nullptr);
    EXPECT_EQ(calls, (std::vector<std::string>{"open /tmp/a.mid", "open /tmp/b.mid"}));
    EXPECT_EQ(Frame().windowTitle(), "b.mid - Tabulon");
    EXPECT_EQ(app.GetDocTemplate()->GetDocument()->GetPathName(), "/tmp/b.mid");

    Open(file);
    EXPECT_EQ(first->text(), "&1 /tmp/b.mid");
    QAction* second = Frame().GetMenu()->FindItem(ID_FILE_MRU_FILE1 + 1);
    ASSERT_NE(second, nullptr);
    EXPECT_EQ(second->text(), "&2 /tmp/a.mid");
    EXPECT_EQ(file->actions().indexOf(second), file->actions().indexOf(first) + 1);
    Open(file);  // refreshing again does not duplicate the entries
    EXPECT_EQ(file->actions().size(), 6);

    calls.clear();
    Frame().GetMenu()->FindItem(ID_FILE_MRU_FILE1 + 1)->trigger();
    EXPECT_EQ(calls, std::vector<std::string>{"open /tmp/a.mid"});
    Frame().OnCommand(ID_FILE_NEW);
    EXPECT_EQ(Frame().windowTitle(), "Untitled - Tabulon");
}

TEST_F(CommandRoutingTest, CommandLineOpensNamedFileWithoutNewDocument) {
    CCommandLineInfo info;
    app.ParseCommandLine(info, {"/tmp/song.mid"});
    EXPECT_EQ(info.m_nShellCommand, CCommandLineInfo::FileOpen);
    ASSERT_TRUE(app.ProcessShellCommand(info));
    EXPECT_EQ(calls.back(), "open /tmp/song.mid");
    EXPECT_EQ(std::count(calls.begin(), calls.end(), "new"), 0);

    app.ParseCommandLine(info, {});
    EXPECT_EQ(info.m_nShellCommand, CCommandLineInfo::FileNew);
}
