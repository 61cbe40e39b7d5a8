// clock_jitter: how late the MIDI library's clock thread hands queued events to a device, against
// the time at which the clock's position reached each event's tick. Runs a 1 ms clock for a while,
// idle and with one core kept busy, with and without the real-time scheduling request, and prints
// p50 / p99 / max of the lateness.
//
// Beside the clock, in the same run, a witness thread sleeps the same way (the same scheduling
// request, the same absolute 1 ms deadlines, the same kind of wait) and measures how late it
// wakes: what the witness suffers is the machine's doing, what the clock suffers beyond it is
// ours. A third thread stands for the window: it receives the clock's posts (a beat every 500 ms)
// and asks for the position 60 times a second, as the chord display does.
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

#include <condition_variable>
#include <mutex>

#include <sched.h>
#include <sys/prctl.h>

#include "midi/MessageWindow.h"
#include "midi/MidiLib.h"
#include "midilib/LibraryMutex.h"
#include "midilib/LibraryOptions.h"
#include "midilib/OutputLatenessStats.h"
#include "midilib/testing/TestOutputDevices.h"

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

// True when the request was granted; the clock thread asks the same way with the same rights.
bool AskForRealtime() {
    prctl(PR_SET_TIMERSLACK, 1UL, 0UL, 0UL, 0UL);
    sched_param param{};
    param.sched_priority =
        (sched_get_priority_min(SCHED_FIFO) + sched_get_priority_max(SCHED_FIFO)) / 2;
    return pthread_setschedparam(pthread_self(), SCHED_FIFO, &param) == 0;
}

// Sleeps to absolute 1 ms deadlines on a condition variable over the library's kind of lock, as
// the clock thread does, and records how late each wake is.
class Witness {
  public:
    Witness(bool realtime, uint16_t periodMs)
        : thread_([this, realtime, periodMs] { Run(realtime, periodMs); }) {}
    ~Witness() { Stop(); }
    void Stop() {
        {
            std::lock_guard guard(lock_);
            stop_ = true;
        }
        wake_.notify_one();
        if (thread_.joinable()) thread_.join();
    }
    midilib::LatenessSummary Summary() const { return stats_.Summary(); }
    bool RealtimeGranted() const { return granted_; }

  private:
    void Run(bool realtime, uint16_t periodMs) {
        if (realtime) granted_ = AskForRealtime();
        std::unique_lock guard(lock_);
        auto deadline = std::chrono::steady_clock::now();
        while (!stop_) {
            deadline += std::chrono::milliseconds(periodMs);
            wake_.wait_until(guard, deadline, [this] { return stop_; });
            stats_.Add((std::chrono::steady_clock::now() - deadline).count());
        }
    }
    midilib::LibraryMutex lock_;
    std::condition_variable_any wake_;
    bool stop_ = false;
    bool granted_ = false;
    midilib::OutputLatenessStats stats_;
    std::thread thread_;
};

// The window's thread: delivers the clock's posts as they come and reads the position at 60 Hz.
class WindowThread final : public midi::MessageDispatcher {
  public:
    WindowThread() : thread_([this] { Run(); }) {}
    ~WindowThread() override { Stop(); }
    void Stop() {
        {
            std::lock_guard guard(mutex_);
            stop_ = true;
        }
        wake_.notify_one();
        if (thread_.joinable()) thread_.join();
    }
    void SetClock(uint32_t sync) { sync_ = sync; }
    std::atomic<int> beats{0};

  protected:
    void Signal() override {
        {
            std::lock_guard guard(mutex_);
            signalled_ = true;
        }
        wake_.notify_one();
    }

  private:
    void Run() {
        auto nextPaint = std::chrono::steady_clock::now();
        std::unique_lock guard(mutex_);
        while (!stop_) {
            wake_.wait_until(guard, nextPaint, [this] { return stop_ || signalled_; });
            const bool deliver = signalled_;
            signalled_ = false;
            guard.unlock();
            if (deliver) DeliverAll();
            if (std::chrono::steady_clock::now() >= nextPaint) {
                if (sync_ != 0) GetPosition(sync_, 0);
                nextPaint += std::chrono::microseconds(16667);
            }
            guard.lock();
        }
    }
    std::mutex mutex_;
    std::condition_variable wake_;
    bool signalled_ = false;
    bool stop_ = false;
    std::atomic<uint32_t> sync_{0};
    std::thread thread_;
};

struct CaseResult {
    midilib::LatenessSummary clock;
    midilib::LatenessSummary witness;
    int beats = 0;
    bool realtimeGranted = false;
};

// Plays events 1 to 6 ticks apart (about 1 to 6 ms at 120 BPM and 480 ticks per beat), so that
// due times fall anywhere between the clock's periods, and keeps the library's queue filled.
CaseResult RunCase(const Options& options, bool realtime, bool busy) {
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
    WindowThread window;
    midi::MessageWindow clockWindow(window, "clock", [&window](uint32_t message, uint32_t) {
        if (message == MSG_SYNC_BEAT) ++window.beats;
    });
    const uint32_t sync = OpenSync(0, &clockWindow, 0, options.period);
    window.SetClock(sync);
    const uint32_t out = OpenMidiOut(nullptr, 0, sync, 0);
    std::mt19937 random(42);
    std::uniform_int_distribution<uint32_t> gap(1, 6);
    auto fill = [&] {
        while (PutMidiOut(out, {gap(random), 0x90, 60, 1, 0}) == 0) {
        }
    };
    fill();
    Witness witness(realtime, options.period);
    StartSync(sync);
    const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(options.seconds);
    while (std::chrono::steady_clock::now() < end) {
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
        fill();
    }
    CaseResult result;
    result.clock = midilib::GetMidiOutLateness(out);
    witness.Stop();
    result.witness = witness.Summary();
    result.realtimeGranted = witness.RealtimeGranted();
    CloseMidiOut(out);
    CloseSync(sync);
    window.Stop();
    result.beats = window.beats;
    stopLoad = true;
    if (load.joinable()) load.join();
    return result;
}

}  // namespace

int main(int argc, char** argv) {
    Options options;
    if (!ParseOptions(argc, argv, options)) return 2;
    midilib::TestDeviceConfig probe;
    probe.description = "Jitter Probe";
    midilib::SetTestOutputDevices({probe});
    std::printf("clock_jitter: %d s per case, %u ms period\n", options.seconds, options.period);
    std::printf("%-8s %-7s %-8s %10s %10s %10s %10s\n", "sched", "load", "thread", "samples",
                "p50 us", "p99 us", "max us");
    auto row = [](const char* sched, const char* load, const char* thread,
                  const midilib::LatenessSummary& s) {
        std::printf("%-8s %-7s %-8s %10llu %10.1f %10.1f %10.1f\n", sched, load, thread,
                    static_cast<unsigned long long>(s.count), double(s.p50Ns) / 1000.0,
                    double(s.p99Ns) / 1000.0, double(s.maxNs) / 1000.0);
    };
    for (bool busy : options.busy) {
        for (bool realtime : options.realtime) {
            const CaseResult r = RunCase(options, realtime, busy);
            const char* sched = realtime ? "rt" : "normal";
            const char* load = busy ? "busy" : "idle";
            row(sched, load, "clock", r.clock);
            row(sched, load, "witness", r.witness);
            std::printf("%-8s %-7s %-8s %10d beats received by the window thread\n", sched, load,
                        "window", r.beats);
            if (realtime && !r.realtimeGranted)
                std::printf(
                    "%-8s %-7s SCHED_FIFO was refused: both threads ran at normal priority\n",
                    sched, load);
            std::fflush(stdout);
        }
    }
    midilib::SetTestOutputDevices({});
    return 0;
}
