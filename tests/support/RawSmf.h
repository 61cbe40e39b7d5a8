#pragma once
// Small Standard MIDI Files written byte by byte in tests: track chunks of raw event bytes (delta
// times included) or of events at absolute ticks, and a format 1 file of them.

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <vector>

namespace smftest {

// One track chunk of raw event bytes (delta times included); End of Track is appended.
inline std::vector<uint8_t> TrackChunk(std::vector<uint8_t> events) {
    for (uint8_t b : {0x00, 0xFF, 0x2F, 0x00})
        events.push_back(b);
    std::vector<uint8_t> chunk = {'M', 'T', 'r', 'k'};
    const auto n = static_cast<uint32_t>(events.size());
    for (int shift : {24, 16, 8, 0})
        chunk.push_back(static_cast<uint8_t>(n >> shift));
    chunk.insert(chunk.end(), events.begin(), events.end());
    return chunk;
}

// A track chunk of events at absolute ticks (in tick order, events of one tick as listed), each
// given by its bytes without the delta time.
struct TimedBytes {
    uint32_t tick;
    std::vector<uint8_t> bytes;
};
inline std::vector<uint8_t> TimedTrack(std::vector<TimedBytes> events) {
    std::stable_sort(events.begin(), events.end(),
                     [](const TimedBytes& a, const TimedBytes& b) { return a.tick < b.tick; });
    std::vector<uint8_t> raw;
    uint32_t last = 0;
    for (const TimedBytes& e : events) {
        uint32_t delta = e.tick - last;
        last = e.tick;
        uint8_t groups[5];
        int n = 0;
        do {
            groups[n++] = static_cast<uint8_t>(delta & 0x7F);
            delta >>= 7;
        } while (delta != 0);
        while (n > 0) {
            --n;
            raw.push_back(static_cast<uint8_t>(groups[n] | (n > 0 ? 0x80 : 0)));
        }
        raw.insert(raw.end(), e.bytes.begin(), e.bytes.end());
    }
    return TrackChunk(std::move(raw));
}

// A format 1 file of the given track chunks.
inline void WriteSmf(const std::filesystem::path& path,
                     const std::vector<std::vector<uint8_t>>& tracks, uint16_t division = 96) {
    std::vector<uint8_t> bytes = {'M', 'T', 'h', 'd', 0, 0, 0, 6, 0, 1};
    const auto count = static_cast<uint16_t>(tracks.size());
    for (uint16_t v : {count, division}) {
        bytes.push_back(static_cast<uint8_t>(v >> 8));
        bytes.push_back(static_cast<uint8_t>(v));
    }
    for (const auto& t : tracks)
        bytes.insert(bytes.end(), t.begin(), t.end());
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()),
               static_cast<std::streamsize>(bytes.size()));
}

}  // namespace smftest
