#pragma once
// OutputPort: one open output of the library: its device, its bounded queue of events with
// absolute ticks, its generation and its notifier.
//
// Contract:
//  - Put assigns each event the tick of the previously queued one plus its delta time. A full queue
//    refuses the event and remembers the refusal; NoteRoom then makes MSG_OUTPUT_READY due once, as
//    soon as the queue is at most half full, and TakeReadyPost hands the due post over.
//  - The queue is a ring of `capacity` slots taken at construction, and a busy device's message is
//    kept where the decoder left it: playing (DispatchHead) never allocates or frees memory.
//  - DispatchHead plays the first queued event: decodes it and sends what it gives to the device;
//    a busy device keeps the event (and its decoded message) for the next attempt; a failed device
//    makes every later event be dropped, after one line on standard error.
//  - A position jump record takes its place in the queue at its tick; the events queued after it
//    count from that tick less the jump's length, where the clock's position will then stand.
//  - Reset drops the queue, sets the tick base back to 0, silences the device and starts a new
//    generation. Rebase(tick) makes the ticks count from `tick` at the last event played (a new
//    play of the clock, from `tick`).
//  - StartAt makes an empty queue count its ticks from `tick`: an output that joins a clock (or is
//    reset) while the clock stands at `tick` plays its first event `delta` ticks from there.
// Not synchronised: the library calls it with its lock held.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "midi/MidiLib.h"
#include "midilib/OutputDevice.h"
#include "midilib/OutputLatenessStats.h"
#include "midilib/OutputRecordDecoder.h"
#include "midilib/PendingPost.h"

namespace midilib {

class OutputPort {
  public:
    static constexpr size_t kDefaultCapacity = 1024;

    enum class Dispatch { Played, Busy };
    struct DispatchOutcome {
        Dispatch result = Dispatch::Played;
        uint64_t tick = 0;
        uint32_t tempo = 0;  // non-zero: the event was a tempo change
        uint32_t jump = 0;   // non-zero: the event was a position jump back by this many ticks
    };

    OutputPort(MidiNotifier* notifier, std::unique_ptr<OutputDevice> device,
               size_t capacity = kDefaultCapacity);
    ~OutputPort();
    OutputPort(const OutputPort&) = delete;
    OutputPort& operator=(const OutputPort&) = delete;

    // Queues an event with a delta time; false when the queue is full.
    bool Put(const MidiEvent& event);
    // Plays an event at once (an output without a clock); tempo records are ignored.
    void SendNow(const MidiEvent& event);

    bool Empty() const { return size_ == 0; }
    // From a refused Put, or a restart, until a Put is taken again: the owner still holds at
    // least the refused event, or is about to give what follows the restart, so an empty queue is
    // not the end of what it plays.
    bool AwaitsOwner() const { return awaitingOwner_; }
    // The owner goes on giving events after the queue was emptied under it (a restart).
    void AwaitOwner() { awaitingOwner_ = true; }
    size_t Size() const { return size_; }
    std::optional<uint64_t> HeadTick() const;
    DispatchOutcome DispatchHead(int64_t latenessNs);
    // After a wake: a refused Put and room again make the ready message due.
    void NoteRoom();
    // The due ready message, if any (and no longer due).
    std::optional<PendingPost> TakeReadyPost();

    void Reset();
    void Silence();
    void Rebase(uint64_t tick = 0);
    void StartAt(uint64_t tick);
    uint32_t Generation() const { return generation_; }
    bool DeviceFailed() const { return deviceFailed_; }
    const OutputDevice* Device() const { return device_.get(); }
    OutputLatenessStats& Lateness() { return lateness_; }

  private:
    struct Queued {
        uint64_t tick = 0;
        MidiEvent event;
    };
    SendResult SendToDevice(std::span<const uint8_t> message);
    Queued& At(size_t index) { return ring_[(head_ + index) % ring_.size()]; }
    const Queued& At(size_t index) const { return ring_[(head_ + index) % ring_.size()]; }
    void ClearQueue();

    MidiNotifier* notifier_;
    std::unique_ptr<OutputDevice> device_;
    std::vector<Queued> ring_;  // capacity slots
    size_t head_ = 0;
    size_t size_ = 0;
    uint64_t lastQueuedTick_ = 0;
    uint64_t lastPlayedTick_ = 0;
    bool refused_ = false;
    bool awaitingOwner_ = false;
    bool readyDue_ = false;
    bool deviceFailed_ = false;
    uint32_t generation_ = 1;
    OutputRecordDecoder decoder_;
    // The decoded message a busy device has not taken yet; it lives in the decoder (or, for a
    // channel message, in the decoder's buffer) until the next Decode, which waits for it.
    std::span<const uint8_t> pending_;
    bool hasPending_ = false;
    OutputLatenessStats lateness_;
};

}  // namespace midilib
