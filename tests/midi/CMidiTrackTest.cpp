#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <memory>
#include <random>
#include <string>

#include "midi/CMidiOut.h"
#include "midi/CMidiSMF.h"
#include "midi/CMidiTrack.h"

namespace {

MidiEvent Note(uint32_t delta, uint8_t note) {
    return MidiEvent{delta, 0x90, note, 100, 0};
}

// A track holding one note-on per delta, note numbers 0, 1, 2, ...
void Fill(CMidiTrack& track, const std::vector<uint32_t>& deltas) {
    std::vector<MidiEvent> storage(deltas.size() + 16);
    for (size_t i = 0; i < deltas.size(); ++i) {
        storage[i] = Note(deltas[i], static_cast<uint8_t>(i & 0x7F));
    }
    track.SetEventStorage(std::move(storage), static_cast<uint32_t>(deltas.size()));
}

// Absolute times by plain wrapping summation from the start.
std::vector<uint32_t> Sums(const std::vector<uint32_t>& deltas) {
    std::vector<uint32_t> sums;
    uint32_t sum = 0;
    for (uint32_t d : deltas)
        sums.push_back(sum += d);
    return sums;
}

std::vector<uint32_t> Times(const std::vector<MidiEvent>& block) {
    std::vector<uint32_t> times;
    for (const auto& e : block)
        times.push_back(e.time);
    return times;
}

}  // namespace

// A full array grows when an event is inserted into it, wherever it goes: every event stays, in
// order, the times read across the old end are right, and the slots past the count hold nothing.
TEST(TrackStorage, InsertingIntoAFullArrayGrowsItAndKeepsEveryEventInOrder) {
    CMidiTrack track;
    EXPECT_TRUE(track.IsEmpty());
    EXPECT_EQ(track.GetName(), nullptr);
    for (const auto& e : track.GetEventStorage())
        ASSERT_EQ(e, MidiEvent{});

    std::vector<MidiEvent> expected;
    for (uint32_t i = 0; track.GetCount() < track.GetCapacity(); ++i) {
        expected.push_back(MidiEvent{1, 0x80, uint8_t(i & 0x7F), 1, uint8_t(i >> 7)});
        ASSERT_TRUE(track.InsertEvent(expected.back(), -1));
    }
    const uint32_t full = track.GetCount();
    ASSERT_EQ(full, kTrackGrowth);
    const MidiEvent inserted = Note(5, 60);
    ASSERT_TRUE(track.InsertEvent(inserted, 100));
    expected.insert(expected.begin() + 100, inserted);

    ASSERT_EQ(track.GetCount(), full + 1);
    EXPECT_EQ(track.GetCapacity(), full + kTrackGrowth);
    const MidiEvent* events = track.GetEvents();
    for (uint32_t i = 0; i <= full; ++i)
        ASSERT_EQ(events[i], expected[i]) << i;
    for (uint32_t i = full + 1; i < track.GetCapacity(); ++i)
        ASSERT_EQ(events[i], MidiEvent{}) << i;
    // Deltas of 1, plus 5 for the inserted one: a block across the old end has the summed times.
    uint32_t n = 4;
    const std::vector<MidiEvent> block = track.GetEventBlock(full - 2, n);
    EXPECT_EQ(Times(block), (std::vector<uint32_t>{full + 3, full + 4, full + 5}));
    EXPECT_EQ(track.GetAbsoluteTime(full), full + 5);
}

TEST(TrackStorage, InsertAndDeleteCheckTheirIndex) {
    CMidiTrack track;
    EXPECT_FALSE(track.InsertEvent(Note(1, 1), 1));
    EXPECT_FALSE(track.InsertEvent(Note(1, 1), -2));
    EXPECT_FALSE(track.DeleteEvent(0));
    EXPECT_EQ(track.GetCount(), 0u);

    ASSERT_TRUE(track.InsertEvent(Note(1, 1), 0));
    ASSERT_TRUE(track.InsertEvent(Note(3, 3), 1));  // index == count appends
    ASSERT_TRUE(track.InsertEvent(Note(2, 2), 1));  // moves the later event up
    ASSERT_TRUE(track.InsertEvent(Note(0, 0), 0));
    EXPECT_FALSE(track.InsertEvent(Note(9, 9), 5));
    ASSERT_EQ(track.GetCount(), 4u);
    for (uint8_t i = 0; i < 4; ++i)
        EXPECT_EQ(track.GetEvents()[i], Note(i, i));

    EXPECT_FALSE(track.DeleteEvent(4));
    ASSERT_TRUE(track.DeleteEvent(1));
    ASSERT_EQ(track.GetCount(), 3u);
    EXPECT_EQ(track.GetEvents()[0], Note(0, 0));
    EXPECT_EQ(track.GetEvents()[1], Note(2, 2));
    EXPECT_EQ(track.GetEvents()[2], Note(3, 3));
    ASSERT_TRUE(track.DeleteEvent(2));  // the last one: nothing moves
    EXPECT_EQ(track.GetCount(), 2u);
}

TEST(TrackStorage, CursorReadsStopAtTheEndAndWhileMutedAndNeverPassTheCount) {
    CMidiTrack track;
    Fill(track, {5, 6, 7});
    EXPECT_EQ(track.GetRemaining(), 3u);
    ASSERT_NE(track.GetNextEvent(), nullptr);
    track.SetMute(1);
    EXPECT_EQ(track.GetNextEvent(), nullptr);
    track.SetMute(0);
    EXPECT_EQ(track.GetNextEvent()->time, 6u);
    EXPECT_EQ(track.GetNextEvent()->time, 7u);
    EXPECT_EQ(track.GetNextEvent(), nullptr);
    EXPECT_TRUE(track.IsEmpty());

    // Deleting behind the cursor keeps it within the events, so the remainder cannot wrap.
    ASSERT_TRUE(track.DeleteEvent(0));
    EXPECT_EQ(track.GetRemaining(), 0u);
    track.Clear();
    EXPECT_EQ(track.GetCount(), 0u);
    EXPECT_EQ(track.GetCapacity(), 19u);  // the array stays

    // A count beyond the adopted array is cut to its size.
    track.SetEventStorage(std::vector<MidiEvent>(4), 10);
    EXPECT_EQ(track.GetCount(), 4u);
}

TEST(TrackStorage, AdjustTimeClampsNegativeSumsToZero) {
    CMidiTrack track;
    Fill(track, {10, 20});
    track.AdjustTime(0, -4);
    track.AdjustTime(1, -25);
    track.AdjustTime(2, 100);  // past the count: nothing
    EXPECT_EQ(track.GetEvents()[0].time, 6u);
    EXPECT_EQ(track.GetEvents()[1].time, 0u);
    EXPECT_EQ(track.GetEvents()[2].time, 0u);
    EXPECT_EQ(track.GetAbsoluteTime(1), 6u);
}

TEST(TrackBlocks, AbsoluteTimesFromDeltas) {
    CMidiTrack track;
    Fill(track, {10, 0, 5, 100});
    uint32_t n = 3;
    EXPECT_EQ(Times(track.GetEventBlock(0, n)), (std::vector<uint32_t>{10, 10, 15}));
    EXPECT_EQ(n, 3u);
    n = 512;
    const auto block = track.GetEventBlock(2, n);
    EXPECT_EQ(Times(block), (std::vector<uint32_t>{15, 115}));
    EXPECT_EQ(n, 2u);
    EXPECT_EQ(block[0].data1, 2);              // the message bytes are copied unchanged
    EXPECT_EQ(track.GetEvents()[2].time, 5u);  // the track keeps its deltas

    EXPECT_EQ(track.GetAbsoluteTime(3), 115u);
    EXPECT_EQ(track.GetAbsoluteTime(4), 0u);
    EXPECT_EQ(track.GetAbsoluteTime(UINT32_MAX), 0u);
}

TEST(TrackBlocks, EdgeBlocksAndMutedTracks) {
    CMidiTrack track;
    Fill(track, {1, 2, 3, 4});
    uint32_t n = 512;
    auto last = track.GetEventBlock(3, n);
    ASSERT_EQ(n, 1u);
    EXPECT_EQ(last[0].time, 10u);

    n = 512;
    EXPECT_TRUE(track.GetEventBlock(4, n).empty());
    EXPECT_EQ(n, 0u);
    n = 512;
    EXPECT_TRUE(track.GetEventBlock(UINT32_MAX, n).empty());
    EXPECT_EQ(n, 0u);
    n = 0;
    EXPECT_TRUE(track.GetEventBlock(0, n).empty());

    track.SetMute(1);
    n = 512;
    EXPECT_TRUE(track.GetEventBlock(0, n).empty());
    EXPECT_EQ(n, 0u);
    n = 512;
    EXPECT_EQ(Times(track.ReadBlock(1, n)), (std::vector<uint32_t>{3, 6, 10}));
}

TEST(TrackBlocks, BlockReadsInAnyOrderEqualPlainSummation) {
    std::mt19937 random(20240611);
    for (int round = 0; round < 40; ++round) {
        const uint32_t length = std::uniform_int_distribution<uint32_t>(1, 3000)(random);
        std::vector<uint32_t> deltas(length);
        const bool huge = round % 2 == 1;  // huge deltas wrap the sums many times
        for (auto& d : deltas) {
            d = huge ? static_cast<uint32_t>(random())
                     : std::uniform_int_distribution<uint32_t>(0, 960)(random);
        }
        CMidiTrack track;
        Fill(track, deltas);
        auto sums = Sums(deltas);

        for (int read = 0; read < 60; ++read) {
            const int kind = read % 4;
            if (kind == 3 && read % 8 == 3) {
                // A change between reads: the next reads must see it.
                const uint32_t at = std::uniform_int_distribution<uint32_t>(0, length - 1)(random);
                track.AdjustTime(at, 3);
                const uint32_t sum = deltas[at] + 3u;
                deltas[at] = static_cast<int32_t>(sum) < 0 ? 0 : sum;
                sums = Sums(deltas);
                continue;
            }
            const uint32_t start = std::uniform_int_distribution<uint32_t>(0, length + 5)(random);
            uint32_t n = kind == 0 ? 512u : std::uniform_int_distribution<uint32_t>(0, 700)(random);
            if (kind == 2) {
                ASSERT_EQ(track.GetAbsoluteTime(start), start < length ? sums[start] : 0u);
                continue;
            }
            const auto block = track.GetEventBlock(start, n);
            const uint32_t expected = start < length ? std::min(n, length - start) : 0u;
            ASSERT_EQ(block.size(), expected);
            for (uint32_t k = 0; k < block.size(); ++k)
                ASSERT_EQ(block[k].time, sums[start + k]);
        }

        // The whole track block by block, twice: the second pass starts again from 0.
        for (int pass = 0; pass < 2; ++pass) {
            for (uint32_t start = 0; start < length; start += 512) {
                uint32_t n = 512;
                const auto block = track.GetEventBlock(start, n);
                for (uint32_t k = 0; k < n; ++k)
                    ASSERT_EQ(block[k].time, sums[start + k]);
            }
        }
    }
}

TEST(TrackBlocks, InsertDeleteAndNewStorageAreSeenByTheNextRead) {
    CMidiTrack track;
    Fill(track, {1, 1, 1, 1});
    uint32_t n = 512;
    track.GetEventBlock(0, n);
    ASSERT_TRUE(track.InsertEvent(Note(100, 5), 2));
    EXPECT_EQ(track.GetAbsoluteTime(4), 104u);
    ASSERT_TRUE(track.DeleteEvent(0));
    EXPECT_EQ(track.GetAbsoluteTime(3), 103u);
    Fill(track, {7, 7});
    EXPECT_EQ(track.GetAbsoluteTime(1), 14u);
    track.GetEventStorage()[1].time = 1;
    EXPECT_EQ(track.GetAbsoluteTime(1), 8u);
}

namespace {

// A format-1 file: track 0 named with raw non-ASCII bytes, track 1 without a name.
std::string WriteNamedFile() {
    using namespace std::string_literals;
    const std::string header = "MThd\0\0\0\x06\0\x01\0\x02\x01\xE0"s;
    const std::string named = "MTrk\0\0\0\x14"s +                // 20 bytes:
                              "\0\xFF\x03\x04G\xE9tr"s +         // name "G\xE9tr"
                              "\0\x90\x3C\x64\x60\x80\x3C\0"s +  // one note
                              "\0\xFF\x2F\0"s;                   // end of track
    const std::string unnamed =
        "MTrk\0\0\0\x0C"s + "\0\x90\x40\x64\x60\x80\x40\0"s + "\0\xFF\x2F\0"s;
    const std::string path = "/tmp/tabulon-track-names-" + std::to_string(getpid()) + ".mid";
    std::ofstream(path, std::ios::binary) << header << named << unnamed;
    return path;
}

}  // namespace

TEST(TrackLinks, NameComesFromTheOpenFileAndIsKept) {
    const std::string path = WriteNamedFile();
    CMidiSMF file;
    ASSERT_NE(file.Open(path.c_str(), 'r', 0), 0);
    CMidiTrack named;
    CMidiTrack unnamed;
    file.AddTrack(&named);
    file.AddTrack(&unnamed);
    ASSERT_NE(named.GetName(), nullptr);
    EXPECT_EQ(std::string(named.GetName()), "G\xE9tr");
    EXPECT_EQ(unnamed.GetName(), nullptr);
    EXPECT_EQ(unnamed.GetName(), nullptr);

    file.Close();
    EXPECT_EQ(std::string(named.GetName()), "G\xE9tr");  // kept after the file is closed
    EXPECT_EQ(unnamed.GetName(), nullptr);
    unnamed.SetName("Bass");
    EXPECT_EQ(std::string(unnamed.GetName()), "Bass");
    unnamed.SetName(nullptr);
    EXPECT_EQ(unnamed.GetName(), nullptr);
    std::remove(path.c_str());
}

TEST(TrackLinks, ADestroyedTrackLeavesItsFileAndOutput) {
    CMidiSMF file;
    CMidiOut output;
    auto first = std::make_unique<CMidiTrack>();
    CMidiTrack second;
    for (CMidiTrack* track : {first.get(), &second}) {
        file.AddTrack(track);
        output.AddTrack(track);
    }
    EXPECT_EQ(first->owner, &file);
    EXPECT_EQ(first->output, &output);
    first.reset();
    EXPECT_EQ(file.GetNumTracks(), 1);
    EXPECT_EQ(output.GetNumTracks(), 1);
    EXPECT_EQ(file.GetTrack(0), &second);
}
