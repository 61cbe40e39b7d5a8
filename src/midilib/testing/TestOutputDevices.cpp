#include "midilib/testing/TestOutputDevices.h"

#include "midilib/LibraryOptions.h"

namespace midilib {

void SetTestOutputDevices(std::vector<TestDeviceConfig> devices) {
    std::vector<SubstituteDevice> substitutes;
    for (TestDeviceConfig& config : devices) {
        SubstituteDevice device;
        device.description = config.description;
        device.open = [config = std::move(config)]() -> std::unique_ptr<OutputDevice> {
            if (config.failsToOpen) return nullptr;
            return std::make_unique<OutputTestDevice>(config);
        };
        substitutes.push_back(std::move(device));
    }
    SetSubstituteOutputDevices(std::move(substitutes));
}

OutputTestDevice::OutputTestDevice(TestDeviceConfig config)
    : config_(std::move(config)),
      refuseUntil_(std::chrono::steady_clock::now() + config_.refuseFor) {
    if (config_.probe) ++config_.probe->opens;
}

OutputTestDevice::~OutputTestDevice() {
    if (config_.probe) ++config_.probe->closes;
}

SendResult OutputTestDevice::Send(std::span<const uint8_t> message) {
    const auto now = std::chrono::steady_clock::now();
    if (config_.failAfter >= 0 && sent_ >= config_.failAfter) return SendResult::Failed;
    if (now < refuseUntil_ || (config_.probe && config_.probe->refuse)) return SendResult::Busy;
    ++sent_;
    if (config_.probe) {
        std::lock_guard lock(config_.probe->mutex);
        config_.probe->messages.push_back({{message.begin(), message.end()}, now});
    }
    return SendResult::Sent;
}

}  // namespace midilib
