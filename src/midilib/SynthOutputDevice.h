#pragma once
// SynthOutputDevice: the built-in synth, FluidSynth with a General MIDI soundfont from the system's
// sf2 folder. It plays through an audio driver; where no audio output works, or no soundfont is
// found, it still opens and plays into nothing, after one line on standard error, so playback goes
// on. With a WAV file set in the library options it records what it plays into that file instead,
// rendering in real time on its own thread.

#include <memory>
#include <string>

#include "midilib/OutputDevice.h"

namespace midilib {

struct SynthConfig {
    std::string wavFile;      // empty: play through the audio driver
    std::string audioDriver;  // empty: FluidSynth's default
    std::string alsaDevice;   // for the "alsa" driver; empty: its default
    std::string soundFont;    // empty: the first of the system's GM soundfonts that exists
};

class SynthOutputDevice final : public OutputDevice {
  public:
    static constexpr const char* kDescription = "Tabulon Synth";
    static constexpr const char* kSilentMessage =
        "tabulon: no audio output; the built-in synth plays silently\n";
    static constexpr const char* kNoSoundFontMessage =
        "tabulon: no General MIDI soundfont found; the built-in synth plays silently\n";

    // Null only when FluidSynth itself cannot be set up.
    static std::unique_ptr<SynthOutputDevice> Open(const SynthConfig& config);
    static std::string FindSoundFont();

    ~SynthOutputDevice() override;
    SendResult Send(std::span<const uint8_t> message) override;

    bool IsAudible() const { return audible_; }
    bool HasSoundFont() const { return hasSoundFont_; }

  private:
    struct Engine;  // FluidSynth's objects, known only to the implementation
    explicit SynthOutputDevice(std::unique_ptr<Engine> engine);

    std::unique_ptr<Engine> engine_;
    bool audible_ = false;
    bool hasSoundFont_ = false;
};

}  // namespace midilib
