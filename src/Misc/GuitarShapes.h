#pragma once
// Guitar shapes: the fingering drawn for a chord of the guitarist's options (GuitarChords.h).
//
// ShapeFor(type, root, derive) gives the first built-in fingering of the type for that root: the
// dictionary's for a designed type, the shapes listed here for an added type. Where there is
// none and `derive` is set, one of the type's built-in shapes (of any root) is moved up or down
// the neck to the root:
//  - its open strings become a barre at the new first fret, fingered 1, and the other fretted
//    strings take fingers 2 to 4 in fret order (a shape that needs a fifth finger cannot be
//    barred); a shape without open strings moves as it is;
//  - where no barre fits, the open strings are left out instead, provided the root and three
//    tones of the chord (all of a smaller chord) still sound;
//  - every fretted string lies on frets 1 to 12 and the shape spans at most 4 frets (a shape that
//    needs no moving, one of those kept only to be moved, stays as it is);
//  - of the shapes that fit, the one lowest on the neck is taken.
// A moved shape is marked derived (the display draws it lighter). The built-in fingerings keep
// their priority.

#include <optional>

#include "Misc/ChordDictionary.h"

namespace guitar {

struct Shape {
    Fingering fingering;
    bool derived = false;
};

std::optional<Shape> ShapeFor(int type, int root, bool derive);

// The MIDI note each string sounds in standard tuning (E2 A2 D3 G3 B3 E4), or -1 when the
// fingering leaves the string out.
int SoundingNote(const Fingering& fingering, int string);

}  // namespace guitar
