#pragma once
// Chord lookup and the ASCII chord diagram, on chordDictionary.
//
// LookupChord recognises a pitch-class set: the root is the lowest pitch class (C first) from
// which the set is exactly a dictionary type. When found it gives the type's abbreviation and name
// (nullptr when absent; the abbreviation of "major" is the empty text), the type's fingering list
// for that root (possibly empty) and the root's name, all owned by the dictionary; when not found
// the four results are left untouched.
//
// WriteChord writes the chord line (root name, abbreviation directly after it, a space and the
// name) and one diagram per fingering of the root; nothing for an unrecognised set.
//
// WriteChordDiagram writes an empty line, one line per string from high E down to low E showing
// four frets (1 to 4, or the four frets ending at the highest fret used), and a line of fret
// numbers. Numbers are written in decimal whatever the stream's format flags.

#include <ostream>

#include "Misc/Chord.h"
#include "Misc/ChordDictionary.h"

bool LookupChord(Chord set, const char*& abbreviation, const char*& name,
                 const FingeringList*& fingerings, const char*& rootName);

std::ostream& WriteChord(std::ostream& stream, Chord set);
std::ostream& WriteChordDiagrams(std::ostream& stream, const FingeringList& fingerings);
std::ostream& WriteChordDiagram(std::ostream& stream, const Fingering& fingering);
