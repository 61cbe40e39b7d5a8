#include "midilib/LibraryOptions.h"

#include <mutex>

namespace midilib {

namespace {
struct OptionStore {
    std::mutex mutex;
    LibraryOptionValues values;
};

OptionStore& Store() {
    static OptionStore store;
    return store;
}
}  // namespace

void SetSynthWavFile(const std::string& path) {
    std::lock_guard lock(Store().mutex);
    Store().values.synthWavFile = path;
}

void SetSynthAudioDriver(const std::string& driver, const std::string& alsaDevice) {
    std::lock_guard lock(Store().mutex);
    Store().values.synthAudioDriver = driver;
    Store().values.synthAlsaDevice = alsaDevice;
}

void SetClockRealtime(bool enabled) {
    std::lock_guard lock(Store().mutex);
    Store().values.clockRealtime = enabled;
}

void SetSubstituteOutputDevices(std::vector<SubstituteDevice> devices) {
    std::lock_guard lock(Store().mutex);
    Store().values.substituteDevices = std::move(devices);
    ++Store().values.deviceListRevision;
}

LibraryOptionValues CurrentLibraryOptions() {
    std::lock_guard lock(Store().mutex);
    return Store().values;
}

}  // namespace midilib
