#include "settings/UserSettings.h"

UserSettingsRecord UserSettings;

void UserSettingsRecord::ResetTrackSettings() {
    monitoredChannels.fill(1);
    monitoredTracks.fill(1);
    transposedTracks.fill(0);
    transposeAmount = 0;
}

void UserSettingsRecord::ClearMutedTracks() {
    mutedTracks.fill(0);
}
