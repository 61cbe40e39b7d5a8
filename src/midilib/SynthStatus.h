#pragma once
// What the built-in synth is doing, for the application to show: whether it is still opening (it
// loads its soundfont and opens its audio output in the background, so that opening it never
// holds up the caller), which audio driver plays it, or why it is silent.
//
//  - GetMidiOutSynthStatus: the status of the built-in synth behind an output; nothing for an
//    unknown handle or an output on another device.
//  - WaitMidiOutReady: returns once the output's device has finished opening (at once for every
//    device but a synth still opening). Until then the synth answers "busy", so what is queued
//    waits for it instead of being lost; a play that starts without waiting starts late.
//  - SynthAudioDrivers: the audio drivers the built-in synth can use on this machine, those it
//    tries by itself first, in the order it tries them (PipeWire, PulseAudio, ALSA, SDL2, where
//    FluidSynth has them), then the others it has (JACK, OSS), which it uses only when chosen.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace midilib {

struct SynthStatus {
    enum class State {
        Opening,    // loading the soundfont, opening the audio output
        Playing,    // through `audioDriver`
        Recording,  // into `wavFile`, in real time, instead of an audio driver
        Silent,     // plays into nothing; `silence` says why
    };
    enum class Silence {
        None,
        NoAudioDevice,      // every driver tried failed (see `triedDrivers`)
        NoSoundFont,        // no General MIDI soundfont found or loaded
        DriverUnavailable,  // the chosen driver is not one this FluidSynth has
        WavNotWritable,     // the WAV file could not be created
        NoSynth,            // FluidSynth itself could not be set up
    };
    State state = State::Opening;
    Silence silence = Silence::None;
    std::string audioDriver;                // FluidSynth's name ("pulseaudio") while playing
    std::vector<std::string> triedDrivers;  // in the order tried, the one that plays last
    std::string soundFont;                  // the soundfont's path; empty when none was loaded
    std::string wavFile;

    bool operator==(const SynthStatus&) const = default;
};

std::optional<SynthStatus> GetMidiOutSynthStatus(uint32_t hMidiOut);
void WaitMidiOutReady(uint32_t hMidiOut);
std::vector<std::string> SynthAudioDrivers();

}  // namespace midilib
