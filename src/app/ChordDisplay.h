#pragma once
// The chord display: what the view paints. A header "Beat = <beat> Position = <ticks>" at
// (10, 10) and up to four guitar chord diagrams from chordTimeline around the clock's position,
// in slots 160 pixels apart from x = 40, labelled "Previous", "Current/Next", "Upcoming" and
// "Upcoming" at y = 60, with their grids from y = 100.
//
// The display keeps its place in the timeline between paints (module state, one for the
// program): each paint resumes the search from the remembered entry, so its cost does not grow
// with the song; a position before the remembered entry (the play moved back) searches again from
// the first entry. Play rebuilds the timeline and calls ResetChordDisplayCursor. A timeline
// rebuilt behind the display's back (its generation changed) counts as a reset too, so a kept
// place never points into another timeline.
//
// The slots: once the position has reached the first chord, "Previous" shows the chord in force
// (the last entry at or before the position, also past the last entry) and the other slots the
// entries after it. Before the first chord "Previous" keeps its label over the empty grid and
// the first entry is drawn under "Current/Next".
//
// Each new beat number seen at a position other than 0 writes the beat line to the log when
// logMidiEvents is set.
//
// DrawChordDiagram draws one fretboard at (x, y): as many rows as the highest fret needs (at
// least 6, starting at the nut), fret numbers left of the grid, a blue dot (0x00CB2C1F) with a
// white finger mark on each fretted string, "X" or "O" 20 pixels above the nut for strings that
// are not played or may be left out, then the title and, for a position other than 0,
// "Position = <ticks>" under the grid.
//
// With the guitarist's options (UserSettings.chordOptions) the titles and shapes are those of
// ShownChord.h (a derived shape's dots lighter); with largeView the slots give way to the view to
// play from (GuitaristView.h) under the header, which shows the chord in force and the next three.

#include <QSizeF>
#include <cstddef>
#include <cstdint>

#include "Misc/ChordAnalysis.h"
#include "Misc/ChordDictionary.h"
#include "framework/Afx.h"

class CDC;
class CBeatSync;
class QString;

namespace chord_display {

constexpr int kSpacing = 20;
constexpr int kStrings = 6;
constexpr int kMinRows = 6;
constexpr int kGridOffsetX = 16;
constexpr int kGridRightX = 116;
constexpr int kSlotDistance = 160;
constexpr int kFirstSlotX = 40;
constexpr int kSlotCount = 4;
constexpr int kDiagramTopY = 100;
constexpr int kLabelY = 60;
constexpr int kHeaderX = 10;
constexpr int kHeaderY = 10;
constexpr COLORREF kDotColor = 0x00CB2C1F;
constexpr COLORREF kMarkTextColor = 0x00FFFFFF;
// Dots of a derived shape (a chord without a built-in fingering, with allFingerings).
constexpr COLORREF kDerivedDotColor = 0x00E8927C;
// The view to play from starts below the header.
constexpr int kLargeViewTop = 30;

// The state kept between paints.
struct DisplayState {
    std::size_t displayCursor = ChordTimeline::npos;
    uint32_t cursorGeneration = 0;  // the timeline generation displayCursor belongs to
    bool firstChordReached = false;
    int32_t lastLoggedBeat = -1;
};

}  // namespace chord_display

extern chord_display::DisplayState chordDisplayState;

// Play's step after the timeline is rebuilt: the next paint searches from the first entry.
void ResetChordDisplayCursor();

// What a paint reads off the clock.
struct ClockReading {
    int32_t beatCount = 0;
    uint32_t position = 0;  // ticks
    uint16_t ticksPerBeat = 480;
};

// Paints the whole display for `clock`'s beat count and position. `area` is the size of the
// surface in logical pixels (what the view to play from scales to); empty means the painter's.
void DrawChordDisplay(CDC& dc, const CBeatSync& clock, QSizeF area = {});
void DrawChordDisplay(CDC& dc, const ClockReading& clock, QSizeF area = {});

// One diagram; `fingering` may be null, `title` null or empty, position 0 draws no position line;
// a derived fingering's dots are lighter.
void DrawChordDiagram(CDC& dc, int x, int y, const Fingering* fingering, const QString* title,
                      uint32_t position, bool derived = false);
