#pragma once
// The vocabulary of MIDI messages that the tracks, the merge, the analysis, the log and the MIDI
// library share: status kinds, the bytes of system-exclusive and meta events, the controllers
// the program sends, and the tests every reader of a MidiEvent makes.
//
// System-exclusive runs: the library carries a system-exclusive message as one record per byte,
// the byte in `data1` (see midilib/EventEncoding.h). A record whose data1 is kSysexBegin opens a
// run, one whose data1 is kSysexEnd closes it; the merge and the analysis decide runs on data1
// alone, whatever the status.

#include <cstdint>

#include "midi/MidiEvent.h"

namespace midi {

// Channel message kinds: the high nibble of the status byte.
constexpr uint8_t kNoteOff = 0x80;
constexpr uint8_t kNoteOn = 0x90;
constexpr uint8_t kKeyPressure = 0xA0;
constexpr uint8_t kControlChange = 0xB0;
constexpr uint8_t kProgramChange = 0xC0;
constexpr uint8_t kChannelPressure = 0xD0;
constexpr uint8_t kPitchBend = 0xE0;

// The bytes that open and close a system-exclusive message in a file and a run in the records.
constexpr uint8_t kSysexBegin = 0xF0;
constexpr uint8_t kSysexEnd = 0xF7;
// The status byte of a meta event in a file.
constexpr uint8_t kMetaEvent = 0xFF;

// Meta event types.
constexpr uint8_t kTrackNameMeta = 0x03;
constexpr uint8_t kEndOfTrackMeta = 0x2F;
constexpr uint8_t kTempoMeta = 0x51;
constexpr uint8_t kTimeSignatureMeta = 0x58;
constexpr uint8_t kKeySignatureMeta = 0x59;

// Controllers (the data1 of a control change) that silence a channel.
constexpr uint8_t kAllSoundOffController = 120;
constexpr uint8_t kAllNotesOffController = 123;
// The sustain pedal, and the first of the channel mode messages (120-127), which say something
// about the channel's state rather than set a controller.
constexpr uint8_t kSustainController = 64;
constexpr uint8_t kFirstChannelModeController = 120;
// The General MIDI percussion channel (channel 10, counted from 0) and two of its sounds.
constexpr uint8_t kPercussionChannel = 9;
constexpr uint8_t kSideStickNote = 37;
constexpr uint8_t kHighWoodBlockNote = 76;

// The status of the event that empties the sounding notes (and prints as "All Notes Off").
constexpr uint8_t kAllNotesOffStatus = 0x7B;

constexpr uint8_t KindOf(uint8_t status) {
    return status & 0xF0;
}
constexpr uint8_t ChannelOf(uint8_t status) {
    return status & 0x0F;
}
// A channel message: status 0x80-0xEF.
constexpr bool IsChannelStatus(uint8_t status) {
    return status >= 0x80 && status < 0xF0;
}
// Number of bytes of a channel message with this status, the status included (2 or 3).
constexpr int ChannelMessageLength(uint8_t status) {
    return (KindOf(status) == kProgramChange || KindOf(status) == kChannelPressure) ? 2 : 3;
}

// A note-on or a note-off, of any velocity, on any channel.
constexpr bool IsNoteMessage(const MidiEvent& e) {
    return KindOf(e.status) == kNoteOn || KindOf(e.status) == kNoteOff;
}
// The note tests use bitwise, not short-circuit, operators: both sides are cheap, and in loops over
// mixed events the short-circuit forms compile to branches on the kind of event, which note-ons
// and note-offs make unpredictable.
constexpr bool IsNoteOn(const MidiEvent& e) {
    return (KindOf(e.status) == kNoteOn) & (e.data2 != 0);
}
// A note-off, or a note-on with velocity 0.
constexpr bool IsNoteOff(const MidiEvent& e) {
    return (KindOf(e.status) == kNoteOff) | ((KindOf(e.status) == kNoteOn) & (e.data2 == 0));
}
constexpr bool IsAllNotesOff(const MidiEvent& e) {
    return e.status == kAllNotesOffStatus;
}

// Records of a clock's tempo and position carried in the event stream. Both hold a 23-bit
// number in data1 (bits 16-22), data2 (bits 8-15) and data3 (bits 0-7), so that data1 stays below
// 0x80 and never opens or closes a system-exclusive run.
//  - A tempo record (status kMetaEvent): the file's tempo in microseconds per beat from its tick
//  on.
//  - A position jump (status kPositionJumpStatus): when the clock plays it, its position moves back
//    by that many ticks, and every event queued after it on that output counts from there. A loop
//    and a count-in are made of them.
constexpr uint8_t kPositionJumpStatus = 0xF9;
constexpr uint32_t kMaxRecordValue = 0x7FFFFF;

constexpr MidiEvent MakeValueRecord(uint32_t delta, uint8_t status, uint32_t value) {
    const uint32_t v = value > kMaxRecordValue ? kMaxRecordValue : value;
    return MidiEvent{delta, status, uint8_t((v >> 16) & 0x7F), uint8_t((v >> 8) & 0xFF),
                     uint8_t(v & 0xFF)};
}
constexpr uint32_t RecordValue(const MidiEvent& e) {
    return (uint32_t{e.data1} << 16) | (uint32_t{e.data2} << 8) | uint32_t{e.data3};
}
constexpr bool IsTempoRecord(const MidiEvent& e) {
    return e.status == kMetaEvent;
}
constexpr bool IsPositionJump(const MidiEvent& e) {
    return e.status == kPositionJumpStatus;
}

constexpr bool OpensSysexRun(const MidiEvent& e) {
    return e.data1 == kSysexBegin;
}
constexpr bool ClosesSysexRun(const MidiEvent& e) {
    return e.data1 == kSysexEnd;
}

}  // namespace midi
