#pragma once
// CWinApp: the application object, one per process. Construct it after the QApplication (it
// hooks the event loop's idle point); the program's main function then runs
//
//     QApplication qt(argc, argv);
//     CTabulonApp app;
//     if (!app.InitInstance()) {
//         app.ExitInstance();
//         return 1;
//     }
//     return app.Run();
//
// InitInstance (overridden by the application) typically calls LoadStdProfileSettings(4),
// AddDocTemplate, ParseCommandLine and ProcessShellCommand. ProcessShellCommand runs File New
// when the command line names no file, otherwise opens the file; it fails when no main window
// results. Run runs the event loop until the main window closes, then destroys view, frame and
// document (in that order) and returns ExitInstance().
//
// Commands: the application's table is routed last (after view, document and frame). The
// framework handles ID_APP_EXIT (closes the main window) and the recent-file entries
// ID_FILE_MRU_FILE1 onwards (open that file; an entry whose file cannot be read any more leaves
// the list); OnFileNew and OnFileOpen are the standard File New
// and File Open for the application's table to bind. File Open asks for a path with a file
// dialog whose filters are SetFileDialogFilters' (by default the document string's filter, then
// "All Files (*)") and which starts in FileDialogFolder(); DoPromptFileName can be overridden.
//
// Idle: whenever the event loop is about to wait, OnIdle lets the main frame refresh its toolbar
// (and whatever else it shows of the state) through CFrameWnd::OnIdleUpdateCmdUI.

#include <QObject>
#include <QString>
#include <QStringList>
#include <memory>

#include "framework/CCmdTarget.h"
#include "framework/CRecentFileList.h"
#include "framework/CSingleDocTemplate.h"

struct CCommandLineInfo {
    enum ShellCommand { FileNew, FileOpen };
    ShellCommand m_nShellCommand = FileNew;
    QString m_strFileName;
};

class CWinApp : public CCmdTarget {
  public:
    // `appTitle` is the caption of message boxes.
    explicit CWinApp(QString appTitle = "Tabulon");
    ~CWinApp() override;
    CWinApp(const CWinApp&) = delete;
    CWinApp& operator=(const CWinApp&) = delete;

    virtual bool InitInstance() { return true; }
    virtual int ExitInstance() { return 0; }
    int Run();
    virtual bool OnIdle(long count);

    // Dialogs take Qt's own look; kept so that start-up reads as designed.
    void Enable3dControls() {}
    // Loads the recent-file list with `maxRecentFiles` entries from the profile.
    void LoadStdProfileSettings(int maxRecentFiles = 4);
    // The profile's `entry` in group `section` (framework/Profile.h); `defaultValue` when the
    // profile has none.
    static QString GetProfileString(const QString& section, const QString& entry,
                                    const QString& defaultValue = {});
    void AddDocTemplate(std::unique_ptr<CSingleDocTemplate> docTemplate);

    // The first of `arguments` names the file to open; without arguments: File New. The default
    // takes the program's arguments that do not start with "-"; a program with options passes
    // its parser's positional arguments.
    void ParseCommandLine(CCommandLineInfo& info) const;
    void ParseCommandLine(CCommandLineInfo& info, const QStringList& arguments) const;
    bool ProcessShellCommand(const CCommandLineInfo& info);

    void OnFileNew();
    void OnFileOpen();
    void OnAppExit();
    CDocument* OpenDocumentFile(const QString& path);
    virtual bool DoPromptFileName(QString& path);
    // The folder the File Open dialog starts in; empty leaves the choice to the dialog.
    virtual QString FileDialogFolder() const { return {}; }
    void SetFileDialogFilters(QStringList filters) { fileDialogFilters_ = std::move(filters); }

    void AddToRecentFileList(const QString& path);
    void RemoveFromRecentFileList(const QString& path);
    CRecentFileList* GetRecentFileList() const { return recentFiles_.get(); }

    CFrameWnd* GetMainWnd() const;
    CSingleDocTemplate* GetDocTemplate() const { return docTemplate_.get(); }
    const QString& GetAppTitle() const { return appTitle_; }
    // Destroys view, frame and document now.
    void CloseAllDocuments();

    bool OnCmdMsg(unsigned id, int code, CCmdUI* cmdUI) override;

  private:
    QString appTitle_;
    std::unique_ptr<CSingleDocTemplate> docTemplate_;
    std::unique_ptr<CRecentFileList> recentFiles_;
    QStringList fileDialogFilters_;
    QObject idleHook_;  // owns the connection to the event loop's idle point
};

// The application object, and its main frame (none before the first document is shown).
CWinApp* AfxGetApp();
CFrameWnd* AfxGetMainWnd();
