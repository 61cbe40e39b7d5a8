#pragma once
// The command line of the tabulon program:
//
//   tabulon [FILE]                  the window, with FILE opened
//   --headless                      no window shown: play FILE once to its end, then exit 0
//                                   (1 when the output device failed during the play)
//   --log LOGFILE                   logging on from the start into LOGFILE, every log flag set
//   --device N|TEXT                 output device number N, or the first device whose description
//                                   contains TEXT (any case; "null" is the null device)
//   --audio-driver NAME             the built-in synth's audio driver (one of AudioDriverProblem's)
//   --wav WAVFILE                   the built-in synth also records into WAVFILE
//   --period 1|10                   the clock's timer period in milliseconds
//   --stats                         with --headless: at the end, print on standard error how late
//                                   the events reached the device (p50, p99, max)
//   --speed PERCENT                 with --headless: play at 25 to 200 % of the file's tempos
//   --from BAR, --to BAR            with --headless: play from the start of bar BAR (from 1) to the
//                                   end of bar BAR (both included)
//   --count-in                      with --headless: one bar of clicks before the play
//   --chords FILE                   print the chord sheet of FILE and exit: every other argument
//                                   goes to the chord sheet's own parser and must be one of its
//                                   options (chordsheet/ChordSheetOptions.h)
//   --version, --help
//
// Problems (an unknown option, a value out of range, a device that does not exist) are reported
// in one line and give exit status 2; nothing is silently clamped.

#include <QStringList>
#include <optional>
#include <string>
#include <vector>

#include "app/StartupOptions.h"
#include "chordsheet/ChordSheetOptions.h"

constexpr int kExitOk = 0;
constexpr int kExitFailed = 1;
constexpr int kExitUsage = 2;

struct ParsedCommandLine {
    enum class Action { RunWindow, Help, Version, Chords, Error };
    Action action = Action::RunWindow;
    StartupOptions options;
    std::string deviceText;  // as given; resolved by ResolveOutputDevice
    std::string wavFile;
    chordsheet::ChordSheetOptions chordSheet;  // Action::Chords: parsed by the chord sheet
    std::string text;                          // the help text, or the error
};

// Parses `arguments` (the program name first).
ParsedCommandLine ParseCommandLine(const QStringList& arguments);

// The device that `text` names among the library's devices: a decimal number below the device
// count, or the first device whose description contains the text, ignoring case. On failure the
// result is empty and `error` says why.
std::optional<int> ResolveOutputDevice(const std::string& text, std::string& error);

// Why the built-in synth cannot be given audio driver `name` (one that this FluidSynth lacks),
// naming those it has; empty when it can.
std::string AudioDriverProblem(const std::string& name);

// "Tabulon <version>" and the MIDI library's version, one per line.
std::string VersionText();
