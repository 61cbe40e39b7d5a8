// The track merge: one 512-event buffer fill after another over 16 and over 200 tracks, picking the
// next track by scanning all of them or from a heap. Items are events put into buffers. Then a play
// of many short tracks one after another (most of them waiting or done at any time), with the heap
// built for every fill and kept from fill to fill.
#include <benchmark/benchmark.h>

#include <deque>
#include <vector>

#include "midi/CMidiTrack.h"
#include "midi/TrackMerge.h"
#include "settings/UserSettings.h"

namespace {

constexpr uint32_t kEventsPerSong = 400000;

// `trackCount` tracks sharing kEventsPerSong notes; each track has its own step between events,
// so the tracks interleave irregularly.
struct Song {
    explicit Song(int trackCount) : tracks(static_cast<size_t>(trackCount)) {
        const uint32_t perTrack = kEventsPerSong / static_cast<uint32_t>(trackCount);
        for (size_t i = 0; i < tracks.size(); ++i) {
            std::vector<MidiEvent> storage(perTrack);
            for (uint32_t k = 0; k < perTrack; ++k)
                storage[k] = MidiEvent{static_cast<uint32_t>(3 + (i * 7 + k) % 11), 0x90,
                                       static_cast<uint8_t>(k % 128), 100, 0};
            tracks[i].SetEventStorage(std::move(storage), perTrack);
            states.emplace_back().track = &tracks[i];
        }
    }
    // `trackCount` tracks of `perTrack` notes each, track i playing from tick 8 * i on.
    Song(int trackCount, uint32_t perTrack) : tracks(static_cast<size_t>(trackCount)) {
        for (size_t i = 0; i < tracks.size(); ++i) {
            std::vector<MidiEvent> storage(perTrack);
            for (uint32_t k = 0; k < perTrack; ++k)
                storage[k] = MidiEvent{k == 0 ? static_cast<uint32_t>(8 * i) : 2, 0x90,
                                       static_cast<uint8_t>(k % 128), 100, 0};
            tracks[i].SetEventStorage(std::move(storage), perTrack);
            states.emplace_back().track = &tracks[i];
        }
    }
    void Rewind() {
        for (TrackPlayState& s : states)
            s.Rewind();
        lastTime = 0;
    }

    std::deque<CMidiTrack> tracks;
    std::vector<TrackPlayState> states;
    uint32_t lastTime = 0;
};

void BM_MergeFill(benchmark::State& state) {
    UserSettings = UserSettingsRecord{};
    Song song(static_cast<int>(state.range(0)));
    const auto strategy = static_cast<midi::MergeStrategy>(state.range(1));
    std::vector<MidiEvent> out(midi::kOutBufferEvents);
    int64_t events = 0;
    for (auto _ : state) {
        uint32_t n = midi::MergeTracks(song.states, out.data(), song.lastTime, strategy);
        if (n == 0) {
            song.Rewind();
            n = midi::MergeTracks(song.states, out.data(), song.lastTime, strategy);
        }
        benchmark::DoNotOptimize(out.data());
        events += n;
    }
    state.SetItemsProcessed(events);
    state.SetLabel(strategy == midi::MergeStrategy::Scan ? "scan" : "heap");
}

BENCHMARK(BM_MergeFill)
    ->ArgNames({"tracks", "heap"})
    ->Args({16, 0})
    ->Args({16, 1})
    ->Args({200, 0})
    ->Args({200, 1});

// Items are events put into buffers; one iteration is a whole play of the song.
void BM_PlayManyTracks(benchmark::State& state) {
    UserSettings = UserSettingsRecord{};
    Song song(static_cast<int>(state.range(0)), 4);
    const bool kept = state.range(1) != 0;
    midi::TrackMerger merger;
    std::vector<MidiEvent> out(midi::kOutBufferEvents);
    int64_t events = 0;
    for (auto _ : state) {
        song.Rewind();
        merger.Restart();
        for (;;) {
            const uint32_t n = kept ? merger.Fill(song.states, out.data(), song.lastTime)
                                    : midi::MergeTracks(song.states, out.data(), song.lastTime,
                                                        midi::MergeStrategy::Heap);
            if (n == 0) break;
            benchmark::DoNotOptimize(out.data());
            events += n;
        }
    }
    state.SetItemsProcessed(events);
    state.SetLabel(kept ? "heap kept" : "heap per fill");
}

BENCHMARK(BM_PlayManyTracks)
    ->ArgNames({"tracks", "kept"})
    ->Args({1000, 0})
    ->Args({1000, 1})
    ->Args({16000, 0})
    ->Args({16000, 1})
    ->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
