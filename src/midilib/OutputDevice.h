#pragma once
// OutputDevice: one opened MIDI output of the library (ALSA port, null device, built-in synth or a
// test device). It receives complete MIDI messages: a channel message of 2 or 3 bytes, a
// system-exclusive message from 0xF0 to 0xF7, or an escape packet's raw bytes.
//
// Send is called with the library's lock held, from the clock thread or the owner's thread, never
// from two threads at once; it must not block for long. A device that cannot take a message now
// answers Busy and is offered the same message again later; Failed means it will never send again.

#include <cstdint>
#include <span>

#include "midi/MidiMessages.h"

namespace midilib {

enum class SendResult { Sent, Busy, Failed };

class OutputDevice {
  public:
    virtual ~OutputDevice() = default;
    virtual SendResult Send(std::span<const uint8_t> message) = 0;

    // All notes off and all sound off on the 16 channels. A busy or failed device is skipped.
    void Silence() {
        for (uint8_t channel = 0; channel < 16; ++channel) {
            const auto status = uint8_t(midi::kControlChange | channel);
            const uint8_t notesOff[3] = {status, midi::kAllNotesOffController, 0};
            const uint8_t soundOff[3] = {status, midi::kAllSoundOffController, 0};
            Send(notesOff);
            Send(soundOff);
        }
    }
};

}  // namespace midilib
