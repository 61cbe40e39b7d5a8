#include "settings/SettingsActions.h"

#include "Misc/LogStream.h"
#include "midi/CMidiSync.h"
#include "settings/CLoggingDlg.h"
#include "settings/CMonitorChannelsDlg.h"
#include "settings/CMonitorTracksDlg.h"
#include "settings/CMuteTracksDlg.h"
#include "settings/CSetResolutionDlg.h"
#include "settings/CSetTempoDlg.h"
#include "settings/CTransposeTracksDlg.h"
#include "settings/LogFile.h"
#include "settings/SettingsText.h"
#include "settings/UserSettings.h"

namespace settings {

int RunSetTempo(CMidiSync& clock) {
    CSetTempoDlg dialog;
    dialog.tempoText = BeatsPerMinuteText(CMidiSync::TempoToBpm(clock.GetPlayedTempo()));
    const int result = dialog.DoModal();
    if (result != IDOK) return result;
    clock.SetPlayedTempo(CMidiSync::BpmToTempo(dialog.BeatsPerMinute()));
    return result;
}

int RunSetResolution(CMidiSync& clock) {
    CSetResolutionDlg dialog;
    dialog.resolutionText = QString::number(clock.GetResolution());
    const int result = dialog.DoModal();
    if (result != IDOK) return result;
    clock.SetResolution(static_cast<uint16_t>(dialog.Resolution()));
    return result;
}

int RunMonitorChannels() {
    CMonitorChannelsDlg dialog;
    const int result = dialog.DoModal();
    if (result != IDOK) return result;
    for (int channel = 0; channel < kMidiChannels; ++channel)
        UserSettings.monitoredChannels[channel] = dialog.channelValues[channel] != 0;
    return result;
}

int RunMonitorTracks() {
    CMonitorTracksDlg dialog;
    return dialog.DoModal();
}

int RunMuteTracks() {
    CMuteTracksDlg dialog;
    return dialog.DoModal();
}

int RunTranspose() {
    CTransposeTracksDlg dialog;
    const int result = dialog.DoModal();
    if (result == IDOK) UserSettings.transposeAmount = dialog.transposeAmount;
    return result;
}

int RunLogging() {
    CLoggingDlg dialog;
    const int result = dialog.DoModal();
    if (result != IDOK) return result;
    const std::string previousFileName = UserSettings.logFileName;
    UserSettings.logFileName = dialog.logFileName;
    UserSettings.logMidiEvents = dialog.logMidiEvents != 0;
    UserSettings.logNotes = dialog.logNotes != 0;
    UserSettings.logChords = dialog.logChords != 0;
    UserSettings.loggingEnabled = dialog.loggingEnabled != 0;
    UserSettings.logTrackInfo = dialog.logTrackInfo != 0;
    CloseLogFile(previousFileName);
    if (UserSettings.loggingEnabled) OpenLogFile();
    return result;
}

}  // namespace settings
