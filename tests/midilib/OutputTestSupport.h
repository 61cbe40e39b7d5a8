#pragma once
// Helpers of the output and clock tests: a notifier that records what the library posts, and a
// recording test device behind an OutputPort.

#include <algorithm>
#include <memory>
#include <mutex>
#include <utility>
#include <vector>

#include "midi/MidiLib.h"
#include "midilib/LibraryOptions.h"
#include "midilib/OutputPort.h"
#include "midilib/OutputTestDevice.h"

namespace midilib::testing {

class RecordingNotifier final : public MidiNotifier {
  public:
    void PostMidiMessage(uint32_t message, uint32_t generation) override {
        std::lock_guard lock(mutex_);
        posts_.emplace_back(message, generation);
    }
    int Count(uint32_t message) const {
        std::lock_guard lock(mutex_);
        return int(std::count_if(posts_.begin(), posts_.end(),
                                 [message](const auto& post) { return post.first == message; }));
    }
    std::vector<std::pair<uint32_t, uint32_t>> Posts() const {
        std::lock_guard lock(mutex_);
        return posts_;
    }
    void Clear() {
        std::lock_guard lock(mutex_);
        posts_.clear();
    }

  private:
    mutable std::mutex mutex_;
    std::vector<std::pair<uint32_t, uint32_t>> posts_;
};

// An output port whose device records into `probe`.
inline std::unique_ptr<OutputPort> MakeRecordingPort(MidiNotifier* notifier,
                                                     std::shared_ptr<TestDeviceProbe> probe,
                                                     size_t capacity = OutputPort::kDefaultCapacity,
                                                     int failAfter = -1) {
    TestDeviceSpec spec;
    spec.description = "Recorder";
    spec.probe = std::move(probe);
    spec.failAfter = failAfter;
    return std::make_unique<OutputPort>(notifier, std::make_unique<OutputTestDevice>(spec),
                                        capacity);
}

inline std::vector<std::vector<uint8_t>> Bytes(const TestDeviceProbe& probe) {
    std::vector<std::vector<uint8_t>> bytes;
    for (const auto& message : probe.Messages())
        bytes.push_back(message.bytes);
    return bytes;
}

}  // namespace midilib::testing
