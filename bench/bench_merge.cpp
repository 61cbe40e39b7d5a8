// The track merge: one 512-event buffer fill after another over 16 and over 200 tracks, picking the
// next track by scanning all of them or from a heap. Items are events put into buffers.
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
            states.push_back(TrackPlayState{&tracks[i]});
        }
    }
    void Rewind() {
        for (TrackPlayState& s : states) {
            s.trackIndex = 0;
            s.inSysex = 0;
            s.sentNotes.clear();
        }
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

}  // namespace

BENCHMARK_MAIN();
