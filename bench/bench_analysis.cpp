// The chord analysis pass over a long song: 16 tracks of 62,500 events each (1,000,000 in all),
// built in memory and attached to an output object without a device, every channel and track
// monitored. The typical song has four tracks of held triads (struck together or arpeggiated),
// eight single-note lines, a drum track of short notes and three tracks of control changes; the
// dense song holds a triad on every one of its 16 channels all the time, the worst case for the
// sounding-note list. The *Guitarist benchmarks add every guitarist's option, as Play then does:
// the pass, then the options' timeline put in force from its monitored events.
#include <benchmark/benchmark.h>

#include <memory>
#include <random>
#include <vector>

#include "Misc/ChordAnalysis.h"
#include "Misc/ChordDictionary.h"
#include "Misc/GuitarTimeline.h"
#include "Misc/notelist.h"
#include "midi/CMidiOut.h"
#include "midi/CMidiTrack.h"
#include "settings/UserSettings.h"

namespace {

constexpr int kTracks = 16;
constexpr uint32_t kEventsPerTrack = 62'500;

enum class Part { Triads, Line, Drums, Controls };

// Delta-timed events of one track of `kind` on `channel`, kEventsPerTrack of them.
std::vector<MidiEvent> SongTrack(Part kind, int channel, std::mt19937& random) {
    static constexpr int kQualities[][3] = {{0, 4, 7}, {0, 3, 7}, {0, 4, 10}, {0, 5, 7}};
    const auto on = static_cast<uint8_t>(0x90 | channel);
    const auto off = static_cast<uint8_t>(0x80 | channel);
    const auto control = static_cast<uint8_t>(0xB0 | channel);
    std::vector<MidiEvent> events;
    events.reserve(kEventsPerTrack + kTrackGrowth);
    uint32_t rest = 0;  // delta of the next event
    while (events.size() + 7 <= kEventsPerTrack) {
        const int root = 48 + static_cast<int>(random() % 12);
        switch (kind) {
            case Part::Triads: {
                const auto& quality = kQualities[random() % 4];
                const uint32_t spread = random() % 2 == 0 ? 0 : 30 + random() % 60;
                for (int n = 0; n < 3; ++n)
                    events.push_back(
                        MidiEvent{n == 0 ? rest : spread, on, uint8_t(root + quality[n]), 90, 0});
                for (int n = 0; n < 3; ++n)
                    events.push_back(MidiEvent{uint32_t(n == 0 ? 240 + random() % 480 : 0), off,
                                               uint8_t(root + quality[n]), 0, 0});
                events.push_back(MidiEvent{uint32_t(random() % 20), control, 7, 100, 0});
                rest = random() % 120;
                break;
            }
            case Part::Line:
            case Part::Drums: {
                const uint32_t length = kind == Part::Drums ? 10 : 60 + random() % 180;
                events.push_back(MidiEvent{rest, on, uint8_t(root + 12), 90, 0});
                events.push_back(MidiEvent{length, on, uint8_t(root + 12), 0, 0});
                rest = random() % 120;
                break;
            }
            case Part::Controls:
                events.push_back(MidiEvent{rest, control, uint8_t(random() % 8), 64, 0});
                rest = random() % 60;
                break;
        }
    }
    while (events.size() < kEventsPerTrack)
        events.push_back(MidiEvent{10, control, 10, 64, 0});
    return events;
}

Part TypicalPart(int track) {
    if (track < 4) return Part::Triads;
    if (track == 9) return Part::Drums;
    if (track >= 13) return Part::Controls;
    return Part::Line;
}

struct Song {
    std::vector<std::unique_ptr<CMidiTrack>> tracks;
    CMidiOut output;

    explicit Song(bool dense) {
        std::mt19937 random(1234);
        for (int t = 0; t < kTracks; ++t) {
            auto track = std::make_unique<CMidiTrack>();
            std::vector<MidiEvent> events =
                SongTrack(dense ? Part::Triads : TypicalPart(t), t, random);
            const auto count = static_cast<uint32_t>(events.size());
            events.resize(count + kTrackGrowth);
            track->SetEventStorage(std::move(events), count);
            output.AddTrack(track.get());
            tracks.push_back(std::move(track));
        }
    }
};

// The pass, and with `options` the guitarist's timeline put in force after it, as Play does.
void Analyze(benchmark::State& state, Song& song, const ChordOptions& options = {}) {
    BuildChordDictionary();
    UserSettings.ResetTrackSettings();
    UserSettings.ClearMutedTracks();
    UserSettings.chordOptions = options;
    const SongSignatures meter;  // 480 ticks per beat, 4/4
    for (auto _ : state) {
        song.output.AnalyzeChords();
        if (options.ChangeTimeline()) PutChordOptionsInForce(meter);
        benchmark::DoNotOptimize(chordTimeline.Size());
    }
    UserSettings.chordOptions = ChordOptions{};
    state.counters["records"] = static_cast<double>(monitoredEvents.size());
    state.counters["chords"] = static_cast<double>(chordTimeline.Size());
    state.SetItemsProcessed(state.iterations() * int64_t{kTracks} * kEventsPerTrack);
}

void BM_AnalyzeTypicalSong1MEvents(benchmark::State& state) {
    static Song song(false);
    Analyze(state, song);
}
BENCHMARK(BM_AnalyzeTypicalSong1MEvents)->Unit(benchmark::kMillisecond)->MinTime(2.0);

// Every guitarist's option on: the pass, then the options' timeline from its monitored events.
void BM_AnalyzeTypicalSong1MEventsGuitarist(benchmark::State& state) {
    static Song song(false);
    Analyze(state, song, ChordOptions::Guitarist());
}
BENCHMARK(BM_AnalyzeTypicalSong1MEventsGuitarist)->Unit(benchmark::kMillisecond)->MinTime(2.0);

void BM_AnalyzeDenseSong1MEvents(benchmark::State& state) {
    static Song song(true);
    Analyze(state, song);
}
BENCHMARK(BM_AnalyzeDenseSong1MEvents)->Unit(benchmark::kMillisecond)->MinTime(2.0);

void BM_AnalyzeDenseSong1MEventsGuitarist(benchmark::State& state) {
    static Song song(true);
    Analyze(state, song, ChordOptions::Guitarist());
}
BENCHMARK(BM_AnalyzeDenseSong1MEventsGuitarist)->Unit(benchmark::kMillisecond)->MinTime(2.0);

// The typical song with no channel monitored: the walk alone.
void BM_WalkOnly1MEvents(benchmark::State& state) {
    static Song song(false);
    BuildChordDictionary();
    UserSettings.ResetTrackSettings();
    UserSettings.ClearMutedTracks();
    UserSettings.monitoredChannels.fill(0);
    for (auto _ : state) {
        song.output.AnalyzeChords();
        benchmark::DoNotOptimize(monitoredEvents.size());
    }
    UserSettings.ResetTrackSettings();
    state.SetItemsProcessed(state.iterations() * int64_t{kTracks} * kEventsPerTrack);
}
BENCHMARK(BM_WalkOnly1MEvents)->Unit(benchmark::kMillisecond)->MinTime(2.0);

}  // namespace

BENCHMARK_MAIN();
