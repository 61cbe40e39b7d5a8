// The chord analysis pass over whatever the reader made of the bytes, with every log section on.
#include <sstream>

#include "Misc/ChordDictionary.h"
#include "Misc/LogStream.h"
#include "settings/UserSettings.h"
#include "support/SongOnOutput.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const bool ready = [] {
        BuildChordDictionary();
        UserSettings.ResetTrackSettings();
        UserSettings.transposedTracks.fill(1);
        UserSettings.transposeAmount = 7;
        UserSettings.loggingEnabled = UserSettings.logNotes = UserSettings.logChords = 1;
        return true;
    }();
    (void)ready;
    SongOnOutput song(data, size);
    song.output.AnalyzeChords();
    return 0;
}
