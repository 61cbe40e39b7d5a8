// The device operations of the library: the device count and the descriptions.

#include <cstring>

#include "midi/MidiLib.h"
#include "midilib/LibraryState.h"

using midilib::LibraryState;

int GetNumOutDevices() {
    LibraryState& state = LibraryState::Get();
    std::lock_guard lock(state.mutex);
    state.Rediscover();
    return int(state.Devices().Count());
}

int GetMidiOutDescription(uint16_t device, char description[32]) {
    if (!description) return 0;
    LibraryState& state = LibraryState::Get();
    std::lock_guard lock(state.mutex);
    const midilib::DeviceList& devices = state.Devices();
    if (device >= devices.Count()) {  // also the mapper's number: this library has none
        description[0] = '\0';
        return 0;
    }
    const std::string text = devices.Description(device);
    const size_t length = std::min(text.size(), midilib::DeviceList::kMaxDescription);
    std::memcpy(description, text.data(), length);
    description[length] = '\0';
    return 1;
}
