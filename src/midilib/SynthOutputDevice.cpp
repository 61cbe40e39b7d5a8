#include "midilib/SynthOutputDevice.h"

#include <fluidsynth.h>

#include <cstdio>
#include <filesystem>

#include "midilib/AlsaQuiet.h"

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
}  // namespace

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
    std::unique_ptr<SynthOutputDevice> device(new SynthOutputDevice());
    device->settings_ = new_fluid_settings();
    if (!device->settings_) return nullptr;
    fluid_settings_setnum(device->settings_, "synth.sample-rate", SynthRenderThread::kSampleRate);
    fluid_settings_setint(device->settings_, "synth.audio-channels", 1);
    if (!config.audioDriver.empty())
        fluid_settings_setstr(device->settings_, "audio.driver", config.audioDriver.c_str());
    if (!config.alsaDevice.empty())
        fluid_settings_setstr(device->settings_, "audio.alsa.device", config.alsaDevice.c_str());
    device->synth_ = new_fluid_synth(device->settings_);
    if (!device->synth_) return nullptr;

    const std::string font = config.soundFont.empty() ? FindSoundFont() : config.soundFont;
    device->hasSoundFont_ =
        !font.empty() && fluid_synth_sfload(device->synth_, font.c_str(), 1) >= 0;

    bool silent = false;
    if (!config.wavFile.empty()) {
        if (!device->wav_.Open(config.wavFile, SynthRenderThread::kSampleRate, 2))
            std::fprintf(stderr, "tabulon: cannot write the WAV file %s\n", config.wavFile.c_str());
        device->renderer_ = std::make_unique<SynthRenderThread>(
            device->synth_, device->wav_.IsOpen() ? &device->wav_ : nullptr);
    } else {
        device->driver_ = new_fluid_audio_driver(device->settings_, device->synth_);
        device->audible_ = device->driver_ != nullptr && device->hasSoundFont_;
        if (!device->driver_) {
            silent = true;
            // Rendering into nothing keeps the synth's voices running their course.
            device->renderer_ = std::make_unique<SynthRenderThread>(device->synth_, nullptr);
        }
    }
    // One line at most: without a soundfont the audio output does not matter.
    if (!device->hasSoundFont_)
        std::fputs(kNoSoundFontMessage, stderr);
    else if (silent)
        std::fputs(kSilentMessage, stderr);
    return device;
}

SynthOutputDevice::~SynthOutputDevice() {
    if (renderer_) renderer_->Stop();
    renderer_.reset();
    if (driver_) delete_fluid_audio_driver(driver_);
    wav_.Close();
    if (synth_) delete_fluid_synth(synth_);
    if (settings_) delete_fluid_settings(settings_);
}

SendResult SynthOutputDevice::Send(std::span<const uint8_t> message) {
    if (message.empty()) return SendResult::Sent;
    const uint8_t status = message[0];
    if (status == 0xF0) {
        // FluidSynth takes the message without its framing bytes.
        if (message.size() >= 2 && message.back() == 0xF7)
            fluid_synth_sysex(synth_, reinterpret_cast<const char*>(message.data() + 1),
                              int(message.size() - 2), nullptr, nullptr, nullptr, 0);
        return SendResult::Sent;
    }
    if (status < 0x80 || status >= 0xF0) return SendResult::Sent;  // nothing a synth plays
    const int channel = status & 0x0F;
    const int data1 = message.size() > 1 ? message[1] & 0x7F : 0;
    const int data2 = message.size() > 2 ? message[2] & 0x7F : 0;
    switch (status & 0xF0) {
        case 0x80:
            fluid_synth_noteoff(synth_, channel, data1);
            break;
        case 0x90:
            if (data2 == 0)
                fluid_synth_noteoff(synth_, channel, data1);
            else
                fluid_synth_noteon(synth_, channel, data1, data2);
            break;
        case 0xA0:
            fluid_synth_key_pressure(synth_, channel, data1, data2);
            break;
        case 0xB0:
            fluid_synth_cc(synth_, channel, data1, data2);
            break;
        case 0xC0:
            fluid_synth_program_change(synth_, channel, data1);
            break;
        case 0xD0:
            fluid_synth_channel_pressure(synth_, channel, data1);
            break;
        case 0xE0:
            fluid_synth_pitch_bend(synth_, channel, data1 | (data2 << 7));
            break;
    }
    return SendResult::Sent;
}

}  // namespace midilib
