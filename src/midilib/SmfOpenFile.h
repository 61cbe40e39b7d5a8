#pragma once
// SmfOpenFile: one Standard MIDI File behind a handle of the library. Opened for reading ('r'),
// it holds the parsed content and a read position per track; opened for writing ('w'), it
// collects what is written until the file is flushed or closed.

#include <cstdint>
#include <string>
#include <vector>

#include "midilib/SmfContent.h"
#include "midilib/SmfWriter.h"

namespace midilib {

struct SmfOpenFile {
    static constexpr uint16_t kWrittenTicksPerBeat = 480;

    char mode = 'r';
    std::string path;
    // Reading.
    SmfContent content;
    std::vector<size_t> readPositions;  // one per track
    std::vector<bool> handedOver;       // the track's events were taken by TakeSMFTrack
    // Writing.
    SmfWriter writer;
    uint16_t format = 1;
    // What was wrong: the kept part of a broken file, or the last failed write.
    std::string problem;
};

}  // namespace midilib
