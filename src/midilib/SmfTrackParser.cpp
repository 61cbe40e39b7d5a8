#include "midilib/SmfTrackParser.h"

#include <algorithm>
#include <limits>
#include <utility>

#include "midilib/EventEncoding.h"
#include "midilib/SmfFileBytes.h"
#include "midilib/SmfReason.h"

namespace midilib {

namespace {

using midi::kEndOfTrackMeta;
using midi::kMetaEvent;
using midi::kSysexBegin;
using midi::kSysexEnd;
using midi::kTempoMeta;

constexpr const char* kSysexName = "system-exclusive message";
constexpr uint8_t kLoudestVelocity = 0x7F;
constexpr size_t kMostForHugePages = size_t{256} << 20;
// Records made resident at a time ahead of the bulk decode (128 KB): a track overshoots what it
// writes by less than that, and one call stands for 32 page faults.
constexpr size_t kPopulateRecords = 16384;

// What a user calls the channel message with this status.
const char* ChannelEventName(uint8_t status) {
    switch (midi::KindOf(status)) {
        case midi::kNoteOff:
            return "note-off";
        case midi::kNoteOn:
            return "note-on";
        case midi::kKeyPressure:
            return "key pressure";
        case midi::kControlChange:
            return "control change";
        case midi::kProgramChange:
            return "program change";
        case midi::kChannelPressure:
            return "channel pressure";
        default:
            return "pitch bend";
    }
}

}  // namespace

SmfTrackParser::SmfTrackParser(std::span<const uint8_t> bytes, size_t begin, size_t end,
                               bool chunkCut, uint32_t trackNumber, size_t recordLimit,
                               uint32_t fixedTempo)
    : file_(bytes),
      cursor_(bytes, begin, end),
      chunkCut_(chunkCut),
      trackNumber_(trackNumber),
      recordLimit_(recordLimit),
      fixedTempo_(fixedTempo) {}

SmfTrackData SmfTrackParser::Parse() {
    // No event takes less than a byte of its chunk, so one slot a byte is enough for them all and
    // the records are decoded straight into their final place, never moved by a regrowth. Slots
    // that stay unused are only reserved: the memory of a large track is never touched there.
    const size_t most = cursor_.Remaining() + (fixedTempo_ != 0 ? 1 : 0);
    track_.events.reserve(most < recordLimit_ ? most : recordLimit_);
    // Huge pages make a large track's records resident in a few page faults (a third less time
    // for a track of 5 million events). Arrays of a gigabyte keep plain pages: clearing whole huge
    // pages ahead of the writes runs through that much memory twice and costs more than it saves.
    const size_t reserved = track_.events.capacity() * sizeof(MidiEvent);
    if (reserved <= kMostForHugePages) {
        const std::span<std::byte> huge = AdviseHugePages(track_.events.data(), reserved);
        if (!huge.empty()) {
            const auto* records = reinterpret_cast<const std::byte*>(track_.events.data());
            hugeFrom_ = size_t(huge.data() - records + sizeof(MidiEvent) - 1) / sizeof(MidiEvent);
            hugeTo_ = size_t(huge.data() + huge.size() - records) / sizeof(MidiEvent);
        }
    }
    if (fixedTempo_ != 0 && trackNumber_ == 0)
        Emit(MakeTempoEvent(0, fixedTempo_), cursor_.Position());
    do {
        DecodePlainChannelMessages();
    } while (ParseEvent() && !cut_);
    if (sysexOpen_) DropOpenSysex("is not closed by 0xF7; dropped");

    const std::string_view name = NameOf(file_, track_);
    if (firstClip_) {
        Finding clip = *firstClip_;
        if (clipCount_ > 1)
            clip.detail += " (and " + GroupedNumber(clipCount_ - 1) + " more in this track)";
        problems_.push_back(Word(clip, name));
    }
    if (firstFinding_) problems_.push_back(Word(*firstFinding_, name));
    return std::move(track_);
}

void SmfTrackParser::DecodePlainChannelMessages() {
    // The bulk of a track: channel messages with sound data bytes, in or out of running status,
    // decoded straight from the bytes. Anything else (and the last few bytes of the chunk, where
    // an event may be cut off) is left to ParseEvent, which words what is wrong; so is a message
    // that would close an open system-exclusive message or pass the record limit.
    if (sysexOpen_) return;
    constexpr size_t kLongestMessage = ByteCursor::kMaxVarLenBytes + 3;
    const uint8_t* const bytes = file_.data();
    const size_t end = cursor_.End();
    const size_t limit =
        recordLimit_ < track_.events.capacity() ? recordLimit_ : track_.events.capacity();
    size_t position = cursor_.Position();
    uint8_t status = runningStatus_;
    uint64_t now = time_;
    uint64_t last = lastRecordTime_;
    size_t count = track_.events.size();
    size_t stop = PopulateAhead(count, limit);
    while (end - position >= kLongestMessage && count < limit) {
        if (count == stop) {
            stop = PopulateAhead(count, limit);
            continue;
        }
        size_t p = position;
        uint32_t delta = bytes[p] & 0x7Fu;
        if (bytes[p++] & 0x80) {
            int more = 1;
            for (; more < ByteCursor::kMaxVarLenBytes && (bytes[p] & 0x80); ++more)
                delta = delta << 7 | (bytes[p++] & 0x7Fu);
            if (more == ByteCursor::kMaxVarLenBytes) break;  // too long: ParseEvent says so
            delta = delta << 7 | bytes[p++];
        }
        const uint64_t at = now + delta;
        if (at > std::numeric_limits<uint32_t>::max()) break;
        uint8_t first = bytes[p];
        uint8_t messageStatus = status;
        if (first >= 0x80) {
            if (first >= 0xF0) break;
            messageStatus = first;
            first = bytes[++p];
        } else if (status == 0) {
            break;
        }
        const bool twoDataBytes = ChannelMessageLength(messageStatus) == 3;
        const uint8_t second = twoDataBytes ? bytes[p + 1] : 0;
        if (((first | second) & 0x80) != 0) break;
        track_.events.push_back(MidiEvent{uint32_t(at - last), messageStatus, first, second, 0});
        status = messageStatus;
        ++count;
        now = last = at;
        position = p + (twoDataBytes ? 2 : 1);
    }
    cursor_.Skip(position - cursor_.Position());
    runningStatus_ = status;
    time_ = now;
    lastRecordTime_ = last;
}

size_t SmfTrackParser::PopulateAhead(size_t count, size_t limit) {
    if (populated_ > count) return std::min(populated_, limit);
    if (count >= hugeFrom_ && count < hugeTo_) {
        populated_ = hugeTo_;  // a fault every 2 MB there
        return std::min(populated_, limit);
    }
    // A track whose reservation is a few pages gains nothing from the call.
    if (limit - count < kPopulateRecords) return limit;
    populated_ = count + kPopulateRecords;
    if (count < hugeFrom_) populated_ = std::min(populated_, hugeFrom_);
    PopulateForWriting(track_.events.data() + count, (populated_ - count) * sizeof(MidiEvent));
    return populated_;
}

bool SmfTrackParser::ParseEvent() {
    if (cursor_.AtEnd()) {
        // A chunk cut by the end of the file is reported by the reader, which knows its length.
        if (chunkCut_) return false;
        Remember({"", kNoByte,
                  "has no end-of-track event (its chunk ends at byte " +
                      GroupedNumber(cursor_.End()) + ")"});
        return false;
    }
    VarLenFault fault;
    const size_t deltaAt = cursor_.Position();
    const auto delta = cursor_.ReadVarLen(&fault);
    if (!delta) {
        if (fault == VarLenFault::kTruncated) return CutOff("delta time", deltaAt);
        return Fault({"delta time", deltaAt, "is longer than 4 bytes"});
    }
    time_ += *delta;
    if (time_ > std::numeric_limits<uint32_t>::max())
        return Fault({"event", deltaAt, "lies past the largest tick time (2^32 - 1)"});
    const size_t at = cursor_.Position();
    const auto first = cursor_.Peek();
    if (!first) return CutOff("event", deltaAt);
    const uint8_t b = *first;
    if (b < 0x80) {
        if (runningStatus_ == 0)
            return Fault({"data byte " + HexByte(b), at, "follows no status byte"});
        return ParseChannelMessage(runningStatus_, at);
    }
    cursor_.Skip(1);
    if (midi::IsChannelStatus(b)) {
        runningStatus_ = b;
        return ParseChannelMessage(b, at);
    }
    if (b == kMetaEvent) return ParseMeta(at);
    if (b == kSysexBegin || b == kSysexEnd) return ParseSysexPacket(b, at);
    return Fault({"byte " + HexByte(b), at, "is a status that a MIDI file cannot hold"});
}

bool SmfTrackParser::ParseChannelMessage(uint8_t status, size_t at) {
    uint8_t data[2] = {0, 0};
    const int count = ChannelMessageLength(status) - 1;
    for (int i = 0; i < count; ++i) {
        const auto value = cursor_.ReadByte();
        if (!value) return CutOff(ChannelEventName(status), at);
        data[i] = *value;
    }
    if (((data[0] | data[1]) & 0x80) != 0) ClipDataBytes(status, data, at);
    if (sysexOpen_) DropOpenSysex("is not closed by 0xF7; dropped");
    return Emit(MidiEvent{0, status, data[0], data[1], 0}, at);
}

void SmfTrackParser::ClipDataBytes(uint8_t status, uint8_t (&data)[2], size_t at) {
    const int bad = (data[0] & 0x80) != 0 ? 0 : 1;
    const uint8_t original = data[bad];
    const bool velocity = bad == 1 && (midi::KindOf(status) == midi::kNoteOn ||
                                       midi::KindOf(status) == midi::kNoteOff);
    const bool highVelocity = (data[1] & 0x80) != 0;
    for (uint8_t& value : data) {
        if ((value & 0x80) == 0) continue;
        ++clipCount_;
        value &= 0x7F;
    }
    // Low bits of 0 would turn a struck note into a release and lose it.
    if (midi::KindOf(status) == midi::kNoteOn && highVelocity && data[1] == 0)
        data[1] = kLoudestVelocity;
    if (!firstClip_) {
        firstClip_ = Finding{ChannelEventName(status), at,
                             std::string("has ") + (velocity ? "velocity " : "data byte ") +
                                 HexByte(original) + " (a byte of 0x80 or more); read as " +
                                 HexByte(data[bad])};
    }
}

bool SmfTrackParser::ParseMeta(size_t at) {
    const auto type = cursor_.ReadByte();
    if (!type) return CutOff("meta event", at);
    const auto length = ReadEventLength("meta event", at);
    if (!length) return false;
    const size_t dataAt = cursor_.Position();
    const auto data = ReadEventData("meta event", at, *length);
    if (!data) return false;
    const SmfMetaRef meta{*type, uint32_t(dataAt), *length};
    if (!metaSeen_.test(*type)) {
        metaSeen_.set(*type);
        track_.metas.push_back(meta);
    }
    if (*type == midi::kTimeSignatureMeta || *type == midi::kKeySignatureMeta)
        track_.songMetas.push_back(SmfTimedMetaRef{uint32_t(time_), meta});
    if (*type == kEndOfTrackMeta) return false;
    if (*type == kTempoMeta && *length == 3 && fixedTempo_ == 0) {
        const uint32_t tempo = uint32_t{(*data)[0]} << 16 | uint32_t{(*data)[1]} << 8 | (*data)[2];
        if (tempo == 0) return true;  // a tempo of 0 means nothing; its time goes to the next
        if (sysexOpen_) DropOpenSysex("is not closed by 0xF7; dropped");
        return Emit(MakeTempoEvent(0, tempo), at);
    }
    return true;
}

bool SmfTrackParser::ParseSysexPacket(uint8_t kind, size_t at) {
    const char* event = kind == kSysexBegin || sysexOpen_ ? kSysexName : "escape packet";
    const auto length = ReadEventLength(event, at);
    if (!length) return false;
    const size_t dataAt = cursor_.Position();
    const auto data = ReadEventData(event, at, *length);
    if (!data) return false;
    if (kind == kSysexBegin) {
        if (sysexOpen_) DropOpenSysex("is not closed by 0xF7; dropped");
        sysexStart_ = at;
        OpenSysex(*data, dataAt);
    } else if (sysexOpen_) {
        ContinueSysex(*data, dataAt);
    } else if (!data->empty() && (*data)[0] == kSysexBegin) {
        sysexStart_ = at;
        OpenSysex(data->subspan(1), dataAt + 1);
    } else {
        Escape(*data, at);
    }
    return !cut_;
}

void SmfTrackParser::OpenSysex(std::span<const uint8_t> bytes, size_t at) {
    sysexOpen_ = true;
    sysexFirstRecord_ = track_.events.size();
    sysexPreviousTime_ = lastRecordTime_;
    Emit(MidiEvent{0, kSysexStatus, kSysexBegin, uint8_t(bytes.empty() ? 1 : 0), 0}, sysexStart_);
    ContinueSysex(bytes, at);
}

void SmfTrackParser::ContinueSysex(std::span<const uint8_t> bytes, size_t at) {
    for (size_t i = 0; i < bytes.size(); ++i) {
        const uint8_t b = bytes[i];
        const bool last = i + 1 == bytes.size();
        if (b >= 0x80 && !(last && b == kSysexEnd)) {
            DropOpenSysex("holds byte " + HexByte(b) + " at byte " + GroupedNumber(at + i) +
                          "; dropped");
            return;
        }
    }
    // Every record of a packet but its first has delta 0. When the packet fits under the record
    // limit, all but the first are written in one go (a message may hold millions of bytes);
    // otherwise Emit stops at the limit and says so.
    const size_t room = recordLimit_ - track_.events.size();
    const size_t checked = bytes.size() <= room ? std::min<size_t>(1, bytes.size()) : bytes.size();
    for (size_t i = 0; i < checked; ++i) {
        if (!Emit(MidiEvent{0, kSysexStatus, bytes[i], uint8_t(i + 1 == bytes.size()), 0},
                  sysexStart_))
            return;
    }
    for (size_t i = checked; i < bytes.size(); ++i)
        track_.events.push_back(
            MidiEvent{0, kSysexStatus, bytes[i], uint8_t(i + 1 == bytes.size()), 0});
    if (!bytes.empty() && bytes.back() == kSysexEnd) sysexOpen_ = false;
}

void SmfTrackParser::Escape(std::span<const uint8_t> bytes, size_t at) {
    for (const uint8_t b : bytes) {
        if (b == kSysexBegin || b == kSysexEnd) {
            Remember({"escape packet", at, "holds " + HexByte(b) + "; dropped"});
            return;
        }
    }
    for (size_t i = 0; i < bytes.size(); ++i) {
        if (!Emit(MidiEvent{0, kEscapeStatus, bytes[i], uint8_t(i + 1 == bytes.size()), 0}, at))
            return;
    }
}

void SmfTrackParser::DropOpenSysex(std::string why) {
    Remember({kSysexName, sysexStart_, std::move(why)});
    track_.events.resize(sysexFirstRecord_);
    lastRecordTime_ = sysexPreviousTime_;
    sysexOpen_ = false;
}

bool SmfTrackParser::Emit(MidiEvent event, size_t at) {
    if (track_.events.size() >= recordLimit_)
        return Fault({"event", at, "is one more than the file can hold (one event a byte)"});
    event.time = uint32_t(time_ - lastRecordTime_);
    lastRecordTime_ = time_;
    track_.events.push_back(event);
    return true;
}

std::optional<uint32_t> SmfTrackParser::ReadEventLength(std::string_view event, size_t at) {
    VarLenFault fault;
    const auto length = cursor_.ReadVarLen(&fault);
    if (!length) {
        if (fault == VarLenFault::kTruncated)
            CutOff(event, at);
        else
            Fault({std::string(event), at, "has a length longer than 4 bytes"});
    }
    return length;
}

std::optional<std::span<const uint8_t>> SmfTrackParser::ReadEventData(std::string_view event,
                                                                      size_t at, uint32_t length) {
    auto data = cursor_.ReadBytes(length);
    if (!data) {
        Fault({std::string(event), at,
               "claims " + GroupedNumber(length) + (length == 1 ? " byte; " : " bytes; ") +
                   ChunkEndText()});
    }
    return data;
}

std::string SmfTrackParser::ChunkEndText() const {
    return (chunkCut_ ? "the file ends at byte " : "the chunk ends at byte ") +
           GroupedNumber(cursor_.End());
}

bool SmfTrackParser::Fault(Finding finding) {
    Remember(std::move(finding));
    cut_ = true;
    return false;
}

bool SmfTrackParser::CutOff(std::string_view event, size_t at) {
    return Fault({std::string(event), at, "is cut off: " + ChunkEndText()});
}

void SmfTrackParser::Remember(Finding finding) {
    if (!firstFinding_) firstFinding_ = std::move(finding);
}

std::string SmfTrackParser::Word(const Finding& finding, std::string_view name) const {
    if (finding.at == kNoByte) return TrackLabel(trackNumber_, name) + " " + finding.detail;
    return AtTrackByte(finding.what, finding.at, trackNumber_, name) + " " + finding.detail;
}

}  // namespace midilib
