// Reading a big Standard MIDI File: OpenSMF, then every track read in chunks of 8192 records
// into its own vector (as the file object does), then CloseSMF. The file has 1,000,000 events
// in 16 tracks (format 1) and is made in /tmp by the library's own writer.
//
// BM_LoadSong loads the file as the program does (LoadedSong: every track handed its decoded
// events without a copy), over and over in one process; bench/read_tracks gives the same load in
// a fresh process, the figure that counts for a program that opens one file.
//
// Two runs of the library's copying read: BM_OpenAndReadAllTracks with the allocator's defaults,
// where the memory of every read is fresh from the kernel (as for a program that loads one file; on
// virtual machines the page faults of some 12 MB can cost more than the parse), and
// ..._ReusedMemory, where the allocator keeps freed memory, which measures the reader itself.
//
// Besides the benchmark the program has two plain modes for bench/compare_read.sh:
//   bench_smf_read --write-file PATH   writes the test file to PATH
//   bench_smf_read --read PATH         reads PATH once the same way and prints the event count

#include <benchmark/benchmark.h>
#include <malloc.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "midi/LoadedSong.h"
#include "midi/MidiLib.h"

namespace {

constexpr uint32_t kTracks = 16;
constexpr uint32_t kEvents = 1000000;
constexpr uint32_t kChunk = 8192;

// Note on / note off pairs with running status, one channel per track, a few controllers.
bool WriteTestFile(const char* path) {
    uint32_t format = 1, tracks = 0;
    const uint32_t h = OpenSMF(path, &format, 'w', &tracks);
    if (h == 0) return false;
    for (uint32_t t = 0; t < kTracks; ++t) {
        std::vector<MidiEvent> events;
        events.reserve(kEvents / kTracks);
        const uint8_t channel = uint8_t(t);
        for (uint32_t i = 0; events.size() < kEvents / kTracks; ++i) {
            const uint8_t note = uint8_t(36 + (i * 7 + t) % 48);
            if (i % 64 == 0) events.push_back({0, uint8_t(0xB0 | channel), 7, uint8_t(i % 128), 0});
            events.push_back(
                {uint32_t(i % 3 == 0 ? 0 : 60), uint8_t(0x90 | channel), note, 100, 0});
            if (events.size() < kEvents / kTracks) {
                events.push_back({120, uint8_t(0x80 | channel), note, 0, 0});
            }
        }
        const std::string name = "Track " + std::to_string(t);
        WriteMetaEvent(h, t, 3, reinterpret_cast<const uint8_t*>(name.c_str()), 0);
        WriteSMF(h, t, events.data(), uint32_t(events.size()));
    }
    return CloseSMF(h) == 0;
}

// Opens and reads every track; returns the number of events read, or 0 on failure.
size_t ReadWholeFile(const char* path, std::vector<std::vector<MidiEvent>>& tracks) {
    uint32_t format = 1, count = 0;
    const uint32_t h = OpenSMF(path, &format, 'r', &count);
    if (h == 0) return 0;
    tracks.resize(count);
    size_t total = 0;
    for (uint32_t t = 0; t < count; ++t) {
        std::vector<MidiEvent>& events = tracks[t];
        events.clear();
        size_t n = 0;
        while (true) {
            if (events.size() - n < kChunk) events.resize(events.size() + (n ? n : kChunk));
            const uint32_t k = ReadSMF(h, t, events.data() + n, kChunk);
            if (k == 0) break;
            n += k;
        }
        events.resize(n);
        total += n;
    }
    CloseSMF(h);
    return total;
}

const char* TestFilePath() {
    static const std::string path = [] {
        const std::string p = "/tmp/tabulon-bench-1m-events.mid";
        if (!WriteTestFile(p.c_str())) std::fprintf(stderr, "cannot write %s\n", p.c_str());
        return p;
    }();
    return path.c_str();
}

void BM_OpenAndReadAllTracks(benchmark::State& state) {
    const char* path = TestFilePath();
    size_t events = 0;
    for (auto _ : state) {
        std::vector<std::vector<MidiEvent>> tracks;
        events = ReadWholeFile(path, tracks);
        benchmark::DoNotOptimize(tracks.data());
    }
    if (events != kEvents) state.SkipWithError("unexpected event count");
    state.SetItemsProcessed(int64_t(state.iterations()) * int64_t(events));
}
BENCHMARK(BM_OpenAndReadAllTracks)->Unit(benchmark::kMillisecond);

void BM_OpenAndReadAllTracks_ReusedMemory(benchmark::State& state) {
    // Keep big blocks in the heap and never give freed memory back; runs after the first.
    mallopt(M_MMAP_THRESHOLD, 256 << 20);
    mallopt(M_TRIM_THRESHOLD, 1 << 30);
    BM_OpenAndReadAllTracks(state);
}
BENCHMARK(BM_OpenAndReadAllTracks_ReusedMemory)->Unit(benchmark::kMillisecond);

void BM_LoadSong(benchmark::State& state) {
    const char* path = TestFilePath();
    uint64_t events = 0;
    for (auto _ : state) {
        LoadedSong song;
        song.Load(path);
        events = 0;
        for (const auto& track : song.Tracks())
            events += track->GetCount();
        benchmark::DoNotOptimize(events);
    }
    if (events != kEvents) state.SkipWithError("unexpected event count");
    state.SetItemsProcessed(int64_t(state.iterations()) * int64_t(events));
}
BENCHMARK(BM_LoadSong)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
    if (argc == 3 && std::strcmp(argv[1], "--write-file") == 0) {
        return WriteTestFile(argv[2]) ? 0 : 1;
    }
    if (argc == 3 && std::strcmp(argv[1], "--read") == 0) {
        std::vector<std::vector<MidiEvent>> tracks;
        const size_t events = ReadWholeFile(argv[2], tracks);
        std::printf("%zu events in %zu tracks\n", events, tracks.size());
        return events ? 0 : 1;
    }
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
