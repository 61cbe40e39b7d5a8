#include "chordsheet/ChordSheet.h"

#include "Misc/ChordDiagram.h"
#include "Misc/ChordDictionary.h"
#include "Misc/LogStream.h"
#include "Misc/notelist.h"
#include "midi/CMidiOut.h"
#include "midi/LoadedSong.h"
#include "settings/UserSettings.h"

using chordsheet::ChordSheetOptions;

namespace {

// Track numbers must name tracks of the loaded file.
bool CheckTracks(const std::optional<std::vector<int>>& tracks, const char* option, int trackCount,
                 const std::string& file, std::string& error) {
    if (!tracks) return true;
    for (int track : *tracks) {
        if (track < trackCount) continue;
        error = "bad value '" + std::to_string(track) + "' for " + option + ": " + file +
                (trackCount == 0 ? std::string(" has no tracks")
                                 : " has tracks 0 to " + std::to_string(trackCount - 1));
        return false;
    }
    return true;
}

void SelectOnly(TrackFlags& flags, const std::vector<int>& tracks) {
    flags.fill(0);
    for (int track : tracks)
        flags[static_cast<std::size_t>(track)] = 1;
}

// The user settings as they were before the sheet was made, put back when it is done.
class SettingsRestorer {
  public:
    SettingsRestorer() : saved(UserSettings) {}
    ~SettingsRestorer() { UserSettings = saved; }
    SettingsRestorer(const SettingsRestorer&) = delete;
    SettingsRestorer& operator=(const SettingsRestorer&) = delete;

  private:
    UserSettingsRecord saved;
};

// Closes the log opened for the sheet, whatever way the sheet ends.
class LogCloser {
  public:
    ~LogCloser() {
        if (opened) CloseLogStream();
    }
    bool opened = false;
};

void SetLogFlags(int32_t flag) {
    UserSettings.loggingEnabled = flag;
    UserSettings.logNotes = flag;
    UserSettings.logChords = flag;
    UserSettings.logMidiEvents = flag;
    UserSettings.logTrackInfo = flag;
}

}  // namespace

int RunChordSheet(const ChordSheetOptions& options, std::ostream& out, std::ostream& err) {
    if (options.help) {
        out << chordsheet::Usage();
        return kChordSheetOk;
    }
    SettingsRestorer restoreSettings;
    LogCloser closeLog;

    // A freshly opened file: everything monitored, nothing transposed or muted.
    UserSettings.ResetTrackSettings();
    UserSettings.ClearMutedTracks();
    SetLogFlags(0);
    if (options.logFile) {
        if (!OpenLogStream(*options.logFile)) {
            err << "cannot open log file " << *options.logFile << "\n";
            return kChordSheetFailed;
        }
        closeLog.opened = true;
        UserSettings.logFileName = *options.logFile;
        SetLogFlags(1);
    }

    // Destroyed in reverse order: the song's tracks leave the output object first.
    CMidiOut output;
    LoadedSong song;
    const bool opened = song.Load(options.file, &output);
    song.Describe(UserSettings, options.file);
    if (!opened) {
        const std::string& reason = song.ErrorText();
        err << "cannot read " << options.file << ": "
            << (reason.empty() ? std::string("not a readable MIDI file") : reason) << "\n";
        return kChordSheetFailed;
    }
    const int trackCount = song.TrackCount();
    if (!song.ErrorText().empty())
        err << "warning: " << options.file << ": " << song.ErrorText() << "\n";

    std::string error;
    if (!CheckTracks(options.tracks, "--tracks", trackCount, options.file, error) ||
        !CheckTracks(options.transposeTracks, "--transpose-tracks", trackCount, options.file,
                     error)) {
        err << error << "\n";
        return kChordSheetFailed;
    }
    if (options.channels) {
        UserSettings.monitoredChannels.fill(0);
        for (int channel : *options.channels)
            UserSettings.monitoredChannels[static_cast<std::size_t>(channel - 1)] = 1;
    }
    if (options.tracks) SelectOnly(UserSettings.monitoredTracks, *options.tracks);
    if (options.transpose) {
        UserSettings.transposeAmount = *options.transpose;
        SelectOnly(UserSettings.transposedTracks, *options.transposeTracks);
    }

    if (chordDictionary.TypeCount() == 0) BuildChordDictionary();
    soundingNotes.Clear();
    output.AnalyzeChords();
    WriteChordSheet(out, chordTimeline);
    return kChordSheetOk;
}

void WriteChordSheet(std::ostream& out, const ChordTimeline& timeline) {
    for (const ChordEvent& entry : timeline) {
        const char* abbreviation = nullptr;
        const char* name = nullptr;
        const FingeringList* fingerings = nullptr;
        const char* root = nullptr;
        if (!LookupChord(entry.chord, abbreviation, name, fingerings, root)) continue;
        out << std::to_string(entry.time) << '\t' << root << '\t'
            << (abbreviation != nullptr ? abbreviation : "") << '\t'
            << (name != nullptr ? name : "") << '\n';
    }
}

int RunChordSheet(const std::vector<std::string>& arguments, std::ostream& out, std::ostream& err) {
    ChordSheetOptions options;
    std::string error;
    if (!chordsheet::ParseArguments(arguments, options, error)) {
        err << error << "\n";
        return kChordSheetFailed;
    }
    return RunChordSheet(options, out, err);
}
