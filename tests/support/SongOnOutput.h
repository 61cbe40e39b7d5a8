#pragma once
// SongOnOutput: a song loaded by the program's loader (midi/LoadedSong) into an output object
// without a device, for tests, benchmarks and fuzz targets. The second form first writes the given
// bytes to a file of this process's own (the fuzz targets and the regression tests use it).

#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <string>

#include "midi/CMidiOut.h"
#include "midi/LoadedSong.h"

struct SongOnOutput {
    explicit SongOnOutput(const std::string& path) { song.Load(path, &output); }
    SongOnOutput(const uint8_t* data, size_t size) {
        static const std::string path = "/tmp/tabulon-song-" + std::to_string(getpid()) + ".mid";
        if (FILE* f = std::fopen(path.c_str(), "wb")) {
            if (size > 0) std::fwrite(data, 1, size, f);
            std::fclose(f);
        }
        song.Load(path, &output);
    }

    CMidiOut output;
    LoadedSong song;
};
