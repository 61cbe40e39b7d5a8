#pragma once
// The dialog templates of the settings dialogs: titles, controls with their identifiers (see
// res/Resource.h) and layouts in dialog units.
//  - Set Tempo (IDD_SET_TEMPO) and Set Resolution (IDD_SET_RESOLUTION): a label above one edit
//    field, a unit label right of it, OK and Cancel at the right.
//  - Logging (IDD_LOGGING): "Logfile:" with its edit field, five check boxes below, OK and Cancel
//    at the right.
//  - Monitor Midi Channels (IDD_MONITOR_CHANNELS): a group of 16 check boxes in four rows of four,
//    Select All, Deselect All, OK and Cancel in a row at the bottom.
//  - The track dialogs (IDD_MONITOR_TRACKS, IDD_MUTE_TRACKS, IDD_TRANSPOSE_TRACKS): a
//    multiple-selection list (IDC_TRACK_LIST), Select All, Deselect All, OK and Cancel.

#include "framework/CDialog.h"

namespace settings {

const framework::DialogTemplate& SetTempoTemplate();
const framework::DialogTemplate& SetResolutionTemplate();
const framework::DialogTemplate& LoggingTemplate();
const framework::DialogTemplate& MonitorChannelsTemplate();
const framework::DialogTemplate& MonitorTracksTemplate();
const framework::DialogTemplate& MuteTracksTemplate();
const framework::DialogTemplate& TransposeTracksTemplate();

}  // namespace settings
