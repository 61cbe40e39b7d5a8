#pragma once
// The chord sheet of a MIDI file: the file is loaded as the document loads it (every track read
// into its own CMidiTrack, attached to a file object and to an output object without a device),
// the chord analysis pass runs over it, and the chord timeline is printed one entry per line:
//
//     <tick>\t<root>\t<abbreviation>\t<name>\n
//
// with the tick in unsigned decimal and an absent abbreviation or name as an empty field.
//
// The arguments and options are those of ChordSheetOptions.h. Unless the options say otherwise
// every channel and track is monitored and nothing is transposed; track numbers must also lie
// within the file. --log opens the log on its file with every log flag set.
//
// Exit codes: 0 success (--help prints the usage to `out`); 2 for a bad argument or a file that
// cannot be read, with one line on `err` saying why. The user settings are restored afterwards;
// soundingNotes starts empty, as after opening a file; chordTimeline keeps the file's chords.

#include <ostream>
#include <string>
#include <vector>

#include "Misc/ChordAnalysis.h"
#include "Misc/SongSignatures.h"
#include "chordsheet/ChordSheetOptions.h"

class CMidiSMF;

constexpr int kChordSheetOk = 0;
constexpr int kChordSheetFailed = 2;

// Runs the chord sheet for `arguments` (argv without the program name).
int RunChordSheet(const std::vector<std::string>& arguments, std::ostream& out, std::ostream& err);
// Runs the chord sheet for options already parsed.
int RunChordSheet(const chordsheet::ChordSheetOptions& options, std::ostream& out,
                  std::ostream& err);

// The meter and keys of a loaded file, for the guitarist's timeline.
SongSignatures SignaturesOf(const CMidiSMF& file);

// The lines of the chord sheet for `timeline`.
void WriteChordSheet(std::ostream& out, const ChordTimeline& timeline);
