#pragma once
// SmfWriter: collects the records (see EventEncoding.h) and meta events of the tracks of a file
// being written, and encodes them as a Standard MIDI File.
//
// Contract:
//  - Records are appended to a track with delta times; writing to track n creates tracks 0..n.
//    A meta event goes after the records appended before it, at the time of the last of them.
//  - Channel messages are written with running status (cancelled after every meta and
//    system-exclusive event, as strict readers expect); data bytes are masked to 7 bits.
//  - System-exclusive records become packets again: a packet starts at a record whose data1 is
//    0xF0 (an F0 packet), at a record with a delta time, or after a packet's last record (data2
//    1, or data1 0xF7); later packets of a message are F7 continuation packets. Escape records
//    become F7 packets, split in the same way. Tempo records become FF 51 03 meta events.
//  - Records of any other status are not written; their delta time goes to the next event.
//    Deltas too large for a four-byte quantity are carried by empty filler meta events.
//  - Every track ends with end-of-track; a file with no track gets one empty track.

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "midi/MidiEvent.h"

namespace midilib {

class SmfWriter {
  public:
    static constexpr uint32_t kMaxTracks = 65535;
    static constexpr uint32_t kMaxMetaLength = 0x0FFFFFFF;

    // Appends records to a track; returns how many are kept for writing (0 for a track number
    // beyond kMaxTracks - 1).
    uint32_t AppendEvents(uint32_t track, std::span<const MidiEvent> events);
    // Appends a meta event; false when the track number, the type (end-of-track is the writer's
    // own) or the length cannot be written.
    bool AppendMeta(uint32_t track, uint8_t type, std::span<const uint8_t> data);

    size_t TrackCount() const { return tracks_.size(); }
    // The whole file: header (format 1 for several tracks unless 2 is asked for, else `format`)
    // and the track chunks.
    std::vector<uint8_t> Encode(uint16_t format, uint16_t ticksPerBeat) const;

  private:
    struct Meta {
        size_t beforeRecord = 0;
        uint8_t type = 0;
        std::vector<uint8_t> data;
    };
    struct Track {
        std::vector<MidiEvent> events;
        std::vector<Meta> metas;
    };
    Track* TrackAt(uint32_t track);
    static void EncodeTrack(const Track& track, std::vector<uint8_t>& out);

    std::vector<Track> tracks_;
};

}  // namespace midilib
