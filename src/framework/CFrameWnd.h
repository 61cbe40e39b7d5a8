#pragma once
// CFrameWnd: the main window of the single-document interface, a QMainWindow with a menu bar, its
// toolbars, accelerators and one view as its client.
//
// Creation (LoadFrame, run by the document template): the menu bar is built from the menu table
// and the accelerators installed, then the virtual OnCreate runs. A derived frame does its own
// first steps in OnCreate, then calls CFrameWnd::OnCreate, which creates the view (whose own
// OnCreate can already reach GetMenu() and the frame's members), then adds its toolbar:
//
//     int CMainFrame::OnCreate() {
//         ...steps before the base creation...
//         if (CFrameWnd::OnCreate() == -1) return -1;
//         m_bAutoMenuEnable = false;
//         if (!toolBar.Create(this) || !toolBar.LoadToolBar(...)) return -1;
//         return 0;
//     }
//
// Commands: every menu item, accelerator and toolbar button arrives at OnCommand(id), which
// first asks the update handler whether the command is enabled (a disabled command does
// nothing), then routes it with OnCmdMsg: the active view (which offers it to its document),
// then the frame's own table, then the application. Update handlers refresh a popup's items
// just before it opens and the toolbar buttons whenever the application goes idle. With
// m_bAutoMenuEnable set (the default) a menu item whose command has no handler anywhere is
// greyed; cleared, menu items without an update handler keep their state. Toolbar buttons
// without a handler are always disabled.
//
// Files dropped on the window (after DragAcceptFiles) go to OnDropFiles once the drop is over;
// by default the first local file is opened through the application (CWinApp::OpenDocumentFile),
// as File Open would. Drags that carry no local file are refused.
//
// Idle: OnIdleUpdateCmdUI runs whenever the application goes idle; by default it refreshes the
// toolbars. A frame that shows more of the state (a status bar) refreshes it there too.
//
// GetDispatcher is the frame's queue for MessageWindows (see GuiDispatcher); it outlives every
// member of a derived frame.

#include <QMainWindow>
#include <QString>
#include <QStringList>
#include <functional>
#include <memory>
#include <vector>

#include "framework/CCmdTarget.h"
#include "framework/CMenu.h"
#include "framework/GuiDispatcher.h"

class CDocument;
class CView;
class QMenu;

namespace framework {

struct Accelerator {
    QString keys;  // QKeySequence text: "Ctrl+O", "Shift+Delete", "F6"
    unsigned id;
};

// What a document template hands to its frame: the document string
// ("Title\nDocName\nFileNewName\nFilterName\nFilterExt\nRegId\nRegName"), the main menu, the
// accelerators and the window icon (empty for none).
struct FrameResources {
    QString documentString;
    std::vector<MenuItem> menu;
    std::vector<Accelerator> accelerators;
    QString iconPath;
};

}  // namespace framework

class CFrameWnd : public QMainWindow, public CCmdTarget {
  public:
    using ViewFactory = std::function<std::unique_ptr<CView>()>;

    CFrameWnd();
    ~CFrameWnd() override;

    // Builds menu and accelerators, then runs OnCreate; false when OnCreate returned -1.
    bool LoadFrame(const framework::FrameResources& resources, CDocument* document,
                   ViewFactory newView);
    // Shows the frame and lets the view take the document's state (CView::OnInitialUpdate).
    void InitialUpdateFrame();

    CMenu* GetMenu() { return &menu_; }
    CView* GetActiveView() const { return view_; }
    CDocument* GetActiveDocument() const;
    midi::MessageDispatcher& GetDispatcher() { return dispatcher_; }

    // The entry of every command: enable test, then routing. Returns true when a handler ran.
    bool OnCommand(unsigned id);
    // The command's enable state as its update handler reports it (enabled when it has none).
    bool IsCommandEnabled(unsigned id);
    // Refreshes the items of `menu` (not those of its popups); the buttons of every toolbar.
    void UpdateMenuItems(QMenu& menu);
    void UpdateToolBars();
    virtual void OnIdleUpdateCmdUI() { UpdateToolBars(); }
    // Lets the window take files dropped on it.
    void DragAcceptFiles(bool accept = true) { setAcceptDrops(accept); }
    // Window title: "<document title> - <application title>".
    void OnUpdateFrameTitle();
    // Destroys the view now (the template does this before it destroys the frame).
    void DestroyView();

    bool OnCmdMsg(unsigned id, int code, CCmdUI* cmdUI) override;

    bool m_bAutoMenuEnable = true;

  protected:
    // Creation hook; the base creates the view. Returns 0, or -1 to abandon the window.
    virtual int OnCreate();
    // The local files of a drop, in the order they came.
    virtual void OnDropFiles(const QStringList& paths);
    // Closing the main frame ends the application's event loop.
    void closeEvent(QCloseEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dropEvent(QDropEvent* event) override;

  private:
    framework::GuiDispatcher dispatcher_;
    CMenu menu_;
    CDocument* document_ = nullptr;
    CView* view_ = nullptr;  // owned by the widget tree, as the central widget
    ViewFactory newView_;
    QString appTitle_;
};
