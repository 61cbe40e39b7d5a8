// clock_jitter: how late the MIDI library's clock thread hands queued events to a device, against
// the time at which the clock's position reached each event's tick. Runs a 1 ms clock for a while,
// idle and with one core kept busy, with and without the real-time scheduling request, and prints
// p50 / p99 / max of the lateness.
//
//   clock_jitter [--seconds N] [--period MS] [--sched rt|normal|both] [--load idle|busy|both]

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "midi/MidiLib.h"
#include "midilib/LibraryOptions.h"

namespace {

struct Options {
    int seconds = 60;
    uint16_t period = 1;
    std::vector<bool> realtime = {true, false};
    std::vector<bool> busy = {false, true};
};

bool ParseOptions(int argc, char** argv, Options& options) {
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        const char* value = i + 1 < argc ? argv[i + 1] : nullptr;
        if (arg == "--seconds" && value) {
            options.seconds = std::max(1, std::atoi(value));
        } else if (arg == "--period" && value) {
            options.period = uint16_t(std::atoi(value));
        } else if (arg == "--sched" && value) {
            const std::string v = value;
            options.realtime = v == "rt"       ? std::vector<bool>{true}
                               : v == "normal" ? std::vector<bool>{false}
                                               : std::vector<bool>{true, false};
        } else if (arg == "--load" && value) {
            const std::string v = value;
            options.busy = v == "idle"   ? std::vector<bool>{false}
                           : v == "busy" ? std::vector<bool>{true}
                                         : std::vector<bool>{false, true};
        } else {
            std::fprintf(stderr,
                         "usage: clock_jitter [--seconds N] [--period MS] [--sched rt|normal|both] "
                         "[--load idle|busy|both]\n");
            return false;
        }
        ++i;
    }
    return true;
}

// Plays events 1 to 6 ticks apart (about 1 to 6 ms at 120 BPM and 480 ticks per beat), so that
// due times fall anywhere between the clock's periods, and keeps the library's queue filled.
midilib::LatenessSummary RunCase(const Options& options, bool realtime, bool busy) {
    midilib::SetClockRealtime(realtime);
    std::atomic<bool> stopLoad{false};
    std::thread load;
    if (busy) {
        load = std::thread([&stopLoad] {
            volatile uint64_t spin = 0;
            while (!stopLoad.load(std::memory_order_relaxed))
                spin = spin + 1;
        });
    }
    const uint32_t sync = OpenSync(0, nullptr, 0, options.period);
    const uint32_t out = OpenMidiOut(nullptr, 0, sync, 0);
    std::mt19937 random(42);
    std::uniform_int_distribution<uint32_t> gap(1, 6);
    auto fill = [&] {
        while (PutMidiOut(out, {gap(random), 0x90, 60, 1, 0}) == 0) {
        }
    };
    fill();
    StartSync(sync);
    const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(options.seconds);
    while (std::chrono::steady_clock::now() < end) {
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
        fill();
    }
    const midilib::LatenessSummary summary = midilib::GetMidiOutLateness(out);
    CloseMidiOut(out);
    CloseSync(sync);
    stopLoad = true;
    if (load.joinable()) load.join();
    return summary;
}

}  // namespace

int main(int argc, char** argv) {
    Options options;
    if (!ParseOptions(argc, argv, options)) return 2;
    midilib::TestDeviceSpec probe;
    probe.description = "Jitter Probe";
    midilib::SetTestOutputDevices({probe});
    std::printf("clock_jitter: %d s per case, %u ms period\n", options.seconds, options.period);
    std::printf("%-8s %-7s %10s %10s %10s %10s\n", "sched", "load", "events", "p50 us", "p99 us",
                "max us");
    for (bool busy : options.busy) {
        for (bool realtime : options.realtime) {
            const midilib::LatenessSummary s = RunCase(options, realtime, busy);
            std::printf("%-8s %-7s %10llu %10.1f %10.1f %10.1f\n", realtime ? "rt" : "normal",
                        busy ? "busy" : "idle", static_cast<unsigned long long>(s.count),
                        double(s.p50Ns) / 1000.0, double(s.p99Ns) / 1000.0,
                        double(s.maxNs) / 1000.0);
            std::fflush(stdout);
        }
    }
    midilib::SetTestOutputDevices({});
    return 0;
}
