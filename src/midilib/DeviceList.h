#pragma once
// DeviceList: the output devices of the library, numbered from 0: the ALSA sequencer's writable
// ports first, then the null device, then the built-in synth last (so that the last device whose
// description contains "Synth" is the built-in synth). With substitute devices set in the
// library options, those replace the whole list. Descriptions are cut to kMaxDescription
// characters.

#include <cstddef>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "midilib/LibraryOptions.h"
#include "midilib/OutputDevice.h"

namespace midilib {

class DeviceList {
  public:
    static constexpr size_t kMaxDescription = 31;

    // Asks the system for its ports now.
    static DeviceList Discover(const LibraryOptionValues& options);

    size_t Count() const { return entries_.size(); }
    // Empty when there is no such device.
    std::string Description(size_t device) const;
    // Null when there is no such device or it fails to open. May take tens of milliseconds.
    std::unique_ptr<OutputDevice> Open(size_t device, const LibraryOptionValues& options) const;

  private:
    enum class Kind { AlsaPort, Null, Synth, Substitute };
    struct Entry {
        Kind kind;
        std::string description;
        std::string portName;
        std::function<std::unique_ptr<OutputDevice>()> openSubstitute;
    };
    std::vector<Entry> entries_;
};

}  // namespace midilib
