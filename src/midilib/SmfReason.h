#pragma once
// SmfReason: how the file reader words what it found wrong or notable in a file. Every text names
// a place the way the window does: tracks are numbered from 1 and given with their names, bytes
// are offsets from the start of the file, and large numbers are grouped by thousands, e.g.
// "meta event at byte 161 of track 2 (Bass) claims 4,000,000 bytes; the chunk ends at byte 177".

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace midilib {

// 4000000 -> "4,000,000".
std::string GroupedNumber(uint64_t value);
// 0x9F -> "0x9F".
std::string HexByte(uint8_t value);
// "track 2 (Bass)", or "track 2" for a track without a name; `index` counts from 0. Control
// characters of the name are shown as '?', and a long name is cut after a few words.
std::string TrackLabel(uint32_t index, std::string_view name);
// "<what> at byte <at> of <track label>".
std::string AtTrackByte(std::string_view what, size_t at, uint32_t index, std::string_view name);

}  // namespace midilib
