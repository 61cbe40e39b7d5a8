// The output operations of the library. Each output has its own queue; an output opened with a
// clock is played by that clock's thread, one without a clock sends every event as it is put.

#include "midi/MidiLib.h"
#include "midilib/LibraryErrors.h"
#include "midilib/LibraryOptions.h"
#include "midilib/LibraryState.h"

using midilib::LibraryState;
using midilib::OutputEntry;

uint32_t OpenMidiOut(MidiNotifier* window, uint16_t device, uint32_t hSync, uint32_t /*flags*/) {
    LibraryState& state = LibraryState::Get();
    const midilib::LibraryOptionValues options = midilib::CurrentLibraryOptions();
    midilib::DeviceList devices;
    {
        std::lock_guard lock(state.mutex);
        if (hSync != 0 && !state.FindSync(hSync)) return midilib::kErrorBadHandle;
        devices = state.Devices();
        if (device >= devices.Count()) return midilib::kErrorBadDevice;
    }
    // Opening a device can take tens of milliseconds: not under the lock the clocks need.
    auto opened = devices.Open(device, options);
    if (!opened) return midilib::kErrorOpenFailed;

    auto entry = std::make_unique<OutputEntry>();
    entry->port = std::make_unique<midilib::OutputPort>(window, std::move(opened));
    entry->sync = hSync;
    std::unique_lock lock(state.mutex);
    midilib::SyncEntry* sync = hSync != 0 ? state.FindSync(hSync) : nullptr;
    if (hSync != 0 && !sync) {  // the clock was closed meanwhile
        lock.unlock();
        return midilib::kErrorBadHandle;
    }
    if (sync) {
        sync->clock.Link(entry->port.get());
        // A clock that has already played part of a song: the new output goes on from where the
        // clock stands instead of rushing through the ticks already played.
        entry->port->StartAt(sync->clock.PositionAt(midilib::ClockThread::Now()));
    }
    const uint32_t handle = state.NewHandle();
    state.outputs.emplace(handle, std::move(entry));
    return handle;
}

uint16_t PutMidiOut(uint32_t hMidiOut, const MidiEvent& event) {
    LibraryState& state = LibraryState::Get();
    std::lock_guard lock(state.mutex);
    OutputEntry* output = state.FindOutput(hMidiOut);
    if (!output) return 0;
    midilib::SyncEntry* sync = state.FindSync(output->sync);
    if (!sync) {
        output->port->SendNow(event);
        return 0;
    }
    const bool wasEmpty = output->port->Empty();
    if (!output->port->Put(event)) return midilib::kRefused;
    sync->clock.NoteInput(midilib::ClockThread::Now());
    // The clock thread sleeps towards its own deadline; a new first event may be due earlier.
    if (wasEmpty && sync->clock.Running()) sync->thread.Kick();
    return 0;
}

void ResetMidiOut(uint32_t hMidiOut) {
    LibraryState& state = LibraryState::Get();
    std::lock_guard lock(state.mutex);
    OutputEntry* output = state.FindOutput(hMidiOut);
    if (!output) return;
    output->port->Reset();
    // What is queued next counts from where the clock stands, also while it runs on.
    if (midilib::SyncEntry* sync = state.FindSync(output->sync))
        output->port->StartAt(sync->clock.PositionAt(midilib::ClockThread::Now()));
}

uint32_t RestartMidiOut(uint32_t hMidiOut) {
    LibraryState& state = LibraryState::Get();
    std::lock_guard lock(state.mutex);
    OutputEntry* output = state.FindOutput(hMidiOut);
    midilib::SyncEntry* sync = output ? state.FindSync(output->sync) : nullptr;
    if (!sync) return 0;
    const auto head = output->port->HeadTick();
    const uint64_t from =
        head ? *head : sync->clock.ReportedPositionAt(midilib::ClockThread::Now()) + 1;
    output->port->Reset();
    output->port->StartAt(from);
    // Until the owner queues what follows, the empty queue must not end the clock's play.
    output->port->AwaitOwner();
    return uint32_t(from);
}

void CloseMidiOut(uint32_t hMidiOut) {
    LibraryState& state = LibraryState::Get();
    std::unique_ptr<OutputEntry> closing;
    {
        std::lock_guard lock(state.mutex);
        auto taken = state.outputs.extract(hMidiOut);
        if (taken.empty()) return;
        closing = std::move(taken.mapped());
        if (midilib::SyncEntry* sync = state.FindSync(closing->sync))
            sync->clock.Unlink(closing->port.get());
        closing->port->Silence();
    }
    // No clock reaches the output any more, and a post already taken for it has been delivered:
    // its receiver may go. Closing the device may take a while.
    state.WaitForPosts();
    closing.reset();
}

void FlushMidiOut(uint32_t /*hMidiOut*/) {
    // Queued events are played by the clock at their times; there is nothing to push out sooner.
}

void SilenceMidiOut(uint32_t hMidiOut) {
    LibraryState& state = LibraryState::Get();
    std::lock_guard lock(state.mutex);
    if (OutputEntry* output = state.FindOutput(hMidiOut)) output->port->Silence();
}

uint32_t GetMidiOutGeneration(uint32_t hMidiOut) {
    LibraryState& state = LibraryState::Get();
    std::lock_guard lock(state.mutex);
    OutputEntry* output = state.FindOutput(hMidiOut);
    return output ? output->port->Generation() : 0;
}

namespace midilib {

LatenessSummary GetMidiOutLateness(uint32_t hMidiOut) {
    LibraryState& state = LibraryState::Get();
    std::lock_guard lock(state.mutex);
    OutputEntry* output = state.FindOutput(hMidiOut);
    return output ? output->port->Lateness().Summary() : LatenessSummary{};
}

void ResetMidiOutLateness(uint32_t hMidiOut) {
    LibraryState& state = LibraryState::Get();
    std::lock_guard lock(state.mutex);
    if (OutputEntry* output = state.FindOutput(hMidiOut)) output->port->Lateness().Clear();
}

bool MidiOutDeviceFailed(uint32_t hMidiOut) {
    LibraryState& state = LibraryState::Get();
    std::lock_guard lock(state.mutex);
    OutputEntry* output = state.FindOutput(hMidiOut);
    return output && output->port->DeviceFailed();
}

}  // namespace midilib
