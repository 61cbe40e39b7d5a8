#pragma once
// What the chord display shows of one timeline entry under the guitarist's options: the name as
// guitarists write it ("Am7", "D/F#", "Bb"), the title of the designed diagrams and the shape.
//
// With every option off this is the designed display: the title is the root, a space and the
// type's name, then " (" abbreviation ")", and the shape is the dictionary's first fingering for
// the root (none when the list is empty). An entry of the options' timeline comes with its
// reading (root, type, slash bass, flats). With guitarNames the parenthesis holds the written name;
// with allFingerings a chord without a built-in shape gets a derived one (GuitarShapes.h), marked
// so.

#include <QString>
#include <optional>

#include "Misc/ChordAnalysis.h"
#include "Misc/GuitarChords.h"
#include "Misc/GuitarShapes.h"
#include "Misc/GuitarTimeline.h"
#include "settings/ChordOptions.h"

struct ShownChord {
    guitar::ChordReading reading;
    QString name;
    QString title;
    std::optional<guitar::Shape> shape;
};

// `read` is how the options read the entry (GuitarChordAt), null for the designed timeline.
// False for an entry whose chord is no chord (never for a timeline entry).
bool ShowChord(const ChordEvent& entry, const GuitarChordEvent* read, const ChordOptions& options,
               ShownChord& shown);
