#include "midilib/SmfTrackParser.h"

#include <cstdio>
#include <limits>
#include <utility>

#include "midilib/EventEncoding.h"

namespace midilib {

namespace {

std::string HexByte(uint8_t value) {
    char text[8];
    std::snprintf(text, sizeof text, "0x%02X", value);
    return text;
}

using midi::kEndOfTrackMeta;
using midi::kMetaEvent;
using midi::kSysexBegin;
using midi::kSysexEnd;
using midi::kTempoMeta;

}  // namespace

SmfTrackParser::SmfTrackParser(std::span<const uint8_t> bytes, size_t begin, size_t end,
                               bool chunkCut, uint32_t trackNumber, size_t recordLimit)
    : cursor(bytes, begin, end),
      chunkCut(chunkCut),
      trackNumber(trackNumber),
      recordLimit(recordLimit) {}

SmfTrackData SmfTrackParser::Parse() {
    // Most events of real files take three or four bytes; reserving for three bytes an event
    // saves the regrowth of big tracks and stays within a small multiple of the chunk's size.
    size_t expected = cursor.Remaining() / 3 + 1;
    track.events.reserve(expected < recordLimit ? expected : recordLimit);
    while (ParseEvent() && !cut) {
    }
    if (sysexOpen) DropOpenSysex("unterminated system-exclusive message", sysexStart);
    return std::move(track);
}

bool SmfTrackParser::ParseEvent() {
    if (cursor.AtEnd()) {
        if (chunkCut) return Truncated();
        Note("missing end-of-track in track " + std::to_string(trackNumber));
        return false;
    }
    VarLenFault fault;
    const size_t deltaAt = cursor.Position();
    const auto delta = cursor.ReadVarLen(&fault);
    if (!delta) {
        if (fault == VarLenFault::kTruncated) return Truncated();
        return Fault("variable-length quantity longer than 4 bytes at byte " +
                     std::to_string(deltaAt) + " in track " + std::to_string(trackNumber));
    }
    time += *delta;
    if (time > std::numeric_limits<uint32_t>::max()) {
        return Fault("track " + std::to_string(trackNumber) +
                     " passes the largest tick time (2^32 - 1) at byte " + std::to_string(deltaAt));
    }
    const auto first = cursor.Peek();
    if (!first) return Truncated();
    const uint8_t b = *first;
    if (b < 0x80) {
        if (runningStatus == 0) {
            return Fault("unexpected byte " + HexByte(b) + " at " +
                         std::to_string(cursor.Position()) + " in track " +
                         std::to_string(trackNumber) + " (data byte with no running status)");
        }
        return ParseChannelMessage(runningStatus);
    }
    if (midi::IsChannelStatus(b)) {
        cursor.Skip(1);
        runningStatus = b;
        return ParseChannelMessage(b);
    }
    if (b == kMetaEvent) {
        cursor.Skip(1);
        return ParseMeta();
    }
    if (b == kSysexBegin || b == kSysexEnd) {
        cursor.Skip(1);
        return ParseSysexPacket(b);
    }
    return UnexpectedByte(b, cursor.Position());
}

bool SmfTrackParser::ParseChannelMessage(uint8_t status) {
    uint8_t data[2] = {0, 0};
    const int count = ChannelMessageLength(status) - 1;
    for (int i = 0; i < count; ++i) {
        const size_t at = cursor.Position();
        const auto value = cursor.ReadByte();
        if (!value) return Truncated();
        if (*value >= 0x80) return UnexpectedByte(*value, at);
        data[i] = *value;
    }
    if (sysexOpen) DropOpenSysex("unterminated system-exclusive message", sysexStart);
    return Emit(MidiEvent{0, status, data[0], data[1], 0});
}

bool SmfTrackParser::ParseMeta() {
    const auto type = cursor.ReadByte();
    if (!type) return Truncated();
    const auto length = ReadEventLength();
    if (!length) return false;
    const size_t dataAt = cursor.Position();
    const auto data = cursor.ReadBytes(*length);
    if (!data) return Truncated();
    const SmfMetaRef meta{*type, uint32_t(dataAt), *length};
    if (!metaSeen.test(*type)) {
        metaSeen.set(*type);
        track.metas.push_back(meta);
    }
    if (*type == midi::kTimeSignatureMeta || *type == midi::kKeySignatureMeta)
        track.songMetas.push_back(SmfTimedMetaRef{uint32_t(time), meta});
    if (*type == kEndOfTrackMeta) return false;
    if (*type == kTempoMeta && *length == 3) {
        const uint32_t tempo = uint32_t{(*data)[0]} << 16 | uint32_t{(*data)[1]} << 8 | (*data)[2];
        if (tempo == 0) return true;  // a tempo of 0 means nothing; its time goes to the next
        if (sysexOpen) DropOpenSysex("unterminated system-exclusive message", sysexStart);
        return Emit(MakeTempoEvent(0, tempo));
    }
    return true;
}

bool SmfTrackParser::ParseSysexPacket(uint8_t kind) {
    const size_t packetAt = cursor.Position() - 1;
    const auto length = ReadEventLength();
    if (!length) return false;
    const size_t dataAt = cursor.Position();
    const auto data = cursor.ReadBytes(*length);
    if (!data) return Truncated();
    if (kind == kSysexBegin) {
        if (sysexOpen) DropOpenSysex("unterminated system-exclusive message", sysexStart);
        sysexStart = packetAt;
        OpenSysex(*data, dataAt);
    } else if (sysexOpen) {
        ContinueSysex(*data, dataAt);
    } else if (!data->empty() && (*data)[0] == kSysexBegin) {
        sysexStart = packetAt;
        OpenSysex(data->subspan(1), dataAt + 1);
    } else {
        Escape(*data, dataAt);
    }
    return !cut;
}

void SmfTrackParser::OpenSysex(std::span<const uint8_t> bytes, size_t at) {
    sysexOpen = true;
    sysexFirstRecord = track.events.size();
    sysexPreviousTime = lastRecordTime;
    Emit(MidiEvent{0, kSysexStatus, kSysexBegin, uint8_t(bytes.empty() ? 1 : 0), 0});
    ContinueSysex(bytes, at);
}

void SmfTrackParser::ContinueSysex(std::span<const uint8_t> bytes, size_t at) {
    for (size_t i = 0; i < bytes.size(); ++i) {
        const uint8_t b = bytes[i];
        const bool last = i + 1 == bytes.size();
        if (b >= 0x80 && !(last && b == kSysexEnd)) {
            DropOpenSysex(("unexpected byte " + HexByte(b) + " at " + std::to_string(at + i) +
                           " in a system-exclusive message")
                              .c_str(),
                          sysexStart);
            return;
        }
    }
    for (size_t i = 0; i < bytes.size(); ++i) {
        if (!Emit(MidiEvent{0, kSysexStatus, bytes[i], uint8_t(i + 1 == bytes.size()), 0})) {
            return;
        }
    }
    if (!bytes.empty() && bytes.back() == kSysexEnd) sysexOpen = false;
}

void SmfTrackParser::Escape(std::span<const uint8_t> bytes, size_t at) {
    for (size_t i = 0; i < bytes.size(); ++i) {
        if (bytes[i] == kSysexBegin || bytes[i] == kSysexEnd) {
            Note("escape packet holding " + HexByte(bytes[i]) + " at byte " +
                 std::to_string(at + i) + " in track " + std::to_string(trackNumber) + " dropped");
            return;
        }
    }
    for (size_t i = 0; i < bytes.size(); ++i) {
        if (!Emit(MidiEvent{0, kEscapeStatus, bytes[i], uint8_t(i + 1 == bytes.size()), 0})) {
            return;
        }
    }
}

void SmfTrackParser::DropOpenSysex(const char* why, size_t at) {
    Note(std::string(why) + " at byte " + std::to_string(at) + " in track " +
         std::to_string(trackNumber) + " dropped");
    track.events.resize(sysexFirstRecord);
    lastRecordTime = sysexPreviousTime;
    sysexOpen = false;
}

bool SmfTrackParser::Emit(MidiEvent event) {
    if (track.events.size() >= recordLimit) {
        return Fault("track " + std::to_string(trackNumber) + " has too many events at byte " +
                     std::to_string(cursor.Position()));
    }
    event.time = uint32_t(time - lastRecordTime);
    lastRecordTime = time;
    track.events.push_back(event);
    return true;
}

std::optional<uint32_t> SmfTrackParser::ReadEventLength() {
    VarLenFault fault;
    const size_t lengthAt = cursor.Position();
    const auto length = cursor.ReadVarLen(&fault);
    if (!length) {
        if (fault == VarLenFault::kTruncated)
            Truncated();
        else
            Fault("variable-length quantity longer than 4 bytes at byte " +
                  std::to_string(lengthAt) + " in track " + std::to_string(trackNumber));
    }
    return length;
}

bool SmfTrackParser::Fault(std::string text) {
    Note(std::move(text));
    cut = true;
    return false;
}

bool SmfTrackParser::Truncated() {
    return Fault("truncated track " + std::to_string(trackNumber) + " at byte " +
                 std::to_string(cursor.End()));
}

bool SmfTrackParser::UnexpectedByte(uint8_t value, size_t at) {
    return Fault("unexpected byte " + HexByte(value) + " at " + std::to_string(at) + " in track " +
                 std::to_string(trackNumber));
}

void SmfTrackParser::Note(std::string text) {
    if (problem.empty()) problem = std::move(text);
}

}  // namespace midilib
