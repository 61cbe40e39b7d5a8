#include "midilib/LibraryOptions.h"

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

void SetTestOutputDevices(std::vector<TestDeviceSpec> devices) {
    std::lock_guard lock(Store().mutex);
    Store().values.testDevices = std::move(devices);
    ++Store().values.deviceListRevision;
}

LibraryOptionValues CurrentLibraryOptions() {
    std::lock_guard lock(Store().mutex);
    return Store().values;
}

}  // namespace midilib
