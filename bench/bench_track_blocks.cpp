// Reading a long track block by block, as the merge and the chord analysis do, against copying
// its event array once: the block reads should cost no more than a few copies of the array.
#include <benchmark/benchmark.h>

#include <random>
#include <vector>

#include "midi/CMidiTrack.h"

namespace {

constexpr uint32_t kEvents = 1'000'000;
constexpr uint32_t kBlock = 512;

CMidiTrack& LongTrack() {
    static CMidiTrack track;
    static bool filled = false;
    if (!filled) {
        std::mt19937 random(7);
        std::vector<MidiEvent> storage(kEvents + kTrackGrowth);
        for (uint32_t i = 0; i < kEvents; ++i) {
            storage[i] =
                MidiEvent{static_cast<uint32_t>(random() % 240), uint8_t(0x90 | (i & 0x0F)),
                          uint8_t(i & 0x7F), uint8_t(i & 1 ? 0 : 100), 0};
        }
        track.SetEventStorage(std::move(storage), kEvents);
        filled = true;
    }
    return track;
}

void BM_ReadWholeTrackInBlocks(benchmark::State& state) {
    const CMidiTrack& track = LongTrack();
    for (auto _ : state) {
        uint32_t last = 0;
        for (uint32_t start = 0; start < kEvents; start += kBlock) {
            uint32_t n = kBlock;
            const auto block = track.GetEventBlock(start, n);
            last = block[n - 1].time;
            benchmark::DoNotOptimize(block.data());
        }
        benchmark::DoNotOptimize(last);
    }
    state.SetItemsProcessed(state.iterations() * kEvents);
}
BENCHMARK(BM_ReadWholeTrackInBlocks)->Unit(benchmark::kMillisecond);

void BM_CopyWholeArrayOnce(benchmark::State& state) {
    const CMidiTrack& track = LongTrack();
    for (auto _ : state) {
        std::vector<MidiEvent> copy(track.GetEvents(), track.GetEvents() + track.GetCount());
        benchmark::DoNotOptimize(copy.data());
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations() * kEvents);
}
BENCHMARK(BM_CopyWholeArrayOnce)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
