#include "framework/CDocument.h"

#include <QFileInfo>
#include <algorithm>

#include "framework/CFrameWnd.h"
#include "framework/CView.h"
#include "framework/CWinApp.h"

CDocument::~CDocument() {
    // Views normally go first; any left behind must not call back into a destroyed document.
    const std::vector<CView*> views = views_;
    views_.clear();
    for (CView* view : views)
        view->Attach(view->GetParentFrame(), nullptr);
}

bool CDocument::OnOpenDocument(const QString& path) {
    (void)path;
    return true;
}

void CDocument::UpdateAllViews(CView* sender, long hint, void* hintObject) {
    for (CView* view : views_) {
        if (view != sender) view->OnUpdate(sender, hint, hintObject);
    }
}

void CDocument::SetTitle(const QString& title) {
    title_ = title;
    for (CView* view : views_) {
        if (CFrameWnd* frame = view->GetParentFrame()) frame->OnUpdateFrameTitle();
    }
}

void CDocument::SetPathName(const QString& path, bool addToRecentFiles) {
    const QFileInfo file(path);
    pathName_ = file.absoluteFilePath();
    SetTitle(file.fileName());
    if (addToRecentFiles) {
        if (CWinApp* app = AfxGetApp()) app->AddToRecentFileList(pathName_);
    }
}

void CDocument::SetDefaultTitle() {
    pathName_.clear();
    SetTitle(QStringLiteral("Untitled"));
}

void CDocument::AddView(CView* view) {
    if (std::find(views_.begin(), views_.end(), view) == views_.end()) views_.push_back(view);
}

void CDocument::RemoveView(CView* view) {
    std::erase(views_, view);
}
