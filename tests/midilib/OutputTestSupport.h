#pragma once
// Helpers of the output and clock tests: a notifier that records what the library posts, and a
// recording test device behind an OutputPort.

#include <algorithm>
#include <memory>
#include <mutex>
#include <utility>
#include <vector>

#include "midi/MidiLib.h"
#include "midilib/Clock.h"
#include "midilib/LibraryOptions.h"
#include "midilib/OutputPort.h"
#include "midilib/testing/TestOutputDevices.h"

namespace midilib::testing {

class RecordingNotifier final : public MidiNotifier {
  public:
    // A post of `count` messages is recorded as that many messages.
    void PostMidiMessage(uint32_t message, uint32_t generation, uint32_t count) override {
        std::lock_guard lock(mutex_);
        for (uint32_t i = 0; i < count; ++i)
            posts_.emplace_back(message, generation);
        calls_.push_back(message);
    }
    int Count(uint32_t message) const {
        std::lock_guard lock(mutex_);
        return int(std::count_if(posts_.begin(), posts_.end(),
                                 [message](const auto& post) { return post.first == message; }));
    }
    // How many posts carried the messages of this kind.
    int Calls(uint32_t message) const {
        std::lock_guard lock(mutex_);
        return int(std::count(calls_.begin(), calls_.end(), message));
    }
    std::vector<std::pair<uint32_t, uint32_t>> Posts() const {
        std::lock_guard lock(mutex_);
        return posts_;
    }
    void Clear() {
        std::lock_guard lock(mutex_);
        posts_.clear();
        calls_.clear();
    }

  private:
    mutable std::mutex mutex_;
    std::vector<std::pair<uint32_t, uint32_t>> posts_;
    std::vector<uint32_t> calls_;
};

// What a wake does for an output on its own: room noted, the due ready message delivered.
inline void NoteRoomAndPost(OutputPort& output) {
    output.NoteRoom();
    if (const auto post = output.TakeReadyPost()) Deliver(std::span(&*post, 1));
}

// One wake of `clock` as its thread makes it: Tick, then the posts it made due delivered.
inline int64_t Wake(Clock& clock, int64_t now) {
    const int64_t next = clock.Tick(now);
    PendingPost posts[kMaxPostsPerWake];
    Deliver(std::span(posts, clock.TakePosts(posts)));
    return next;
}

// An output port whose device records into `probe`.
inline std::unique_ptr<OutputPort> MakeRecordingPort(MidiNotifier* notifier,
                                                     std::shared_ptr<TestDeviceProbe> probe,
                                                     size_t capacity = OutputPort::kDefaultCapacity,
                                                     int failAfter = -1) {
    TestDeviceConfig spec;
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
