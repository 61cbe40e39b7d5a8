#pragma once
// SmfReader: reads a Standard MIDI File (formats 0, 1 and 2, bare or wrapped in a RIFF "RMID"
// file) into SmfContent, or gives a one-line reason why it cannot.
//
// Contract:
//  - Refused: files over kMaxFileSize, anything that is not a MIDI file, a truncated or too short
//    header, formats above 2, a header declaring no tracks, a time division of 0 ticks (per beat
//    or per frame), and files in which no track chunk is found.
//  - An SMPTE time division plays at frames per second x ticks per frame ticks a second (29.97
//    drop-frame counted as 30) whatever the tempo events say: ticksPerBeat is that product and
//    the first track opens with a tempo record of one beat a second (kSmpteTempo).
//  - Unknown chunks are skipped. Every track chunk is read, up to kMaxTracks: a file with more
//    than its header declares keeps them all and says so in `problem`, one with fewer too.
//    Nothing is allocated for a track before its chunk is found.
//  - A broken track keeps what was valid before the fault (see SmfTrackParser); the first faults
//    are gathered in `problem`, which stays "" for a sound file. Each names its place as
//    SmfReason.h words it.
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
    // The most tracks a header can declare; chunks past them are not read.
    static constexpr size_t kMaxTracks = 65535;
    static constexpr uint32_t kSmpteTempo = 1000000;

    // Loads and parses the file at `path`.
    static std::optional<SmfContent> ReadFile(const char* path, std::string& reason);
    // Parses file bytes (which the content keeps).
    static std::optional<SmfContent> Parse(SmfFileBytes bytes, std::string& reason);
    // The events of a track of `content` decoded once more from its bytes, exactly as Parse
    // decoded them (for a track whose events were handed over).
    static std::vector<MidiEvent> DecodeTrackAgain(const SmfContent& content, uint32_t track);
};

}  // namespace midilib
