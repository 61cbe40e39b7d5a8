#include "midilib/SmfHandleTable.h"

#include "midi/MidiLib.h"

namespace midilib {

SmfHandleTable& SmfHandleTable::Instance() {
    static SmfHandleTable table;
    return table;
}

uint32_t SmfHandleTable::Add(std::unique_ptr<SmfOpenFile> file) {
    std::lock_guard lock(mutex_);
    while (nextHandle_ <= MIDIERR_MAXERR || files_.count(nextHandle_))
        ++nextHandle_;
    const uint32_t handle = nextHandle_++;
    files_.emplace(handle, std::move(file));
    return handle;
}

std::unique_ptr<SmfOpenFile> SmfHandleTable::Remove(uint32_t handle) {
    std::lock_guard lock(mutex_);
    const auto found = files_.find(handle);
    if (found == files_.end()) return nullptr;
    std::unique_ptr<SmfOpenFile> file = std::move(found->second);
    files_.erase(found);
    return file;
}

}  // namespace midilib
