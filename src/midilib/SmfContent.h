#pragma once
// What the file reader makes of a Standard MIDI File: its format and time division, and per track
// the records (see EventEncoding.h) and the first meta event of each type. The file's bytes are
// kept, because meta events are handed out as views into them; they live as long as the content.
//
// Format 2 files are read like the others: each track is an independent sequence starting at
// time 0, and the content reports format 2. Playback merges all tracks of a file as if they
// started together, as for format 1; the format is there for callers that want to do otherwise.

#include <cstdint>
#include <string>
#include <vector>

#include "midi/MidiEvent.h"

namespace midilib {

// A meta event inside the file's bytes.
struct SmfMetaRef {
    uint8_t type = 0;
    uint32_t offset = 0;  // where its data starts in SmfContent::bytes
    uint32_t length = 0;
};

// A meta event that describes the song at a moment of it (time and key signatures), with the
// absolute time of that moment in ticks from the start of its track.
struct SmfTimedMetaRef {
    uint32_t time = 0;
    SmfMetaRef meta;
};

struct SmfTrackData {
    std::vector<MidiEvent> events;           // delta times
    std::vector<SmfMetaRef> metas;           // the first meta event of each type, in file order
    std::vector<SmfTimedMetaRef> songMetas;  // every time and key signature, in file order
};

struct SmfContent {
    uint16_t format = 0;
    uint16_t ticksPerBeat = 0;
    uint16_t declaredTracks = 0;
    std::vector<SmfTrackData> tracks;  // the track chunks actually present
    // What was wrong with the part of the file that was not kept; "" for a sound file.
    std::string problem;
    std::vector<uint8_t> bytes;
};

}  // namespace midilib
