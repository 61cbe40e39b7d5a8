#include "midi/TempoMap.h"

#include <algorithm>
#include <cmath>

#include "midi/CMidiTrack.h"
#include "midi/MidiMessages.h"

namespace midi {

namespace {
constexpr uint32_t kReadBlock = 8192;
}  // namespace

TempoMap::TempoMap(std::vector<Change> unordered) {
    std::stable_sort(unordered.begin(), unordered.end(),
                     [](const Change& a, const Change& b) { return a.tick < b.tick; });
    for (const Change& c : unordered) {
        if (c.tempo == 0) continue;
        if (!changes.empty() && changes.back().tick == c.tick)
            changes.back() = c;
        else
            changes.push_back(c);
    }
}

TempoMap TempoMap::Of(const std::vector<const CMidiTrack*>& tracks) {
    std::vector<Change> found;
    for (const CMidiTrack* track : tracks) {
        if (!track) continue;
        for (uint32_t start = 0; start < track->GetCount(); start += kReadBlock) {
            uint32_t n = kReadBlock;
            for (const MidiEvent& e : track->ReadBlock(start, n))
                if (IsTempoRecord(e)) found.push_back({e.time, RecordValue(e)});
            if (n == 0) break;
        }
    }
    return TempoMap(std::move(found));
}

uint32_t TempoMap::TempoAt(uint32_t tick) const {
    const auto after = std::upper_bound(changes.begin(), changes.end(), tick,
                                        [](uint32_t t, const Change& c) { return t < c.tick; });
    return after == changes.begin() ? kDefaultTempo : std::prev(after)->tempo;
}

double TempoMap::SecondsAt(uint64_t tick, uint16_t ticksPerBeat) const {
    if (ticksPerBeat == 0) return 0.0;
    double microseconds = 0.0;
    uint64_t from = 0;
    uint32_t tempo = kDefaultTempo;
    for (const Change& c : changes) {
        if (c.tick >= tick) break;
        microseconds += double(c.tick - from) * tempo / ticksPerBeat;
        from = c.tick;
        tempo = c.tempo;
    }
    microseconds += double(tick - from) * tempo / ticksPerBeat;
    return microseconds / 1e6;
}

uint64_t TempoMap::TickAt(double seconds, uint16_t ticksPerBeat) const {
    if (ticksPerBeat == 0 || !(seconds > 0.0)) return 0;
    const double target = seconds * 1e6;
    double microseconds = 0.0;
    uint64_t from = 0;
    uint32_t tempo = kDefaultTempo;
    for (const Change& c : changes) {
        const double at = microseconds + double(c.tick - from) * tempo / ticksPerBeat;
        if (at >= target) break;
        microseconds = at;
        from = c.tick;
        tempo = c.tempo;
    }
    return from + uint64_t(std::ceil((target - microseconds) * ticksPerBeat / tempo));
}

}  // namespace midi
