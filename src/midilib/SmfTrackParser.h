#pragma once
// SmfTrackParser: turns the body of one track chunk into records (see EventEncoding.h) and the
// first meta event of each type.
//
// Contract:
//  - Running status is expanded; it survives meta and system-exclusive events, because real files
//    rely on that and a data byte after them has no other meaning.
//  - Tempo meta events become tempo records; every other meta event stays out of the records and
//    its delta time is added to the next record, so absolute times stay right. End-of-track ends
//    the track. Time and key signatures are kept with their absolute times (songMetas).
//  - A system-exclusive message (F0 packet, continued by F7 packets) becomes one record per byte;
//    an F7 packet that continues nothing is an escape, unless its first byte is F0, in which case
//    it opens a message like an F0 packet. A message that is never closed by F7, or that holds a
//    byte of 0x80 or more before its end, is dropped with its records (its time is kept). An
//    escape holding 0xF0 or 0xF7 would open or close a run of the merge, so it is dropped too.
//  - The track is cut at the first fault (a truncated event, a data byte of 0x80 or more where a
//    data byte belongs, a status byte F1-F6 or F8-FE, a data byte with no running status, a
//    variable-length quantity longer than four bytes, or a time past 2^32 - 1 ticks); everything
//    read before it is kept and Problem() names it with its byte position.
//  - At most `recordLimit` records are made; the limit cuts the track like a fault.

#include <bitset>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>

#include "midilib/ByteCursor.h"
#include "midilib/SmfContent.h"

namespace midilib {

class SmfTrackParser {
  public:
    // The chunk body is bytes[begin, end); `chunkCut` says that the chunk's declared length ran
    // past the end of the file, so that the body ends early. `trackNumber` (from 0) is used in
    // error texts.
    SmfTrackParser(std::span<const uint8_t> bytes, size_t begin, size_t end, bool chunkCut,
                   uint32_t trackNumber, size_t recordLimit);

    SmfTrackData Parse();
    // The first thing that was wrong, or "".
    const std::string& Problem() const { return problem; }

  private:
    bool ParseEvent();  // false when the track ends
    bool ParseChannelMessage(uint8_t status);
    bool ParseMeta();
    bool ParseSysexPacket(uint8_t kind);
    void OpenSysex(std::span<const uint8_t> bytesAfterF0, size_t at);
    void ContinueSysex(std::span<const uint8_t> bytes, size_t at);
    void Escape(std::span<const uint8_t> bytes, size_t at);
    void DropOpenSysex(const char* why, size_t at);
    bool Emit(MidiEvent event);

    // The length of a meta or system-exclusive event; nothing, with the fault noted, when it is
    // cut off or longer than 4 bytes.
    std::optional<uint32_t> ReadEventLength();
    bool Fault(std::string text);
    bool Truncated();
    bool UnexpectedByte(uint8_t value, size_t at);
    void Note(std::string text);

    ByteCursor cursor;
    bool chunkCut;
    uint32_t trackNumber;
    size_t recordLimit;

    SmfTrackData track;
    std::bitset<256> metaSeen;
    uint64_t time = 0;            // absolute time of the event being read
    uint64_t lastRecordTime = 0;  // absolute time of the last record made
    uint8_t runningStatus = 0;
    bool sysexOpen = false;
    size_t sysexFirstRecord = 0;
    uint64_t sysexPreviousTime = 0;
    size_t sysexStart = 0;
    bool cut = false;  // a fault ended the track
    std::string problem;
};

}  // namespace midilib
