// read_tracks: loads a Standard MIDI File into tracks exactly as the program does (LoadedSong:
// open, every track read into its CMidiTrack, the names read) in a fresh process, and prints
// what that cost: wall time of the load, events per second, and the page faults and peak
// resident memory of the whole process. Run it under hyperfine for the process figure; its own
// line gives the load alone, with no memory reused from an earlier load.
//
//   read_tracks FILE [--quiet]

#include <sys/resource.h>

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstring>

#include "midi/LoadedSong.h"

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: read_tracks FILE [--quiet]\n");
        return 2;
    }
    const bool quiet = argc > 2 && std::strcmp(argv[2], "--quiet") == 0;
    rusage before{};
    getrusage(RUSAGE_SELF, &before);
    const auto start = std::chrono::steady_clock::now();
    LoadedSong song;
    if (!song.Load(argv[1])) {
        std::fprintf(stderr, "%s: %s\n", argv[1], song.ErrorText().c_str());
        return 1;
    }
    uint64_t events = 0;
    for (const auto& track : song.Tracks())
        events += track->GetCount();
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    rusage after{};
    getrusage(RUSAGE_SELF, &after);
    if (!quiet) {
        std::printf(
            "%llu events in %d tracks: %.2f ms, %.1f million events/s; "
            "%ld minor faults in the load, %ld in the process; peak RSS %ld KB\n",
            static_cast<unsigned long long>(events), song.TrackCount(), seconds * 1e3,
            seconds > 0 ? static_cast<double>(events) / seconds / 1e6 : 0.0,
            after.ru_minflt - before.ru_minflt, after.ru_minflt, after.ru_maxrss);
    }
    return 0;
}
