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
constexpr bool IsNoteOn(const MidiEvent& e) {
    return KindOf(e.status) == kNoteOn && e.data2 != 0;
}
// A note-off, or a note-on with velocity 0.
constexpr bool IsNoteOff(const MidiEvent& e) {
    return KindOf(e.status) == kNoteOff || (KindOf(e.status) == kNoteOn && e.data2 == 0);
}
constexpr bool IsAllNotesOff(const MidiEvent& e) {
    return e.status == kAllNotesOffStatus;
}

constexpr bool OpensSysexRun(const MidiEvent& e) {
    return e.data1 == kSysexBegin;
}
constexpr bool ClosesSysexRun(const MidiEvent& e) {
    return e.data1 == kSysexEnd;
}

}  // namespace midi
