#pragma once
// AlsaOutputDevice: a writable port of the ALSA sequencer, through RtMidi's ALSA back-end (asked
// for explicitly: other back-ends may construct without a server and fail later). Where there is
// no sequencer RtMidi throws from its constructor; the port list is then empty and nothing opens.

#include <memory>
#include <string>
#include <vector>

#include "midilib/OutputDevice.h"

class RtMidiOut;

namespace midilib {

class AlsaOutputDevice final : public OutputDevice {
  public:
    // Names of the sequencer's writable ports, in RtMidi's order; empty without a sequencer.
    static std::vector<std::string> ListPorts();
    // Opens the port with this name (ports may have moved since they were listed); null on failure.
    static std::unique_ptr<AlsaOutputDevice> Open(const std::string& portName);

    ~AlsaOutputDevice() override;
    SendResult Send(std::span<const uint8_t> message) override;

  private:
    explicit AlsaOutputDevice(std::unique_ptr<RtMidiOut> port);
    std::unique_ptr<RtMidiOut> port_;
    bool failed_ = false;
};

}  // namespace midilib
