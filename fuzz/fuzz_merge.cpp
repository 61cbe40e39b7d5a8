// The track merge over whatever the reader made of the bytes: a whole play without a device, so one
// SendEvents runs through the merged sequence, with some tracks muted and transposed.
#include "Misc/ChordDictionary.h"
#include "settings/UserSettings.h"
#include "support/SongOnOutput.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const bool ready = [] {
        BuildChordDictionary();
        UserSettings.ResetTrackSettings();
        for (int t = 0; t < kMaxSettingsTracks; t += 3)
            UserSettings.mutedTracks[t] = 1;
        for (int t = 1; t < kMaxSettingsTracks; t += 2)
            UserSettings.transposedTracks[t] = 1;
        UserSettings.transposeAmount = -5;
        return true;
    }();
    (void)ready;
    SongOnOutput song(data, size);
    song.output.StartPlayback();
    return 0;
}
