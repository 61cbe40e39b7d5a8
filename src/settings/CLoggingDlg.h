#pragma once
// CLoggingDlg: the "Logging" dialog. Construction copies the log file name and the five log flags
// of UserSettings; the dialog shows them in edit field IDC_LOG_FILE (any length) and the five
// check boxes, and OK reads them back without any test. The dialog refuses nothing and writes no
// setting: the command stores the values and handles the log file.
//
// File names are bytes: the field shows them as UTF-8 when valid, else as Latin-1, and a name the
// user leaves as shown keeps its exact bytes; an edited name is taken as UTF-8.

#include <QString>
#include <string>

#include "framework/CDialog.h"

class CLoggingDlg : public CDialog {
  public:
    explicit CLoggingDlg(QWidget* parent = nullptr);

    std::string logFileName;
    int logMidiEvents = 0;
    int logTrackInfo = 0;
    int loggingEnabled = 0;
    int logChords = 0;
    int logNotes = 0;

  protected:
    void DoDataExchange(CDataExchange* pDX) override;

  private:
    QString shownFileName_;  // the field's text as last loaded
};
