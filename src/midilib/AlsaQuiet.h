#pragma once
// Quiets the ALSA library's own error printing on standard error. Where there is no sound card or
// sequencer, ALSA prints a dozen lines for every failed open; the library says what matters once,
// in its own words. Process-wide and idempotent; does nothing when ALSA is not loaded.

namespace midilib {

void QuietAlsaErrors();

}  // namespace midilib
