#pragma once
// CMuteTracksDlg: the "Mute Tracks" dialog, the track list over UserSettings.mutedTracks (see
// CTrackListDlg). The merge reads the flags at its next block fill, so Select All / Deselect All
// are heard while the dialog is still open.

#include "settings/CTrackListDlg.h"
#include "settings/SettingsDialogTemplates.h"

class CMuteTracksDlg : public CTrackListDlg {
  public:
    explicit CMuteTracksDlg(QWidget* parent = nullptr)
        : CTrackListDlg(settings::MuteTracksTemplate(), UserSettings.mutedTracks, parent) {}
};
