#pragma once
// SmfHandleTable: the open files of the library behind their handles. Handles are unique while
// the process runs (a counter that skips the error range 0..MIDIERR_MAXERR and handles in use
// when it wraps). Every access goes through one mutex, so the operations may be called from
// several threads; a call sees the file under the lock and must not keep pointers into it
// beyond what the operation's contract allows.

#include <cstdint>
#include <map>
#include <memory>
#include <mutex>

#include "midilib/SmfOpenFile.h"

namespace midilib {

class SmfHandleTable {
  public:
    static SmfHandleTable& Instance();

    uint32_t Add(std::unique_ptr<SmfOpenFile> file);
    // Takes the file out of the table; null for an unknown handle.
    std::unique_ptr<SmfOpenFile> Remove(uint32_t handle);

    // Runs `action(SmfOpenFile*)` under the lock; the pointer is null for an unknown handle.
    template <class Action>
    auto With(uint32_t handle, Action action) {
        std::lock_guard lock(mutex_);
        const auto found = files_.find(handle);
        return action(found == files_.end() ? nullptr : found->second.get());
    }

  private:
    std::mutex mutex_;
    std::map<uint32_t, std::unique_ptr<SmfOpenFile>> files_;
    uint32_t nextHandle_ = 0x1000;
};

}  // namespace midilib
