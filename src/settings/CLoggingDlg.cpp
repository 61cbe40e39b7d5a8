#include "settings/CLoggingDlg.h"

#include "framework/DataExchange.h"
#include "res/Resource.h"
#include "settings/SettingsDialogTemplates.h"
#include "settings/SettingsText.h"
#include "settings/UserSettings.h"

CLoggingDlg::CLoggingDlg(QWidget* parent)
    : CDialog(settings::LoggingTemplate(), parent),
      logFileName(UserSettings.logFileName),
      logMidiEvents(UserSettings.logMidiEvents != 0),
      logTrackInfo(UserSettings.logTrackInfo != 0),
      loggingEnabled(UserSettings.loggingEnabled != 0),
      logChords(UserSettings.logChords != 0),
      logNotes(UserSettings.logNotes != 0) {}

void CLoggingDlg::DoDataExchange(CDataExchange* pDX) {
    if (pDX->m_bSaveAndValidate) {
        QString text = shownFileName_;
        DDX_Text(pDX, IDC_LOG_FILE, text);
        if (text != shownFileName_) logFileName = text.toStdString();
    } else {
        shownFileName_ = settings::DisplayText(logFileName);
        DDX_Text(pDX, IDC_LOG_FILE, shownFileName_);
    }
    DDX_Check(pDX, IDC_LOG_MIDI_EVENTS, logMidiEvents);
    DDX_Check(pDX, IDC_LOG_TRACK_INFO, logTrackInfo);
    DDX_Check(pDX, IDC_LOG_ENABLE, loggingEnabled);
    DDX_Check(pDX, IDC_LOG_CHORDS, logChords);
    DDX_Check(pDX, IDC_LOG_NOTES, logNotes);
}
