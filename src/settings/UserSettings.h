#pragma once
// UserSettings: the one process-wide record of what the user chooses while the program runs
// (monitored channels and tracks, transposed and muted tracks, the transpose amount, the log
// flags and file name) and of three values that describe the loaded file. Plain shared state,
// read and written directly by its users on the GUI thread; nothing is saved between runs except
// the guitarist's chord options, which the application stores.
//
// The per-track arrays hold kMaxSettingsTracks entries. Tracks at positions beyond them still
// play, but count as not monitored, not transposed and not muted: read them through TrackFlag,
// which never indexes past the array.

#include <array>
#include <cstdint>
#include <memory>
#include <string>

#include "settings/ChordOptions.h"

class CMidiSMF;

constexpr int kMidiChannels = 16;
constexpr int kMaxSettingsTracks = 200;

using ChannelFlags = std::array<int32_t, kMidiChannels>;
using TrackFlags = std::array<int32_t, kMaxSettingsTracks>;

// Flag `index` of a per-track array; 0 for every index outside it.
constexpr bool TrackFlag(const TrackFlags& flags, int64_t index) {
    return index >= 0 && index < kMaxSettingsTracks && flags[static_cast<size_t>(index)] != 0;
}

struct UserSettingsRecord {
    ChannelFlags monitoredChannels{};
    TrackFlags monitoredTracks{};
    TrackFlags transposedTracks{};
    TrackFlags mutedTracks{};
    int32_t transposeAmount = 0;

    int32_t trackCount = 0;
    // The loaded file object, which gives the track names; it is not owned, and lapses (reads as
    // none) when the song that holds it goes. None before the first load.
    std::weak_ptr<CMidiSMF> trackNames;
    std::string loadedFilePath;

    std::string logFileName;
    int32_t loggingEnabled = 0;
    int32_t logNotes = 0;
    int32_t logChords = 0;
    int32_t logMidiEvents = 0;
    int32_t logTrackInfo = 0;

    // The guitarist's options (kept between runs by the application; not touched by the resets).
    ChordOptions chordOptions;

    // All channels and all track slots monitored, none transposed, amount 0. Mutes, the file
    // values and the log settings stay.
    void ResetTrackSettings();
    // No track muted.
    void ClearMutedTracks();
};

// The one instance, living for the whole run.
extern UserSettingsRecord UserSettings;
