#pragma once
// How the MIDI library carries the events of a Standard MIDI File in MidiEvent records.
//
// The merge and the chord analysis decide system-exclusive runs on `data1` alone (0xF0 opens a
// run, 0xF7 closes it), and the log prints every record's four bytes, so each kind of event gets a
// record form that keeps those tests true:
//
//  - Channel messages (status 0x80-0xEF): status, data1, data2 (0 for the two-byte messages
//    0xC0-0xDF), data3 0. Running status is expanded. data1 < 0x80 always.
//  - System exclusive, `F0 <data> F7` in the file (and a message split over continuation packets
//    `F7 <data>`): one record per byte with status kSysexStatus, the byte in `data1`; the first
//    record's data1 is 0xF0 and the last one's 0xF7, data bytes in between are below 0x80. The
//    first record of each packet carries the packet's delta time, the others delta 0. `data2` is
//    1 on the last record of each packet, else 0. The device sends the reassembled message when it
//    meets the record whose data1 is 0xF7.
//    The reader keeps every run of a track closed: within a track, a record whose data1 is 0xF0
//    is followed by sysex records only, up to the one whose data1 is 0xF7. A message that is
//    never closed by F7 (or is interrupted by another event), or that holds a byte of 0x80 or
//    more before its end, is dropped with its records; its time goes to the next record.
//  - Escape packets (`F7 <bytes>` not continuing a system-exclusive message): one record per byte
//    with status kEscapeStatus, `data2` 1 on the packet's last byte; the device sends the packet's
//    bytes as they stand. An escape packet whose first byte is F0 opens a system-exclusive message
//    like an F0 packet; any other escape packet holding 0xF0 or 0xF7 is dropped, since its
//    records would open or close a run.
//  - Tempo (meta event 0x51): one record with status kTempoStatus and the tempo in microseconds
//    per beat in data1 (bits 16-22), data2 (bits 8-15) and data3 (bits 0-7). data1 is therefore
//    below 0x80 and never opens or closes a run; tempos of 2^23 us or more (below 7.2 beats per
//    minute) are clamped to 2^23 - 1, a tempo of 0 is dropped; a tempo meta event whose length is
//    not 3 is treated as any other meta event. Playing the record changes the tempo of the clock
//    that the output plays against.
//  - Every other meta event stays out of the tracks; its delta time is added to the next record.
//    Track names (meta type 3) and the rest (tempo and end-of-track too) are read with
//    ReadMetaEvent. The delta time of end-of-track, with that of meta events just before it, is
//    not kept: a track ends with its last record.
//  - Running status is expanded, also across meta and system-exclusive events.

#include <cstdint>

#include "midi/MidiEvent.h"
#include "midi/MidiMessages.h"

namespace midilib {

using midi::ChannelMessageLength;

// The statuses of the records that are not channel messages.
constexpr uint8_t kSysexStatus = midi::kSysexBegin;
constexpr uint8_t kEscapeStatus = midi::kSysexEnd;
constexpr uint8_t kTempoStatus = midi::kMetaEvent;
constexpr uint32_t kMaxEncodedTempo = midi::kMaxRecordValue;

constexpr bool IsChannelMessage(const MidiEvent& e) {
    return midi::IsChannelStatus(e.status);
}

constexpr MidiEvent MakeTempoEvent(uint32_t delta, uint32_t microsecondsPerBeat) {
    return midi::MakeValueRecord(delta, kTempoStatus, microsecondsPerBeat);
}

constexpr bool IsTempoEvent(const MidiEvent& e) {
    return midi::IsTempoRecord(e);
}

constexpr uint32_t TempoOf(const MidiEvent& e) {
    return midi::RecordValue(e);
}

}  // namespace midilib
