#pragma once
// CMonitorTracksDlg: the "Monitor Tracks" dialog, the track list over
// UserSettings.monitoredTracks (see CTrackListDlg).

#include "settings/CTrackListDlg.h"
#include "settings/SettingsDialogTemplates.h"

class CMonitorTracksDlg : public CTrackListDlg {
  public:
    explicit CMonitorTracksDlg(QWidget* parent = nullptr)
        : CTrackListDlg(settings::MonitorTracksTemplate(), UserSettings.monitoredTracks, parent) {}
};
