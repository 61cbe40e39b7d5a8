#pragma once
// The options of the chord sheet, for `tabulon-chords` and `tabulon --chords` alike: one table of
// every option (its name, the name of its value, its help line and how its value is stored), the
// one parser that reads arguments by it, and the help text made from it.
//
// Arguments: FILEs (or folders) and options in any order; an option's value follows it (--tracks
// 0,3) or is joined to it by '=' (--tracks=0,3); an option without a value in the table takes none.
// Every value is checked as it is read: channels count from 1 (1..16), tracks from 0 and below the
// number of tracks the settings can describe, semitones lie in -12..12. After the last argument
// the options are checked together: a FILE is needed (unless help is asked for), --transpose and
// --transpose-tracks go together, --log takes a single FILE. The guitarist's options (--guitar,
// --fingerings, --min-chord, --names, --more-types, --strum) apply in the order given, so
// "--guitar --min-chord off" is every option but the minimum chord length. Nothing is clamped or
// guessed: the first bad argument ends the parse with a one-line reason.
//
// To add an option: one entry in the table in ChordSheetOptions.cpp (name, value name, help
// line, store function) and, when it carries a value, a field here.

#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "chordsheet/ChordSheetFormats.h"
#include "settings/ChordOptions.h"

namespace chordsheet {

struct ChordSheetOptions {
    std::vector<std::string> files;            // files, and folders searched for MIDI files
    std::optional<std::vector<int>> channels;  // counted from 1
    std::optional<std::vector<int>> tracks;
    std::optional<int> transpose;
    std::optional<std::vector<int>> transposeTracks;
    std::optional<std::string> logFile;
    ChordOptions chords;  // the guitarist's options (the view's own option means nothing here)
    SheetFormat format = SheetFormat::Tsv;
    std::optional<int> jobs;  // worker processes for several files; default: the processors
    bool help = false;
};

struct OptionSpec {
    std::string_view name;       // "--tracks"
    std::string_view valueName;  // "0,3,..."; empty for an option that takes no value
    std::string_view help;       // one line
    // Stores `value` (empty for an option without one); false with `error` set when it is bad.
    bool (*store)(std::string_view value, ChordSheetOptions& options, std::string& error);
};

// Every option, in the order the help lists them.
std::span<const OptionSpec> OptionTable();
// The entry named `name` ("--tracks"), or null.
const OptionSpec* FindOption(std::string_view name);

// Parses `arguments` (without the program name) into `options`; false with `error` set on the
// first bad one.
bool ParseArguments(const std::vector<std::string>& arguments, ChordSheetOptions& options,
                    std::string& error);

// One line per option: "  --tracks 0,3,...  the tracks to listen to ...".
std::string OptionsHelp();
// "usage: tabulon-chords FILE [options]", what the program does, and OptionsHelp().
std::string Usage();

}  // namespace chordsheet
