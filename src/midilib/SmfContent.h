#pragma once
// What the file reader makes of a Standard MIDI File: its format and time division, and per track
// the records (see EventEncoding.h) and the first meta event of each type. The file's bytes are
// kept, because meta events are handed out as views into them; they live as long as the content.
//
// Format 2 files are read like the others: each track is an independent sequence starting at
// time 0, and the content reports format 2. Playback merges all tracks of a file as if they
// started together, as for format 1; the format is there for callers that want to do otherwise.

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "midi/MidiEvent.h"
#include "midi/MidiMessages.h"
#include "midilib/SmfFileBytes.h"

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

// Where a track's chunk lies in the file and what its parse was allowed, so that its events can
// be decoded again after they were handed over.
struct SmfChunkPlace {
    size_t begin = 0;
    size_t end = 0;
    bool cut = false;  // the chunk's declared length ran past the end of the file
    size_t recordLimit = 0;
};

struct SmfTrackData {
    std::vector<MidiEvent> events;           // delta times
    std::vector<SmfMetaRef> metas;           // the first meta event of each type, in file order
    std::vector<SmfTimedMetaRef> songMetas;  // every time and key signature, in file order
    SmfChunkPlace chunk;
};

// The track's name (its first meta event of type 3) inside the file's bytes, or "" when it has
// none.
inline std::string_view NameOf(std::span<const uint8_t> bytes, const SmfTrackData& track) {
    for (const SmfMetaRef& meta : track.metas)
        if (meta.type == midi::kTrackNameMeta)
            return std::string_view(reinterpret_cast<const char*>(bytes.data()) + meta.offset,
                                    meta.length);
    return {};
}

struct SmfContent {
    uint16_t format = 0;
    // Ticks per beat. A file with an SMPTE time division plays at a fixed tempo of one beat a
    // second, so that this is its ticks per second: frames per second x ticks per frame.
    uint16_t ticksPerBeat = 0;
    // The SMPTE division as the header gives it (24, 25, 29 for 29.97 drop-frame, 30; 29 plays
    // as 30), or 0 when the division counts ticks per beat.
    uint8_t smpteFramesPerSecond = 0;
    uint8_t ticksPerFrame = 0;
    uint16_t declaredTracks = 0;
    std::vector<SmfTrackData> tracks;  // the track chunks actually present
    // What was wrong with the part of the file that was not kept; "" for a sound file.
    std::string problem;
    SmfFileBytes bytes;
};

}  // namespace midilib
