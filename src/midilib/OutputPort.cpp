#include "midilib/OutputPort.h"

#include <algorithm>
#include <cstdio>

namespace midilib {

OutputPort::OutputPort(MidiNotifier* notifier, std::unique_ptr<OutputDevice> device,
                       size_t capacity)
    : notifier_(notifier), device_(std::move(device)), ring_(capacity == 0 ? 1 : capacity) {}

OutputPort::~OutputPort() = default;

bool OutputPort::Put(const MidiEvent& event) {
    if (size_ >= ring_.size()) {
        refused_ = true;
        awaitingOwner_ = true;
        return false;
    }
    awaitingOwner_ = false;
    lastQueuedTick_ += event.time;
    At(size_) = {lastQueuedTick_, event};
    ++size_;
    if (midi::IsPositionJump(event))
        lastQueuedTick_ -= std::min<uint64_t>(midi::RecordValue(event), lastQueuedTick_);
    return true;
}

void OutputPort::SendNow(const MidiEvent& event) {
    const auto decoded = decoder_.Decode(event);
    if (!decoded.message.empty()) SendToDevice(decoded.message);
}

std::optional<uint64_t> OutputPort::HeadTick() const {
    if (size_ == 0) return std::nullopt;
    return At(0).tick;
}

OutputPort::DispatchOutcome OutputPort::DispatchHead(int64_t latenessNs) {
    DispatchOutcome outcome;
    if (size_ == 0) return outcome;
    const Queued head = At(0);
    outcome.tick = head.tick;
    if (!hasPending_) {
        const auto decoded = decoder_.Decode(head.event);
        outcome.tempo = decoded.tempo;
        if (midi::IsPositionJump(head.event)) outcome.jump = midi::RecordValue(head.event);
        pending_ = decoded.message;
        hasPending_ = !pending_.empty();
    }
    if (hasPending_) {
        if (SendToDevice(pending_) == SendResult::Busy) {
            outcome.result = Dispatch::Busy;
            return outcome;
        }
        hasPending_ = false;
        pending_ = {};
        lateness_.Add(latenessNs);
    }
    head_ = (head_ + 1) % ring_.size();
    --size_;
    lastPlayedTick_ = head.tick;
    return outcome;
}

SendResult OutputPort::SendToDevice(std::span<const uint8_t> message) {
    if (deviceFailed_ || !device_) return SendResult::Sent;
    const SendResult result = device_->Send(message);
    if (result == SendResult::Failed) {
        deviceFailed_ = true;
        std::fputs("tabulon: the MIDI output device failed; its events are dropped\n", stderr);
        return SendResult::Sent;
    }
    return result;
}

void OutputPort::NoteRoom() {
    if (!refused_ || size_ > ring_.size() / 2) return;
    refused_ = false;
    readyDue_ = true;
}

std::optional<PendingPost> OutputPort::TakeReadyPost() {
    if (!readyDue_) return std::nullopt;
    readyDue_ = false;
    if (!notifier_) return std::nullopt;
    return PendingPost{notifier_, MSG_OUTPUT_READY, generation_, 1};
}

void OutputPort::ClearQueue() {
    head_ = 0;
    size_ = 0;
}

void OutputPort::Reset() {
    ClearQueue();
    hasPending_ = false;
    pending_ = {};
    decoder_.Clear();
    lastQueuedTick_ = 0;
    lastPlayedTick_ = 0;
    refused_ = false;
    awaitingOwner_ = false;
    readyDue_ = false;
    ++generation_;
    Silence();
}

void OutputPort::Silence() {
    if (device_ && !deviceFailed_) device_->Silence();
}

void OutputPort::Rebase(uint64_t tick) {
    const uint64_t origin = size_ == 0 ? lastQueuedTick_ : lastPlayedTick_;
    for (size_t i = 0; i < size_; ++i)
        At(i).tick = At(i).tick - origin + tick;
    lastQueuedTick_ = lastQueuedTick_ - origin + tick;
    lastPlayedTick_ = tick;
}

void OutputPort::StartAt(uint64_t tick) {
    if (size_ != 0) return;
    lastQueuedTick_ = tick;
    lastPlayedTick_ = tick;
}

}  // namespace midilib
