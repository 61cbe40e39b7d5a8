#pragma once
// NullOutputDevice: takes every message and sends nothing. It ships as a real device for machines
// without sound and for tests.

#include "midi/MidiLib.h"
#include "midilib/OutputDevice.h"

namespace midilib {

class NullOutputDevice final : public OutputDevice {
  public:
    static constexpr const char* kDescription = kNullOutputDescription;
    SendResult Send(std::span<const uint8_t>) override { return SendResult::Sent; }
};

}  // namespace midilib
