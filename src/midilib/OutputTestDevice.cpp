#include "midilib/OutputTestDevice.h"

namespace midilib {

OutputTestDevice::OutputTestDevice(TestDeviceSpec spec)
    : spec_(std::move(spec)), refuseUntil_(std::chrono::steady_clock::now() + spec_.refuseFor) {
    if (spec_.probe) ++spec_.probe->opens;
}

OutputTestDevice::~OutputTestDevice() {
    if (spec_.probe) ++spec_.probe->closes;
}

SendResult OutputTestDevice::Send(std::span<const uint8_t> message) {
    const auto now = std::chrono::steady_clock::now();
    if (spec_.failAfter >= 0 && sent_ >= spec_.failAfter) return SendResult::Failed;
    if (now < refuseUntil_ || (spec_.probe && spec_.probe->refuse)) return SendResult::Busy;
    ++sent_;
    if (spec_.probe) {
        std::lock_guard lock(spec_.probe->mutex);
        spec_.probe->messages.push_back({{message.begin(), message.end()}, now});
    }
    return SendResult::Sent;
}

}  // namespace midilib
