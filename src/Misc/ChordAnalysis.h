#pragma once
// The chord analysis pass (CMidiOut::AnalyzeChords) and what it produces.
//
// The pass runs at the start of every play. It walks every event of the output object's tracks in
// merged time order, in windows of at most kMergeBlockEvents steps with one block per track,
// reading the tracks' own arrays in place (nothing is copied but the records it keeps), so the
// memory it takes beyond its records is a few words per track. It keeps the note-ons,
// note-offs and all-notes-off events (status exactly 0x7B) of the monitored channels and tracks,
// transposes the copies of transposed tracks, feeds them to soundingNotes and records the
// sounding set after each one (monitoredEvents). From those records it rebuilds chordTimeline:
// one entry each time the recognised chord's texts (root, abbreviation, name) change. It writes the
// analysis sections of the log as the log flags allow, and leaves every track's play state
// rewound and the output's lastTime, outCount and sendIndex at 0. In a long song the records are
// made on a second thread while the walk goes on; the pass returns when both are done, with what
// it would have made on one thread.
//
// Walk rules:
//  - On equal times the lowest track position goes first; a track's own events keep their order.
//  - After a track's step, its next event in the block decides system-exclusive runs on its data1:
//    0xF0 opens a run on that track (only that track is walked until the run closes), 0xF7 closes
//    it. The first event of every block a window loads is tested the same way, so a run that
//    starts at a block boundary (or at the start of a track) is not missed.
//  - A run whose track has no events left is closed, and the walk goes on with the other tracks.
//  - Muted tracks give no events. soundingNotes is never emptied by the pass: notes left sounding
//    by one pass still sound at the start of the next.
//  - Track positions from kMaxSettingsTracks on are neither monitored nor transposed.
//
// chordTimeline is read by the chord display between passes; positions into it stay valid until
// the next pass, which changes Generation().

#include <cstddef>
#include <cstdint>
#include <vector>

#include "Misc/Chord.h"
#include "midi/MidiEvent.h"

// One monitored note event of the last pass.
struct MonitoredEvent {
    uint32_t time = 0;  // absolute ticks from the start of its track
    MidiEvent event;    // the event as analysed: data1 already transposed
    int32_t trackIndex = 0;
    Chord chord;  // the sounding set after the event was applied
};

// One chord change: the chord that starts at `time` (absolute ticks) and lasts until the next one.
struct ChordEvent {
    uint32_t time = 0;
    Chord chord;  // always a set that LookupChord recognises
};

// The chord changes of the last pass, in the order they were found (non-decreasing times, except
// where a system-exclusive run walked one track ahead of the others).
class ChordTimeline {
  public:
    static constexpr std::size_t npos = static_cast<std::size_t>(-1);

    void Clear() {
        entries.clear();
        ++generation;
    }
    void Append(uint32_t time, Chord chord) { entries.push_back(ChordEvent{time, chord}); }

    bool IsEmpty() const { return entries.empty(); }
    std::size_t Size() const { return entries.size(); }
    const ChordEvent& operator[](std::size_t position) const { return entries[position]; }
    // The first position, or npos when empty.
    std::size_t First() const { return entries.empty() ? npos : 0; }
    // The position after `position`, or npos at the end.
    std::size_t Next(std::size_t position) const {
        return position != npos && position + 1 < entries.size() ? position + 1 : npos;
    }
    // Changes whenever the timeline is emptied for a rebuild.
    uint32_t Generation() const { return generation; }

    std::vector<ChordEvent>::const_iterator begin() const { return entries.begin(); }
    std::vector<ChordEvent>::const_iterator end() const { return entries.end(); }

  private:
    std::vector<ChordEvent> entries;
    uint32_t generation = 0;
};

extern ChordTimeline chordTimeline;
extern std::vector<MonitoredEvent> monitoredEvents;
