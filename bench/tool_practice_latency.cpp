// practice_latency: the practice playback's timing on the real-time path (the library's clock
// thread, a recording test device), in two measures:
//  - seek: from the call of CMidiOut::Reposition in the middle of a play to the device receiving
//    the first note at the new place (limit: 30 ms);
//  - loop: a one-bar loop played round and round; how late each note reaches the device against
//    the ideal grid of the play (first note + its ticks at the tempo), the notes on the loop point
//    beside all the others, with the library's own dispatch lateness for the whole play.
//
//   practice_latency [--seeks N] [--seconds S]

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <random>
#include <thread>
#include <vector>

#include "midi/CMidiOut.h"
#include "midi/CMidiSync.h"
#include "midi/CMidiTrack.h"
#include "midi/MidiMessages.h"
#include "midilib/LibraryOptions.h"
#include "midilib/testing/TestOutputDevices.h"
#include "settings/UserSettings.h"
#include "support/TestLoop.h"

namespace {

using Clock = std::chrono::steady_clock;
constexpr uint32_t kFlags = 0x00033320;
constexpr uint32_t kTicksPerNote = 240;  // eighth notes at 480 ticks per beat
constexpr uint32_t kTempo = 250000;      // 240 BPM: a note every 62.5 ms
constexpr uint32_t kBar = 8 * kTicksPerNote;

struct Summary {
    double p50, p99, max;
};
Summary Summarise(std::vector<double> v) {
    if (v.empty()) return {0, 0, 0};
    std::sort(v.begin(), v.end());
    const auto at = [&v](double q) { return v[std::min(v.size() - 1, size_t(q * v.size()))]; };
    return {at(0.5), at(0.99), v.back()};
}

// A song of one note every kTicksPerNote, note number = index % 100 + 20, so that a message tells
// where in the song it is.
void FillSong(CMidiTrack& track, uint32_t notes) {
    track.InsertEvent(midi::MakeValueRecord(0, midi::kMetaEvent, kTempo), -1);
    for (uint32_t i = 0; i < notes; ++i) {
        track.InsertEvent({i == 0 ? 0u : kTicksPerNote / 2, 0x90, uint8_t(i % 100 + 20), 100, 0},
                          -1);
        track.InsertEvent({kTicksPerNote / 2, 0x80, uint8_t(i % 100 + 20), 0, 0}, -1);
    }
}

struct Rig {
    Rig() {
        midilib::SetTestOutputDevices(
            {midilib::TestDeviceConfig{"Recorder", false, {}, -1, probe}});
        clock.Create(loop);
        clock.Open(0, 1);
        out.Create(loop);
        out.SetSync(&clock);
        out.Open(0, kFlags);
    }
    ~Rig() {
        clock.Stop();
        out.Close();
        midilib::SetTestOutputDevices({});
    }
    void PumpFor(std::chrono::milliseconds span) {
        const auto until = Clock::now() + span;
        loop.RunUntil([until] { return Clock::now() >= until; }, span);
    }
    std::shared_ptr<midilib::TestDeviceProbe> probe = std::make_shared<midilib::TestDeviceProbe>();
    TestLoop loop;
    CBeatSync clock;
    CMidiOut out;
    CMidiTrack track;
};

void MeasureSeeks(int seeks) {
    Rig rig;
    FillSong(rig.track, 4000);
    rig.out.AddTrack(&rig.track);
    rig.out.PrepareSong();
    const auto start = rig.out.StartPlayback();
    rig.clock.StartAt(start.tick, start.countIn);
    std::mt19937 random(7);
    std::vector<double> ms;
    for (int s = 0; s < seeks; ++s) {
        rig.PumpFor(std::chrono::milliseconds(100 + random() % 200));
        const uint32_t note = 100 + random() % 3800;
        const uint8_t wanted = uint8_t(note % 100 + 20);
        const size_t before = rig.probe->Messages().size();
        const auto called = Clock::now();
        rig.out.Reposition(note * kTicksPerNote);
        rig.loop.RunUntil(
            [&] {
                const auto m = rig.probe->Messages();
                for (size_t i = before; i < m.size(); ++i)
                    if (m[i].bytes.size() == 3 && m[i].bytes[0] == 0x90) return true;
                return false;
            },
            std::chrono::seconds(2));
        const auto m = rig.probe->Messages();
        for (size_t i = before; i < m.size(); ++i)
            if (m[i].bytes.size() == 3 && m[i].bytes[0] == 0x90) {
                if (m[i].bytes[1] != wanted) std::fprintf(stderr, "seek %d: wrong first note\n", s);
                ms.push_back(std::chrono::duration<double, std::milli>(m[i].time - called).count());
                break;
            }
    }
    const Summary sum = Summarise(ms);
    std::printf(
        "seek to the first new note: %zu seeks, p50 %.3f ms, p99 %.3f ms, max %.3f ms "
        "(limit 30 ms)\n",
        ms.size(), sum.p50, sum.p99, sum.max);
}

void MeasureLoop(int seconds) {
    Rig rig;
    FillSong(rig.track, 64);
    rig.out.AddTrack(&rig.track);
    rig.out.PrepareSong();
    rig.out.SetPractice({kBar, 2 * kBar, true, 0, 0});
    const auto start = rig.out.StartPlayback();
    rig.clock.StartAt(start.tick, start.countIn);
    rig.PumpFor(std::chrono::seconds(seconds));
    const midilib::LatenessSummary library = midilib::GetMidiOutLateness(rig.out.GetHandle());
    rig.clock.Stop();

    std::vector<Clock::time_point> ons;
    std::vector<bool> atLoopPoint;
    for (const auto& m : rig.probe->Messages())
        if (m.bytes.size() == 3 && m.bytes[0] == 0x90) {
            ons.push_back(m.time);
            atLoopPoint.push_back((m.bytes[1] - 20) % 8 == 0);  // notes 8..15: bar 2 starts at 8
        }
    const double noteMs = double(kTempo) / 1000.0 * kTicksPerNote / 480.0;
    // The ideal grid: the earliest note of the play defines where the grid lies.
    double offset = 1e300;
    for (size_t i = 0; i < ons.size(); ++i)
        offset =
            std::min(offset, std::chrono::duration<double, std::milli>(ons[i] - ons[0]).count() -
                                 i * noteMs);
    std::vector<double> loopPoint, elsewhere;
    for (size_t i = 0; i < ons.size(); ++i) {
        const double late = std::chrono::duration<double, std::milli>(ons[i] - ons[0]).count() -
                            i * noteMs - offset;
        (atLoopPoint[i] ? loopPoint : elsewhere).push_back(late);
    }
    const Summary a = Summarise(loopPoint), b = Summarise(elsewhere);
    std::printf(
        "loop of one bar, %d s: %zu loop points: p50 %.3f ms, p99 %.3f ms, max %.3f ms; "
        "%zu other notes: p50 %.3f ms, p99 %.3f ms, max %.3f ms\n",
        seconds, loopPoint.size(), a.p50, a.p99, a.max, elsewhere.size(), b.p50, b.p99, b.max);
    std::printf(
        "library dispatch lateness of the loop play: %llu events, p50 %.3f ms, p99 %.3f ms, "
        "max %.3f ms\n",
        static_cast<unsigned long long>(library.count), library.p50Ns / 1e6, library.p99Ns / 1e6,
        library.maxNs / 1e6);
}

}  // namespace

int main(int argc, char** argv) {
    int seeks = 50, seconds = 10;
    for (int i = 1; i + 1 < argc; i += 2) {
        if (std::strcmp(argv[i], "--seeks") == 0) seeks = std::atoi(argv[i + 1]);
        if (std::strcmp(argv[i], "--seconds") == 0) seconds = std::atoi(argv[i + 1]);
    }
    UserSettings = UserSettingsRecord{};
    MeasureSeeks(seeks);
    MeasureLoop(seconds);
    return 0;
}
