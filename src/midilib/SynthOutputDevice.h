#pragma once
// SynthOutputDevice: the built-in synth, FluidSynth with a General MIDI soundfont from the system's
// sf2 (or sf3) folder. Open returns at once; FluidSynth is set up, the soundfont loaded and the
// audio output opened on a thread of its own (the loading at a lower priority than the caller's),
// and until that is done the device answers "busy", so that nothing sent to it is lost (a program
// change before the soundfont is there would be). WaitUntilOpen waits for it.
//
// Audio: with no driver chosen it tries PipeWire, PulseAudio, ALSA and SDL2 (those FluidSynth
// has) until one opens; a chosen driver is tried alone. Where no audio output works, or no
// soundfont is found, it still plays, into nothing, after one line on standard error, so that
// playback goes on. With a WAV file set it records what it plays into that file instead,
// rendering in real time on its own thread. Status() says which of these it is doing.

#include <condition_variable>
#include <memory>
#include <mutex>
#include <string>

#include "midilib/OutputDevice.h"
#include "midilib/SynthStatus.h"

namespace midilib {

struct SynthConfig {
    std::string wavFile;      // empty: play through an audio driver
    std::string audioDriver;  // empty: the automatic order
    std::string alsaDevice;   // for the "alsa" driver; empty: its default
    std::string soundFont;    // empty: the first of the system's GM soundfonts that exists
};

// The status of one synth, published by its opening thread and read from any thread; shared, so
// that a waiter needs no lock on the device.
class SynthStatusBoard {
  public:
    SynthStatus Get() const;
    void Publish(SynthStatus status);
    void WaitUntilOpen() const;

  private:
    mutable std::mutex mutex_;
    mutable std::condition_variable opened_;
    SynthStatus status_;
};

class SynthOutputDevice final : public OutputDevice {
  public:
    static constexpr const char* kDescription = "Tabulon Synth";
    static constexpr const char* kSilentMessage =
        "tabulon: no audio output; the built-in synth plays silently\n";
    static constexpr const char* kNoSoundFontMessage =
        "tabulon: no General MIDI soundfont found; the built-in synth plays silently\n";
    static constexpr const char* kNoSynthMessage =
        "tabulon: FluidSynth could not be set up; the built-in synth plays silently\n";

    // Never null: everything that can fail happens on the opening thread and shows in Status().
    static std::unique_ptr<SynthOutputDevice> Open(const SynthConfig& config);
    static std::string FindSoundFont();

    ~SynthOutputDevice() override;  // waits for the opening to finish
    SendResult Send(std::span<const uint8_t> message) override;

    SynthStatus Status() const { return board_->Get(); }
    std::shared_ptr<const SynthStatusBoard> Board() const { return board_; }
    void WaitUntilOpen() const { board_->WaitUntilOpen(); }

  private:
    struct Engine;  // FluidSynth's objects, known only to the implementation
    SynthOutputDevice(std::unique_ptr<Engine> engine, std::shared_ptr<SynthStatusBoard> board);

    std::shared_ptr<SynthStatusBoard> board_;
    std::unique_ptr<Engine> engine_;
};

}  // namespace midilib
