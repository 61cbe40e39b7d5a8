#include "chordsheet/ChordSheet.h"

#include <charconv>
#include <optional>
#include <string_view>

#include "Misc/ChordDiagram.h"
#include "Misc/ChordDictionary.h"
#include "Misc/LogStream.h"
#include "Misc/notelist.h"
#include "midi/CMidiOut.h"
#include "midi/LoadedSong.h"
#include "settings/UserSettings.h"

namespace {

constexpr int kMaxTranspose = 12;

constexpr const char* kUsage =
    "usage: tabulon-chords FILE [--channels 1,2,...] [--tracks 0,3,...] "
    "[--transpose N --transpose-tracks 0,1,...] [--log FILE]\n";

struct ChordSheetOptions {
    std::string file;
    std::optional<std::vector<int>> channels;  // counted from 1
    std::optional<std::vector<int>> tracks;
    std::optional<int> transpose;
    std::optional<std::vector<int>> transposeTracks;
    std::optional<std::string> logFile;
    bool help = false;
};

// A decimal integer with an optional sign, nothing else.
std::optional<int> ParseInteger(std::string_view text) {
    if (!text.empty() && text.front() == '+') text.remove_prefix(1);
    if (text.empty() || text.front() == '+') return std::nullopt;
    int value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size()) return std::nullopt;
    return value;
}

// A comma-separated list of integers from `low` to `high`; the error names `option`.
std::optional<std::vector<int>> ParseList(std::string_view text, int low, int high,
                                          std::string_view option, std::string& error) {
    std::vector<int> values;
    std::size_t start = 0;
    for (;;) {
        const std::size_t comma = text.find(',', start);
        const std::string_view item = text.substr(start, comma - start);
        const std::optional<int> value = ParseInteger(item);
        if (!value || *value < low || *value > high) {
            error = "bad value '" + std::string(item) + "' for " + std::string(option) +
                    " (numbers from " + std::to_string(low) + " to " + std::to_string(high) +
                    ", separated by commas)";
            return std::nullopt;
        }
        values.push_back(*value);
        if (comma == std::string_view::npos) return values;
        start = comma + 1;
    }
}

// Fills `options` from the arguments; false with `error` set on the first bad one.
bool ParseArguments(const std::vector<std::string>& arguments, ChordSheetOptions& options,
                    std::string& error) {
    constexpr int kHighestTrack = kMaxSettingsTracks - 1;
    bool haveFile = false;
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        std::string_view argument = arguments[i];
        if (argument == "--help" || argument == "-h") {
            options.help = true;
            return true;
        }
        if (argument.size() < 2 || argument.substr(0, 2) != "--") {
            if (haveFile) {
                error = "more than one file given: '" + std::string(argument) + "'";
                return false;
            }
            options.file = std::string(argument);
            haveFile = true;
            continue;
        }
        std::string_view option = argument;
        std::optional<std::string_view> value;
        if (const std::size_t equals = argument.find('='); equals != std::string_view::npos) {
            option = argument.substr(0, equals);
            value = argument.substr(equals + 1);
        }
        const bool known = option == "--channels" || option == "--tracks" ||
                           option == "--transpose" || option == "--transpose-tracks" ||
                           option == "--log";
        if (!known) {
            error = "unknown option '" + std::string(option) + "'";
            return false;
        }
        if (!value) {
            if (i + 1 == arguments.size()) {
                error = "option " + std::string(option) + " needs a value";
                return false;
            }
            value = arguments[++i];
        }
        if (option == "--channels") {
            options.channels = ParseList(*value, 1, kMidiChannels, option, error);
            if (!options.channels) return false;
        } else if (option == "--tracks") {
            options.tracks = ParseList(*value, 0, kHighestTrack, option, error);
            if (!options.tracks) return false;
        } else if (option == "--transpose-tracks") {
            options.transposeTracks = ParseList(*value, 0, kHighestTrack, option, error);
            if (!options.transposeTracks) return false;
        } else if (option == "--transpose") {
            options.transpose = ParseInteger(*value);
            if (!options.transpose || *options.transpose < -kMaxTranspose ||
                *options.transpose > kMaxTranspose) {
                error = "bad value '" + std::string(*value) +
                        "' for --transpose (semitones from -12 to 12)";
                return false;
            }
        } else {
            if (value->empty()) {
                error = "option --log needs a file name";
                return false;
            }
            options.logFile = std::string(*value);
        }
    }
    if (!haveFile) {
        error = "no MIDI file given";
        return false;
    }
    if (options.transpose.has_value() != options.transposeTracks.has_value()) {
        error = "--transpose and --transpose-tracks go together";
        return false;
    }
    return true;
}

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

int Run(const ChordSheetOptions& options, std::ostream& out, std::ostream& err) {
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

}  // namespace

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
    if (!ParseArguments(arguments, options, error)) {
        err << error << "\n";
        return kChordSheetFailed;
    }
    if (options.help) {
        out << kUsage;
        return kChordSheetOk;
    }
    return Run(options, out, err);
}
