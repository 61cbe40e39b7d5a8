// The device list as the device menu sees it, test devices in its place, and the WAV writer.

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>

#include "midi/MidiLib.h"
#include "midilib/LibraryOptions.h"
#include "midilib/testing/TestOutputDevices.h"
#include "midilib/WavWriter.h"

namespace midilib {
namespace {

std::string Description(int device) {
    char text[32];
    std::memset(text, 'x', sizeof text);
    if (!GetMidiOutDescription(uint16_t(device), text)) return "<none>";
    EXPECT_LT(std::strlen(text), 32u);
    return text;
}

TEST(DeviceTest, TheBuiltInSynthIsTheLastSynthAndTheNullDeviceIsNoSynth) {
    const int count = GetNumOutDevices();
    ASSERT_GE(count, 2);
    int lastSynth = -1;
    for (int i = 0; i < count; ++i) {
        const std::string text = Description(i);
        EXPECT_FALSE(text.empty());
        if (text.find("Synth") != std::string::npos) lastSynth = i;
    }
    EXPECT_EQ(lastSynth, count - 1);
    EXPECT_EQ(Description(count - 1), "Tabulon Synth");
    EXPECT_EQ(Description(count - 2), "Null Output");
    EXPECT_EQ(Description(count), "<none>");
    EXPECT_EQ(Description(0xFFFF), "<none>");  // no mapper
    const uint32_t null = OpenMidiOut(nullptr, uint16_t(count - 2), 0, 0x33320);
    EXPECT_GT(null, MIDIERR_MAXERR);
    EXPECT_EQ(PutMidiOut(null, {0, 0x90, 60, 100, 0}), 0);
    CloseMidiOut(null);
}

TEST(DeviceTest, TestDevicesReplaceTheListAndLongDescriptionsAreCut) {
    TestDeviceConfig longName, shortName;
    longName.description = "A very long description of a device, longer than 31";
    shortName.description = "Short";
    SetTestOutputDevices({longName, shortName});
    EXPECT_EQ(GetNumOutDevices(), 2);
    EXPECT_EQ(Description(0), "A very long description of a de");
    EXPECT_EQ(Description(1), "Short");
    SetTestOutputDevices({});
    EXPECT_EQ(Description(GetNumOutDevices() - 1), "Tabulon Synth");
}

TEST(DeviceTest, WavFilesCarryTheirSizesAfterClose) {
    // Per process: the same test of another checkout may run at the same time.
    const std::string path =
        ::testing::TempDir() + "/wav_writer_test_" + std::to_string(::getpid()) + ".wav";
    {
        WavWriter wav;
        ASSERT_TRUE(wav.Open(path, 44100, 2));
        const int16_t samples[] = {1, -1, 0x1234, -32768};
        wav.Write(samples);
        EXPECT_EQ(wav.FramesWritten(), 2u);
    }  // closed by the destructor
    std::ifstream file(path, std::ios::binary);
    const std::string bytes((std::istreambuf_iterator<char>(file)),
                            std::istreambuf_iterator<char>());
    ASSERT_EQ(bytes.size(), 44u + 8u);
    auto le32 = [&bytes](size_t at) {
        return uint32_t(uint8_t(bytes[at])) | uint32_t(uint8_t(bytes[at + 1])) << 8 |
               uint32_t(uint8_t(bytes[at + 2])) << 16 | uint32_t(uint8_t(bytes[at + 3])) << 24;
    };
    EXPECT_EQ(bytes.substr(0, 4), "RIFF");
    EXPECT_EQ(le32(4), 36u + 8u);
    EXPECT_EQ(bytes.substr(8, 8), "WAVEfmt ");
    EXPECT_EQ(le32(24), 44100u);
    EXPECT_EQ(le32(28), 44100u * 4);
    EXPECT_EQ(bytes.substr(36, 4), "data");
    EXPECT_EQ(le32(40), 8u);
    EXPECT_EQ(bytes.substr(44, 4), std::string("\x01\x00\xff\xff", 4));
    EXPECT_EQ(bytes.substr(48, 4), std::string("\x34\x12\x00\x80", 4));
    std::remove(path.c_str());

    WavWriter unwritable;
    EXPECT_FALSE(unwritable.Open("/nonexistent-dir/x.wav", 44100, 2));
    EXPECT_FALSE(unwritable.IsOpen());
}

}  // namespace
}  // namespace midilib
