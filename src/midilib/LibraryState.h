#pragma once
// LibraryState: the handle tables of the library's operations and the one lock that guards them,
// the clocks, the outputs and every device send. Handles are unique for the whole run (never
// reused) and above MIDIERR_MAXERR.

#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <optional>

#include "midilib/Clock.h"
#include "midilib/ClockThread.h"
#include "midilib/DeviceList.h"
#include "midilib/LibraryMutex.h"
#include "midilib/OutputPort.h"

namespace midilib {

struct SyncEntry {
    SyncEntry(LibraryMutex& lock, LibraryMutex& postLock, MidiNotifier* notifier, uint16_t mode,
              uint16_t period, bool realtime)
        : clock(notifier, mode, period, ClockThread::Now()),
          thread(lock, postLock, clock, realtime) {}
    Clock clock;
    ClockThread thread;  // declared last: stopped before the clock goes
};

struct OutputEntry {
    std::unique_ptr<OutputPort> port;
    uint32_t sync = 0;  // 0: events are sent as they are put
};

class LibraryState {
  public:
    static LibraryState& Get();
    ~LibraryState();  // stops every clock thread before the outputs go

    uint32_t NewHandle();
    SyncEntry* FindSync(uint32_t handle);
    OutputEntry* FindOutput(uint32_t handle);
    // The device list last discovered; discovered now if there is none yet or the test devices
    // were changed since.
    const DeviceList& Devices();
    void Rediscover();

    LibraryMutex mutex;
    // Held by a clock thread while it delivers posts (see ClockThread). Taken after `mutex` when
    // both are taken; a receiver removed under `mutex` is safe once WaitForPosts has returned.
    LibraryMutex postMutex;
    void WaitForPosts() { std::lock_guard barrier(postMutex); }
    std::map<uint32_t, std::unique_ptr<SyncEntry>> syncs;
    std::map<uint32_t, std::unique_ptr<OutputEntry>> outputs;

  private:
    uint32_t nextHandle_ = 0x100;
    std::optional<DeviceList> devices_;
    uint64_t devicesRevision_ = 0;
};

}  // namespace midilib
