#include "midilib/SmfWriter.h"

#include "midilib/EventEncoding.h"

namespace midilib {

namespace {

constexpr uint32_t kMaxDelta = 0x0FFFFFFF;  // the largest four-byte variable-length quantity
constexpr uint8_t kFillerMeta = 0x7F;

void PutVarLen(std::vector<uint8_t>& out, uint32_t value) {
    uint8_t groups[4];
    int n = 0;
    do {
        groups[n++] = uint8_t(value & 0x7F);
        value >>= 7;
    } while (value && n < 4);
    while (n > 1)
        out.push_back(groups[--n] | 0x80);
    out.push_back(groups[0]);
}

void PutU32BE(std::vector<uint8_t>& out, uint32_t value) {
    for (int shift = 24; shift >= 0; shift -= 8)
        out.push_back(uint8_t(value >> shift));
}

void PutTag(std::vector<uint8_t>& out, const char (&tag)[5]) {
    for (int i = 0; i < 4; ++i)
        out.push_back(uint8_t(tag[i]));
}

void PutU16BE(std::vector<uint8_t>& out, uint16_t value) {
    out.push_back(uint8_t(value >> 8));
    out.push_back(uint8_t(value));
}

// Encodes one track's events in order, carrying the state between them.
class TrackEncoder {
  public:
    explicit TrackEncoder(std::vector<uint8_t>& out) : out_(out) {}

    void Skip(uint32_t delta) { pending_ += delta; }

    void Channel(const MidiEvent& e) {
        ClosePacket();
        PutDelta(e.time);
        if (e.status != runningStatus_) out_.push_back(e.status);
        runningStatus_ = e.status;
        out_.push_back(e.data1 & 0x7F);
        if (ChannelMessageLength(e.status) == 3) out_.push_back(e.data2 & 0x7F);
    }

    void Tempo(const MidiEvent& e) {
        ClosePacket();
        const uint32_t tempo = TempoOf(e);
        const uint8_t data[3] = {uint8_t(tempo >> 16), uint8_t(tempo >> 8), uint8_t(tempo)};
        Meta(e.time, midi::kTempoMeta, data);
    }

    void Meta(uint32_t delta, uint8_t type, std::span<const uint8_t> data) {
        ClosePacket();
        PutDelta(delta);
        out_.push_back(midi::kMetaEvent);
        out_.push_back(type);
        PutVarLen(out_, uint32_t(data.size()));
        out_.insert(out_.end(), data.begin(), data.end());
        runningStatus_ = 0;
    }

    void PacketByte(const MidiEvent& e) {
        const bool escape = e.status == kEscapeStatus;
        const bool opensMessage = !escape && e.data1 == midi::kSysexBegin;
        if (!packetOpen_ || packetIsEscape_ != escape || e.time != 0 || opensMessage) {
            ClosePacket();
            packetOpen_ = true;
            packetIsEscape_ = escape;
            packetKind_ = opensMessage ? midi::kSysexBegin : midi::kSysexEnd;
            packetDelta_ = e.time;
            packet_.clear();
            if (!opensMessage) packet_.push_back(e.data1);
        } else {
            packet_.push_back(e.data1);
        }
        if (e.data2 == 1 || (!escape && e.data1 == midi::kSysexEnd && !opensMessage)) ClosePacket();
    }

    void End() {
        ClosePacket();
        static constexpr uint8_t kNothing[1] = {0};
        Meta(0, midi::kEndOfTrackMeta, std::span<const uint8_t>(kNothing, 0));
    }

  private:
    void ClosePacket() {
        if (!packetOpen_) return;
        packetOpen_ = false;
        PutDelta(packetDelta_);
        out_.push_back(packetKind_);
        PutVarLen(out_, uint32_t(packet_.size()));
        out_.insert(out_.end(), packet_.begin(), packet_.end());
        runningStatus_ = 0;
    }

    void PutDelta(uint32_t delta) {
        uint64_t total = pending_ + delta;
        pending_ = 0;
        while (total > kMaxDelta) {
            PutVarLen(out_, kMaxDelta);
            out_.push_back(midi::kMetaEvent);
            out_.push_back(kFillerMeta);
            out_.push_back(0);
            runningStatus_ = 0;
            total -= kMaxDelta;
        }
        PutVarLen(out_, uint32_t(total));
    }

    std::vector<uint8_t>& out_;
    uint64_t pending_ = 0;
    uint8_t runningStatus_ = 0;
    bool packetOpen_ = false;
    bool packetIsEscape_ = false;
    uint8_t packetKind_ = midi::kSysexBegin;
    uint32_t packetDelta_ = 0;
    std::vector<uint8_t> packet_;
};

}  // namespace

SmfWriter::Track* SmfWriter::TrackAt(uint32_t track) {
    if (track >= kMaxTracks) return nullptr;
    if (track >= tracks_.size()) tracks_.resize(size_t{track} + 1);
    return &tracks_[track];
}

uint32_t SmfWriter::AppendEvents(uint32_t track, std::span<const MidiEvent> events) {
    Track* t = TrackAt(track);
    if (t == nullptr) return 0;
    t->events.insert(t->events.end(), events.begin(), events.end());
    uint32_t kept = 0;
    for (const MidiEvent& e : events) {
        if (IsChannelMessage(e) || e.status == kSysexStatus || e.status == kEscapeStatus ||
            IsTempoEvent(e)) {
            ++kept;
        }
    }
    return kept;
}

bool SmfWriter::AppendMeta(uint32_t track, uint8_t type, std::span<const uint8_t> data) {
    if (type == midi::kEndOfTrackMeta || data.size() > kMaxMetaLength) return false;
    Track* t = TrackAt(track);
    if (t == nullptr) return false;
    t->metas.push_back(Meta{t->events.size(), type, {data.begin(), data.end()}});
    return true;
}

void SmfWriter::EncodeTrack(const Track& track, std::vector<uint8_t>& out) {
    TrackEncoder encoder(out);
    size_t nextMeta = 0;
    for (size_t i = 0; i <= track.events.size(); ++i) {
        while (nextMeta < track.metas.size() && track.metas[nextMeta].beforeRecord <= i) {
            encoder.Meta(0, track.metas[nextMeta].type, track.metas[nextMeta].data);
            ++nextMeta;
        }
        if (i == track.events.size()) break;
        const MidiEvent& e = track.events[i];
        if (IsChannelMessage(e)) {
            encoder.Channel(e);
        } else if (e.status == kSysexStatus || e.status == kEscapeStatus) {
            encoder.PacketByte(e);
        } else if (IsTempoEvent(e)) {
            encoder.Tempo(e);
        } else {
            encoder.Skip(e.time);
        }
    }
    encoder.End();
}

std::vector<uint8_t> SmfWriter::Encode(uint16_t format, uint16_t ticksPerBeat) const {
    const size_t trackCount = tracks_.empty() ? 1 : tracks_.size();
    if (trackCount > 1) format = format == 2 ? 2 : 1;
    if (format > 2) format = 1;
    std::vector<uint8_t> out;
    PutTag(out, "MThd");
    PutU32BE(out, 6);
    PutU16BE(out, format);
    PutU16BE(out, uint16_t(trackCount));
    PutU16BE(out, ticksPerBeat);
    static const Track kEmpty;
    for (size_t t = 0; t < trackCount; ++t) {
        PutTag(out, "MTrk");
        PutU32BE(out, 0);  // the length, filled in below
        const size_t body = out.size();
        EncodeTrack(tracks_.empty() ? kEmpty : tracks_[t], out);
        const uint32_t length = uint32_t(out.size() - body);
        for (int i = 0; i < 4; ++i)
            out[body - 4 + i] = uint8_t(length >> (24 - 8 * i));
    }
    return out;
}

}  // namespace midilib
