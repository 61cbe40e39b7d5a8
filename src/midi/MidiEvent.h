#pragma once
// MidiEvent: one timed MIDI event, 8 bytes, the record that the MIDI library reads, writes and
// plays and that every track, block and output buffer of the system holds.
//
// `time` counts ticks; what from depends on where the record lies: a delta from the previous
// event in a track's array and in the output buffer, an absolute time from the start of the track
// in a block handed out by CMidiTrack::GetEventBlock. All time arithmetic is unsigned 32-bit.
// The four message bytes read together as one little-endian 32-bit word with `status` in the low
// byte (MessageWord), which is what the log prints.
//
// How non-channel events are carried is the MIDI library's encoding (see midilib/EventEncoding.h).

#include <cstdint>

struct MidiEvent {
    uint32_t time = 0;
    uint8_t status = 0;
    uint8_t data1 = 0;
    uint8_t data2 = 0;
    uint8_t data3 = 0;

    constexpr uint32_t MessageWord() const {
        return uint32_t{status} | (uint32_t{data1} << 8) | (uint32_t{data2} << 16) |
               (uint32_t{data3} << 24);
    }
    friend constexpr bool operator==(const MidiEvent&, const MidiEvent&) = default;
};

static_assert(sizeof(MidiEvent) == 8, "MidiEvent is an 8-byte record");
