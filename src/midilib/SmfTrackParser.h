#pragma once
// SmfTrackParser: turns the body of one track chunk into records (see EventEncoding.h) and the
// first meta event of each type.
//
// Contract:
//  - Running status is expanded; it survives meta and system-exclusive events, because real files
//    rely on that and a data byte after them has no other meaning.
//  - Tempo meta events become tempo records (unless the song plays at a fixed tempo, see
//    `fixedTempo`); every other meta event stays out of the records and its delta time is added
//    to the next record, so absolute times stay right. End-of-track ends the track. Time and key
//    signatures are kept with their absolute times (songMetas).
//  - A data byte of 0x80 or more inside a channel message (a known writer's fault, usually in a
//    velocity) keeps the message with the byte's low 7 bits; a note-on whose velocity would so
//    become 0, which would release the note instead of striking it, gets the loudest velocity.
//    One warning per track names the first such byte and counts the others.
//  - A system-exclusive message (F0 packet, continued by F7 packets) becomes one record per byte;
//    an F7 packet that continues nothing is an escape, unless its first byte is F0, in which case
//    it opens a message like an F0 packet. A message that is never closed by F7, or that holds a
//    byte of 0x80 or more before its end, is dropped with its records (its time is kept). An
//    escape holding 0xF0 or 0xF7 would open or close a run of the merge, so it is dropped too.
//  - The track is cut at the first fault (an event cut off by the end of its chunk, a status byte
//    F1-F6 or F8-FE, a data byte with no running status, a variable-length quantity longer than
//    four bytes, or a time past 2^32 - 1 ticks); everything read before it is kept.
//  - At most `recordLimit` records are made; the limit cuts the track like a fault.
//  - Problems() words what was wrong (see SmfReason.h): the first fault or dropped message, and
//    the warning about clipped data bytes, each with the byte where the bad event starts and the
//    track's number from 1 and its name.

#include <bitset>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "midilib/ByteCursor.h"
#include "midilib/SmfContent.h"

namespace midilib {

class SmfTrackParser {
  public:
    // The chunk body is bytes[begin, end); `chunkCut` says that the chunk's declared length ran
    // past the end of the file, so that the body ends early. `trackNumber` counts from 0.
    // `fixedTempo` (microseconds per beat, 0 = none) plays the song at one tempo whatever its
    // tempo events say: they stay out of the records, and the first track opens with a record of
    // that tempo.
    SmfTrackParser(std::span<const uint8_t> bytes, size_t begin, size_t end, bool chunkCut,
                   uint32_t trackNumber, size_t recordLimit, uint32_t fixedTempo = 0);

    SmfTrackData Parse();
    // What was wrong, worded; empty for a sound track.
    const std::vector<std::string>& Problems() const { return problems_; }
    // True when a fault cut the track before the end of its chunk.
    bool EndedByFault() const { return cut_; }

  private:
    // One thing wrong, worded once the track's name is known: "<what> at byte <at> of <track>
    // <detail>", or "<track> <detail>" when `at` is kNoByte.
    struct Finding {
        std::string what;
        size_t at = 0;
        std::string detail;
    };
    static constexpr size_t kNoByte = static_cast<size_t>(-1);

    // Decodes the run of plain channel messages at the cursor (the common case, fast).
    void DecodePlainChannelMessages();
    // The number of records, at least `count` and at most `limit`, that may be written before
    // more of the reserved array is made resident ahead of the writes.
    size_t PopulateAhead(size_t count, size_t limit);
    bool ParseEvent();  // false when the track ends
    bool ParseChannelMessage(uint8_t status, size_t at);
    bool ParseMeta(size_t at);
    bool ParseSysexPacket(uint8_t kind, size_t at);
    void OpenSysex(std::span<const uint8_t> bytesAfterF0, size_t at);
    void ContinueSysex(std::span<const uint8_t> bytes, size_t at);
    void Escape(std::span<const uint8_t> bytes, size_t at);
    void DropOpenSysex(std::string why);
    void ClipDataBytes(uint8_t status, uint8_t (&data)[2], size_t at);
    bool Emit(MidiEvent event, size_t at);

    // The length of a meta or system-exclusive event; nothing, with the fault noted, when it is
    // cut off or longer than 4 bytes.
    std::optional<uint32_t> ReadEventLength(std::string_view event, size_t at);
    // The data of a meta or system-exclusive event; nothing, with the fault noted, when its
    // length runs past the chunk.
    std::optional<std::span<const uint8_t>> ReadEventData(std::string_view event, size_t at,
                                                          uint32_t length);
    bool Fault(Finding finding);
    bool CutOff(std::string_view event, size_t at);
    void Remember(Finding finding);
    std::string ChunkEndText() const;
    std::string Word(const Finding& finding, std::string_view name) const;

    std::span<const uint8_t> file_;
    ByteCursor cursor_;
    bool chunkCut_;
    uint32_t trackNumber_;
    size_t recordLimit_;
    uint32_t fixedTempo_;

    SmfTrackData track_;
    std::bitset<256> metaSeen_;
    uint64_t time_ = 0;            // absolute time of the event being read
    uint64_t lastRecordTime_ = 0;  // absolute time of the last record made
    uint8_t runningStatus_ = 0;
    size_t populated_ = 0;  // records of the reserved array made resident ahead of the writes
    size_t hugeFrom_ = 0;   // the records that lie in huge pages: never populated ahead
    size_t hugeTo_ = 0;
    bool sysexOpen_ = false;
    size_t sysexFirstRecord_ = 0;
    uint64_t sysexPreviousTime_ = 0;
    size_t sysexStart_ = 0;
    bool cut_ = false;  // a fault ended the track

    std::optional<Finding> firstFinding_;
    std::optional<Finding> firstClip_;
    size_t clipCount_ = 0;
    std::vector<std::string> problems_;
};

}  // namespace midilib
