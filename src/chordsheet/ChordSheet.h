#pragma once
// The chord sheet of a MIDI file: the file is loaded as the document loads it (every track read
// into its own CMidiTrack, attached to a file object and to an output object without a device),
// the chord analysis pass runs over it, and the chord timeline is printed one entry per line:
//
//     <tick>\t<root>\t<abbreviation>\t<name>\n
//
// with the tick in unsigned decimal and an absent abbreviation or name as an empty field.
//
// Arguments (after the program name): FILE [--channels 1,2,...] [--tracks 0,3,...]
// [--transpose N --transpose-tracks 0,1,...] [--log FILE] [--help]. Options also take the form
// --option=value. Unless the options say otherwise every channel and track is monitored and
// nothing is transposed. Channels count from 1 (1..16), tracks from 0 (within the file, and
// below the number of tracks the settings can describe); N lies in -12..12; --transpose and
// --transpose-tracks go together. --log opens the log on FILE with every log flag set.
//
// Exit codes: 0 success (--help prints the usage to `out`); 2 for a bad argument or a file that
// cannot be read, with one line on `err` saying why. The user settings are restored afterwards;
// soundingNotes starts empty, as after opening a file; chordTimeline keeps the file's chords.

#include <ostream>
#include <string>
#include <vector>

#include "Misc/ChordAnalysis.h"

constexpr int kChordSheetOk = 0;
constexpr int kChordSheetFailed = 2;

// Runs the chord sheet for `arguments` (argv without the program name).
int RunChordSheet(const std::vector<std::string>& arguments, std::ostream& out, std::ostream& err);

// The lines of the chord sheet for `timeline`.
void WriteChordSheet(std::ostream& out, const ChordTimeline& timeline);
