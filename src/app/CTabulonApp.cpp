#include "app/CTabulonApp.h"

#include <QFile>
#include <QFileInfo>
#include <iostream>

#include "app/CAboutDlg.h"
#include "app/CMainFrame.h"
#include "app/CTabulonDoc.h"
#include "app/CTabulonView.h"
#include "app/CommandLine.h"
#include "framework/CSingleDocTemplate.h"
#include "framework/MessageBox.h"
#include "midi/MidiLib.h"
#include "midilib/LibraryOptions.h"
#include "res/MainFrameResources.h"
#include "res/Resource.h"
#include "settings/PlayerSettingsStore.h"
#include "settings/UserSettings.h"

namespace {

constexpr int kRecentFiles = 4;

}  // namespace

CTabulonApp* TabulonApp() {
    return dynamic_cast<CTabulonApp*>(AfxGetApp());
}

CTabulonApp::CTabulonApp(StartupOptions startupOptions)
    : CWinApp(QStringLiteral("Tabulon")), options(std::move(startupOptions)) {
    InitResources();
}

CTabulonApp::~CTabulonApp() {
    // The documents go while this object is still the application they may ask for.
    CloseAllDocuments();
}

bool CTabulonApp::InitInstance() {
    libraryVersion = GetMidiLibraryVersion();
    Enable3dControls();
    LoadStdProfileSettings(kRecentFiles);
    SetFileDialogFilters(OpenFileFilters());
    CTabulonView::startupDevice = options.device;
    CTabulonView::preferredDevice =
        options.headless ? QString() : settings::LoadPlayerSettings().outputDevice;
    // Nothing chosen keeps the library's own setting: the automatic order.
    if (const std::string driver = ChosenAudioDriver(); !driver.empty())
        midilib::SetSynthAudioDriver(driver);
    AddDocTemplate(
        CSingleDocTemplate::Create<CTabulonDoc, CMainFrame, CTabulonView>(MainFrameResources()));

    CCommandLineInfo commandLine;
    ParseCommandLine(commandLine, options.files);
    if (!ProcessShellCommand(commandLine)) return false;
    if (!options.headless) {
        if (auto* view = dynamic_cast<CTabulonView*>(GetMainWnd()->GetActiveView()))
            view->practice.TakeUp(settings::LoadPlayerSettings());
    }
    // The frame set the default name; a log opened by the command line keeps its own.
    if (!options.logFile.empty()) UserSettings.logFileName = options.logFile;
    return true;
}

std::string CTabulonApp::ChosenAudioDriver() const {
    if (!options.audioDriver.empty()) return options.audioDriver;
    const std::string driver =
        GetProfileString(QStringLiteral("Synth"), QStringLiteral("AudioDriver")).toStdString();
    if (driver.empty()) return {};
    if (const std::string problem = AudioDriverProblem(driver); !problem.empty()) {
        // Not worth a box at every start: the synth tries the drivers in order instead.
        std::cerr << "tabulon: the profile's Synth/AudioDriver is ignored: " << problem << '\n';
        return {};
    }
    return driver;
}

QString CTabulonApp::FileDialogFolder() const {
    const QString folder = settings::LoadPlayerSettings().lastFolder;
    return !folder.isEmpty() && QFileInfo(folder).isDir() ? folder : QString();
}

void CTabulonApp::OnAppAbout() {
    CAboutDlg about(GetMainWnd());
    about.versionLabel = FormatLibraryVersion(libraryVersion);
    about.DoModal();
}

void CTabulonApp::TellUser(const QString& text, unsigned type) {
    const CTabulonApp* app = TabulonApp();
    if (app && app->options.headless) {
        std::cerr << "tabulon: " << text.toLocal8Bit().constData() << '\n';
        return;
    }
    AfxMessageBox(text, type);
}

const framework::CommandMap* CTabulonApp::GetCommandMap() const {
    static const framework::CommandMap map = framework::CommandMap::Of<CTabulonApp>({
        {ID_APP_ABOUT, &CTabulonApp::OnAppAbout},
        {ID_FILE_NEW, &CWinApp::OnFileNew},
        {ID_FILE_OPEN, &CWinApp::OnFileOpen},
    });
    return &map;
}
