#include "midilib/OutputPort.h"

#include <cstdio>

namespace midilib {

OutputPort::OutputPort(MidiNotifier* notifier, std::unique_ptr<OutputDevice> device,
                       size_t capacity)
    : notifier_(notifier), device_(std::move(device)), capacity_(capacity == 0 ? 1 : capacity) {}

OutputPort::~OutputPort() = default;

bool OutputPort::Put(const MidiEvent& event) {
    if (queue_.size() >= capacity_) {
        refused_ = true;
        return false;
    }
    lastQueuedTick_ += event.time;
    queue_.push_back({lastQueuedTick_, event});
    return true;
}

void OutputPort::SendNow(const MidiEvent& event) {
    const auto decoded = decoder_.Decode(event);
    if (!decoded.message.empty()) SendToDevice(decoded.message);
}

std::optional<uint64_t> OutputPort::HeadTick() const {
    if (queue_.empty()) return std::nullopt;
    return queue_.front().tick;
}

OutputPort::DispatchOutcome OutputPort::DispatchHead(int64_t latenessNs) {
    DispatchOutcome outcome;
    if (queue_.empty()) return outcome;
    const Queued head = queue_.front();
    outcome.tick = head.tick;
    if (pending_.empty()) {
        const auto decoded = decoder_.Decode(head.event);
        outcome.tempo = decoded.tempo;
        pending_.assign(decoded.message.begin(), decoded.message.end());
    }
    if (!pending_.empty()) {
        if (SendToDevice(pending_) == SendResult::Busy) {
            outcome.result = Dispatch::Busy;
            return outcome;
        }
        pending_.clear();
        lateness_.Add(latenessNs);
    }
    queue_.pop_front();
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

void OutputPort::PostReadyIfRoom() {
    if (!refused_ || queue_.size() > capacity_ / 2) return;
    refused_ = false;
    if (notifier_) notifier_->PostMidiMessage(MSG_OUTPUT_READY, generation_);
}

void OutputPort::Reset() {
    queue_.clear();
    pending_.clear();
    decoder_.Clear();
    lastQueuedTick_ = 0;
    lastPlayedTick_ = 0;
    refused_ = false;
    ++generation_;
    Silence();
}

void OutputPort::Silence() {
    if (device_ && !deviceFailed_) device_->Silence();
}

void OutputPort::Rebase() {
    const uint64_t origin = queue_.empty() ? lastQueuedTick_ : lastPlayedTick_;
    for (auto& queued : queue_)
        queued.tick -= origin;
    lastQueuedTick_ -= origin;
    lastPlayedTick_ = 0;
}

void OutputPort::StartAt(uint64_t tick) {
    if (!queue_.empty()) return;
    lastQueuedTick_ = tick;
    lastPlayedTick_ = tick;
}

}  // namespace midilib
