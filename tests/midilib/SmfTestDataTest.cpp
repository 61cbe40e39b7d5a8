// The real-world test files: each is read without a fault of ours, with the facts that its
// author built into it.

#include <gtest/gtest.h>

#include "midilib/EventEncoding.h"
#include "midilib/SmfTestSupport.h"

using namespace smftest;

namespace {

std::string TestFile(const char* name) {
    return std::string(TABULON_TESTDATA_DIR) + "/jazzsoft-test-" + name + ".mid";
}

// The eight notes of the C major scale, one beat (96 ticks) each.
const std::vector<uint8_t> kScale = {0x3C, 0x3E, 0x40, 0x41, 0x43, 0x45, 0x47, 0x48};

std::vector<uint8_t> NotesOn(const std::vector<MidiEvent>& events) {
    std::vector<uint8_t> notes;
    for (const MidiEvent& e : events)
        if ((e.status & 0xF0) == 0x90 && e.data2 > 0) notes.push_back(e.data1);
    return notes;
}

}  // namespace

TEST(SmfTestData, EveryFileReadsWithWellFormedRecords) {
    const char* names[] = {"2-tracks-type-0",
                           "2-tracks-type-2",
                           "all-gs-sounds",
                           "corrupt-file-extra-byte",
                           "corrupt-file-missing-byte",
                           "empty",
                           "illegal-message-all",
                           "karaoke-kar",
                           "multichannel-chords-1",
                           "non-midi-track",
                           "running-status-metaevent",
                           "running-status-sysex",
                           "smpte-offset",
                           "vlq-4-byte"};
    for (const char* name : names) {
        const OpenedFile file(TestFile(name).c_str());
        ASSERT_NE(file.handle, 0u) << name << ": " << file.openFailure;
        EXPECT_GT(file.handle, MIDIERR_MAXERR);
        EXPECT_EQ(GetSMFResolution(file.handle), name == std::string("karaoke-kar") ? 100 : 96);
        for (const auto& track : file.tracks)
            EXPECT_EQ(CheckRecords(track), "") << name;
    }
}

TEST(SmfTestData, FormatsAndTrackCounts) {
    const OpenedFile type0(TestFile("2-tracks-type-0").c_str());
    EXPECT_EQ(type0.format, 0u);
    EXPECT_EQ(type0.trackCount, 2u);
    const OpenedFile type2(TestFile("2-tracks-type-2").c_str());
    EXPECT_EQ(type2.format, 2u);
    ASSERT_EQ(type2.trackCount, 2u);
    EXPECT_EQ(type2.Meta(0, 3), "Standard MIDI file type 2");
    EXPECT_EQ(NotesOn(type2.tracks[0]), kScale);
    EXPECT_EQ(type2.tracks[1].front().status, 0x91);
    const OpenedFile chords(TestFile("multichannel-chords-1").c_str());
    EXPECT_EQ(chords.format, 1u);
    EXPECT_EQ(chords.trackCount, 3u);
    const OpenedFile gs(TestFile("all-gs-sounds").c_str());
    ASSERT_EQ(gs.trackCount, 1u);
    EXPECT_EQ(gs.tracks[0].size(), 13882u);
    EXPECT_EQ(gs.Meta(0, 3), "All GS Sounds");
}

TEST(SmfTestData, RunningStatusAfterMetaAndSysexEvents) {
    const OpenedFile meta(TestFile("running-status-metaevent").c_str());
    EXPECT_EQ(NotesOn(meta.tracks[0]), kScale);
    EXPECT_EQ(AbsoluteTimes(meta.tracks[0]).back(), 768u);
    EXPECT_EQ(meta.problem, "");

    const OpenedFile sysex(TestFile("running-status-sysex").c_str());
    const auto& events = sysex.tracks[0];
    EXPECT_EQ(NotesOn(events), kScale);
    ASSERT_EQ(events.size(), 22u);
    // The universal sysex F0 7E 7F 06 01 F7 sits at 384, between the fourth and fifth notes.
    EXPECT_EQ(events[8], (MidiEvent{0, midilib::kSysexStatus, 0xF0, 0, 0}));
    EXPECT_EQ(events[13], (MidiEvent{0, midilib::kSysexStatus, 0xF7, 1, 0}));
    EXPECT_EQ(AbsoluteTimes(events)[8], 384u);
    EXPECT_EQ(events[14], (MidiEvent{0, 0x90, 0x43, 0x7F, 0}));
}

TEST(SmfTestData, FourByteQuantitiesKeepTheirTimes) {
    const OpenedFile file(TestFile("vlq-4-byte").c_str());
    const auto times = AbsoluteTimes(file.tracks[0]);
    ASSERT_EQ(times.size(), 16u);
    EXPECT_EQ(times[0], 0u);
    EXPECT_EQ(times[1], 96u);
    EXPECT_EQ(times.back(), 768u);
    EXPECT_EQ(file.Meta(0, 3), "4-Byte VLQ");
}

TEST(SmfTestData, DamagedFilesKeepTheirNotesAndGiveAReason) {
    const OpenedFile missing(TestFile("corrupt-file-missing-byte").c_str());
    EXPECT_EQ(NotesOn(missing.tracks[0]), kScale);
    EXPECT_EQ(missing.problem,
              "meta event at byte 265 of track 1 (Corrupt File: Mising Byte) is cut off: the file "
              "ends at byte 267");
    const OpenedFile extra(TestFile("corrupt-file-extra-byte").c_str());
    EXPECT_EQ(NotesOn(extra.tracks[0]), kScale);
    EXPECT_EQ(extra.problem, "1 stray byte after the last track at byte 275");
    // System messages inside a track cut it where they start; the name before them stays.
    const OpenedFile illegal(TestFile("illegal-message-all").c_str());
    EXPECT_TRUE(illegal.tracks[0].empty());
    EXPECT_EQ(illegal.problem,
              "byte 0xF1 at byte 187 of track 1 (Illegal MIDI messages) is a status that a MIDI "
              "file cannot hold");
    EXPECT_EQ(illegal.Meta(0, 3), "Illegal MIDI messages");
}

TEST(SmfTestData, MetaEventsAreReachableAndChunksSkipped) {
    const OpenedFile empty(TestFile("empty").c_str());
    ASSERT_EQ(empty.trackCount, 1u);
    EXPECT_TRUE(empty.tracks[0].empty());
    EXPECT_EQ(empty.Meta(0, 3), "(none)");
    EXPECT_EQ(empty.Meta(0, 0x2F), "");

    const OpenedFile smpte(TestFile("smpte-offset").c_str());
    EXPECT_EQ(smpte.Meta(0, 0x54), std::string("\x00\x01\x00\x00\x00", 5));
    EXPECT_EQ(NotesOn(smpte.tracks[0]), kScale);

    const OpenedFile junk(TestFile("non-midi-track").c_str());
    EXPECT_EQ(junk.trackCount, 1u);
    EXPECT_EQ(junk.Meta(0, 3), "Non-MIDI Track Test");
    EXPECT_EQ(NotesOn(junk.tracks[0]), kScale);

    const OpenedFile karaoke(TestFile("karaoke-kar").c_str());
    ASSERT_EQ(karaoke.trackCount, 3u);
    ASSERT_EQ(karaoke.tracks[0].size(), 1u);
    EXPECT_EQ(midilib::TempoOf(karaoke.tracks[0][0]), 0x0A2C2Bu);
    EXPECT_EQ(karaoke.Meta(1, 3), "Lyrics");
    EXPECT_EQ(karaoke.Meta(1, 1), "@TMary Was A Little Lame");
    EXPECT_TRUE(karaoke.tracks[1].empty());  // lyrics only
    EXPECT_EQ(karaoke.tracks[2].size(), 59u);
}
