#include "midilib/DeviceList.h"

#include "midilib/AlsaOutputDevice.h"
#include "midilib/NullOutputDevice.h"
#include "midilib/SynthOutputDevice.h"

namespace midilib {

DeviceList DeviceList::Discover(const LibraryOptionValues& options) {
    DeviceList list;
    auto add = [&list](Kind kind, std::string description, std::string portName = {},
                       std::function<std::unique_ptr<OutputDevice>()> open = {}) {
        if (description.size() > kMaxDescription) description.resize(kMaxDescription);
        list.entries_.push_back(
            {kind, std::move(description), std::move(portName), std::move(open)});
    };
    if (!options.substituteDevices.empty()) {
        for (const SubstituteDevice& device : options.substituteDevices)
            add(Kind::Substitute, device.description, {}, device.open);
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
        case Kind::Substitute:
            return entry.openSubstitute ? entry.openSubstitute() : nullptr;
    }
    return nullptr;
}

}  // namespace midilib
