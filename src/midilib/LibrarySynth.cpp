// The library's queries about the built-in synth behind an output (see midilib/SynthStatus.h).

#include "midilib/LibraryState.h"
#include "midilib/SynthAudioDrivers.h"
#include "midilib/SynthOutputDevice.h"
#include "midilib/SynthStatus.h"

namespace midilib {

namespace {
// The synth's status board behind an output, or null. Taken under the library's lock; the board
// outlives the device, so it can be read and waited on without the lock.
std::shared_ptr<const SynthStatusBoard> SynthBoard(uint32_t hMidiOut) {
    LibraryState& state = LibraryState::Get();
    std::lock_guard lock(state.mutex);
    const OutputEntry* output = state.FindOutput(hMidiOut);
    const auto* synth =
        output ? dynamic_cast<const SynthOutputDevice*>(output->port->Device()) : nullptr;
    return synth ? synth->Board() : nullptr;
}
}  // namespace

std::optional<SynthStatus> GetMidiOutSynthStatus(uint32_t hMidiOut) {
    const auto board = SynthBoard(hMidiOut);
    if (!board) return std::nullopt;
    return board->Get();
}

void WaitMidiOutReady(uint32_t hMidiOut) {
    // Not under the library's lock: the clock threads go on meanwhile.
    if (const auto board = SynthBoard(hMidiOut)) board->WaitUntilOpen();
}

std::vector<std::string> SynthAudioDrivers() {
    return synth_audio::Available();
}

}  // namespace midilib
