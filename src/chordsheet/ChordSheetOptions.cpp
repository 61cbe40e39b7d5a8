#include "chordsheet/ChordSheetOptions.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <initializer_list>

#include "settings/UserSettings.h"

namespace chordsheet {

namespace {

constexpr int kMaxTranspose = 12;
constexpr int kHighestTrack = kMaxSettingsTracks - 1;
constexpr int kMostJobs = 256;

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

// One of `words`; `store` receives its position.
template <class Store>
bool StoreWord(std::string_view value, std::initializer_list<std::string_view> words,
               std::string_view option, std::string& error, Store store) {
    std::size_t k = 0;
    for (std::string_view word : words) {
        if (value == word) {
            store(k);
            return true;
        }
        ++k;
    }
    error = "bad value '" + std::string(value) + "' for " + std::string(option) + " (";
    k = 0;
    for (std::string_view word : words)
        error += (k++ == 0 ? "" : k == words.size() ? " or " : ", ") + std::string(word);
    error += ")";
    return false;
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
    OptionSpec{"--guitar", "",
               "every guitarist's option: --fingerings all --min-chord half-beat --names guitar "
               "--more-types --strum",
               [](std::string_view, ChordSheetOptions& o, std::string&) {
                   o.chords = ChordOptions::Guitarist();
                   return true;
               }},
    OptionSpec{"--fingerings", "all|built-in",
               "all: a chord without a built-in fingering gets a barre shape moved up the neck",
               [](std::string_view value, ChordSheetOptions& o, std::string& error) {
                   return StoreWord(value, {"all", "built-in"}, "--fingerings", error,
                                    [&o](std::size_t k) { o.chords.allFingerings = k == 0; });
               }},
    OptionSpec{"--min-chord", "off|half-beat|beat|two-beats|bar",
               "leave out chords shorter than this (also 1/2beat, 1beat, 2beats, 1bar)",
               [](std::string_view value, ChordSheetOptions& o, std::string& error) {
                   const std::optional<MinChordLength> length = MinChordLengthFromWord(value);
                   if (length) {
                       o.chords.minChordLength = *length;
                       return true;
                   }
                   error = "bad value '" + std::string(value) +
                           "' for --min-chord (off, half-beat, beat, two-beats or bar)";
                   return false;
               }},
    OptionSpec{"--names", "guitar|plain",
               "guitar: the root in the bass, slash chords, flats in flat keys, Am7 not C6",
               [](std::string_view value, ChordSheetOptions& o, std::string& error) {
                   return StoreWord(value, {"guitar", "plain"}, "--names", error,
                                    [&o](std::size_t k) { o.chords.guitarNames = k == 0; });
               }},
    OptionSpec{"--more-types", "",
               "also power chords, sus2, add9, m(add9), m(maj7), m7b5, dim, dim7, 13, and a chord "
               "with one stray tone",
               [](std::string_view, ChordSheetOptions& o, std::string&) {
                   o.chords.moreTypes = true;
                   return true;
               }},
    OptionSpec{
        "--strum", "",
        "notes starting within 1/16 beat are one chord; channel 10 (drums) is not listened to",
        [](std::string_view, ChordSheetOptions& o, std::string&) {
            o.chords.steadyChords = true;
            return true;
        }},
    OptionSpec{"--format", "tsv|json|sheet",
               "tab-separated lines (default), one JSON object per file, or a chord chart by bars",
               [](std::string_view value, ChordSheetOptions& o, std::string& error) {
                   return StoreWord(value, {"tsv", "json", "sheet"}, "--format", error,
                                    [&o](std::size_t k) {
                                        o.format = k == 0   ? SheetFormat::Tsv
                                                   : k == 1 ? SheetFormat::Json
                                                            : SheetFormat::Sheet;
                                    });
               }},
    OptionSpec{
        "--jobs", "N",
        "with several files, analyse N at once in worker processes (default: the processors)",
        [](std::string_view value, ChordSheetOptions& o, std::string& error) {
            o.jobs = ParseInteger(value);
            if (o.jobs && *o.jobs >= 1 && *o.jobs <= kMostJobs) return true;
            error = "bad value '" + std::string(value) + "' for --jobs (1 to " +
                    std::to_string(kMostJobs) + ")";
            return false;
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
    if (options.files.empty()) {
        error = "no MIDI file given";
        return false;
    }
    if (options.logFile && options.files.size() > 1) {
        error = "--log takes a single FILE";
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
            options.files.emplace_back(argument);
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
        // Appended piece by piece: see Cell in Misc/ChordDiagram.cpp.
        std::string left = "  ";
        left += o.name;
        if (!o.valueName.empty()) {
            left += ' ';
            left += o.valueName;
        }
        left.resize(width + 4, ' ');
        text += left + std::string(o.help) + "\n";
    }
    return text;
}

std::string Usage() {
    return "usage: tabulon-chords FILE|FOLDER... [options]\n"
           "Prints the chord timeline of MIDI files, one chord a line: "
           "tick, root, abbreviation, name (tab-separated);\n"
           "with the guitarist's options also the chord as written, its bass and a fingering;\n"
           "with several files each line starts with the file.\n\n" +
           OptionsHelp();
}

}  // namespace chordsheet
