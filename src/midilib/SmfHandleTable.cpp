#include "midilib/SmfHandleTable.h"

#include "midi/MidiLib.h"

namespace midilib {

SmfHandleTable& SmfHandleTable::Instance() {
    static SmfHandleTable table;
    return table;
}

uint32_t SmfHandleTable::Add(std::unique_ptr<SmfOpenFile> file) {
    std::lock_guard lock(mutex);
    while (nextHandle <= MIDIERR_MAXERR || files.count(nextHandle))
        ++nextHandle;
    const uint32_t handle = nextHandle++;
    files.emplace(handle, std::move(file));
    return handle;
}

std::unique_ptr<SmfOpenFile> SmfHandleTable::Remove(uint32_t handle) {
    std::lock_guard lock(mutex);
    const auto found = files.find(handle);
    if (found == files.end()) return nullptr;
    std::unique_ptr<SmfOpenFile> file = std::move(found->second);
    files.erase(found);
    return file;
}

}  // namespace midilib
