#pragma once
// What the built-in synth is doing, in words for the user: a short note for its item in the
// Output Device menu ("PulseAudio", "opening", "silent: no audio device") and a sentence for the
// status bar ("Built-in synth: playing through PulseAudio (TimGM6mb.sf2)", "Built-in synth: silent,
// no General MIDI soundfont; install timgm6mb-soundfont"). Audio drivers go by their usual names
// ("PulseAudio" for FluidSynth's "pulseaudio").

#include <QString>
#include <string_view>

#include "midilib/SynthStatus.h"

QString AudioDriverDisplayName(std::string_view driver);
QString SynthMenuNote(const midilib::SynthStatus& status);
QString SynthStatusText(const midilib::SynthStatus& status);
