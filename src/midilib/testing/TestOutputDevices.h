#pragma once
// Test output devices of the MIDI library, for tests and benchmarks only (the library target
// tabulon_midilib_testing; nothing of the program includes this header).
//
// SetTestOutputDevices replaces the library's device list with devices made from the configs (an
// empty list restores the real devices). Each device records what it is sent into its probe, with
// the steady-clock time of each message; it answers "busy" while the probe's `refuse` is set or
// for `refuseFor` after it was opened, fails for good after `failAfter` messages, and a config
// with `failsToOpen` gives a device that cannot be opened.

#include <atomic>
#include <chrono>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "midilib/OutputDevice.h"

namespace midilib {

// What a test device received. Shared between the test and the device, so it outlives the device.
struct TestDeviceProbe {
    struct Message {
        std::vector<uint8_t> bytes;
        std::chrono::steady_clock::time_point time;
    };
    std::vector<Message> Messages() const {
        std::lock_guard lock(mutex);
        return messages;
    }
    std::atomic<bool> refuse{false};
    std::atomic<int> opens{0};
    std::atomic<int> closes{0};
    mutable std::mutex mutex;
    std::vector<Message> messages;
};

struct TestDeviceConfig {
    std::string description;
    bool failsToOpen = false;
    // Answers "busy" to every message for this long after it was opened.
    std::chrono::milliseconds refuseFor{0};
    // Fails for good after sending this many messages (negative: never).
    int failAfter = -1;
    std::shared_ptr<TestDeviceProbe> probe;  // may be null
};

void SetTestOutputDevices(std::vector<TestDeviceConfig> devices);

// The device a config describes.
class OutputTestDevice final : public OutputDevice {
  public:
    explicit OutputTestDevice(TestDeviceConfig config);
    ~OutputTestDevice() override;
    SendResult Send(std::span<const uint8_t> message) override;

  private:
    TestDeviceConfig config_;
    std::chrono::steady_clock::time_point refuseUntil_;
    int sent_ = 0;
};

}  // namespace midilib
