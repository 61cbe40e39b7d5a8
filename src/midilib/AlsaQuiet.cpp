#include "midilib/AlsaQuiet.h"

#include <dlfcn.h>

#include <mutex>

namespace midilib {

namespace {
// The shape of ALSA's snd_lib_error_handler_t.
using AlsaErrorHandler = void (*)(const char* file, int line, const char* function, int error,
                                  const char* format, ...);
using SetHandler = int (*)(AlsaErrorHandler);

void IgnoreAlsaError(const char*, int, const char*, int, const char*, ...) {}
}  // namespace

void QuietAlsaErrors() {
    static std::once_flag once;
    std::call_once(once, [] {
        // Looked up at run time: ALSA comes in through RtMidi and FluidSynth, not linked by us.
        if (void* symbol = dlsym(RTLD_DEFAULT, "snd_lib_error_set_handler"))
            reinterpret_cast<SetHandler>(symbol)(&IgnoreAlsaError);
    });
}

}  // namespace midilib
