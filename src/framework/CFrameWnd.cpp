#include "framework/CFrameWnd.h"

#include <QAction>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QIcon>
#include <QMenu>
#include <QMenuBar>
#include <QMimeData>
#include <QPointer>
#include <QShortcut>
#include <QTimer>
#include <QToolBar>
#include <QUrl>

#include "framework/CCmdUI.h"
#include "framework/CDocument.h"
#include "framework/CView.h"
#include "framework/CWinApp.h"

CFrameWnd::CFrameWnd() {
    menuBar()->setNativeMenuBar(false);
    menu_ = CMenu::Attach(menuBar());
    resize(760, 480);
}

CFrameWnd::~CFrameWnd() {
    DestroyView();
}

bool CFrameWnd::LoadFrame(const framework::FrameResources& resources, CDocument* document,
                          ViewFactory newView) {
    document_ = document;
    newView_ = std::move(newView);
    appTitle_ = resources.documentString.section(QLatin1Char('\n'), 0, 0);
    if (appTitle_.isEmpty() && AfxGetApp()) appTitle_ = AfxGetApp()->GetAppTitle();
    setWindowTitle(appTitle_);
    if (!resources.iconPath.isEmpty()) setWindowIcon(QIcon(resources.iconPath));

    menu_.AppendTable(resources.menu);
    for (const framework::Accelerator& accelerator : resources.accelerators) {
        auto* shortcut = new QShortcut(QKeySequence(accelerator.keys), this);
        shortcut->setContext(Qt::WindowShortcut);
        const unsigned id = accelerator.id;
        connect(shortcut, &QShortcut::activated, this, [this, id] { OnCommand(id); });
    }
    return OnCreate() != -1;
}

int CFrameWnd::OnCreate() {
    if (!newView_) return -1;
    std::unique_ptr<CView> view = newView_();
    if (!view) return -1;
    view->Attach(this, document_);
    view_ = view.release();
    setCentralWidget(view_);  // the frame's widget tree owns the view from here on
    return view_->OnCreate() == -1 ? -1 : 0;
}

void CFrameWnd::InitialUpdateFrame() {
    OnUpdateFrameTitle();
    if (view_) view_->OnInitialUpdate();
    show();
}

void CFrameWnd::DestroyView() {
    if (!view_) return;
    view_ = nullptr;
    delete takeCentralWidget();
}

CDocument* CFrameWnd::GetActiveDocument() const {
    return view_ ? view_->GetDocument() : document_;
}

bool CFrameWnd::IsCommandEnabled(unsigned id) {
    CCmdUI test(id);
    OnCmdMsg(id, CN_UPDATE_COMMAND_UI, &test);
    return test.IsEnabled();
}

bool CFrameWnd::OnCommand(unsigned id) {
    if (!IsCommandEnabled(id)) return false;
    return OnCmdMsg(id, CN_COMMAND, nullptr);
}

bool CFrameWnd::OnCmdMsg(unsigned id, int code, CCmdUI* cmdUI) {
    if (view_ && view_->OnCmdMsg(id, code, cmdUI)) return true;
    if (CCmdTarget::OnCmdMsg(id, code, cmdUI)) return true;
    CWinApp* app = AfxGetApp();
    return app && app->OnCmdMsg(id, code, cmdUI);
}

void CFrameWnd::UpdateMenuItems(QMenu& menu) {
    // An update handler may rebuild the menu (the recent-file list does): guard every item.
    std::vector<QPointer<QAction>> items;
    for (QAction* item : menu.actions())
        items.emplace_back(item);
    for (const QPointer<QAction>& item : items) {
        const unsigned id = CMenu::ItemId(item);
        if (!item || id == 0 || item->isSeparator()) continue;
        CCmdUI cmdUI(id, item, &menu);
        cmdUI.DoUpdate(*this, m_bAutoMenuEnable);
    }
}

void CFrameWnd::UpdateToolBars() {
    for (QToolBar* toolBar : findChildren<QToolBar*>()) {
        for (QAction* button : toolBar->actions()) {
            const unsigned id = CMenu::ItemId(button);
            if (id == 0) continue;
            CCmdUI cmdUI(id, button);
            cmdUI.DoUpdate(*this, true);
        }
    }
}

void CFrameWnd::OnUpdateFrameTitle() {
    CDocument* document = GetActiveDocument();
    setWindowTitle(document && !document->GetTitle().isEmpty()
                       ? document->GetTitle() + QStringLiteral(" - ") + appTitle_
                       : appTitle_);
}

namespace {

QStringList LocalFiles(const QMimeData* data) {
    QStringList paths;
    if (!data) return paths;
    for (const QUrl& url : data->urls())
        if (url.isLocalFile()) paths << url.toLocalFile();
    return paths;
}

}  // namespace

void CFrameWnd::OnDropFiles(const QStringList& paths) {
    if (CWinApp* app = AfxGetApp(); app && !paths.isEmpty()) app->OpenDocumentFile(paths.front());
}

void CFrameWnd::dragEnterEvent(QDragEnterEvent* event) {
    if (LocalFiles(event->mimeData()).isEmpty())
        event->ignore();
    else
        event->acceptProposedAction();
}

void CFrameWnd::dragMoveEvent(QDragMoveEvent* event) {
    if (LocalFiles(event->mimeData()).isEmpty())
        event->ignore();
    else
        event->acceptProposedAction();
}

void CFrameWnd::dropEvent(QDropEvent* event) {
    const QStringList paths = LocalFiles(event->mimeData());
    if (paths.isEmpty()) {
        event->ignore();
        return;
    }
    event->acceptProposedAction();
    // Opening may show a message box; the drag source waits until the drop returns, so the file
    // is opened from the event loop afterwards.
    QTimer::singleShot(0, this, [this, paths] { OnDropFiles(paths); });
}

void CFrameWnd::closeEvent(QCloseEvent* event) {
    event->accept();
    if (AfxGetMainWnd() == this) QCoreApplication::quit();
}
