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
    auto taken = files_.extract(handle);
    return taken.empty() ? nullptr : std::move(taken.mapped());
}

}  // namespace midilib
