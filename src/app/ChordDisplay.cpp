#include "app/ChordDisplay.h"

#include <QPainter>
#include <QString>
#include <vector>

#include "Misc/ChordDiagram.h"
#include "Misc/LogStream.h"
#include "Misc/LogText.h"
#include "app/GuitaristView.h"
#include "app/ShownChord.h"
#include "framework/CBrush.h"
#include "framework/CDC.h"
#include "midi/CMidiSync.h"
#include "settings/UserSettings.h"

using namespace chord_display;

chord_display::DisplayState chordDisplayState;

namespace {

constexpr uint16_t kPositionSelector = 0;

const char* SlotLabel(int slot) {
    switch (slot) {
        case 0:
            return "Previous";
        case 1:
            return "Current/Next";
        default:
            return "Upcoming";
    }
}

// The mark drawn on string s and the fret it stands at; an empty mark draws nothing.
struct StringMark {
    QString text;
    int fret = 0;
};

StringMark MarkOf(const Fingering& f, int s) {
    StringMark mark;
    mark.fret = f.frets[static_cast<size_t>(s)];
    const int finger = f.fingers[static_cast<size_t>(s)];
    if (mark.fret == -1) {
        mark.text = QStringLiteral("X");
        mark.fret = 0;
    } else if (finger < 0) {
        mark.text = QStringLiteral("O");
    } else if (finger > 0) {
        mark.text = QString::number(finger);
    }
    return mark;
}

// The designed slots. With a chord in force it fills slot 0 and the entries after it the other
// slots; before the first chord slot 0 keeps its label over the empty grid and the first entry
// is "Current/Next".
void DrawSlots(CDC& dc, std::size_t cur, bool inForce) {
    for (int i = 0; i < kSlotCount && cur != ChordTimeline::npos; ++i) {
        const int x = kFirstSlotX + kSlotDistance * i;
        dc.TextOut(x, kLabelY, QString::fromLatin1(SlotLabel(i)));
        if (i == 0 && !inForce) continue;
        const ChordEvent& entry = chordTimeline[cur];
        ShownChord shown;
        ShowChord(entry, GuitarChordAt(cur), UserSettings.chordOptions, shown);
        DrawChordDiagram(dc, x, kDiagramTopY, shown.shape ? &shown.shape->fingering : nullptr,
                         &shown.title, entry.time, shown.shape && shown.shape->derived);
        cur = chordTimeline.Next(cur);
    }
}

// The view to play from, below the header: `inForce` (or none) and the three entries from `next`.
void DrawLargeView(CDC& dc, const ClockReading& clock, QSizeF size, std::size_t inForce,
                   std::size_t next) {
    const ChordOptions& options = UserSettings.chordOptions;
    ShownChord current;
    const bool haveCurrent =
        inForce != ChordTimeline::npos &&
        ShowChord(chordTimeline[inForce], GuitarChordAt(inForce), options, current);
    std::vector<UpcomingChord> upcoming;
    const double ticksPerBeat = clock.ticksPerBeat > 0 ? clock.ticksPerBeat : 1;
    for (std::size_t k = next; k != ChordTimeline::npos && upcoming.size() < 3;
         k = chordTimeline.Next(k)) {
        UpcomingChord chord;
        if (!ShowChord(chordTimeline[k], GuitarChordAt(k), options, chord.chord)) continue;
        chord.beatsUntil = (double(chordTimeline[k].time) - double(clock.position)) / ticksPerBeat;
        upcoming.push_back(chord);
    }
    const QRectF area(0, kLargeViewTop, size.width(), size.height() - kLargeViewTop);
    DrawGuitaristView(dc.Painter(), area, haveCurrent ? &current : nullptr, upcoming);
}

}  // namespace

void ResetChordDisplayCursor() {
    chordDisplayState.displayCursor = ChordTimeline::npos;
    chordDisplayState.cursorGeneration = chordTimeline.Generation();
}

void DrawChordDiagram(CDC& dc, int x, int y, const Fingering* fingering, const QString* title,
                      uint32_t position, bool derived) {
    int rows = kMinRows;
    if (fingering) {
        for (int fret : fingering->frets)
            if (fret >= rows) rows = fret + 1;
    }
    for (int k = 1; k < rows; ++k)
        dc.TextOut(x, y + kSpacing * (k - 1) + 10, QString::number(k));

    const int gx = x + kGridOffsetX;
    for (int s = 0; s < kStrings; ++s) {
        dc.MoveTo(gx + kSpacing * s, y);
        dc.LineTo(gx + kSpacing * s, y + kSpacing * rows);
    }
    for (int r = 0; r < rows; ++r) {
        dc.MoveTo(gx, y + kSpacing * r);
        dc.LineTo(x + kGridRightX, y + kSpacing * r);
    }

    CBrush dotBrush;
    const COLORREF dotColor = derived ? kDerivedDotColor : kDotColor;
    dotBrush.CreateSolidBrush(dotColor);
    CBrush* previousBrush = dc.SelectObject(&dotBrush);
    const COLORREF previousBk = dc.SetBkColor(dotColor);
    const COLORREF previousText = dc.SetTextColor(kMarkTextColor);
    if (fingering) {
        for (int s = 0; s < kStrings; ++s) {
            const StringMark mark = MarkOf(*fingering, s);
            if (mark.text.isEmpty()) continue;
            // (fret - 0.5) and (fret + 0.5) truncated toward zero: a fret-0 box is empty.
            const int top = static_cast<int>(mark.fret - 0.5);
            const int bottom = static_cast<int>(mark.fret + 0.5);
            const int cx = gx + kSpacing * s;
            dc.Ellipse(cx - 10, y + kSpacing * top, cx + 10, y + kSpacing * bottom);
            dc.TextOut(cx - 4, y + kSpacing * (mark.fret - 1), mark.text.left(1));
        }
    }
    if (previousBrush) dc.SelectObject(previousBrush);
    dc.SetBkColor(previousBk);
    dc.SetTextColor(previousText);
    dotBrush.DeleteObject();

    if (title && !title->isEmpty()) dc.TextOut(gx, y + kSpacing * rows, *title);
    if (position != 0)
        dc.TextOut(gx, y + kSpacing * rows + kSpacing,
                   QString::asprintf("Position = %d", static_cast<int>(position)));
}

void DrawChordDisplay(CDC& dc, const CBeatSync& clock, QSizeF area) {
    DrawChordDisplay(
        dc,
        ClockReading{clock.beatCount, clock.GetPosition(kPositionSelector), clock.GetResolution()},
        area);
}

void DrawChordDisplay(CDC& dc, const ClockReading& clock, QSizeF area) {
    const ChordOptions& options = UserSettings.chordOptions;
    const QString emptyTitle;
    if (!options.largeView)
        DrawChordDiagram(dc, kFirstSlotX, kDiagramTopY, nullptr, &emptyTitle, 0);

    const uint32_t pos = clock.position;
    DisplayState& state = chordDisplayState;
    if (clock.beatCount != state.lastLoggedBeat) {
        state.lastLoggedBeat = clock.beatCount;
        if (UserSettings.logMidiEvents && pos != 0) WriteBeatLine(LogStream, clock.beatCount, pos);
    }

    if (state.cursorGeneration != chordTimeline.Generation() ||
        (state.displayCursor != ChordTimeline::npos &&
         state.displayCursor >= chordTimeline.Size())) {
        state.displayCursor = ChordTimeline::npos;
        state.cursorGeneration = chordTimeline.Generation();
    }
    if (state.displayCursor == ChordTimeline::npos) {
        state.firstChordReached = false;
        state.displayCursor = chordTimeline.First();
    }

    // The entry in force is the last one at or before the position. The search resumes from the
    // remembered entry; a position before it (the play moved back) starts again from the first.
    std::size_t cur = state.displayCursor;
    if (cur != ChordTimeline::npos && chordTimeline[cur].time > pos) cur = chordTimeline.First();
    for (std::size_t next = chordTimeline.Next(cur);
         next != ChordTimeline::npos && chordTimeline[next].time <= pos;
         next = chordTimeline.Next(cur))
        cur = next;
    state.displayCursor = cur;
    const bool inForce = cur != ChordTimeline::npos && chordTimeline[cur].time <= pos;
    if (inForce) state.firstChordReached = true;

    if (options.largeView)
        DrawLargeView(dc, clock, area.isEmpty() ? QSizeF(dc.Painter().window().size()) : area,
                      inForce ? cur : ChordTimeline::npos, inForce ? chordTimeline.Next(cur) : cur);
    else
        DrawSlots(dc, cur, inForce);

    dc.TextOut(
        kHeaderX, kHeaderY,
        QString::asprintf("Beat = %d Position = %d", clock.beatCount, static_cast<int>(pos)));
}
