#pragma once
// The track merge: turns the tracks of an output object into one time-ordered stream, at most
// kOutBufferEvents events per fill, with delta times.
//
// TrackPlayState is the merge position of one track. Each fill takes a block of up to
// kMergeBlockEvents events (absolute times) from every track, consumes events in time order (on
// equal times the lowest position first), and frees the blocks again; `trackIndex` then counts
// the events of the track consumed so far.
//
// Rules of a fill:
//  - A system-exclusive run (an event whose data1 is 0xF0, up to one whose data1 is 0xF7) holds
//    the other tracks: while it is open only its track is read; when that track's block runs out
//    the fill ends. A run left open carries over to the next fill.
//  - A muted track (its mute flag set) keeps its place in time: its events are consumed in order
//    but only its note-offs (0x8n, 0x9n with velocity 0) and its tempo records are kept (muting
//    the track that carries the tempo map must not change the song's tempo).
//  - A fill may be given a limit: events at or after that tick stay unread, and `atLimit` tells
//    whether the fill stopped there.
//  - Transposition by UserSettings (transposedTracks, transposeAmount) applies to note-ons and
//    wraps into 0..127 by octaves; a note-off goes out with the number its note-on was sent with
//    (remembered per track, channel and note).
//  - At most kOutBufferEvents events are consumed; a fill that consumed events but kept none is
//    repeated, so 0 events means every track is finished (or a run's track ran dry).
//  - Deltas count from the latest time sent so far (`lastTime`, never lowered): an event that a
//    run has overtaken goes out with delta 0 and costs no lag afterwards.
//  - Track positions beyond the settings arrays are never transposed or muted.
//
// The two strategies give identical output: Scan looks at every track for every event, Heap keeps
// the tracks' next events in a binary heap ordered by (time, position) and reads them straight
// from the tracks' storage. A TrackMerger keeps that heap from one fill to the next, so that a
// fill of a play costs what it consumes, however many tracks wait or are done.

#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "midi/MidiEvent.h"

class CMidiTrack;

namespace midi {

constexpr uint32_t kOutBufferEvents = 512;
constexpr uint32_t kMergeBlockEvents = 512;
constexpr uint8_t kNoNote = 0xFF;

}  // namespace midi

struct TrackPlayState {
    CMidiTrack* track = nullptr;
    // The block of the current fill (absolute times); empty when the track gave none.
    std::vector<MidiEvent> block;
    uint32_t blockCount = midi::kMergeBlockEvents;
    uint32_t blockIndex = 0;
    uint32_t trackIndex = 0;
    int inSysex = 0;
    // Note number each sounding note-on was sent with, per channel * 128 + original note
    // (midi::kNoNote: none); sized on first use.
    std::vector<uint8_t> sentNotes;

    // Back to the start of the track, as at the start of a play: the next fill or analysis
    // window starts at the track's first event, no system-exclusive run is open, no block is
    // held and no note is remembered as sent.
    void Rewind();
};

namespace midi {

enum class MergeStrategy { Scan, Heap };

constexpr uint64_t kNoMergeLimit = UINT64_MAX;

// One fill into `out` (kOutBufferEvents slots). Updates `states` and `lastTime`; returns the
// number of events kept.
uint32_t MergeTracks(std::vector<TrackPlayState>& states, MidiEvent* out, uint32_t& lastTime,
                     MergeStrategy strategy, uint64_t limit = kNoMergeLimit,
                     bool* atLimit = nullptr);

// The heap merge of one play, kept between fills: the same fills as MergeTracks with
// MergeStrategy::Heap. It remembers where each track's next event lies and which system-exclusive
// run is open, so after anything that moves the tracks (a rewind, a seek, a track added or taken
// out, an edit of a track's events) call Restart(): the next fill then starts from the states as
// they are. A track found moved without a Restart makes it start again too.
class TrackMerger {
  public:
    void Restart() { loaded = false; }
    uint32_t Fill(std::vector<TrackPlayState>& states, MidiEvent* out, uint32_t& lastTime,
                  uint64_t limit = kNoMergeLimit, bool* atLimit = nullptr);

  private:
    struct Next {
        uint32_t time;   // absolute time of the event
        uint32_t index;  // its index in the track
        std::size_t position;
    };
    uint32_t FillOnce(std::vector<TrackPlayState>& states, MidiEvent* out, uint32_t& consumed,
                      uint64_t limit, bool& reached);
    void Load(std::vector<TrackPlayState>& states);

    bool loaded = false;
    const TrackPlayState* loadedStates = nullptr;
    std::size_t loadedCount = 0;
    std::vector<Next> heap;  // the tracks with events left, but the open run's
    bool runOpen = false;
    Next run{};  // the open run's track and its next event
};

// `note` + `amount`, moved by octaves into 0..127.
uint8_t TransposeNote(uint8_t note, int32_t amount);

}  // namespace midi
