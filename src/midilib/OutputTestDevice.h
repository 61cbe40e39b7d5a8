#pragma once
// OutputTestDevice: a device made from a TestDeviceSpec (see LibraryOptions.h). It records what it
// receives into the spec's probe, answers "busy" while the probe says so or during the spec's
// refusal time after opening, and fails for good after the spec's number of messages.

#include <chrono>
#include <memory>

#include "midilib/LibraryOptions.h"
#include "midilib/OutputDevice.h"

namespace midilib {

class OutputTestDevice final : public OutputDevice {
  public:
    explicit OutputTestDevice(TestDeviceSpec spec);
    ~OutputTestDevice() override;
    SendResult Send(std::span<const uint8_t> message) override;

  private:
    TestDeviceSpec spec_;
    std::chrono::steady_clock::time_point refuseUntil_;
    int sent_ = 0;
};

}  // namespace midilib
