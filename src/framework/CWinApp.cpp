#include "framework/CWinApp.h"

#include <QAbstractEventDispatcher>
#include <QApplication>
#include <QFileDialog>

#include "framework/CCmdUI.h"
#include "framework/CDocument.h"
#include "framework/Profile.h"

namespace {
CWinApp* theApp = nullptr;
}

CWinApp* AfxGetApp() {
    return theApp;
}

CFrameWnd* AfxGetMainWnd() {
    return theApp ? theApp->GetMainWnd() : nullptr;
}

CWinApp::CWinApp(QString appTitle) : appTitle_(std::move(appTitle)) {
    theApp = this;
    if (QAbstractEventDispatcher* loop = QAbstractEventDispatcher::instance()) {
        // Update handlers only read state; when nothing changes, refreshing posts no events, so
        // the loop goes to sleep right after.
        QObject::connect(loop, &QAbstractEventDispatcher::aboutToBlock, &idleHook_,
                         [this] { OnIdle(0); });
    }
}

CWinApp::~CWinApp() {
    CloseAllDocuments();
    if (theApp == this) theApp = nullptr;
}

int CWinApp::Run() {
    QApplication::exec();
    CloseAllDocuments();
    return ExitInstance();
}

bool CWinApp::OnIdle(long count) {
    (void)count;
    if (CFrameWnd* frame = GetMainWnd()) frame->OnIdleUpdateCmdUI();
    return false;
}

QString CWinApp::GetProfileString(const QString& section, const QString& entry,
                                  const QString& defaultValue) {
    return framework::UserProfile()
        .value(section + QLatin1Char('/') + entry, defaultValue)
        .toString();
}

void CWinApp::LoadStdProfileSettings(int maxRecentFiles) {
    recentFiles_ = std::make_unique<CRecentFileList>(maxRecentFiles);
    recentFiles_->ReadList();
}

void CWinApp::AddDocTemplate(std::unique_ptr<CSingleDocTemplate> docTemplate) {
    docTemplate_ = std::move(docTemplate);
    if (fileDialogFilters_.isEmpty() && docTemplate_) {
        const QString name = docTemplate_->GetDocString(CSingleDocTemplate::filterName);
        const QString ext = docTemplate_->GetDocString(CSingleDocTemplate::filterExt);
        if (!name.isEmpty() && !ext.isEmpty())
            fileDialogFilters_ << QStringLiteral("%1 (*%2)").arg(name, ext);
        fileDialogFilters_ << QStringLiteral("All Files (*)");
    }
}

void CWinApp::ParseCommandLine(CCommandLineInfo& info) const {
    QStringList files;
    const QStringList arguments = QCoreApplication::arguments();
    for (qsizetype i = 1; i < arguments.size(); ++i) {
        if (!arguments[i].startsWith(QLatin1Char('-'))) files << arguments[i];
    }
    ParseCommandLine(info, files);
}

void CWinApp::ParseCommandLine(CCommandLineInfo& info, const QStringList& arguments) const {
    info = CCommandLineInfo{};
    if (!arguments.isEmpty() && !arguments.front().isEmpty()) {
        info.m_nShellCommand = CCommandLineInfo::FileOpen;
        info.m_strFileName = arguments.front();
    }
}

bool CWinApp::ProcessShellCommand(const CCommandLineInfo& info) {
    if (info.m_nShellCommand == CCommandLineInfo::FileOpen)
        return OpenDocumentFile(info.m_strFileName) != nullptr;
    OnFileNew();
    return GetMainWnd() != nullptr;
}

void CWinApp::OnFileNew() {
    if (docTemplate_) docTemplate_->OpenDocumentFile(QString());
}

bool CWinApp::DoPromptFileName(QString& path) {
    path = QFileDialog::getOpenFileName(GetMainWnd(), QStringLiteral("Open"), FileDialogFolder(),
                                        fileDialogFilters_.join(QStringLiteral(";;")));
    return !path.isEmpty();
}

void CWinApp::OnFileOpen() {
    QString path;
    if (DoPromptFileName(path)) OpenDocumentFile(path);
}

void CWinApp::OnAppExit() {
    if (CFrameWnd* frame = GetMainWnd()) frame->close();
}

CDocument* CWinApp::OpenDocumentFile(const QString& path) {
    return docTemplate_ && !path.isEmpty() ? docTemplate_->OpenDocumentFile(path) : nullptr;
}

void CWinApp::AddToRecentFileList(const QString& path) {
    if (recentFiles_) recentFiles_->Add(path);
}

void CWinApp::RemoveFromRecentFileList(const QString& path) {
    if (!recentFiles_) return;
    const qsizetype index = recentFiles_->Files().indexOf(path);
    if (index >= 0) recentFiles_->Remove(static_cast<int>(index));
}

CFrameWnd* CWinApp::GetMainWnd() const {
    return docTemplate_ ? docTemplate_->GetFrame() : nullptr;
}

void CWinApp::CloseAllDocuments() {
    if (docTemplate_) docTemplate_->CloseDocument();
}

bool CWinApp::OnCmdMsg(unsigned id, int code, CCmdUI* cmdUI) {
    if (CCmdTarget::OnCmdMsg(id, code, cmdUI)) return true;
    if (id == ID_APP_EXIT) {
        if (code == CN_COMMAND) OnAppExit();
        return code != CN_UPDATE_COMMAND_UI;
    }
    const int entry = static_cast<int>(id) - static_cast<int>(ID_FILE_MRU_FILE1);
    if (entry < 0 || entry >= 16) return false;
    if (code == CN_UPDATE_COMMAND_UI) {
        if (!cmdUI) return false;
        if (entry == 0 && recentFiles_) {
            recentFiles_->UpdateMenu(*cmdUI);
        } else {
            cmdUI->Enable(recentFiles_ && entry < recentFiles_->GetSize());
        }
        return true;
    }
    if (!recentFiles_ || entry >= recentFiles_->GetSize()) return false;
    if (code == CN_COMMAND) {
        const QString path = recentFiles_->Files()[entry];
        // An entry whose file can no longer be read (moved, deleted, damaged) leaves the list.
        const CDocument* document = OpenDocumentFile(path);
        if (!document || !document->LastOpenSucceeded()) RemoveFromRecentFileList(path);
    }
    return true;
}
