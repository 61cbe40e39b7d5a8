// The built-in synth for real: a short chord sequence played by the clock thread into a WAV file,
// and the silent path where no audio output exists.

#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>
#include <thread>

#include "OutputTestSupport.h"
#include "midi/MessageWindow.h"
#include "midi/MidiLib.h"
#include "midilib/LibraryOptions.h"
#include "midilib/SynthOutputDevice.h"
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

TEST(SynthTest, AChordSequenceIsRecordedAsLongAsItPlayed) {
    if (SynthOutputDevice::FindSoundFont().empty()) GTEST_SKIP() << "no GM soundfont installed";
    const std::string path = ::testing::TempDir() + "/synth_test.wav";
    SetSynthWavFile(path);
    TestLoop loop;
    bool done = false;
    MessageWindow window(loop, "CMidiSyncWnd",
                         [&](uint32_t message, uint32_t) { done |= message == MSG_SYNC_DONE; });
    const uint32_t sync = OpenSync(0, &window, 0, 1);
    SetTempo(sync, 400000);  // 0.4 s per beat
    const auto openStart = std::chrono::steady_clock::now();
    const uint32_t out = OpenMidiOut(nullptr, uint16_t(SynthDevice()), sync, 0x33320);
    const auto opened = std::chrono::steady_clock::now();
    SetSynthWavFile("");
    ASSERT_GT(out, MIDIERR_MAXERR);
    // C, F and G major, a beat each: 1.2 s, and the done message a beat later.
    const uint8_t chords[3][3] = {{60, 64, 67}, {65, 69, 72}, {67, 71, 74}};
    for (const auto& chord : chords) {
        for (uint8_t note : chord)
            PutMidiOut(out, {0, 0x90, note, 110, 0});
        PutMidiOut(out, {480, 0x80, chord[0], 0, 0});
        for (int i = 1; i < 3; ++i)
            PutMidiOut(out, {0, 0x80, chord[i], 0, 0});
    }
    StartSync(sync);
    ASSERT_TRUE(loop.RunUntil([&] { return done; }, 5s));
    const auto closeStart = std::chrono::steady_clock::now();
    CloseMidiOut(out);
    const auto closed = std::chrono::steady_clock::now();
    CloseSync(sync);

    const std::vector<int16_t> samples = ReadWavSamples(path);
    std::remove(path.c_str());
    const double seconds = double(samples.size() / 2) / 44100.0;
    const double buffer = 1024.0 / 44100.0;
    const double shortest = std::chrono::duration<double>(closeStart - opened).count();
    const double longest = std::chrono::duration<double>(closed - openStart).count();
    EXPECT_GE(seconds, 1.6);  // the song and its final beat
    EXPECT_GE(seconds, shortest - buffer);
    EXPECT_LE(seconds, longest + buffer);

    // Sound where the chords play.
    int16_t peak = 0;
    for (size_t i = 0; i < std::min<size_t>(samples.size(), 44100 * 2 * 12 / 10); ++i)
        peak = std::max<int16_t>(peak, int16_t(std::abs(int(samples[i]))));
    EXPECT_GT(peak, 1000);
}

TEST(SynthTest, WithoutAudioOutputItOpensAndSaysSoOnce) {
    SetSynthAudioDriver("alsa", "hw:97");  // a card that does not exist
    ::testing::internal::CaptureStderr();
    const uint32_t out = OpenMidiOut(nullptr, uint16_t(SynthDevice()), 0, 0x33320);
    PutMidiOut(out, {0, 0x90, 60, 100, 0});
    CloseMidiOut(out);
    const std::string err = ::testing::internal::GetCapturedStderr();
    SetSynthAudioDriver("");
    EXPECT_GT(out, MIDIERR_MAXERR);
    EXPECT_EQ(err, SynthOutputDevice::kSilentMessage);
}

TEST(SynthTest, AMissingSoundFontGivesOneLineAndTheDeviceStillTakesEvents) {
    ::testing::internal::CaptureStderr();
    auto synth = SynthOutputDevice::Open({"", "alsa", "hw:97", "/nonexistent/none.sf2"});
    ASSERT_NE(synth, nullptr);
    EXPECT_FALSE(synth->HasSoundFont());
    const uint8_t noteOn[3] = {0x90, 60, 100};
    EXPECT_EQ(synth->Send(noteOn), SendResult::Sent);
    synth.reset();
    EXPECT_EQ(::testing::internal::GetCapturedStderr(), SynthOutputDevice::kNoSoundFontMessage);
}

TEST(SynthTest, TheAlsaNullDeviceGivesARealTimePathWithoutComplaint) {
    if (SynthOutputDevice::FindSoundFont().empty()) GTEST_SKIP() << "no GM soundfont installed";
    SetSynthAudioDriver("alsa", "null");
    ::testing::internal::CaptureStderr();
    const uint32_t out = OpenMidiOut(nullptr, uint16_t(SynthDevice()), 0, 0x33320);
    PutMidiOut(out, {0, 0x90, 60, 100, 0});
    std::this_thread::sleep_for(50ms);
    CloseMidiOut(out);
    const std::string err = ::testing::internal::GetCapturedStderr();
    SetSynthAudioDriver("");
    EXPECT_GT(out, MIDIERR_MAXERR);
    EXPECT_EQ(err, "");
}

}  // namespace
}  // namespace midilib
