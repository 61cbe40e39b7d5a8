#include "midilib/SynthOutputDevice.h"

#include <fluidsynth.h>

#include <cstdio>
#include <filesystem>
#include <utility>

#include "midilib/AlsaQuiet.h"
#include "midilib/SynthRenderThread.h"
#include "midilib/WavWriter.h"

namespace midilib {

namespace {
constexpr const char* kSoundFonts[] = {
    "/usr/share/sounds/sf2/default-GM.sf2",
    "/usr/share/sounds/sf2/TimGM6mb.sf2",
    "/usr/share/sounds/sf2/FluidR3_GM.sf2",
};

// FluidSynth reports failing audio drivers at length; we say it once in our own words.
void QuietFluidSynthLog() {
    for (int level : {FLUID_ERR, FLUID_WARN, FLUID_INFO, FLUID_DBG})
        fluid_set_log_function(level, nullptr, nullptr);
}

// A unique_ptr deleter that calls one of FluidSynth's delete functions.
template <auto Delete>
struct FluidDeleter {
    template <typename T>
    void operator()(T* object) const {
        Delete(object);
    }
};
template <typename T, auto Delete>
using FluidPtr = std::unique_ptr<T, FluidDeleter<Delete>>;
}  // namespace

// The members are destroyed last-first, which is the order FluidSynth needs: the render thread and
// the audio driver stop pulling samples before the WAV file closes and before the synth they pull
// from goes; the settings outlive the synth made from them.
struct SynthOutputDevice::Engine {
    FluidPtr<fluid_settings_t, delete_fluid_settings> settings;
    FluidPtr<fluid_synth_t, delete_fluid_synth> synth;
    WavWriter wav;
    FluidPtr<fluid_audio_driver_t, delete_fluid_audio_driver> driver;
    std::unique_ptr<SynthRenderThread> renderer;
};

SynthOutputDevice::SynthOutputDevice(std::unique_ptr<Engine> engine) : engine_(std::move(engine)) {}

SynthOutputDevice::~SynthOutputDevice() = default;

std::string SynthOutputDevice::FindSoundFont() {
    for (const char* path : kSoundFonts) {
        std::error_code error;
        if (std::filesystem::is_regular_file(path, error)) return path;
    }
    return {};
}

std::unique_ptr<SynthOutputDevice> SynthOutputDevice::Open(const SynthConfig& config) {
    QuietFluidSynthLog();
    QuietAlsaErrors();
    auto engine = std::make_unique<Engine>();
    engine->settings.reset(new_fluid_settings());
    fluid_settings_t* settings = engine->settings.get();
    if (!settings) return nullptr;
    fluid_settings_setnum(settings, "synth.sample-rate", SynthRenderThread::kSampleRate);
    fluid_settings_setint(settings, "synth.audio-channels", 1);
    if (!config.audioDriver.empty())
        fluid_settings_setstr(settings, "audio.driver", config.audioDriver.c_str());
    if (!config.alsaDevice.empty())
        fluid_settings_setstr(settings, "audio.alsa.device", config.alsaDevice.c_str());
    engine->synth.reset(new_fluid_synth(settings));
    fluid_synth_t* synth = engine->synth.get();
    if (!synth) return nullptr;

    const std::string font = config.soundFont.empty() ? FindSoundFont() : config.soundFont;
    const bool hasSoundFont = !font.empty() && fluid_synth_sfload(synth, font.c_str(), 1) >= 0;

    auto render = [synth](std::span<int16_t> stereo) {
        const int frames = int(stereo.size() / 2);
        fluid_synth_write_s16(synth, frames, stereo.data(), 0, 2, stereo.data(), 1, 2);
    };
    bool silent = false;
    if (!config.wavFile.empty()) {
        if (!engine->wav.Open(config.wavFile, SynthRenderThread::kSampleRate, 2))
            std::fprintf(stderr, "tabulon: cannot write the WAV file %s\n", config.wavFile.c_str());
        engine->renderer = std::make_unique<SynthRenderThread>(
            render, engine->wav.IsOpen() ? &engine->wav : nullptr);
    } else {
        engine->driver.reset(new_fluid_audio_driver(settings, synth));
        if (!engine->driver) {
            silent = true;
            // Rendering into nothing keeps the synth's voices running their course.
            engine->renderer = std::make_unique<SynthRenderThread>(render, nullptr);
        }
    }
    // One line at most: without a soundfont the audio output does not matter.
    if (!hasSoundFont)
        std::fputs(kNoSoundFontMessage, stderr);
    else if (silent)
        std::fputs(kSilentMessage, stderr);
    const bool audible = engine->driver != nullptr && hasSoundFont;
    std::unique_ptr<SynthOutputDevice> device(new SynthOutputDevice(std::move(engine)));
    device->audible_ = audible;
    device->hasSoundFont_ = hasSoundFont;
    return device;
}

SendResult SynthOutputDevice::Send(std::span<const uint8_t> message) {
    if (message.empty()) return SendResult::Sent;
    fluid_synth_t* synth = engine_->synth.get();
    const uint8_t status = message[0];
    if (status == 0xF0) {
        // FluidSynth takes the message without its framing bytes.
        if (message.size() >= 2 && message.back() == 0xF7)
            fluid_synth_sysex(synth, reinterpret_cast<const char*>(message.data() + 1),
                              int(message.size() - 2), nullptr, nullptr, nullptr, 0);
        return SendResult::Sent;
    }
    if (status < 0x80 || status >= 0xF0) return SendResult::Sent;  // nothing a synth plays
    const int channel = status & 0x0F;
    const int data1 = message.size() > 1 ? message[1] & 0x7F : 0;
    const int data2 = message.size() > 2 ? message[2] & 0x7F : 0;
    switch (status & 0xF0) {
        case 0x80:
            fluid_synth_noteoff(synth, channel, data1);
            break;
        case 0x90:
            if (data2 == 0)
                fluid_synth_noteoff(synth, channel, data1);
            else
                fluid_synth_noteon(synth, channel, data1, data2);
            break;
        case 0xA0:
            fluid_synth_key_pressure(synth, channel, data1, data2);
            break;
        case 0xB0:
            fluid_synth_cc(synth, channel, data1, data2);
            break;
        case 0xC0:
            fluid_synth_program_change(synth, channel, data1);
            break;
        case 0xD0:
            fluid_synth_channel_pressure(synth, channel, data1);
            break;
        case 0xE0:
            fluid_synth_pitch_bend(synth, channel, data1 | (data2 << 7));
            break;
    }
    return SendResult::Sent;
}

}  // namespace midilib
