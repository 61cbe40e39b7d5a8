#pragma once
// TempoMap: the tempo changes of a song (the tempo records of all its tracks) in tick order, and
// what follows from them: the tempo in force at a tick and how far a tick lies from the start of
// the song in seconds at the file's own tempo. Before the first change the tempo is 120 beats per
// minute, as for any Standard MIDI File. Of several changes at one tick the last one read holds
// (tracks in order, each in its own order), as the merge plays them.

#include <cstdint>
#include <vector>

class CMidiTrack;

namespace midi {

class TempoMap {
  public:
    static constexpr uint32_t kDefaultTempo = 500000;

    struct Change {
        uint32_t tick = 0;
        uint32_t tempo = kDefaultTempo;  // microseconds per beat
    };

    TempoMap() = default;
    explicit TempoMap(std::vector<Change> changes);
    static TempoMap Of(const std::vector<const CMidiTrack*>& tracks);

    uint32_t TempoAt(uint32_t tick) const;
    double SecondsAt(uint64_t tick, uint16_t ticksPerBeat) const;
    // The first tick whose time is at least `seconds` (0 for a time at or before the start).
    uint64_t TickAt(double seconds, uint16_t ticksPerBeat) const;
    const std::vector<Change>& Changes() const { return changes; }

  private:
    std::vector<Change> changes;  // ascending ticks, one per tick
};

}  // namespace midi
