#pragma once
// SynthAudioDrivers: which of FluidSynth's audio drivers the built-in synth tries, in which order,
// and what each needs from the program before FluidSynth can open it.
//
//  - Available: the drivers of the FluidSynth on this machine, by FluidSynth's names, without
//    its file writer (the synth records WAV files itself).
//  - ToTry: with no driver chosen, the automatic order (PipeWire, PulseAudio, ALSA, SDL2) less
//    those FluidSynth lacks; a chosen driver alone, or nothing when FluidSynth lacks it.
//  - Prepare: PipeWire and SDL2 open only once the program has initialised their libraries
//    (FluidSynth leaves that to the application); this does it for the one driver about to be
//    tried, through the libraries FluidSynth itself loaded. Harmless for the other drivers.
//    Release gives back what Prepare took, once the driver has failed to open or been deleted.

#include <string>
#include <string_view>
#include <vector>

namespace midilib::synth_audio {

inline constexpr const char* kAutomaticOrder[] = {"pipewire", "pulseaudio", "alsa", "sdl2"};

std::vector<std::string> Available();
std::vector<std::string> ToTry(const std::string& chosen,
                               const std::vector<std::string>& available);
void Prepare(std::string_view driver);
void Release(std::string_view driver);

}  // namespace midilib::synth_audio
