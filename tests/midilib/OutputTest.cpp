// An output's queue and device path: ticks from delta times, refusal and the one ready message,
// reset, busy and failing devices, and how records become the messages a device receives.

#include "midilib/OutputPort.h"

#include <gtest/gtest.h>

#include "OutputTestSupport.h"
#include "midilib/EventEncoding.h"
#include "midilib/OutputRecordDecoder.h"

namespace midilib {
namespace {

using testing::Bytes;
using testing::MakeRecordingPort;
using testing::NoteRoomAndPost;
using testing::RecordingNotifier;
using Messages = std::vector<std::vector<uint8_t>>;

MidiEvent Sysex(uint8_t byte, uint32_t delta = 0, uint8_t last = 0) {
    return {delta, kSysexStatus, byte, last, 0};
}

TEST(OutputTest, QueuedEventsGetThePreviousTickPlusTheirDelta) {
    auto output = MakeRecordingPort(nullptr, std::make_shared<TestDeviceProbe>());
    EXPECT_FALSE(output->HeadTick().has_value());
    output->Put({100, 0x90, 60, 100, 0});
    output->Put({0, 0x90, 64, 100, 0});
    output->Put({0xFFFFFFFFu, 0x80, 60, 0, 0});  // no 32-bit wrap inside the library
    EXPECT_EQ(*output->HeadTick(), 100u);
    output->DispatchHead(0);
    EXPECT_EQ(*output->HeadTick(), 100u);
    output->DispatchHead(0);
    EXPECT_EQ(*output->HeadTick(), 100u + 0xFFFFFFFFull);
}

TEST(OutputTest, AFullQueueRefusesAndPostsReadyOnceWhenHalfEmpty) {
    RecordingNotifier notifier;
    auto output = MakeRecordingPort(&notifier, std::make_shared<TestDeviceProbe>(), 8);
    for (int i = 0; i < 8; ++i)
        ASSERT_TRUE(output->Put({1, 0x90, 60, 100, 0}));
    EXPECT_FALSE(output->Put({1, 0x90, 61, 100, 0}));
    EXPECT_FALSE(output->Put({1, 0x90, 61, 100, 0}));
    for (int i = 0; i < 3; ++i)
        output->DispatchHead(0);
    NoteRoomAndPost(*output);
    EXPECT_EQ(notifier.Count(MSG_OUTPUT_READY), 0);  // 5 of 8: not yet
    output->DispatchHead(0);
    NoteRoomAndPost(*output);
    NoteRoomAndPost(*output);
    ASSERT_EQ(notifier.Posts().size(), 1u);
    EXPECT_EQ(notifier.Posts()[0], std::make_pair(MSG_OUTPUT_READY, output->Generation()));
    // Without a refusal, room alone posts nothing.
    while (!output->Empty())
        output->DispatchHead(0);
    NoteRoomAndPost(*output);
    EXPECT_EQ(notifier.Posts().size(), 1u);
}

TEST(OutputTest, ResetDropsTheQueueRestartsTicksSilencesAndBumpsTheGeneration) {
    RecordingNotifier notifier;
    auto probe = std::make_shared<TestDeviceProbe>();
    auto output = MakeRecordingPort(&notifier, probe, 2);
    output->Put({500, 0x90, 60, 100, 0});
    output->Put({500, 0x90, 62, 100, 0});
    EXPECT_FALSE(output->Put({500, 0x90, 64, 100, 0}));
    const uint32_t before = output->Generation();
    output->Reset();
    EXPECT_TRUE(output->Empty());
    EXPECT_EQ(output->Generation(), before + 1);
    NoteRoomAndPost(*output);  // the refusal belonged to the dropped queue
    EXPECT_EQ(notifier.Count(MSG_OUTPUT_READY), 0);
    const Messages silence = Bytes(*probe);
    ASSERT_EQ(silence.size(), 32u);
    for (uint8_t channel = 0; channel < 16; ++channel) {
        EXPECT_EQ(silence[2 * channel], (std::vector<uint8_t>{uint8_t(0xB0 | channel), 123, 0}));
        EXPECT_EQ(silence[2 * channel + 1],
                  (std::vector<uint8_t>{uint8_t(0xB0 | channel), 120, 0}));
    }
    output->Put({7, 0x90, 60, 100, 0});
    EXPECT_EQ(*output->HeadTick(), 7u);
}

TEST(OutputTest, ABusyDeviceKeepsTheEventAndItsOrder) {
    auto probe = std::make_shared<TestDeviceProbe>();
    auto output = MakeRecordingPort(nullptr, probe);
    for (uint8_t byte : {0xF0, 0x7E, 0xF7})
        output->Put(Sysex(byte));
    output->Put({0, 0x90, 60, 100, 0});
    output->DispatchHead(0);
    output->DispatchHead(0);
    probe->refuse = true;
    EXPECT_EQ(output->DispatchHead(0).result, OutputPort::Dispatch::Busy);
    EXPECT_EQ(output->DispatchHead(0).result, OutputPort::Dispatch::Busy);
    EXPECT_EQ(output->Size(), 2u);
    probe->refuse = false;
    output->DispatchHead(0);
    output->DispatchHead(0);
    EXPECT_EQ(Bytes(*probe), (Messages{{0xF0, 0x7E, 0xF7}, {0x90, 60, 100}}));
}

TEST(OutputTest, AFailedDeviceHasItsEventsDroppedSoThePlayGoesOn) {
    auto probe = std::make_shared<TestDeviceProbe>();
    auto output = MakeRecordingPort(nullptr, probe, 16, 2);
    for (uint8_t note = 60; note < 65; ++note)
        output->Put({10, 0x90, note, 100, 0});
    ::testing::internal::CaptureStderr();
    while (!output->Empty())
        ASSERT_EQ(output->DispatchHead(0).result, OutputPort::Dispatch::Played);
    const std::string err = ::testing::internal::GetCapturedStderr();
    EXPECT_EQ(err, "tabulon: the MIDI output device failed; its events are dropped\n");
    EXPECT_EQ(probe->Messages().size(), 2u);
}

TEST(OutputTest, LatenessIsCountedForEverySentMessage) {
    auto output = MakeRecordingPort(nullptr, std::make_shared<TestDeviceProbe>());
    for (int i = 0; i < 100; ++i)
        output->Put({1, 0x90, 60, 100, 0});
    output->Put(MakeTempoEvent(0, 400000));  // sends nothing: not counted
    for (int i = 0; i < 100; ++i)
        output->DispatchHead(i < 98 ? 20'000 : 3'000'000 + i);
    output->DispatchHead(0);
    const LatenessSummary summary = output->Lateness().Summary();
    EXPECT_EQ(summary.count, 100u);
    EXPECT_NEAR(double(summary.p50Ns), 20'000, 1000);
    EXPECT_EQ(summary.maxNs, 3'000'099);
    EXPECT_GE(summary.p99Ns, 3'000'000);
    output->Lateness().Clear();
    EXPECT_EQ(output->Lateness().Summary().count, 0u);
}

TEST(OutputRecordDecoderTest, ChannelMessagesHaveTwoOrThreeBytesByStatus) {
    OutputRecordDecoder decoder;
    auto bytes = [&decoder](MidiEvent e) {
        const auto r = decoder.Decode(e);
        return std::vector<uint8_t>(r.message.begin(), r.message.end());
    };
    EXPECT_EQ(bytes({0, 0x93, 60, 100, 0}), (std::vector<uint8_t>{0x93, 60, 100}));
    EXPECT_EQ(bytes({0, 0xC5, 24, 99, 0}), (std::vector<uint8_t>{0xC5, 24}));
    EXPECT_EQ(bytes({0, 0xD0, 50, 0, 0}), (std::vector<uint8_t>{0xD0, 50}));
    EXPECT_EQ(bytes({0, 0xE1, 0, 64, 0}), (std::vector<uint8_t>{0xE1, 0, 64}));
    EXPECT_TRUE(bytes({0, 0x40, 60, 100, 0}).empty());  // below 0x80: ignored
    EXPECT_TRUE(bytes({0, 0x00, 0, 0, 0}).empty());
    const auto tempo = decoder.Decode(MakeTempoEvent(0, 0x123456));
    EXPECT_TRUE(tempo.message.empty());
    EXPECT_EQ(tempo.tempo, 0x123456u);
}

TEST(OutputRecordDecoderTest, SysexIsReassembledAndSentAtTheClosingRecord) {
    OutputRecordDecoder decoder;
    const std::vector<MidiEvent> records = {Sysex(0xF0, 5),  Sysex(0x41),      Sysex(0x10, 0, 1),
                                            Sysex(0x42, 30),  // a continuation packet
                                            Sysex(0x12),     Sysex(0xF7, 0, 1)};
    for (size_t i = 0; i + 1 < records.size(); ++i)
        EXPECT_TRUE(decoder.Decode(records[i]).message.empty());
    const auto done = decoder.Decode(records.back());
    EXPECT_EQ(std::vector<uint8_t>(done.message.begin(), done.message.end()),
              (std::vector<uint8_t>{0xF0, 0x41, 0x10, 0x42, 0x12, 0xF7}));

    // Data without an opening record, and a message cut short by a new one.
    EXPECT_TRUE(decoder.Decode(Sysex(0x11)).message.empty());
    EXPECT_TRUE(decoder.Decode(Sysex(0xF7)).message.empty());
    decoder.Decode(Sysex(0xF0));
    decoder.Decode(Sysex(0x01));
    decoder.Decode(Sysex(0xF0));
    decoder.Decode(Sysex(0x02));
    const auto second = decoder.Decode(Sysex(0xF7));
    EXPECT_EQ(std::vector<uint8_t>(second.message.begin(), second.message.end()),
              (std::vector<uint8_t>{0xF0, 0x02, 0xF7}));
}

TEST(OutputRecordDecoderTest, OversizedMessagesAreDroppedWholeAndEscapesSentAsTheyStand) {
    OutputRecordDecoder decoder;
    decoder.Decode(Sysex(0xF0));
    for (size_t i = 0; i < OutputRecordDecoder::kMaxMessageBytes + 10; ++i)
        EXPECT_TRUE(decoder.Decode(Sysex(0x55)).message.empty());
    EXPECT_TRUE(decoder.Decode(Sysex(0xF7)).message.empty());
    decoder.Decode(Sysex(0xF0));
    EXPECT_EQ(decoder.Decode(Sysex(0xF7)).message.size(), 2u);  // the next message is whole again

    EXPECT_TRUE(decoder.Decode({0, kEscapeStatus, 0xF8, 0, 0}).message.empty());
    const auto escape = decoder.Decode({0, kEscapeStatus, 0xFA, 1, 0});
    EXPECT_EQ(std::vector<uint8_t>(escape.message.begin(), escape.message.end()),
              (std::vector<uint8_t>{0xF8, 0xFA}));
    decoder.Decode({0, kEscapeStatus, 0xF8, 0, 0});
    decoder.Clear();  // a reset forgets a half-gathered packet
    const auto after = decoder.Decode({0, kEscapeStatus, 0xFC, 1, 0});
    EXPECT_EQ(std::vector<uint8_t>(after.message.begin(), after.message.end()),
              (std::vector<uint8_t>{0xFC}));
}

}  // namespace
}  // namespace midilib
