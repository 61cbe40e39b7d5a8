#pragma once
// The time and key signatures of a loaded file (CMidiSMF::GetSongMetaEvents), as the file holds
// them, and their meaning.
//
// A SongMetaEvent keeps the bytes of one meta event of type 0x58 (time signature) or 0x59 (key
// signature) with its track (from 0) and its absolute time in ticks from the start of that track,
// the scale of the clock's position. TimeSignatureOf and KeySignatureOf read the bytes; they give
// nothing for an event of another type or with fewer bytes than its type needs (a file may hold
// such events; extra bytes are ignored).

#include <cstdint>
#include <optional>
#include <vector>

#include "midi/MidiMessages.h"

namespace midi {

struct SongMetaEvent {
    uint32_t time = 0;
    uint32_t track = 0;
    uint8_t type = 0;
    std::vector<uint8_t> data;
};

struct TimeSignature {
    uint32_t time = 0;
    uint8_t numerator = 4;        // beats in a bar
    uint32_t denominator = 4;     // the note value of a beat: 2 to the power the file gives
    uint8_t clocksPerClick = 24;  // MIDI clocks per metronome click
    uint8_t thirtySecondsPer24Clocks = 8;
};

struct KeySignature {
    uint32_t time = 0;
    int8_t sharps = 0;  // negative: flats
    bool minor = false;
};

inline std::optional<TimeSignature> TimeSignatureOf(const SongMetaEvent& e) {
    if (e.type != kTimeSignatureMeta || e.data.size() < 4) return std::nullopt;
    // Denominators beyond 2^31 cannot be held; such a file means nothing sensible anyway.
    const uint8_t power = e.data[1] < 32 ? e.data[1] : 31;
    return TimeSignature{e.time, e.data[0], uint32_t{1} << power, e.data[2], e.data[3]};
}

inline std::optional<KeySignature> KeySignatureOf(const SongMetaEvent& e) {
    if (e.type != kKeySignatureMeta || e.data.size() < 2) return std::nullopt;
    return KeySignature{e.time, static_cast<int8_t>(e.data[0]), e.data[1] != 0};
}

}  // namespace midi
