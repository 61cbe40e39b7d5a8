#include "Misc/GuitarTimeline.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cstring>
#include <functional>
#include <optional>
#include <queue>
#include <tuple>

#include "midi/MidiMessages.h"

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
           (a.type == b.type || std::strcmp(guitar::SymbolOf(a.type, moreTypes),
                                            guitar::SymbolOf(b.type, moreTypes)) == 0);
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

// The notes sounding, as the sounding-note list keeps them (a note is one (note, channel) pair; a
// second note-on of a sounding pair changes nothing, its note-off ends it; status 0x7B ends all),
// counted so that the set of pitch classes and the lowest note are at hand after every event.
class SoundingNotes {
    static constexpr std::array<uint8_t, 256> kPitchClass = [] {
        std::array<uint8_t, 256> table{};
        for (std::size_t n = 0; n < table.size(); ++n)
            table[n] = static_cast<uint8_t>(n % 12);
        return table;
    }();

  public:
    void Apply(const MidiEvent& e) {
        const uint8_t status = e.status;
        if (status == midi::kAllNotesOffStatus) {
            on.fill(0);
            perClass.fill(0);
            lowMask.fill(0);
            set = 0;
            return;
        }
        const int kind = status >> 4;
        if (kind != 0x8 && kind != 0x9) return;
        const bool starts = kind == 0x9 && e.data2 != 0;
        const std::size_t note = e.data1;
        const auto bit = static_cast<uint16_t>(1u << (status & 0x0F));
        const uint16_t before = on[note];
        const auto after = static_cast<uint16_t>(starts ? before | bit : before & ~bit);
        if (after == before) return;  // already sounding, or not sounding
        on[note] = after;
        if ((before == 0) == (after == 0)) return;  // another channel still holds the note
        // The note starts or stops sounding on every channel.
        const std::size_t pc = kPitchClass[note];
        perClass[pc] += starts ? 1 : -1;
        set = perClass[pc] == 0 ? set & ~(1 << pc) : set | (1 << pc);
        lowMask[note >> 6] ^= uint64_t{1} << (note & 63);
    }
    int Set() const { return set; }
    // The pitch class of the lowest sounding note, or -1 in silence.
    int Bass() const {
        for (std::size_t w = 0; w < lowMask.size(); ++w)
            if (lowMask[w] != 0)
                return kPitchClass[w * 64 + static_cast<std::size_t>(std::countr_zero(lowMask[w]))];
        return -1;
    }

  private:
    std::array<uint16_t, 256> on{};  // channels holding each note number
    std::array<int, 12> perClass{};  // notes of each pitch class that sound
    std::array<uint64_t, 4> lowMask{};
    int set = 0;
};

// ReadChord for every (set, bass) met, worked out once each: a small table of slots (which fits
// the processor's cache) pointing into the few distinct readings. The readings depend on the
// built-in tables only, so one cache per way of reading serves every pass.
class ReadingCache {
  public:
    explicit ReadingCache(guitar::ReadingOptions options)
        : how(options), slots(static_cast<std::size_t>(Chord::kLimit) * 13, kUnknown) {}

    // The reading of `set` over `bass`, or nullptr when it is no chord.
    const guitar::ChordReading* Read(int set, int bass) {
        int32_t& slot =
            slots[static_cast<std::size_t>(set) * 13 + static_cast<std::size_t>(bass + 1)];
        if (slot == kUnknown) {
            const std::optional<guitar::ChordReading> found =
                guitar::ReadChord(Chord(set), bass, how);
            slot = found ? static_cast<int32_t>(readings.size()) : kNoChord;
            if (found) readings.push_back(*found);
        }
        return slot == kNoChord ? nullptr : &readings[static_cast<std::size_t>(slot)];
    }

  private:
    static constexpr int32_t kUnknown = -2;
    static constexpr int32_t kNoChord = -1;
    guitar::ReadingOptions how;
    std::vector<int32_t> slots;
    std::vector<guitar::ChordReading> readings;
};

ReadingCache& CacheFor(guitar::ReadingOptions how) {
    static ReadingCache caches[4] = {ReadingCache({false, false}), ReadingCache({false, true}),
                                     ReadingCache({true, false}), ReadingCache({true, true})};
    return caches[(how.guitarNames ? 2 : 0) + (how.moreTypes ? 1 : 0)];
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
    SoundingNotes notes;
    ReadingCache& readings = CacheFor(reading);
    std::vector<GuitarChordEvent> changes;
    std::optional<guitar::ChordReading> last;
    int readSet = -1;  // the set and bass read last: the same again reads the same
    int readBass = -1;
    std::size_t i = 0;
    while (i < events.size()) {
        uint32_t start = events[i].time;
        if (!options.steadyChords) {
            notes.Apply(events[i++].event);
        } else {
            // Every event of the group that starts here, drums left out; the chord starts with
            // the group's first note-on (the releases of the last chord may come just before).
            bool applied = false;
            std::optional<uint32_t> onset;
            const uint32_t last = start + window < start ? UINT32_MAX : start + window;
            for (; i < events.size(); ++i) {
                const MonitoredEvent& record = events[i];
                if (record.time > last || record.time < start) break;
                if (IsDrumEvent(record.event)) continue;
                notes.Apply(record.event);
                applied = true;
                if (!onset && midi::IsNoteOn(record.event)) onset = record.time;
            }
            if (!applied) continue;
            start = onset.value_or(start);
        }

        const int set = notes.Set();
        const int bass = notes.Bass();
        if (set == readSet && bass == readBass) continue;
        readSet = set;
        readBass = bass;
        const guitar::ChordReading* found = readings.Read(set, bass);
        if (!found || (last && SameName(*last, *found, options.moreTypes))) continue;
        last = *found;
        changes.push_back({start, *found, options.guitarNames && song.FlatsAt(start)});
    }
    if (options.minChordLength == MinChordLength::Off) return changes;
    return LongEnough(changes, options, song);
}
