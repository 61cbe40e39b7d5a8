#include "midilib/DeviceList.h"

#include "midilib/AlsaOutputDevice.h"
#include "midilib/NullOutputDevice.h"
#include "midilib/OutputTestDevice.h"
#include "midilib/SynthOutputDevice.h"

namespace midilib {

DeviceList DeviceList::Discover(const LibraryOptionValues& options) {
    DeviceList list;
    auto add = [&list](Kind kind, std::string description, std::string portName = {},
                       TestDeviceSpec test = {}) {
        if (description.size() > kMaxDescription) description.resize(kMaxDescription);
        list.entries_.push_back(
            {kind, std::move(description), std::move(portName), std::move(test)});
    };
    if (!options.testDevices.empty()) {
        for (const TestDeviceSpec& spec : options.testDevices)
            add(Kind::Test, spec.description, {}, spec);
        return list;
    }
    for (const std::string& port : AlsaOutputDevice::ListPorts())
        add(Kind::AlsaPort, port, port);
    add(Kind::Null, NullOutputDevice::kDescription);
    add(Kind::Synth, SynthOutputDevice::kDescription);
    return list;
}

std::string DeviceList::Description(size_t device) const {
    return device < entries_.size() ? entries_[device].description : std::string();
}

std::unique_ptr<OutputDevice> DeviceList::Open(size_t device,
                                               const LibraryOptionValues& options) const {
    if (device >= entries_.size()) return nullptr;
    const Entry& entry = entries_[device];
    switch (entry.kind) {
        case Kind::AlsaPort:
            return AlsaOutputDevice::Open(entry.portName);
        case Kind::Null:
            return std::make_unique<NullOutputDevice>();
        case Kind::Synth:
            return SynthOutputDevice::Open(
                {options.synthWavFile, options.synthAudioDriver, options.synthAlsaDevice, {}});
        case Kind::Test:
            if (entry.test.failsToOpen) return nullptr;
            return std::make_unique<OutputTestDevice>(entry.test);
    }
    return nullptr;
}

}  // namespace midilib
