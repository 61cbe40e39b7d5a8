#pragma once
// FuzzedSong: loads the fuzzer's bytes the way the document loads a file: the bytes go to a file
// of this process's own, a CMidiSMF opens it, one CMidiTrack per track of the file is attached to
// the file object and to an output object without a device, and every track is read, names too.

#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "midi/CMidiOut.h"
#include "midi/CMidiSMF.h"
#include "midi/CMidiTrack.h"

class FuzzedSong {
public:
    FuzzedSong(const uint8_t* data, size_t size) {
        static const std::string path = "/tmp/tabulon-fuzz-" + std::to_string(getpid()) + ".mid";
        if (FILE* f = std::fopen(path.c_str(), "wb")) {
            if (size > 0) std::fwrite(data, 1, size, f);
            std::fclose(f);
        }
        if (!smf.Open(path.c_str(), 'r', 1)) return;
        for (uint32_t i = 0; i < smf.GetTrackCountInFile(); ++i) {
            tracks.push_back(std::make_unique<CMidiTrack>());
            smf.AddTrack(tracks.back().get());
            output.AddTrack(tracks.back().get());
        }
        smf.ReadAllTracks();
        for (auto& track : tracks) track->GetName();
    }
    ~FuzzedSong() {
        tracks.clear();  // each track takes itself out of both lists
        smf.Close();
    }

    CMidiSMF smf;
    CMidiOut output;
    std::vector<std::unique_ptr<CMidiTrack>> tracks;
};
