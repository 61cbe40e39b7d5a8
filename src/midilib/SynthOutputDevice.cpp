#include "midilib/SynthOutputDevice.h"

#include <fluidsynth.h>

#include <sys/resource.h>

#include <atomic>
#include <cstdio>
#include <filesystem>
#include <thread>
#include <utility>
#include <vector>

#include "midilib/AlsaQuiet.h"
#include "midilib/SynthAudioDrivers.h"
#include "midilib/SynthRenderThread.h"
#include "midilib/WavWriter.h"

namespace midilib {

namespace {
constexpr const char* kSoundFonts[] = {
    "/usr/share/sounds/sf2/default-GM.sf2",
    "/usr/share/sounds/sf2/TimGM6mb.sf2",
    "/usr/share/sounds/sf2/FluidR3_GM.sf2",
    // FluidSynth's own package is content with the compressed soundfont alone.
    "/usr/share/sounds/sf3/default-GM.sf3",
    "/usr/share/sounds/sf3/FluidR3_GM.sf3",
};

// The nice value of the thread that sets up FluidSynth and loads the soundfont (on Linux,
// setpriority sets the calling thread's own).
constexpr int kLoadingNice = 10;

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

// The members are destroyed last-first, which is the order FluidSynth needs: the opening thread
// ends before anything it builds goes; the render thread and the audio driver stop pulling samples
// before the WAV file closes and before the synth they pull from goes; the settings outlive the
// synth made from them.
struct SynthOutputDevice::Engine {
    FluidPtr<fluid_settings_t, delete_fluid_settings> settings;
    FluidPtr<fluid_synth_t, delete_fluid_synth> synth;
    WavWriter wav;
    // What the audio driver's library was given before the driver opened; given back after it.
    struct PreparedAudio {
        std::string driver;
        ~PreparedAudio() { synth_audio::Release(driver); }
    } prepared;
    FluidPtr<fluid_audio_driver_t, delete_fluid_audio_driver> driver;
    std::unique_ptr<SynthRenderThread> renderer;
    std::atomic<bool> open{false};  // set once the opening thread is done with everything above
    std::thread opener;

    // The opening thread: FluidSynth and the soundfont (Load), then the WAV file or the first
    // audio driver that opens.
    SynthStatus Finish(const SynthConfig& config);
    void Load(const SynthConfig& config, SynthStatus& status);
};

void SynthOutputDevice::Engine::Load(const SynthConfig& config, SynthStatus& status) {
    settings.reset(new_fluid_settings());
    if (settings) {
        fluid_settings_setnum(settings.get(), "synth.sample-rate", SynthRenderThread::kSampleRate);
        fluid_settings_setint(settings.get(), "synth.audio-channels", 1);
        if (!config.alsaDevice.empty())
            fluid_settings_setstr(settings.get(), "audio.alsa.device", config.alsaDevice.c_str());
        synth.reset(new_fluid_synth(settings.get()));
    }
    if (!synth) return;
    const std::string font = config.soundFont.empty() ? FindSoundFont() : config.soundFont;
    if (!font.empty() && fluid_synth_sfload(synth.get(), font.c_str(), 1) >= 0)
        status.soundFont = font;
}

SynthStatus SynthOutputDevice::Engine::Finish(const SynthConfig& config) {
    SynthStatus status;
    // The work of the processor behind the caller's thread, which is painting the window
    // meanwhile; not the audio threads that come after, which inherit their creator's priority.
    std::thread([&] {
        ::setpriority(PRIO_PROCESS, 0, kLoadingNice);
        Load(config, status);
    }).join();
    if (!synth) {
        std::fputs(kNoSynthMessage, stderr);
        status.state = SynthStatus::State::Silent;
        status.silence = SynthStatus::Silence::NoSynth;
        return status;
    }

    auto render = [synth = synth.get()](std::span<int16_t> stereo) {
        const int frames = int(stereo.size() / 2);
        fluid_synth_write_s16(synth, frames, stereo.data(), 0, 2, stereo.data(), 1, 2);
    };
    if (!config.wavFile.empty()) {
        status.wavFile = config.wavFile;
        if (wav.Open(config.wavFile, SynthRenderThread::kSampleRate, 2)) {
            status.state = SynthStatus::State::Recording;
        } else {
            std::fprintf(stderr, "tabulon: cannot write the WAV file %s\n", config.wavFile.c_str());
            status.state = SynthStatus::State::Silent;
            status.silence = SynthStatus::Silence::WavNotWritable;
        }
        renderer = std::make_unique<SynthRenderThread>(render, wav.IsOpen() ? &wav : nullptr);
    } else {
        const std::vector<std::string> available = synth_audio::Available();
        for (const std::string& name : synth_audio::ToTry(config.audioDriver, available)) {
            status.triedDrivers.push_back(name);
            synth_audio::Prepare(name);
            fluid_settings_setstr(settings.get(), "audio.driver", name.c_str());
            driver.reset(new_fluid_audio_driver(settings.get(), synth.get()));
            if (driver) {
                status.audioDriver = prepared.driver = name;
                break;
            }
            synth_audio::Release(name);
        }
        if (driver) {
            status.state = SynthStatus::State::Playing;
        } else {
            status.state = SynthStatus::State::Silent;
            status.silence = status.triedDrivers.empty() ? SynthStatus::Silence::DriverUnavailable
                                                         : SynthStatus::Silence::NoAudioDevice;
            // Rendering into nothing keeps the synth's voices running their course.
            renderer = std::make_unique<SynthRenderThread>(render, nullptr);
        }
    }
    // One line at most: without a soundfont the audio output does not matter.
    if (status.soundFont.empty()) {
        status.state = SynthStatus::State::Silent;
        status.silence = SynthStatus::Silence::NoSoundFont;
        std::fputs(kNoSoundFontMessage, stderr);
    } else if (!driver && config.wavFile.empty()) {
        std::fputs(kSilentMessage, stderr);
    }
    return status;
}

SynthStatus SynthStatusBoard::Get() const {
    std::lock_guard lock(mutex_);
    return status_;
}

void SynthStatusBoard::Publish(SynthStatus status) {
    {
        std::lock_guard lock(mutex_);
        status_ = std::move(status);
    }
    opened_.notify_all();
}

void SynthStatusBoard::WaitUntilOpen() const {
    std::unique_lock lock(mutex_);
    opened_.wait(lock, [this] { return status_.state != SynthStatus::State::Opening; });
}

SynthOutputDevice::SynthOutputDevice(std::unique_ptr<Engine> engine,
                                     std::shared_ptr<SynthStatusBoard> board)
    : board_(std::move(board)), engine_(std::move(engine)) {}

SynthOutputDevice::~SynthOutputDevice() {
    if (engine_->opener.joinable()) engine_->opener.join();
}

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
    auto board = std::make_shared<SynthStatusBoard>();
    Engine& opening = *engine;
    engine->opener = std::thread([&opening, board, config] {
        SynthStatus status = opening.Finish(config);
        opening.open.store(true, std::memory_order_release);
        board->Publish(std::move(status));
    });
    return std::unique_ptr<SynthOutputDevice>(
        new SynthOutputDevice(std::move(engine), std::move(board)));
}

SendResult SynthOutputDevice::Send(std::span<const uint8_t> message) {
    if (message.empty()) return SendResult::Sent;
    if (!engine_->open.load(std::memory_order_acquire)) return SendResult::Busy;
    fluid_synth_t* synth = engine_->synth.get();
    if (!synth) return SendResult::Sent;  // FluidSynth could not be set up: nothing plays
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
