#pragma once
// CTabulonApp: the application object. InitInstance keeps the MIDI library's version for the
// About box, loads the recent-file list (4 entries), registers the one document template
// (CTabulonDoc, CMainFrame, CTabulonView with the main window's resources) and carries out the
// command line: File New without a file, otherwise that file is opened. It fails, ending the
// program, when no main window results.
//
// Commands: About shows the About box; File New and File Open are the framework's. The Open
// dialog offers MIDI files first, then all files.
//
// The built-in synth's audio driver is the command line's --audio-driver, else the profile's entry
// Synth/AudioDriver (ignored, with one line on standard error, when no such driver exists), else
// none: the synth then tries the drivers in their order.
//
// The window (not the headless mode) takes up what the last run kept (PlayerSettingsStore.h):
// the output device chosen then, unless the command line names one, and the folder of the last
// file opened as the Open dialog's folder.
//
// TellUser shows a problem to the user: a message box, or one line on standard error in headless
// mode (where no window is shown and nobody could close a box).

#include <QString>
#include <cstdint>
#include <string>

#include "app/StartupOptions.h"
#include "framework/CWinApp.h"

class CTabulonApp : public CWinApp {
  public:
    explicit CTabulonApp(StartupOptions startupOptions = {});
    ~CTabulonApp() override;

    bool InitInstance() override;
    void OnAppAbout();

    const StartupOptions& Options() const { return options; }
    std::string ChosenAudioDriver() const;
    QString FileDialogFolder() const override;

    static void TellUser(const QString& text, unsigned type);

    uint16_t libraryVersion = 0;

  protected:
    const framework::CommandMap* GetCommandMap() const override;

  private:
    StartupOptions options;
};

// The running application object, or null.
CTabulonApp* TabulonApp();
