// The library's version: major in the high byte, minor in the low byte.

#include "midi/MidiLib.h"

namespace {
constexpr uint16_t kMajorVersion = 1;
constexpr uint16_t kMinorVersion = 0;
}  // namespace

uint16_t GetMidiLibraryVersion() {
    return uint16_t((kMajorVersion << 8) | kMinorVersion);
}
