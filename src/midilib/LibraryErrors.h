#pragma once
// Error results of the library's open calls: every value is at most MIDIERR_MAXERR, so callers
// tell them from handles, which are all above it.

#include <cstdint>

namespace midilib {

constexpr uint32_t kErrorBadDevice = 2;      // no device with that number
constexpr uint32_t kErrorOpenFailed = 4;     // the device exists but could not be opened
constexpr uint32_t kErrorBadHandle = 5;      // an unknown handle was passed
constexpr uint32_t kErrorBadParameter = 11;  // a value outside the accepted range
constexpr uint32_t kErrorTooManyHandles = 12;

// Non-zero results of SetTempo / SetResolution and PutMidiOut.
constexpr uint16_t kRefused = 1;

}  // namespace midilib
