#include "midilib/LibraryState.h"

namespace midilib {

LibraryState& LibraryState::Get() {
    static LibraryState state;
    return state;
}

LibraryState::~LibraryState() {
    std::map<uint32_t, std::unique_ptr<SyncEntry>> stopping;
    {
        std::lock_guard lock(mutex);
        stopping.swap(syncs);
    }
    stopping.clear();
}

uint32_t LibraryState::NewHandle() {
    if (nextHandle_ <= MIDIERR_MAXERR) nextHandle_ = MIDIERR_MAXERR + 1;  // after a wrap-around
    return nextHandle_++;
}

SyncEntry* LibraryState::FindSync(uint32_t handle) {
    const auto found = syncs.find(handle);
    return found == syncs.end() ? nullptr : found->second.get();
}

OutputEntry* LibraryState::FindOutput(uint32_t handle) {
    const auto found = outputs.find(handle);
    return found == outputs.end() ? nullptr : found->second.get();
}

const DeviceList& LibraryState::Devices() {
    if (!devices_ || devicesRevision_ != CurrentLibraryOptions().deviceListRevision) Rediscover();
    return *devices_;
}

void LibraryState::Rediscover() {
    const LibraryOptionValues options = CurrentLibraryOptions();
    devices_ = DeviceList::Discover(options);
    devicesRevision_ = options.deviceListRevision;
}

}  // namespace midilib
