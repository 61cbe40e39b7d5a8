#include "chordsheet/ChordSheetOptions.h"

#include <algorithm>
#include <array>
#include <charconv>

#include "settings/UserSettings.h"

namespace chordsheet {

namespace {

constexpr int kMaxTranspose = 12;
constexpr int kHighestTrack = kMaxSettingsTracks - 1;

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

bool StoreList(std::optional<std::vector<int>>& to, std::string_view value, int low, int high,
               std::string_view option, std::string& error) {
    to = ParseList(value, low, high, option, error);
    return to.has_value();
}

const std::array kOptions = {
    OptionSpec{"--channels", "1,2,...", "the channels to listen to, from 1 to 16 (default: all)",
               [](std::string_view value, ChordSheetOptions& o, std::string& error) {
                   return StoreList(o.channels, value, 1, kMidiChannels, "--channels", error);
               }},
    OptionSpec{"--tracks", "0,3,...", "the tracks to listen to, counted from 0 (default: all)",
               [](std::string_view value, ChordSheetOptions& o, std::string& error) {
                   return StoreList(o.tracks, value, 0, kHighestTrack, "--tracks", error);
               }},
    OptionSpec{"--transpose", "N", "semitones from -12 to 12 for the tracks of --transpose-tracks",
               [](std::string_view value, ChordSheetOptions& o, std::string& error) {
                   o.transpose = ParseInteger(value);
                   if (o.transpose && *o.transpose >= -kMaxTranspose &&
                       *o.transpose <= kMaxTranspose)
                       return true;
                   error = "bad value '" + std::string(value) +
                           "' for --transpose (semitones from -12 to 12)";
                   return false;
               }},
    OptionSpec{"--transpose-tracks", "0,1,...", "the tracks that --transpose moves",
               [](std::string_view value, ChordSheetOptions& o, std::string& error) {
                   return StoreList(o.transposeTracks, value, 0, kHighestTrack,
                                    "--transpose-tracks", error);
               }},
    OptionSpec{"--log", "LOGFILE", "write the whole log of the analysis into LOGFILE",
               [](std::string_view value, ChordSheetOptions& o, std::string& error) {
                   if (value.empty()) {
                       error = "option --log needs a file name";
                       return false;
                   }
                   o.logFile = std::string(value);
                   return true;
               }},
    OptionSpec{"--help", "", "print this help and exit",
               [](std::string_view, ChordSheetOptions& o, std::string&) {
                   o.help = true;
                   return true;
               }},
};

bool IsOption(std::string_view argument) {
    return argument.size() >= 2 && argument.substr(0, 2) == "--";
}

// The checks that concern several options at once, after the last argument.
bool CheckTogether(const ChordSheetOptions& options, std::string& error) {
    if (options.help) return true;
    if (options.file.empty()) {
        error = "no MIDI file given";
        return false;
    }
    if (options.transpose.has_value() != options.transposeTracks.has_value()) {
        error = "--transpose and --transpose-tracks go together";
        return false;
    }
    return true;
}

}  // namespace

std::span<const OptionSpec> OptionTable() {
    return kOptions;
}

const OptionSpec* FindOption(std::string_view name) {
    const auto found = std::find_if(kOptions.begin(), kOptions.end(),
                                    [name](const OptionSpec& o) { return o.name == name; });
    return found == kOptions.end() ? nullptr : &*found;
}

bool ParseArguments(const std::vector<std::string>& arguments, ChordSheetOptions& options,
                    std::string& error) {
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        const std::string_view argument = arguments[i];
        if (argument == "-h") {
            options.help = true;
            return true;
        }
        if (!IsOption(argument)) {
            if (!options.file.empty()) {
                error = "more than one file given: '" + std::string(argument) + "'";
                return false;
            }
            options.file = std::string(argument);
            continue;
        }
        const std::size_t equals = argument.find('=');
        const std::string_view name = argument.substr(0, equals);
        const OptionSpec* option = FindOption(name);
        if (option == nullptr) {
            error = "unknown option '" + std::string(name) + "'";
            return false;
        }
        std::string_view value;
        if (option->valueName.empty()) {
            if (equals != std::string_view::npos) {
                error = "option " + std::string(name) + " takes no value";
                return false;
            }
        } else if (equals != std::string_view::npos) {
            value = argument.substr(equals + 1);
        } else if (i + 1 < arguments.size()) {
            value = arguments[++i];
        } else {
            error = "option " + std::string(name) + " needs a value";
            return false;
        }
        if (!option->store(value, options, error)) return false;
        if (options.help) return true;  // the rest is not looked at
    }
    return CheckTogether(options, error);
}

std::string OptionsHelp() {
    std::size_t width = 0;
    for (const OptionSpec& o : kOptions)
        width = std::max(width, o.name.size() + (o.valueName.empty() ? 0 : o.valueName.size() + 1));
    std::string text;
    for (const OptionSpec& o : kOptions) {
        std::string left = "  " + std::string(o.name);
        if (!o.valueName.empty()) left += " " + std::string(o.valueName);
        left.resize(width + 4, ' ');
        text += left + std::string(o.help) + "\n";
    }
    return text;
}

std::string Usage() {
    return "usage: tabulon-chords FILE [options]\n"
           "Prints the chord timeline of a MIDI file, one chord a line: "
           "tick, root, abbreviation, name (tab-separated).\n\n" +
           OptionsHelp();
}

}  // namespace chordsheet
