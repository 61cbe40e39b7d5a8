#pragma once
// What the chord display shows of one timeline entry under the guitarist's options: the name as
// guitarists write it ("Am7", "D/F#", "Bb"), the title of the designed diagrams and the shape.
//
// With every option off this is the designed display: the title is the root, a space and the
// type's name, then " (" abbreviation ")", and the shape is the dictionary's first fingering for
// the root (none when the list is empty). With guitarNames the root is spelled as the entry
// says (flats in a flat key) and the parenthesis holds the written name; with allFingerings a
// chord without a built-in shape gets a derived one (GuitarShapes.h), marked so.

#include <QString>
#include <optional>

#include "Misc/ChordAnalysis.h"
#include "Misc/GuitarChords.h"
#include "Misc/GuitarShapes.h"
#include "settings/ChordOptions.h"

struct ShownChord {
    guitar::ChordReading reading;
    QString name;
    QString title;
    std::optional<guitar::Shape> shape;
};

// False for an entry whose chord is no chord the options read (never for a timeline entry).
bool ShowChord(const ChordEvent& entry, const ChordOptions& options, ShownChord& shown);
