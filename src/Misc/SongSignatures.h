#pragma once
// SongSignatures: the meter and the keys of a song, as its time signatures (meta event 0x58) and
// key signatures (0x59) give them (midi/SongMeta.h), with the song's resolution. A song without
// time signatures is in 4/4; one without key signatures is written with sharps.
//
// A beat is one note of the time signature's denominator (a quarter note in 4/4, an eighth in
// 6/8); a bar holds `numerator` beats. Signatures take effect at their tick; the first bar starts
// at tick 0, and a time signature that falls inside a bar starts a new bar there.

#include <cstdint>
#include <vector>

#include "midi/SongMeta.h"

// Where a tick lies in the song's bars: bar and beat counted from 1, and the tick of that beat.
struct BarPosition {
    uint32_t bar = 1;
    uint32_t beat = 1;
    uint32_t beatTick = 0;
};

struct SongSignatures {
    uint32_t ticksPerQuarter = 480;
    std::vector<midi::TimeSignature> times;  // in tick order
    std::vector<midi::KeySignature> keys;    // in tick order

    // The signatures among a file's meta events (CMidiSMF::GetSongMetaEvents), which come in
    // time order; events that are too short to read are left out.
    static SongSignatures Of(uint32_t ticksPerQuarter,
                             const std::vector<midi::SongMetaEvent>& events);

    bool FlatsAt(uint32_t tick) const;
    uint32_t BeatTicksAt(uint32_t tick) const;
    uint32_t BarTicksAt(uint32_t tick) const;
    BarPosition PositionOf(uint32_t tick) const;
    // The tick at which bar `bar` (from 1) starts.
    uint64_t BarStart(uint32_t bar) const;
};
