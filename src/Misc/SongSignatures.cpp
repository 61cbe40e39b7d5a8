#include "Misc/SongSignatures.h"

#include <algorithm>

namespace {

// The stretch of the song that one time signature governs: [start, end).
struct Segment {
    uint64_t start;
    uint64_t end;
    uint32_t beatTicks;
    uint32_t barTicks;
};

uint32_t BeatTicks(uint32_t ticksPerQuarter, uint32_t denominator) {
    const uint32_t d = denominator > 0 ? denominator : 4;
    return std::max<uint32_t>(1, ticksPerQuarter * 4 / d);
}

std::vector<Segment> Segments(const SongSignatures& song) {
    std::vector<midi::TimeSignature> times = song.times;
    if (times.empty() || times.front().time > 0) times.insert(times.begin(), midi::TimeSignature{});
    std::vector<Segment> segments;
    for (std::size_t i = 0; i < times.size(); ++i) {
        const uint64_t end = i + 1 < times.size() ? times[i + 1].time : UINT64_MAX;
        if (end <= times[i].time) continue;  // replaced at the same tick
        const uint32_t beat = BeatTicks(song.ticksPerQuarter, times[i].denominator);
        const uint32_t beats = std::max<uint32_t>(1, times[i].numerator);
        segments.push_back({times[i].time, end, beat, beat * beats});
    }
    return segments;
}

uint64_t BarsIn(const Segment& s) {
    if (s.end == UINT64_MAX) return UINT32_MAX;  // the last signature lasts to the end
    return (s.end - s.start + s.barTicks - 1) / s.barTicks;
}

}  // namespace

SongSignatures SongSignatures::Of(uint32_t ticksPerQuarter,
                                  const std::vector<midi::SongMetaEvent>& events) {
    SongSignatures song;
    song.ticksPerQuarter = ticksPerQuarter;
    for (const midi::SongMetaEvent& e : events) {
        if (const auto time = midi::TimeSignatureOf(e)) song.times.push_back(*time);
        if (const auto key = midi::KeySignatureOf(e)) song.keys.push_back(*key);
    }
    return song;
}

bool SongSignatures::FlatsAt(uint32_t tick) const {
    bool flats = false;
    for (const midi::KeySignature& key : keys) {
        if (key.time > tick) break;
        flats = key.sharps < 0;
    }
    return flats;
}

uint32_t SongSignatures::BeatTicksAt(uint32_t tick) const {
    for (const Segment& s : Segments(*this))
        if (tick < s.end) return s.beatTicks;
    return BeatTicks(ticksPerQuarter, 4);
}

uint32_t SongSignatures::BarTicksAt(uint32_t tick) const {
    for (const Segment& s : Segments(*this))
        if (tick < s.end) return s.barTicks;
    return BeatTicks(ticksPerQuarter, 4) * 4;
}

BarPosition SongSignatures::PositionOf(uint32_t tick) const {
    uint64_t bar = 1;
    for (const Segment& s : Segments(*this)) {
        if (tick >= s.end) {
            bar += BarsIn(s);
            continue;
        }
        const uint64_t into = tick - s.start;
        const uint64_t bars = into / s.barTicks;
        const uint64_t beats = (into % s.barTicks) / s.beatTicks;
        return {static_cast<uint32_t>(bar + bars), static_cast<uint32_t>(beats + 1),
                static_cast<uint32_t>(s.start + bars * s.barTicks + beats * s.beatTicks)};
    }
    return {static_cast<uint32_t>(bar), 1, tick};
}

uint64_t SongSignatures::BarStart(uint32_t bar) const {
    uint64_t first = 1;
    for (const Segment& s : Segments(*this)) {
        const uint64_t count = BarsIn(s);
        if (bar < first + count) return s.start + (bar - first) * s.barTicks;
        first += count;
    }
    return 0;
}
