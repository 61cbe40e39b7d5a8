// The built-in synth for real: a short chord sequence played by the clock thread into a WAV file,
// the audio drivers it tries, and the silent paths where no audio output or soundfont exists.

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <thread>

#include "OutputTestSupport.h"
#include "midi/MessageWindow.h"
#include "midi/MidiLib.h"
#include "midilib/LibraryOptions.h"
#include "midilib/SynthAudioDrivers.h"
#include "midilib/SynthOutputDevice.h"
#include "midilib/SynthStatus.h"
#include "support/TestLoop.h"

namespace midilib {
namespace {

using namespace std::chrono_literals;

int SynthDevice() {
    return GetNumOutDevices() - 1;
}

std::vector<int16_t> ReadWavSamples(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    const std::string bytes((std::istreambuf_iterator<char>(file)),
                            std::istreambuf_iterator<char>());
    std::vector<int16_t> samples;
    if (bytes.size() < 44) return samples;
    const uint32_t dataBytes = uint32_t(uint8_t(bytes[40])) | uint32_t(uint8_t(bytes[41])) << 8 |
                               uint32_t(uint8_t(bytes[42])) << 16 |
                               uint32_t(uint8_t(bytes[43])) << 24;
    EXPECT_EQ(dataBytes, bytes.size() - 44);
    for (size_t i = 44; i + 1 < bytes.size(); i += 2)
        samples.push_back(int16_t(uint8_t(bytes[i]) | uint8_t(bytes[i + 1]) << 8));
    return samples;
}

// The song is queued and started at once, while the synth may still be loading its soundfont:
// what it was sent meanwhile waited for it instead of going to a synth without instruments.
TEST(SynthTest, ASongStartedWhileTheSynthOpensIsRecordedWholeAndAsLongAsItPlayed) {
    if (SynthOutputDevice::FindSoundFont().empty()) GTEST_SKIP() << "no GM soundfont installed";
    // Per process: the same test of another checkout may run at the same time.
    const std::string path =
        ::testing::TempDir() + "/synth_test_" + std::to_string(::getpid()) + ".wav";
    SetSynthWavFile(path);
    TestLoop loop;
    bool done = false;
    midi::MessageWindow window(loop, "CMidiSyncWnd", [&](uint32_t message, uint32_t) {
        done |= message == MSG_SYNC_DONE;
    });
    const uint32_t sync = OpenSync(0, &window, 0, 1);
    SetTempo(sync, 400000);  // 0.4 s per beat
    const uint32_t out = OpenMidiOut(nullptr, uint16_t(SynthDevice()), sync, 0x33320);
    SetSynthWavFile("");
    ASSERT_GT(out, MIDIERR_MAXERR);
    // A program change first (a guitar), then C, F and G major, a beat each: 1.2 s, and the done
    // message a beat later.
    PutMidiOut(out, {0, 0xC0, 25, 0, 0});
    const uint8_t chords[3][3] = {{60, 64, 67}, {65, 69, 72}, {67, 71, 74}};
    for (const auto& chord : chords) {
        for (uint8_t note : chord)
            PutMidiOut(out, {0, 0x90, note, 110, 0});
        PutMidiOut(out, {480, 0x80, chord[0], 0, 0});
        for (int i = 1; i < 3; ++i)
            PutMidiOut(out, {0, 0x80, chord[i], 0, 0});
    }
    const auto started = std::chrono::steady_clock::now();
    StartSync(sync);
    WaitMidiOutReady(out);
    const auto ready = std::chrono::steady_clock::now();
    const auto status = GetMidiOutSynthStatus(out);
    ASSERT_TRUE(status);
    EXPECT_EQ(status->state, SynthStatus::State::Recording);
    EXPECT_EQ(status->wavFile, path);
    ASSERT_TRUE(loop.RunUntil([&] { return done; }, 5s));
    const auto closeStart = std::chrono::steady_clock::now();
    CloseMidiOut(out);
    const auto closed = std::chrono::steady_clock::now();
    CloseSync(sync);

    const std::vector<int16_t> samples = ReadWavSamples(path);
    std::remove(path.c_str());
    const double seconds = double(samples.size() / 2) / 44100.0;
    const double buffer = 1024.0 / 44100.0;
    const double shortest = std::chrono::duration<double>(closeStart - ready).count();
    const double longest = std::chrono::duration<double>(closed - ready).count();
    // The song and its final beat, less what the clock played before the recording began.
    EXPECT_GE(seconds + std::chrono::duration<double>(ready - started).count(), 1.6);
    EXPECT_GE(seconds, shortest - buffer);
    EXPECT_LE(seconds, longest + buffer);

    // Sound where the chords play.
    int16_t peak = 0;
    for (size_t i = 0; i < std::min<size_t>(samples.size(), 44100 * 2 * 12 / 10); ++i)
        peak = std::max<int16_t>(peak, int16_t(std::abs(int(samples[i]))));
    EXPECT_GT(peak, 1000);
}

TEST(SynthTest, AChosenDriverThatFailsIsTriedAloneAndTheSynthSaysOnceThatItIsSilent) {
    SetSynthAudioDriver("alsa", "hw:97");  // a card that does not exist
    ::testing::internal::CaptureStderr();
    const uint32_t out = OpenMidiOut(nullptr, uint16_t(SynthDevice()), 0, 0x33320);
    WaitMidiOutReady(out);
    const auto status = GetMidiOutSynthStatus(out);
    PutMidiOut(out, {0, 0x90, 60, 100, 0});
    CloseMidiOut(out);
    const std::string err = ::testing::internal::GetCapturedStderr();
    SetSynthAudioDriver("");
    EXPECT_GT(out, MIDIERR_MAXERR);
    ASSERT_TRUE(status);
    if (!status->soundFont.empty()) {
        EXPECT_EQ(status->state, SynthStatus::State::Silent);
        EXPECT_EQ(status->silence, SynthStatus::Silence::NoAudioDevice);
        EXPECT_EQ(status->triedDrivers, std::vector<std::string>{"alsa"});
        EXPECT_EQ(err, SynthOutputDevice::kSilentMessage);
    }
}

TEST(SynthTest, AMissingSoundFontGivesOneLineAndTheOpenedDeviceStillTakesEvents) {
    ::testing::internal::CaptureStderr();
    auto synth = SynthOutputDevice::Open({"", "alsa", "hw:97", "/nonexistent/none.sf2"});
    ASSERT_NE(synth, nullptr);
    synth->WaitUntilOpen();
    EXPECT_EQ(synth->Status().state, SynthStatus::State::Silent);
    EXPECT_EQ(synth->Status().silence, SynthStatus::Silence::NoSoundFont);
    EXPECT_EQ(synth->Status().soundFont, "");
    const uint8_t noteOn[3] = {0x90, 60, 100};
    EXPECT_EQ(synth->Send(noteOn), SendResult::Sent);
    synth.reset();
    EXPECT_EQ(::testing::internal::GetCapturedStderr(), SynthOutputDevice::kNoSoundFontMessage);
}

// A soundfont that is a named pipe holds the opening thread until the test writes into the pipe:
// meanwhile Open has returned, and the synth answers busy instead of playing without instruments.
TEST(SynthTest, OpeningReturnsAtOnceAndTheSynthIsBusyUntilItHasFinished) {
    const std::string fifo =
        ::testing::TempDir() + "/synth_fifo_" + std::to_string(::getpid()) + ".sf2";
    std::remove(fifo.c_str());
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    ::testing::internal::CaptureStderr();
    auto synth = SynthOutputDevice::Open({"", "alsa", "hw:97", fifo});
    ASSERT_NE(synth, nullptr);
    EXPECT_EQ(synth->Status().state, SynthStatus::State::Opening);
    const uint8_t program[2] = {0xC0, 25};
    EXPECT_EQ(synth->Send(program), SendResult::Busy);

    // Not a soundfont; written for as long as the loader opens the pipe again.
    const auto deadline = std::chrono::steady_clock::now() + 10s;
    while (synth->Status().state == SynthStatus::State::Opening &&
           std::chrono::steady_clock::now() < deadline) {
        const int fd = ::open(fifo.c_str(), O_WRONLY | O_NONBLOCK);
        if (fd >= 0) {
            const char junk[] = "not a soundfont at all";
            (void)!::write(fd, junk, sizeof junk);
            ::close(fd);
        }
        std::this_thread::sleep_for(5ms);
    }
    synth->WaitUntilOpen();
    EXPECT_EQ(synth->Status().silence, SynthStatus::Silence::NoSoundFont);
    EXPECT_EQ(synth->Send(program), SendResult::Sent);
    synth.reset();
    ::testing::internal::GetCapturedStderr();
    std::remove(fifo.c_str());
}

TEST(SynthTest, TheAlsaNullDeviceGivesARealTimePathWithoutComplaint) {
    if (SynthOutputDevice::FindSoundFont().empty()) GTEST_SKIP() << "no GM soundfont installed";
    SetSynthAudioDriver("alsa", "null");
    ::testing::internal::CaptureStderr();
    const uint32_t out = OpenMidiOut(nullptr, uint16_t(SynthDevice()), 0, 0x33320);
    WaitMidiOutReady(out);
    const auto status = GetMidiOutSynthStatus(out);
    PutMidiOut(out, {0, 0x90, 60, 100, 0});
    std::this_thread::sleep_for(50ms);
    CloseMidiOut(out);
    const std::string err = ::testing::internal::GetCapturedStderr();
    SetSynthAudioDriver("");
    EXPECT_GT(out, MIDIERR_MAXERR);
    ASSERT_TRUE(status);
    EXPECT_EQ(status->state, SynthStatus::State::Playing);
    EXPECT_EQ(status->audioDriver, "alsa");
    EXPECT_EQ(err, "");
}

// SDL's dummy output stands for a desktop where only SDL2 reaches the sound: without a sound card
// or a PulseAudio server the synth goes down the order until SDL2 opens.
TEST(SynthTest, WithNoDriverChosenTheSynthTriesTheDriversInOrderUntilOneOpens) {
    if (SynthOutputDevice::FindSoundFont().empty()) GTEST_SKIP() << "no GM soundfont installed";
    const std::vector<std::string> available = synth_audio::Available();
    if (std::find(available.begin(), available.end(), "sdl2") == available.end())
        GTEST_SKIP() << "this FluidSynth has no SDL2 driver";
    ::setenv("SDL_AUDIODRIVER", "dummy", 1);
    SetSynthAudioDriver("", std::filesystem::exists("/dev/snd") ? "hw:97" : "");
    const uint32_t out = OpenMidiOut(nullptr, uint16_t(SynthDevice()), 0, 0x33320);
    WaitMidiOutReady(out);
    const auto status = GetMidiOutSynthStatus(out);
    CloseMidiOut(out);
    SetSynthAudioDriver("");
    ::unsetenv("SDL_AUDIODRIVER");

    ASSERT_TRUE(status);
    EXPECT_EQ(status->state, SynthStatus::State::Playing);
    const std::vector<std::string> order = synth_audio::ToTry("", available);
    ASSERT_FALSE(status->triedDrivers.empty());
    ASSERT_LE(status->triedDrivers.size(), order.size());
    EXPECT_TRUE(std::equal(status->triedDrivers.begin(), status->triedDrivers.end(), order.begin()))
        << "tried in the automatic order";
    EXPECT_EQ(status->audioDriver, status->triedDrivers.back()) << "the first that opened plays";
    const bool pulseServer =
        std::getenv("PULSE_SERVER") ||
        (std::getenv("XDG_RUNTIME_DIR") &&
         std::filesystem::exists(std::string(std::getenv("XDG_RUNTIME_DIR")) + "/pulse/native"));
    if (!pulseServer) {
        EXPECT_EQ(status->audioDriver, "sdl2");
    }
}

TEST(SynthTest, TheAutomaticOrderSkipsWhatFluidSynthLacksAndAChosenDriverIsTriedAlone) {
    using synth_audio::ToTry;
    const std::vector<std::string> all = {"pipewire", "pulseaudio", "alsa", "sdl2", "jack"};
    EXPECT_EQ(ToTry("", all), (std::vector<std::string>{"pipewire", "pulseaudio", "alsa", "sdl2"}));
    EXPECT_EQ(ToTry("", {"jack", "sdl2", "alsa", "pulseaudio"}),
              (std::vector<std::string>{"pulseaudio", "alsa", "sdl2"}));
    EXPECT_EQ(ToTry("jack", all), std::vector<std::string>{"jack"});
    EXPECT_EQ(ToTry("pipewire", {"alsa"}), std::vector<std::string>{});

    // This machine's FluidSynth: the automatic order first, never the file writer.
    const std::vector<std::string> available = synth_audio::Available();
    EXPECT_EQ(std::count(available.begin(), available.end(), "file"), 0);
    const std::vector<std::string> automatic = ToTry("", available);
    EXPECT_TRUE(std::equal(automatic.begin(), automatic.end(), available.begin()));
}

TEST(SynthTest, OnlyTheBuiltInSynthHasASynthStatusAndOtherDevicesAreReadyAtOnce) {
    const uint32_t out = OpenMidiOut(nullptr, uint16_t(SynthDevice() - 1), 0, 0x33320);
    ASSERT_GT(out, MIDIERR_MAXERR);
    WaitMidiOutReady(out);
    EXPECT_FALSE(GetMidiOutSynthStatus(out));
    CloseMidiOut(out);
    EXPECT_FALSE(GetMidiOutSynthStatus(out));
    WaitMidiOutReady(out);  // an unknown handle: nothing to wait for
}

}  // namespace
}  // namespace midilib
