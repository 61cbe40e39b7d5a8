#pragma once
// A generator of broken MIDI files for the reader's hostile-input tests: each file comes with
// what a careful reader must do with it.

#include <string>
#include <vector>

#include "midilib/SmfTestSupport.h"

namespace smftest {

struct BrokenFile {
    enum class Outcome { kRefused, kPartlyRead, kRead };
    std::string name;
    Bytes bytes;
    Outcome outcome;
    std::string reasonContains;  // part of the refusal or problem text ("" = any)
    size_t tracks = 0;           // tracks expected when the file opens
};

// Hand-made broken files, one per kind of damage.
std::vector<BrokenFile> MakeBrokenFiles();

// A sound two-track file with notes, running status, meta events, tempo and sysex, which the
// mutation tests cut and damage byte by byte.
Bytes MakeSoundFile();

}  // namespace smftest
