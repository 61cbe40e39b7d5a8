#pragma once
// SmfReader: reads a Standard MIDI File (formats 0, 1 and 2, bare or wrapped in a RIFF "RMID"
// file) into SmfContent, or gives a one-line reason why it cannot.
//
// Contract:
//  - Refused: files over kMaxFileSize, anything that is not a MIDI file, a truncated or too short
//    header, formats above 2, a header declaring no tracks, a time division of 0 ticks and SMPTE
//    time division, and files in which no track chunk is found.
//  - Unknown chunks are skipped. Track chunks are read until the declared number is found; the
//    content holds the track chunks actually present (never more than declared), and a file with
//    fewer says so in `problem`. Nothing is allocated for a track before its chunk is found.
//  - A broken track keeps what was valid before the fault (see SmfTrackParser); the first faults
//    are gathered in `problem`, which stays "" for a sound file.
//  - All tracks together hold at most as many records as the file has bytes.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "midilib/SmfContent.h"

namespace midilib {

class SmfReader {
  public:
    static constexpr size_t kMaxFileSize = size_t{256} << 20;

    // Loads and parses the file at `path`.
    static std::optional<SmfContent> ReadFile(const char* path, std::string& reason);
    // Parses file bytes (which the content keeps).
    static std::optional<SmfContent> Parse(std::vector<uint8_t> bytes, std::string& reason);
};

}  // namespace midilib
