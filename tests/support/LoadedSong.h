#pragma once
// LoadedSong: loads a MIDI file the way the document does: a CMidiSMF opens it, one CMidiTrack per
// track of the file is attached to the file object and to an output object without a device, and
// every track is read, names too. The second form first writes the given bytes to a file of this
// process's own (the fuzz targets and the regression tests use it).

#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "midi/CMidiOut.h"
#include "midi/CMidiSMF.h"
#include "midi/CMidiTrack.h"

class LoadedSong {
  public:
    explicit LoadedSong(const std::string& path) { Load(path); }
    LoadedSong(const uint8_t* data, size_t size) {
        static const std::string path = "/tmp/tabulon-song-" + std::to_string(getpid()) + ".mid";
        if (FILE* f = std::fopen(path.c_str(), "wb")) {
            if (size > 0) std::fwrite(data, 1, size, f);
            std::fclose(f);
        }
        Load(path);
    }
    ~LoadedSong() {
        // Each track takes itself out of both lists; the last first, so no list closes a gap.
        while (!tracks.empty())
            tracks.pop_back();
        smf.Close();
    }

    CMidiSMF smf;
    CMidiOut output;
    std::vector<std::unique_ptr<CMidiTrack>> tracks;

  private:
    void Load(const std::string& path) {
        if (!smf.Open(path.c_str(), 'r', 1)) return;
        for (uint32_t i = 0; i < smf.GetTrackCountInFile(); ++i) {
            tracks.push_back(std::make_unique<CMidiTrack>());
            smf.AddTrack(tracks.back().get());
            output.AddTrack(tracks.back().get());
        }
        smf.ReadAllTracks();
        for (auto& track : tracks)
            track->GetName();
    }
};
