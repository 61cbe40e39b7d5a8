#pragma once
// The view to play from: the chord in force large in the middle of the window, named as
// guitarists write it, and the next three chords beside it, each with the beats until it starts.
// Everything scales with the area it is given (the painter's logical size, so HiDPI screens get
// sharp lines and text); nothing is drawn outside it.
//
// A diagram shows five frets (more if a built-in shape spans more). A shape that reaches above
// the fifth fret is drawn from its lowest fret, with that fret's number ("7fr") left of the grid
// instead of the nut; fret numbers stand clear of the dots. "O" above the nut marks an open
// string, "X" a string not played; a fretted note that may be left out is a ring instead of a
// dot; strings that finger 1 holds at one fret are joined into a barre, numbered once. Derived
// shapes are drawn in a lighter blue than built-in ones.

#include <QRectF>
#include <QString>
#include <optional>
#include <vector>

#include "app/ShownChord.h"

class QPainter;

struct UpcomingChord {
    ShownChord chord;
    double beatsUntil = 0;  // quarter notes from the position to the chord
};

// `inForce` is none before the first chord.
void DrawGuitaristView(QPainter& painter, const QRectF& area, const ShownChord* inForce,
                       const std::vector<UpcomingChord>& upcoming);

// One diagram in `box`: the grid, dots, markers and base fret; `shape` may be none (a bare grid).
void DrawGuitarShape(QPainter& painter, const QRectF& box,
                     const std::optional<guitar::Shape>& shape);

// "in 3 beats", "in 1 beat", "now": whole beats, rounded up.
QString BeatsUntilText(double beats);
