// The built-in synth where no audio output works (as on a machine without a sound card): it opens,
// plays songs to their end through the output object and the clock, and says once, on standard
// error, that there is no sound.
#include <gtest/gtest.h>

#include <chrono>
#include <deque>
#include <filesystem>

#include "midi/CMidiOut.h"
#include "midi/CMidiSync.h"
#include "midi/CMidiTrack.h"
#include "midi/MidiTestSupport.h"
#include "midilib/LibraryOptions.h"
#include "midilib/testing/TestOutputDevices.h"
#include "midilib/SynthOutputDevice.h"
#include "support/TestLoop.h"

using namespace miditest;
using namespace std::chrono_literals;

namespace {

// One of the synth's two "plays silently" lines.
bool IsSilentSynthLine(const std::string& text) {
    return text == midilib::SynthOutputDevice::kSilentMessage ||
           text == midilib::SynthOutputDevice::kNoSoundFontMessage;
}

class FaultSynthTest : public ::testing::Test {
  protected:
    void SetUp() override {
        UserSettings = UserSettingsRecord{};
        midilib::SetTestOutputDevices({});
        // This machine has no sound card; elsewhere a card that does not exist stands for one.
        if (std::filesystem::exists("/dev/snd"))
            midilib::SetSynthAudioDriver("alsa", "hw:97");
        else
            midilib::SetSynthAudioDriver("");
        clock.Create(loop);
        ASSERT_EQ(clock.Open(0, 10), 1);
        ASSERT_TRUE(clock.SetTempo(200000));  // 0.2 s per beat
        out.Create(loop);
        out.SetSync(&clock);
        // C, F and G major, half a beat each, then A minor seventh.
        const std::vector<std::vector<uint8_t>> chords = {
            {60, 64, 67}, {65, 69, 72}, {67, 71, 74}, {57, 60, 64, 67}};
        std::vector<MidiEvent> song;
        uint32_t time = 0;
        for (const auto& chord : chords) {
            for (uint8_t note : chord)
                song.push_back(At(time, kNoteOn, note, 100));
            time += 240;
            for (uint8_t note : chord)
                song.push_back(At(time, kNoteOff, note, 0));
        }
        Fill(track.emplace_back(), song);
        out.AddTrack(&track.back());
    }
    void TearDown() override { midilib::SetSynthAudioDriver(""); }

    bool PlayToDone() {
        clock.beatCount = 0;
        out.StartPlayback();
        clock.Start();
        return loop.RunUntil([&] { return !clock.IsRunning(); }, 10s);
    }

    TestLoop loop;
    std::deque<CMidiTrack> track;
    CBeatSync clock;
    CMidiOut out;
};

TEST_F(FaultSynthTest, WithoutAudioOutputTheSynthPlaysSongsToTheirEndAndSaysSoOnce) {
    const uint16_t synth = uint16_t(GetNumOutDevices() - 1);
    ::testing::internal::CaptureStderr();
    const int opened = out.Open(synth, 0x00033320);
    const bool firstDone = opened && PlayToDone();
    const int firstBeats = clock.beatCount;
    const bool secondDone = opened && PlayToDone();
    out.Close();
    const std::string err = ::testing::internal::GetCapturedStderr();

    ASSERT_EQ(opened, 1);
    EXPECT_STREQ(out.GetDescription(), midilib::SynthOutputDevice::kDescription);
    EXPECT_TRUE(firstDone);
    EXPECT_TRUE(secondDone);
    // Two beats of song and the beat after it: the clock went on as if it sounded.
    EXPECT_GE(firstBeats, 2);
    EXPECT_TRUE(IsSilentSynthLine(err)) << err;

    // Opening it again says it again, once: each open tells its own caller.
    ::testing::internal::CaptureStderr();
    ASSERT_EQ(out.Open(synth, 0x00033320), 1);
    out.Close();
    EXPECT_TRUE(IsSilentSynthLine(::testing::internal::GetCapturedStderr()));
}

}  // namespace
