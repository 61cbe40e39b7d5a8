// The device list of a program that plays nothing (tabulon-chords): the null device alone, or
// the substitute devices of the library options. Linked in place of midilib/DeviceList.cpp, so
// that such a program loads neither the synth's nor the ALSA sequencer's libraries at its start.

#include "midilib/DeviceList.h"

#include "midilib/NullOutputDevice.h"

namespace midilib {

DeviceList DeviceList::Discover(const LibraryOptionValues& options) {
    DeviceList list;
    for (const SubstituteDevice& device : options.substituteDevices)
        list.entries_.push_back(
            {Kind::Substitute, device.description.substr(0, kMaxDescription), {}, device.open});
    if (list.entries_.empty())
        list.entries_.push_back({Kind::Null, NullOutputDevice::kDescription, {}, {}});
    return list;
}

std::string DeviceList::Description(size_t device) const {
    return device < entries_.size() ? entries_[device].description : std::string();
}

std::unique_ptr<OutputDevice> DeviceList::Open(size_t device, const LibraryOptionValues&) const {
    if (device >= entries_.size()) return nullptr;
    const Entry& entry = entries_[device];
    if (entry.kind == Kind::Substitute)
        return entry.openSubstitute ? entry.openSubstitute() : nullptr;
    return entry.kind == Kind::Null ? std::make_unique<NullOutputDevice>() : nullptr;
}

}  // namespace midilib
