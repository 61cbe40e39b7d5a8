// The MIDI file reader: open, read every track and every track name.
#include "support/SongOnOutput.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    SongOnOutput song(data, size);
    for (auto& track : song.song.Tracks()) {
        uint32_t n = 512;
        for (uint32_t start = 0; n == 512; start += n) {
            n = 512;
            track->GetEventBlock(start, n);
        }
    }
    return 0;
}
