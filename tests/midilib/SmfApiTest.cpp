// The file operations of the library: handles, sequential reads, failures, threads, and writing
// files that read back as they were written.

#include <gtest/gtest.h>

#include <algorithm>
#include <set>
#include <thread>

#include "midilib/EventEncoding.h"
#include "midilib/SmfTestSupport.h"

using namespace smftest;

namespace {

Bytes TenNotesFile() {
    Bytes body;
    for (uint8_t i = 0; i < 10; ++i)
        Append(body, {0x01, 0x90, uint8_t(0x30 + i), 0x40});
    Append(body, kEndOfTrack);
    Bytes file = Header(1, 2, 120);
    Append(file, Track(body));
    Append(file, Track(body));
    return file;
}

}  // namespace

TEST(SmfApi, ReadsContinueWhereTheyStoppedUntilRewound) {
    const ScratchFile file("ten.mid", TenNotesFile());
    uint32_t format = 0, tracks = 0;
    const uint32_t h = OpenSMF(file.Path(), &format, 'r', &tracks);
    ASSERT_GT(h, MIDIERR_MAXERR);
    EXPECT_EQ(format, 1u);
    EXPECT_EQ(tracks, 2u);
    EXPECT_EQ(GetSMFResolution(h), 120);
    MidiEvent buffer[3];
    std::vector<uint32_t> counts;
    while (uint32_t n = ReadSMF(h, 0, buffer, 3))
        counts.push_back(n);
    EXPECT_EQ(counts, (std::vector<uint32_t>{3, 3, 3, 1}));
    EXPECT_EQ(buffer[0].data1, 0x39);
    EXPECT_EQ(ReadSMF(h, 1, buffer, 3), 3u);  // each track keeps its own position
    RewindSMF(h);
    EXPECT_EQ(ReadSMF(h, 1, buffer, 3), 3u);
    EXPECT_EQ(buffer[0].data1, 0x30);
    EXPECT_EQ(ReadSMF(h, 2, buffer, 3), 0u);  // no such track
    EXPECT_EQ(CloseSMF(h), 0);
}

TEST(SmfApi, UnknownHandlesDoNothing) {
    MidiEvent buffer[1];
    const uint8_t* data = reinterpret_cast<const uint8_t*>("x");
    uint32_t length = 7;
    EXPECT_EQ(ReadSMF(12345, 0, buffer, 1), 0u);
    EXPECT_EQ(ReadMetaEvent(12345, 0, 3, &data, &length), -1);
    EXPECT_EQ(data, nullptr);
    EXPECT_EQ(length, 0u);
    EXPECT_EQ(GetSMFResolution(12345), 0);
    EXPECT_EQ(WriteSMF(12345, 0, buffer, 1), 0u);
    EXPECT_NE(WriteMetaEvent(12345, 0, 3, data, 0), 0);
    EXPECT_NE(FlushSMF(12345), 0);
    EXPECT_NE(CloseSMF(12345), 0);
    EXPECT_STREQ(GetSMFErrorText(12345), "");
    RewindSMF(12345);
}

TEST(SmfApi, AFailedOpenGivesItsReason) {
    uint32_t format = 1, tracks = 99;
    EXPECT_EQ(OpenSMF("/nonexistent/file.mid", &format, 'r', &tracks), 0u);
    EXPECT_STREQ(GetSMFErrorText(0), "cannot open file");
    EXPECT_EQ(OpenSMF("/tmp", &format, 'r', &tracks), 0u);
    EXPECT_STREQ(GetSMFErrorText(0), "not a regular file");
    const ScratchFile text("text.mid", Bytes{'h', 'e', 'l', 'l', 'o'});
    EXPECT_EQ(OpenSMF(text.Path(), &format, 'r', &tracks), 0u);
    EXPECT_STREQ(GetSMFErrorText(0), "not a MIDI file");
    EXPECT_EQ(OpenSMF(text.Path(), &format, 'x', &tracks), 0u);
    EXPECT_STREQ(GetSMFErrorText(0), "unknown mode (use 'r' or 'w')");
    EXPECT_EQ(OpenSMF("/nonexistent/out.mid", &format, 'w', &tracks), 0u);
    EXPECT_STREQ(GetSMFErrorText(0), "cannot create file");
    // The reason belongs to the thread that opened.
    std::thread([] { EXPECT_STREQ(GetSMFErrorText(0), ""); }).join();
}

TEST(SmfApi, HandlesStayUniqueAcrossThreads) {
    const ScratchFile file("shared.mid", TenNotesFile());
    std::vector<std::vector<uint32_t>> handles(4);
    std::vector<std::thread> threads;
    for (auto& mine : handles) {
        threads.emplace_back([&file, &mine] {
            for (int i = 0; i < 50; ++i) {
                const OpenedFile opened(file.Path());
                if (opened.tracks.size() != 2 || opened.tracks[1].size() != 10) return;
                mine.push_back(opened.handle);
            }
        });
    }
    for (auto& t : threads)
        t.join();
    std::set<uint32_t> all;
    for (const auto& mine : handles) {
        EXPECT_EQ(mine.size(), 50u);
        all.insert(mine.begin(), mine.end());
    }
    EXPECT_EQ(all.size(), 200u);
    EXPECT_GT(*all.begin(), MIDIERR_MAXERR);
}

TEST(SmfRoundTrip, EventsAndNamesReadBackAsWritten) {
    const ScratchFile file("round-trip.mid");
    uint32_t format = 0, tracks = 5;
    const uint32_t h = OpenSMF(file.Path(), &format, 'w', &tracks);
    ASSERT_GT(h, MIDIERR_MAXERR);
    EXPECT_EQ(tracks, 0u);
    EXPECT_EQ(GetSMFResolution(h), 480);
    const std::vector<MidiEvent> first = {midilib::MakeTempoEvent(0, 400000),
                                          {0, 0xC0, 0x18, 0, 0},
                                          {0, 0x90, 0x3C, 0x64, 0},
                                          {240, 0x90, 0x40, 0x64, 0},  // running status
                                          {240, 0x80, 0x3C, 0x40, 0},
                                          {0, 0xE0, 0x00, 0x40, 0},
                                          // A message in two packets, then an escape.
                                          {10, 0xF0, 0xF0, 0, 0},
                                          {0, 0xF0, 0x43, 0, 0},
                                          {0, 0xF0, 0x12, 1, 0},
                                          {20, 0xF0, 0x00, 0, 0},
                                          {0, 0xF0, 0xF7, 1, 0},
                                          {5, 0xF7, 0xF3, 0, 0},
                                          {0, 0xF7, 0x02, 1, 0},
                                          {0, 0x80, 0x40, 0x40, 0}};
    const std::vector<MidiEvent> second = {{480, 0x99, 0x24, 0x7F, 0}, {1, 0x89, 0x24, 0, 0}};
    EXPECT_EQ(WriteMetaEvent(h, 0, 3, reinterpret_cast<const uint8_t*>("Guitar"), 0), 0);
    EXPECT_EQ(WriteSMF(h, 0, first.data(), 5), 5u);  // written in two calls
    EXPECT_EQ(WriteSMF(h, 0, first.data() + 5, uint32_t(first.size() - 5)), first.size() - 5);
    EXPECT_EQ(WriteMetaEvent(h, 1, 1, reinterpret_cast<const uint8_t*>("a\0b"), 3), 0);
    EXPECT_EQ(WriteSMF(h, 1, second.data(), uint32_t(second.size())), second.size());
    EXPECT_NE(WriteMetaEvent(h, 1, 0x2F, nullptr, 0), 0);  // end-of-track is the writer's own
    MidiEvent none[1];
    EXPECT_EQ(ReadSMF(h, 0, none, 1), 0u);
    EXPECT_EQ(FlushSMF(h), 0);
    EXPECT_EQ(CloseSMF(h), 0);

    const OpenedFile read(file.Path());
    EXPECT_EQ(read.format, 1u);  // two tracks
    EXPECT_EQ(read.problem, "");
    ASSERT_EQ(read.tracks.size(), 2u);
    EXPECT_EQ(read.tracks[0], first);
    EXPECT_EQ(read.tracks[1], second);
    EXPECT_EQ(read.Meta(0, 3), "Guitar");
    EXPECT_EQ(read.Meta(1, 1), std::string("a\0b", 3));
    EXPECT_EQ(GetSMFResolution(read.handle), 480);
}

TEST(SmfRoundTrip, TheWrittenBytesAreStandard) {
    const ScratchFile file("bytes.mid");
    uint32_t format = 0, tracks = 0;
    const uint32_t h = OpenSMF(file.Path(), &format, 'w', &tracks);
    const MidiEvent events[] = {{0, 0x90, 0x3C, 0x64, 0}, {0x80, 0x90, 0x3C, 0, 0},
                                {0, 0xF0, 0xF0, 0, 0},    {0, 0xF0, 0x7E, 0, 0},
                                {0, 0xF0, 0xF7, 1, 0},    {0, 0x90, 0x3E, 0x64, 0}};
    WriteSMF(h, 0, events, 6);
    ASSERT_EQ(CloseSMF(h), 0);
    Bytes expected = Header(0, 1, 480);  // one track keeps the format asked for
    Append(expected, Track({0x00, 0x90, 0x3C, 0x64, 0x81, 0x00, 0x3C, 0x00, 0x00, 0xF0, 0x02,
                            0x7E, 0xF7, 0x00, 0x90, 0x3E, 0x64, 0x00, 0xFF, 0x2F, 0x00}));
    EXPECT_EQ(file.Read(), expected);
}

TEST(SmfRoundTrip, HugeDeltasAndUnknownRecordsKeepAbsoluteTimes) {
    const std::vector<MidiEvent> events = {{0xF0000000u, 0x90, 0x3C, 0x64, 0},
                                           {7, 0x00, 0, 0, 0},  // not a record kind: skipped
                                           {0x0FFFFFF0u, 0x80, 0x3C, 0, 0}};
    const ScratchFile file("huge.mid");
    uint32_t format = 0, tracks = 0;
    const uint32_t h = OpenSMF(file.Path(), &format, 'w', &tracks);
    EXPECT_EQ(WriteSMF(h, 2, events.data(), 3), 2u);  // creates tracks 0 and 1 too
    ASSERT_EQ(CloseSMF(h), 0);
    const OpenedFile read(file.Path());
    ASSERT_EQ(read.tracks.size(), 3u);
    EXPECT_TRUE(read.tracks[0].empty());
    EXPECT_EQ(AbsoluteTimes(read.tracks[2]), (std::vector<uint32_t>{0xF0000000u, 0xFFFFFFF7u}));
}

TEST(SmfRoundTrip, AFailedWriteIsReported) {
    uint32_t format = 0, tracks = 0;
    const uint32_t h = OpenSMF("/dev/full", &format, 'w', &tracks);
    ASSERT_GT(h, MIDIERR_MAXERR);
    const MidiEvent note{0, 0x90, 0x3C, 0x64, 0};
    WriteSMF(h, 0, &note, 1);
    EXPECT_NE(FlushSMF(h), 0);
    EXPECT_STREQ(GetSMFErrorText(h), "cannot write file /dev/full");
    EXPECT_NE(CloseSMF(h), 0);
}
