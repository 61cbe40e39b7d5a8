#include "Misc/GuitarTimeline.h"

#include <algorithm>
#include <cstring>
#include <functional>
#include <optional>
#include <queue>
#include <tuple>

#include "Misc/notelist.h"

namespace {

constexpr int kDrumChannel = 9;  // channel 10, counted from 0
constexpr uint32_t kOnsetsPerQuarter = 16;

bool IsDrumEvent(const MidiEvent& e) {
    const int kind = e.status >> 4;
    return (kind == 0x8 || kind == 0x9) && (e.status & 0x0F) == kDrumChannel;
}

// Two readings that a guitarist reads as the same chord: same root, symbol and slash bass (the
// two designed "eleventh" types are one chord while they share their symbol).
bool SameName(const guitar::ChordReading& a, const guitar::ChordReading& b, bool moreTypes) {
    return a.root == b.root && a.bass == b.bass &&
           std::strcmp(guitar::TextsOf(a.type, moreTypes).symbol,
                       guitar::TextsOf(b.type, moreTypes).symbol) == 0;
}

// Leaves out the chords shorter than the minimum, the shortest first: once a blip is gone, the
// equal chords around it are one chord, whose length is what counts.
std::vector<GuitarChordEvent> LongEnough(const std::vector<GuitarChordEvent>& changes,
                                         const ChordOptions& options, const SongSignatures& song) {
    const std::size_t n = changes.size();
    constexpr std::size_t kNone = static_cast<std::size_t>(-1);
    std::vector<std::size_t> previous(n), next(n);
    std::vector<uint32_t> version(n, 0);
    std::vector<bool> alive(n, true);
    for (std::size_t k = 0; k < n; ++k) {
        previous[k] = k == 0 ? kNone : k - 1;
        next[k] = k + 1 < n ? k + 1 : kNone;
    }
    // How much longer than the minimum entry k lasts; the last entry lasts to the end.
    auto surplus = [&](std::size_t k) -> int64_t {
        if (next[k] == kNone) return INT64_MAX;
        const int64_t length = int64_t(changes[next[k]].time) - int64_t(changes[k].time);
        return std::max<int64_t>(length, 0) -
               MinChordTicks(options.minChordLength, song, changes[k].time);
    };
    struct Item {
        int64_t surplus;
        std::size_t entry;
        uint32_t version;
        bool operator>(const Item& other) const {
            return std::tie(surplus, entry) > std::tie(other.surplus, other.entry);
        }
    };
    std::priority_queue<Item, std::vector<Item>, std::greater<Item>> shortest;
    for (std::size_t k = 0; k < n; ++k)
        shortest.push({surplus(k), k, 0});
    auto unlink = [&](std::size_t k) {
        alive[k] = false;
        if (previous[k] != kNone) next[previous[k]] = next[k];
        if (next[k] != kNone) previous[next[k]] = previous[k];
    };
    while (!shortest.empty()) {
        const Item item = shortest.top();
        shortest.pop();
        if (!alive[item.entry] || item.version != version[item.entry]) continue;
        if (item.surplus >= 0) break;
        const std::size_t before = previous[item.entry];
        const std::size_t after = next[item.entry];
        unlink(item.entry);
        if (before == kNone) continue;
        if (after != kNone &&
            SameName(changes[before].reading, changes[after].reading, options.moreTypes))
            unlink(after);
        shortest.push({surplus(before), before, ++version[before]});
    }
    std::vector<GuitarChordEvent> kept;
    for (std::size_t k = 0; k < n; ++k)
        if (alive[k]) kept.push_back(changes[k]);
    return kept;
}

}  // namespace

uint32_t MinChordTicks(MinChordLength length, const SongSignatures& song, uint32_t tick) {
    switch (length) {
        case MinChordLength::Off:
            return 0;
        case MinChordLength::HalfBeat:
            return song.ticksPerQuarter / 2;
        case MinChordLength::Beat:
            return song.ticksPerQuarter;
        case MinChordLength::TwoBeats:
            return song.ticksPerQuarter * 2;
        case MinChordLength::Bar:
            return song.BarTicksAt(tick);
    }
    return 0;
}

std::vector<GuitarChordEvent> BuildGuitarTimeline(const std::vector<MonitoredEvent>& events,
                                                  const ChordOptions& options,
                                                  const SongSignatures& song) {
    const guitar::ReadingOptions reading{options.guitarNames, options.moreTypes};
    const uint32_t window = options.steadyChords ? song.ticksPerQuarter / kOnsetsPerQuarter : 0;
    NoteList notes;
    std::vector<GuitarChordEvent> changes;
    std::optional<guitar::ChordReading> last;
    std::size_t i = 0;
    while (i < events.size()) {
        const uint32_t start = events[i].time;
        bool applied = false;
        // One event, or with steady chords every event of the group that starts here.
        do {
            const MidiEvent& e = events[i].event;
            if (!options.steadyChords || !IsDrumEvent(e)) {
                notes.Update(e);
                applied = true;
            }
            ++i;
        } while (options.steadyChords && i < events.size() && events[i].time >= start &&
                 events[i].time - start <= window);
        if (!applied) continue;

        const int lowest = notes.First();
        const Chord set(notes);
        const std::optional<guitar::ChordReading> found =
            guitar::ReadChord(set, lowest < 0 ? -1 : lowest % 12, reading);
        if (!found || (last && SameName(*last, *found, options.moreTypes))) continue;
        last = found;
        changes.push_back({start, *found, options.guitarNames && song.FlatsAt(start)});
    }
    if (options.minChordLength == MinChordLength::Off) return changes;
    return LongEnough(changes, options, song);
}
