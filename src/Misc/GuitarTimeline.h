#pragma once
// The chord timeline that the guitarist's options give, made from the monitored note events of
// an analysis pass (monitoredEvents), so that it can be remade whenever an option changes without
// walking the tracks again.
//
// The events are replayed into sounding notes of its own (empty at the start; kept as the
// sounding-note list keeps them) and read with ReadChord (GuitarChords.h), the lowest sounding
// note as the bass:
//  - without steadyChords the set is read after every event, as the designed pass does;
//  - with steadyChords every event within 1/16 beat (a quarter note) of the first event of a
//    group joins the group, and the set is read once, after the whole group, at the tick of the
//    group's first note-on (its first tick when it has none): a strum is one chord, not three;
//    and events of channel 10 (index 9, drums) are left out;
//  - a new entry starts where the reading's name (root, symbol, slash bass) differs from the
//    last recognised one; a set that is not read as a chord (silence too) changes nothing;
//  - with a minimum chord length, an entry that lasts less than that (until the next entry) is
//    left out, the shortest first, and the chord before it goes on; equal neighbours are then
//    one entry, whose length counts from there on. The last entry lasts to the end. Beats are
//    quarter notes; a bar follows the time signature in force where the chord starts.
// With guitarNames an entry is spelled with flats where the key signature in force has flats.

#include <cstdint>
#include <vector>

#include "Misc/ChordAnalysis.h"
#include "Misc/GuitarChords.h"
#include "Misc/SongSignatures.h"
#include "settings/ChordOptions.h"
#include "settings/UserSettings.h"

struct GuitarChordEvent {
    uint32_t time = 0;
    guitar::ChordReading reading;
    bool flats = false;
};

std::vector<GuitarChordEvent> BuildGuitarTimeline(const std::vector<MonitoredEvent>& events,
                                                  const ChordOptions& options,
                                                  const SongSignatures& song);

// Puts the timeline of the options in force (UserSettings.chordOptions) into chordTimeline, to be
// called after every analysis pass and whenever an option changes. The timeline that a pass made
// (the designed one, which the log lists) is kept aside here: options that do not change the
// timeline give it back entry for entry; the others replace it with BuildGuitarTimeline's chords
// (each entry's chord is the set its reading explains). The log is not touched.
void PutChordOptionsInForce(const SongSignatures& song);
// How the options read entry `position` of chordTimeline; null while it is the designed one.
const GuitarChordEvent* GuitarChordAt(std::size_t position);

// The minimum chord length in ticks at `tick`; 0 when off.
uint32_t MinChordTicks(MinChordLength length, const SongSignatures& song, uint32_t tick);
