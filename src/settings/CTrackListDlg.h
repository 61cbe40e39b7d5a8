#pragma once
// CTrackListDlg: the pattern of the three track dialogs, a multiple-selection list (IDC_TRACK_LIST)
// of the loaded file's tracks over one per-track flag array of UserSettings, which the dialog
// shows and writes directly (it keeps no copy).
//  - Opening lists UserSettings.trackCount items, item i being track i's name (its bytes shown as
//    UTF-8 when valid, else Latin-1) or "NO NAME"; item i is selected when flags[i] is set. Tracks
//    at positions the flag array does not hold (kMaxSettingsTracks and beyond) are listed but
//    disabled: they can never be selected and never index the array. Then the list scrolls to
//    its first item and the dialog's own data go into its fields.
//  - Select All (IDC_TRACKS_SELECT_ALL) / Deselect All (IDC_TRACKS_DESELECT_ALL) set / clear the
//    flag of every listed track and select / deselect its item at once: a later Cancel keeps them.
//  - OK clears the flags of all listed tracks and sets those of the selected items, then runs the
//    standard OK processing; a field refused there keeps the dialog open with the flags written.
//  - Cancel changes nothing more.

#include "framework/CDialog.h"
#include "settings/UserSettings.h"

class QListWidget;

class CTrackListDlg : public CDialog {
  public:
    CTrackListDlg(const framework::DialogTemplate& dialogTemplate, TrackFlags& flags,
                  QWidget* parent = nullptr);

    static constexpr const char* kNoName = "NO NAME";

  protected:
    bool OnInitDialog() override;
    void OnOK() override;
    const framework::CommandMap* GetCommandMap() const override;

  private:
    void OnSelectAll();
    void OnDeselectAll();
    void SetAll(int flag);
    // Tracks that have a flag: the listed ones, at most kMaxSettingsTracks.
    int FlaggedTrackCount() const;
    QListWidget* List() const;

    TrackFlags& flags_;
};
