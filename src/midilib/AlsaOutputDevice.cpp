#include "midilib/AlsaOutputDevice.h"

#include <rtmidi/RtMidi.h>

#include <iostream>

#include "midilib/AlsaQuiet.h"

namespace midilib {

namespace {
// RtMidi prints a failing constructor's reason on std::cerr before it throws; without a sequencer
// that happens at every look at the device list, so the text is held back while constructing.
class MutedCerr {
  public:
    MutedCerr() : saved_(std::cerr.rdbuf(nullptr)) {}
    ~MutedCerr() {
        std::cerr.rdbuf(saved_);
        std::cerr.clear();
    }

  private:
    std::streambuf* saved_;
};

std::unique_ptr<RtMidiOut> MakeClient() {
    QuietAlsaErrors();
    MutedCerr muted;
    try {
        return std::make_unique<RtMidiOut>(RtMidi::LINUX_ALSA, "Tabulon");
    } catch (const RtMidiError&) {
        return nullptr;
    }
}
}  // namespace

std::vector<std::string> AlsaOutputDevice::ListPorts() {
    std::vector<std::string> names;
    auto client = MakeClient();
    if (!client) return names;
    try {
        const unsigned count = client->getPortCount();
        for (unsigned i = 0; i < count; ++i)
            names.push_back(client->getPortName(i));
    } catch (const RtMidiError&) {
        names.clear();
    }
    return names;
}

std::unique_ptr<AlsaOutputDevice> AlsaOutputDevice::Open(const std::string& portName) {
    auto client = MakeClient();
    if (!client) return nullptr;
    try {
        const unsigned count = client->getPortCount();
        for (unsigned i = 0; i < count; ++i) {
            if (client->getPortName(i) != portName) continue;
            client->openPort(i, "Tabulon Output");
            if (!client->isPortOpen()) return nullptr;
            return std::unique_ptr<AlsaOutputDevice>(new AlsaOutputDevice(std::move(client)));
        }
    } catch (const RtMidiError&) {
    }
    return nullptr;
}

AlsaOutputDevice::AlsaOutputDevice(std::unique_ptr<RtMidiOut> port) : port_(std::move(port)) {
    // From here on RtMidi reports through this callback instead of printing or throwing; an error
    // (not a warning) means the port is gone.
    port_->setErrorCallback(
        [](RtMidiError::Type type, const std::string&, void* failed) {
            if (type != RtMidiError::WARNING && type != RtMidiError::DEBUG_WARNING)
                *static_cast<bool*>(failed) = true;
        },
        &failed_);
}

AlsaOutputDevice::~AlsaOutputDevice() {
    try {
        port_->closePort();
    } catch (const RtMidiError&) {
    }
}

SendResult AlsaOutputDevice::Send(std::span<const uint8_t> message) {
    try {
        port_->sendMessage(message.data(), message.size());
        return failed_ ? SendResult::Failed : SendResult::Sent;
    } catch (const RtMidiError&) {
        return SendResult::Failed;
    }
}

}  // namespace midilib
