// The clock operations of the library. Each open clock has its own thread (ClockThread) that plays
// the outputs linked to it; these operations change the clock under the library's lock and wake
// the thread when its next deadline may have moved.

#include <cmath>

#include "midi/MidiLib.h"
#include "midilib/LibraryErrors.h"
#include "midilib/LibraryOptions.h"
#include "midilib/LibraryState.h"

using midilib::Clock;
using midilib::ClockThread;
using midilib::LibraryState;
using midilib::SyncEntry;

namespace {
constexpr uint16_t kDefaultPeriodMs = 10;

// Runs `change` on the clock of `hSync` under the lock and, for a change, wakes its thread so that
// it recomputes its next deadline; 0 for an unknown clock.
enum class Wake { No, Yes };
template <class Change>
auto WithSync(uint32_t hSync, Change change, Wake wake = Wake::Yes)
    -> decltype(change(std::declval<SyncEntry&>())) {
    LibraryState& state = LibraryState::Get();
    std::lock_guard lock(state.mutex);
    SyncEntry* sync = state.FindSync(hSync);
    if (!sync) return {};
    auto result = change(*sync);
    if (wake == Wake::Yes) sync->thread.Kick();
    return result;
}
}  // namespace

uint32_t OpenSync(uint32_t hSync, MidiNotifier* window, uint16_t mode, uint16_t period) {
    if (period != Clock::kUnchanged && !Clock::IsValidPeriod(period))
        return midilib::kErrorBadParameter;
    LibraryState& state = LibraryState::Get();
    if (hSync != 0) {
        {
            std::lock_guard lock(state.mutex);
            SyncEntry* sync = state.FindSync(hSync);
            if (!sync) return midilib::kErrorBadHandle;
            sync->clock.Configure(window, mode, period, ClockThread::Now());
            sync->thread.Kick();
        }
        // A receiver replaced here may go as soon as this returns.
        state.WaitForPosts();
        return hSync;
    }
    const bool realtime = midilib::CurrentLibraryOptions().clockRealtime;
    std::lock_guard lock(state.mutex);
    auto entry = std::make_unique<SyncEntry>(
        state.mutex, state.postMutex, window, mode == Clock::kUnchanged ? 0 : mode,
        period == Clock::kUnchanged ? kDefaultPeriodMs : period, realtime);
    const uint32_t handle = state.NewHandle();
    state.syncs.emplace(handle, std::move(entry));
    return handle;
}

void StartSync(uint32_t hSync) {
    WithSync(hSync, [](SyncEntry& sync) {
        sync.clock.Start(ClockThread::Now());
        return 0;
    });
}

void ReStartSync(uint32_t hSync) {
    WithSync(hSync, [](SyncEntry& sync) {
        sync.clock.ReStart(ClockThread::Now());
        return 0;
    });
}

void StopSync(uint32_t hSync) {
    WithSync(hSync, [](SyncEntry& sync) {
        sync.clock.Pause(ClockThread::Now());
        return 0;
    });
}

void PauseSync(uint32_t hSync, uint32_t flag) {
    WithSync(hSync, [flag](SyncEntry& sync) {
        if (flag != 0)
            sync.clock.Pause(ClockThread::Now());
        else
            sync.clock.ReStart(ClockThread::Now());
        return 0;
    });
}

void CloseSync(uint32_t hSync) {
    LibraryState& state = LibraryState::Get();
    std::unique_ptr<SyncEntry> closing;
    {
        std::lock_guard lock(state.mutex);
        auto taken = state.syncs.extract(hSync);
        if (taken.empty()) return;
        closing = std::move(taken.mapped());
        // Outputs of this clock lose what they had queued and send at once from now on.
        for (auto& [handle, output] : state.outputs) {
            if (output->sync != hSync) continue;
            closing->clock.Unlink(output->port.get());
            output->port->Reset();
            output->sync = 0;
        }
    }
    closing.reset();  // joins the thread: no message of this clock is posted after this
}

uint32_t GetTempo(uint32_t hSync) {
    return WithSync(
        hSync, [](SyncEntry& sync) { return sync.clock.Tempo(); }, Wake::No);
}

uint16_t SetTempo(uint32_t hSync, uint32_t microsecondsPerBeat) {
    return WithSync(hSync, [microsecondsPerBeat](SyncEntry& sync) -> uint16_t {
        return sync.clock.SetTempo(microsecondsPerBeat, ClockThread::Now()) ? 0 : midilib::kRefused;
    });
}

uint16_t GetResolution(uint32_t hSync) {
    return WithSync(
        hSync, [](SyncEntry& sync) { return sync.clock.Resolution(); }, Wake::No);
}

uint16_t SetResolution(uint32_t hSync, uint16_t ticksPerBeat) {
    return WithSync(hSync, [ticksPerBeat](SyncEntry& sync) -> uint16_t {
        return sync.clock.SetResolution(ticksPerBeat, ClockThread::Now()) ? 0 : midilib::kRefused;
    });
}

uint32_t GetPosition(uint32_t hSync, uint16_t /*selector*/) {
    return WithSync(
        hSync,
        [](SyncEntry& sync) { return uint32_t(sync.clock.ReportedPositionAt(ClockThread::Now())); },
        Wake::No);
}

uint16_t SetSyncSpeed(uint32_t hSync, double speed) {
    if (!std::isfinite(speed) || speed <= 0.0) return midilib::kRefused;
    return WithSync(hSync, [speed](SyncEntry& sync) -> uint16_t {
        return sync.clock.SetSpeed(speed, ClockThread::Now()) ? 0 : midilib::kRefused;
    });
}

double GetSyncSpeed(uint32_t hSync) {
    return WithSync(
        hSync, [](SyncEntry& sync) { return sync.clock.Speed(); }, Wake::No);
}

void SetSyncPosition(uint32_t hSync, uint32_t tick, uint32_t microsecondsPerBeat) {
    WithSync(hSync, [tick, microsecondsPerBeat](SyncEntry& sync) {
        sync.clock.SetPosition(tick, microsecondsPerBeat, ClockThread::Now());
        return 0;
    });
}

void StartSyncAt(uint32_t hSync, uint32_t tick, uint32_t countIn) {
    WithSync(hSync, [tick, countIn](SyncEntry& sync) {
        sync.clock.Start(ClockThread::Now(), tick, countIn != 0);
        return 0;
    });
}

uint32_t GetSyncGeneration(uint32_t hSync) {
    return WithSync(
        hSync, [](SyncEntry& sync) { return sync.clock.Generation(); }, Wake::No);
}
