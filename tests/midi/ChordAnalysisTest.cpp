// The chord analysis pass over tracks built in memory: which events count, the chord-change rule,
// transposition, system-exclusive runs, windows, and what the pass leaves behind.
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <random>
#include <sstream>
#include <tuple>

#include "Misc/ChordAnalysis.h"
#include "Misc/ChordDictionary.h"
#include "Misc/notelist.h"
#include "chordsheet/ChordSheet.h"
#include "midi/MidiTestSupport.h"

namespace {

using miditest::At;

MidiEvent On(uint32_t time, uint8_t note, int channel = 0) {
    return At(time, static_cast<uint8_t>(0x90 | channel), note, 100);
}
MidiEvent Off(uint32_t time, uint8_t note, int channel = 0) {
    return At(time, static_cast<uint8_t>(0x80 | channel), note, 0);
}
// A record of the library's system-exclusive form: the byte travels in data1.
MidiEvent SysexByte(uint32_t time, uint8_t byte) {
    return At(time, 0xF0, byte, 0);
}

void ResetSettings() {
    UserSettings.ResetTrackSettings();
    UserSettings.ClearMutedTracks();
    UserSettings.loggingEnabled = 0;
    UserSettings.logNotes = 0;
    UserSettings.logChords = 0;
    UserSettings.logMidiEvents = 0;
    UserSettings.logTrackInfo = 0;
}

class ChordAnalysis : public ::testing::Test {
  protected:
    void SetUp() override {
        BuildChordDictionary();
        ResetSettings();
        soundingNotes.Clear();
    }
    void TearDown() override {
        ResetSettings();
        soundingNotes.Clear();
    }

    CMidiTrack& AddTrack(const std::vector<MidiEvent>& absolute) {
        return miditest::AddFilledTrack(tracks, out, absolute);
    }

    // Runs the pass; the timeline as the chord sheet prints it.
    std::string Analyze() {
        out.AnalyzeChords();
        std::ostringstream sheet;
        WriteChordSheet(sheet, chordTimeline);
        return sheet.str();
    }

    // (track, time) of every monitored record, in the order the walk met them.
    static std::vector<std::pair<int, uint32_t>> Walked() {
        std::vector<std::pair<int, uint32_t>> walked;
        for (const MonitoredEvent& record : monitoredEvents)
            walked.emplace_back(record.trackIndex, record.time);
        return walked;
    }

    CMidiOut out;
    std::vector<std::unique_ptr<CMidiTrack>> tracks;
};

const std::vector<MidiEvent> kCThenG = {On(0, 60),    On(0, 64),    On(0, 67),
                                        Off(480, 60), Off(480, 64), Off(480, 67),
                                        On(480, 55),  On(480, 59),  On(480, 62)};

TEST_F(ChordAnalysis, EachChangeOfChordIsEnteredAtTheEventThatCompletesIt) {
    AddTrack(kCThenG);
    EXPECT_EQ(Analyze(), "0\tC\t\tmajor\n480\tG\t\tmajor\n");
    ASSERT_EQ(chordTimeline.Size(), 2u);
    EXPECT_EQ(chordTimeline[0].chord, Chord(0x091));
    EXPECT_EQ(chordTimeline[1].chord, Chord(0x884));
    EXPECT_EQ(chordTimeline.Next(chordTimeline.First()), 1u);
    EXPECT_EQ(chordTimeline.Next(1), ChordTimeline::npos);
}

TEST_F(ChordAnalysis, NotesAppliedOneAtATimeEnterEveryIntermediateChord) {
    AddTrack({On(0, 60), On(0, 64), On(0, 67), On(0, 69)});
    EXPECT_EQ(Analyze(), "0\tC\t\tmajor\n0\tC\t6\tsixth\n");

    tracks.clear();
    soundingNotes.Clear();
    AddTrack({On(0, 69), On(0, 60), On(0, 64), On(0, 67)});
    EXPECT_EQ(Analyze(), "0\tA\tmin\tminor\n0\tC\t6\tsixth\n");

    tracks.clear();
    soundingNotes.Clear();
    AddTrack({On(0, 60), On(0, 64), On(0, 67), On(240, 69)});
    EXPECT_EQ(Analyze(), "0\tC\t\tmajor\n240\tC\t6\tsixth\n");

    tracks.clear();
    soundingNotes.Clear();
    AddTrack({On(0, 60), On(120, 64), On(240, 67)});
    EXPECT_EQ(Analyze(), "240\tC\t\tmajor\n");
}

TEST_F(ChordAnalysis, UnrecognisedSetsNeitherAddNorForgetTheLastChord) {
    // C major held, a D passing through; then silence and C major in another voicing.
    AddTrack({On(0, 60), On(0, 64), On(0, 67), On(100, 62), Off(200, 62), Off(480, 60),
              Off(480, 64), Off(480, 67), On(960, 64), On(960, 67), On(960, 72)});
    EXPECT_EQ(Analyze(), "0\tC\t\tmajor\n");
}

TEST_F(ChordAnalysis, TypesWithTheSameTextsCountAsOneChord) {
    // C D E F G A# becomes C D E G A A# (through a seven-note set): two distinct types, both "11"
    // "eleventh".
    AddTrack({On(0, 60), On(0, 62), On(0, 64), On(0, 65), On(0, 67), On(0, 70), On(100, 69),
              Off(100, 65)});
    EXPECT_EQ(Analyze(), "0\tC\t11\televenth\n");
    EXPECT_EQ(monitoredEvents.back().chord, Chord(0x695));
}

TEST_F(ChordAnalysis, OnlyNoteEventsOfMonitoredChannelsAndTracksCount) {
    AddTrack({On(0, 60), On(0, 64), On(0, 67), Off(480, 60), Off(480, 64), Off(480, 67)});
    AddTrack({On(960, 65, 1), On(960, 69, 1), On(960, 72, 1)});
    EXPECT_EQ(Analyze(), "0\tC\t\tmajor\n960\tF\t\tmajor\n");

    UserSettings.monitoredChannels[0] = 0;
    soundingNotes.Clear();
    EXPECT_EQ(Analyze(), "960\tF\t\tmajor\n");

    ResetSettings();
    UserSettings.monitoredTracks[1] = 0;
    soundingNotes.Clear();
    EXPECT_EQ(Analyze(), "0\tC\t\tmajor\n");

    UserSettings.monitoredTracks[0] = 0;
    EXPECT_EQ(Analyze(), "");
    EXPECT_TRUE(monitoredEvents.empty());
}

TEST_F(ChordAnalysis, ControlChangesAndOtherEventsAreNotRecorded) {
    AddTrack({At(0, 0xB0, 123, 0), At(0, 0xC0, 5, 0), At(0, 0xA0, 60, 10), On(0, 60),
              At(0, 0xE0, 0, 64), SysexByte(0, 0xF0), SysexByte(0, 0xF7)});
    Analyze();
    ASSERT_EQ(monitoredEvents.size(), 1u);
    EXPECT_EQ(monitoredEvents[0].event, On(0, 60));
}

TEST_F(ChordAnalysis, TracksFromPosition200OnAreNotMonitored) {
    for (int t = 0; t < 200; ++t)
        AddTrack({});
    AddTrack({On(0, 60), On(0, 64), On(0, 67)});
    EXPECT_EQ(Analyze(), "");
    EXPECT_TRUE(monitoredEvents.empty());
}

// The pass follows the sounding notes on its own and hands them back at its end as the list would
// have kept them: ascending notes, equal notes in the order they were struck, notes left over
// from the pass before included.
TEST_F(ChordAnalysis, NotesLeftSoundingAreHandedOnInTheListsOrder) {
    soundingNotes.Clear();
    soundingNotes.Update(On(0, 62, 3));
    AddTrack({On(0, 60, 1), On(5, 64, 0), Off(6, 62, 3)});
    AddTrack({On(1, 60, 0), On(2, 55, 2), On(3, 60, 1)});
    Analyze();
    std::vector<std::pair<int, int>> left;
    for (const NoteNode& node : soundingNotes.Nodes())
        left.emplace_back(node.note, node.channel);
    EXPECT_EQ(left, (std::vector<std::pair<int, int>>{{55, 2}, {60, 1}, {60, 0}, {64, 0}}));
}

TEST_F(ChordAnalysis, TransposedTracksAreAnalysedWithTheirNotesMoved) {
    AddTrack(kCThenG);
    UserSettings.transposeAmount = 2;
    EXPECT_EQ(Analyze(), "0\tC\t\tmajor\n480\tG\t\tmajor\n");  // flag not set

    UserSettings.transposedTracks[0] = 1;
    soundingNotes.Clear();
    EXPECT_EQ(Analyze(), "0\tD\t\tmajor\n480\tA\t\tmajor\n");
    // The note-offs are moved too: only the A major chord, never released, still sounds.
    EXPECT_EQ(soundingNotes.Size(), 3u);
    EXPECT_EQ(soundingNotes.First(), 57);
    // The track itself is unchanged.
    EXPECT_EQ(tracks[0]->GetEvents()[0].data1, 60);

    UserSettings.transposeAmount = 0;
    soundingNotes.Clear();
    EXPECT_EQ(Analyze(), "0\tC\t\tmajor\n480\tG\t\tmajor\n");
}

TEST_F(ChordAnalysis, TranspositionWrapsIntoTheNoteRangeByOctaves) {
    AddTrack({On(0, 2), On(10, 125), Off(20, 2), At(30, 0xB0, 100, 1)});
    AddTrack({On(0, 0), On(10, 127)});
    UserSettings.transposedTracks[0] = 1;
    UserSettings.transposedTracks[1] = 1;

    const auto notes = [] {
        std::vector<int> result;
        for (const MonitoredEvent& record : monitoredEvents)
            result.push_back(record.event.data1);
        return result;
    };
    UserSettings.transposeAmount = -5;
    Analyze();
    EXPECT_EQ(notes(), (std::vector<int>{9, 7, 120, 122, 9}));  // 2-5+12, 0-5+12, 125-5, ...

    UserSettings.transposeAmount = 7;
    soundingNotes.Clear();
    Analyze();
    EXPECT_EQ(notes(), (std::vector<int>{9, 7, 120, 122, 9}));  // 2+7, 0+7, 132-12, 134-12

    UserSettings.transposeAmount = 12;
    soundingNotes.Clear();
    Analyze();
    EXPECT_EQ(notes(), (std::vector<int>{14, 12, 125, 127, 14}));  // 137-12, 139-12
    EXPECT_EQ(monitoredEvents[2].time, 10u);
    EXPECT_EQ(monitoredEvents[2].event.time, 10u);
}

TEST_F(ChordAnalysis, TwoTracksSoundingOneNoteOnOneChannelShareIt) {
    AddTrack({On(0, 60), On(0, 64), On(0, 67), On(600, 71), Off(960, 60)});
    AddTrack({On(0, 60), Off(480, 60)});
    // The second track's note-off silences C, so B makes E minor, not C major seventh.
    EXPECT_EQ(Analyze(), "0\tC\t\tmajor\n600\tE\tmin\tminor\n");
}

TEST_F(ChordAnalysis, AllNotesOffCountsOnlyWhenChannelIndex11IsMonitored) {
    AddTrack({On(0, 60), On(0, 64), On(0, 67), At(100, 0x7B, 0, 0), On(200, 69)});
    EXPECT_EQ(Analyze(), "0\tC\t\tmajor\n");
    ASSERT_EQ(monitoredEvents.size(), 5u);
    EXPECT_TRUE(monitoredEvents[3].chord.IsEmpty());

    UserSettings.monitoredChannels[11] = 0;
    soundingNotes.Clear();
    EXPECT_EQ(Analyze(), "0\tC\t\tmajor\n200\tC\t6\tsixth\n");
    EXPECT_EQ(monitoredEvents.size(), 4u);
}

TEST_F(ChordAnalysis, NotesLeftSoundingCarryIntoTheNextPass) {
    AddTrack(
        {On(0, 60), On(0, 64), On(0, 67), Off(480, 60), Off(480, 64), Off(480, 67), On(480, 69)});
    EXPECT_EQ(Analyze(), "0\tC\t\tmajor\n");
    const std::size_t records = monitoredEvents.size();
    // The A never released sounds from tick 0 of the next pass.
    EXPECT_EQ(Analyze(), "0\tA\tmin\tminor\n0\tC\t6\tsixth\n");
    EXPECT_EQ(monitoredEvents.size(), records);
}

TEST_F(ChordAnalysis, MutedTracksAndNoTracksGiveAnEmptyTimeline) {
    EXPECT_EQ(Analyze(), "");  // nothing attached yet

    AddTrack(kCThenG);
    EXPECT_EQ(Analyze(), "0\tC\t\tmajor\n480\tG\t\tmajor\n");
    const uint32_t generation = chordTimeline.Generation();
    tracks[0]->SetMute(1);
    soundingNotes.Clear();
    EXPECT_EQ(Analyze(), "");
    EXPECT_TRUE(monitoredEvents.empty());
    EXPECT_NE(chordTimeline.Generation(), generation);
    EXPECT_EQ(chordTimeline.First(), ChordTimeline::npos);
}

TEST_F(ChordAnalysis, TheFillAfterAPassStartsAtTheFirstEventAsAPlayDoes) {
    UserSettings.transposedTracks[0] = 1;
    UserSettings.transposeAmount = 2;
    // A note-off first, then a note-on that the first fill sends (transposed) as its last event.
    std::vector<MidiEvent> song = {Off(5, 64)};
    for (uint32_t i = 1; i + 1 < midi::kOutBufferEvents; ++i)
        song.push_back(At(10, 0xB0, 7, 100));
    song.push_back(On(600, 64));
    song.push_back(Off(700, 64));
    AddTrack(song);
    out.FillBuffer();
    ASSERT_EQ(miditest::Buffer(out).back().data1, 66);

    out.AnalyzeChords();
    out.FillBuffer();
    const std::vector<MidiEvent> next = miditest::Buffer(out);
    ASSERT_EQ(next.size(), midi::kOutBufferEvents);
    EXPECT_EQ(next.front(), Off(5, 64)) << "from the first event, timed from 0, and the note-on "
                                           "of the interrupted fill is forgotten";
    EXPECT_EQ(next.back().data1, 66);
}

TEST_F(ChordAnalysis, StartPlaybackRebuildsTheTimeline) {
    AddTrack(kCThenG);
    out.StartPlayback();
    EXPECT_EQ(chordTimeline.Size(), 2u);
}

// The merged order over few and over many tracks (a track count that is no power of two, most
// tracks on equal times): by time, then by track position, each track in its own order.
TEST_F(ChordAnalysis, LongTracksAreWalkedInTimeOrderAcrossWindows) {
    for (const auto& [trackCount, eventsPerTrack] : {std::pair{3, 1500}, std::pair{77, 90}}) {
        tracks.clear();
        soundingNotes.Clear();
        std::mt19937 random(5);
        std::vector<std::tuple<uint32_t, int, int>> expected;  // (time, track, index in track)
        for (int t = 0; t < trackCount; ++t) {
            std::vector<MidiEvent> events;
            uint32_t time = 0;
            for (int i = 0; i < eventsPerTrack; ++i) {
                time += random() % 4 == 0 ? 0 : random() % 7;
                const auto note = static_cast<uint8_t>(random() % 128);
                events.push_back(i % 2 == 0 ? On(time, note, t % 16) : Off(time, note, t % 16));
                expected.emplace_back(time, t, i);
            }
            AddTrack(events);
        }
        std::stable_sort(expected.begin(), expected.end());
        Analyze();
        ASSERT_EQ(monitoredEvents.size(), expected.size()) << trackCount;
        std::vector<std::pair<int, uint32_t>> walked;
        for (const auto& [time, track, index] : expected)
            walked.emplace_back(track, time);
        EXPECT_EQ(Walked(), walked) << trackCount;
    }
}

// Absolute times are the deltas' sums in unsigned 32 bits: past the largest time they wrap to
// small ones, and the merge compares the wrapped times.
TEST_F(ChordAnalysis, TimesPastTheLargestWrapAsTheTracksSumThem) {
    CMidiTrack& first = AddTrack({On(0xFFFFFFF0u, 60)});
    first.InsertEvent(MidiEvent{0x20, 0x90, 64, 100, 0}, -1);  // at 0x10 after the wrap
    AddTrack({On(0x8, 67), On(0x18, 72)});
    Analyze();
    EXPECT_EQ(Walked(), (std::vector<std::pair<int, uint32_t>>{
                            {1, 0x8}, {1, 0x18}, {0, 0xFFFFFFF0u}, {0, 0x10}}));
}

// Windows of the merge restart a little before the end of the last block read; the track steps
// back from its cached running sum, which must give the wrapping sum from the start.
TEST(TrackBlockReads, ReadsBehindTheLastBlockGiveTheSummedTimes) {
    CMidiTrack track;
    std::vector<MidiEvent> events;
    std::mt19937 random(9);
    uint32_t sum = 0;
    std::vector<uint32_t> sums;
    for (int i = 0; i < 3000; ++i) {
        const uint32_t delta = i % 5 == 0 ? 0xF0000000u + random() % 1000 : random() % 100;
        events.push_back(MidiEvent{delta, 0x90, 60, 100, 0});
        sums.push_back(sum += delta);
    }
    events.resize(events.size() + kTrackGrowth);
    track.SetEventStorage(std::move(events), 3000);
    for (uint32_t start : {1000u, 1400u, 990u, 2500u, 1800u, 1801u, 10u, 2999u, 5u}) {
        uint32_t n = midi::kMergeBlockEvents;
        const std::vector<MidiEvent> block = track.GetEventBlock(start, n);
        ASSERT_EQ(n, std::min(midi::kMergeBlockEvents, 3000 - start));
        EXPECT_EQ(block.front().time, sums[start]) << start;
        EXPECT_EQ(block.back().time, sums[start + n - 1]) << start;
    }
}

TEST_F(ChordAnalysis, SysexRunHoldsTheWalkOnItsTrack) {
    // The run opens when the step before it sees 0xF0 next, and closes when 0xF7 comes next.
    AddTrack({At(0, 0xC0, 0, 0), SysexByte(10, 0xF0), On(30, 60), SysexByte(35, 0x10),
              SysexByte(40, 0xF7), On(45, 64)});
    AddTrack({On(20, 67)});
    Analyze();
    EXPECT_EQ(Walked(), (std::vector<std::pair<int, uint32_t>>{{0, 30}, {1, 20}, {0, 45}}));
    EXPECT_EQ(chordTimeline.Size(), 1u);
    EXPECT_EQ(chordTimeline[0].time, 45u);
}

// Not in the plain walk: an unclosed run used to end the walk when its track ran out, losing the
// chords of every other track after that point.
TEST_F(ChordAnalysis, RunWhoseTrackEndsIsClosedAndTheOtherTracksGoOn) {
    AddTrack({At(0, 0xC0, 0, 0), SysexByte(10, 0xF0), SysexByte(20, 0x10)});
    AddTrack({On(50, 60), On(50, 64), On(50, 67)});
    EXPECT_EQ(Analyze(), "50\tC\t\tmajor\n");
}

// Not in the plain walk: 0xF0 as the first event of a block was never looked at, so a run that
// began at the start of a track or of a window did not hold the other tracks.
TEST_F(ChordAnalysis, RunStartingAtATracksFirstEventHoldsTheWalk) {
    AddTrack({SysexByte(10, 0xF0), On(30, 60), SysexByte(40, 0xF7)});
    AddTrack({On(20, 67)});
    Analyze();
    EXPECT_EQ(Walked(), (std::vector<std::pair<int, uint32_t>>{{0, 30}, {1, 20}}));
}

TEST_F(ChordAnalysis, RunStartingAtAWindowBoundaryHoldsTheWalk) {
    std::vector<MidiEvent> first;
    for (uint32_t i = 0; i < midi::kMergeBlockEvents; ++i)
        first.push_back(At(i, 0xB0, 7, 100));
    first.insert(first.end(), {SysexByte(1000, 0xF0), On(1030, 60), SysexByte(1040, 0xF7)});
    AddTrack(first);
    AddTrack({On(1020, 67)});
    Analyze();
    EXPECT_EQ(Walked(), (std::vector<std::pair<int, uint32_t>>{{0, 1030}, {1, 1020}}));
}

// A long song's records are made on a second thread while the walk goes on; they, the timeline
// and the notes left sounding must be those of recording window after window. The same song is
// analysed short (recorded in turn) and then with a muted track of many events, which makes the
// pass long enough to record beside the walk without giving it an event of its own.
TEST_F(ChordAnalysis, ALongSongIsRecordedAsIfEachWindowWereRecordedInTurn) {
    std::mt19937 random(11);
    for (int t = 0; t < 6; ++t) {
        std::vector<MidiEvent> events;
        uint32_t time = 0;
        while (events.size() < 5000) {
            time += random() % 3 == 0 ? 0 : random() % 50;
            const auto root = static_cast<uint8_t>(40 + random() % 30);
            const int channel = static_cast<int>(random() % 4);
            const uint32_t kind = random() % 40;
            if (t == 2 && kind == 0) {  // a run that holds the walk, across windows at times
                events.push_back(SysexByte(time, 0xF0));
                for (uint32_t b = random() % 700; b > 0; --b)
                    events.push_back(b % 9 == 0 ? On(time, root, channel) : SysexByte(time, 0x10));
                events.push_back(SysexByte(time, 0xF7));
            } else if (kind == 1) {
                events.push_back(At(time, 0x7B, 0, 0));
            } else {
                for (uint8_t interval : {0, 4, 7})
                    events.push_back(kind % 2 == 0 ? On(time, root + interval, channel)
                                                   : Off(time, root + interval, channel));
            }
        }
        AddTrack(events);
    }
    UserSettings.transposeAmount = 3;
    UserSettings.transposedTracks[1] = 1;
    const auto pass = [this] {
        soundingNotes.Clear();
        const std::string timeline = Analyze();
        std::vector<std::tuple<uint32_t, int, uint32_t, int>> records;
        for (const MonitoredEvent& r : monitoredEvents)
            records.emplace_back(r.time, r.trackIndex, r.event.MessageWord(), r.chord.Value());
        std::vector<std::pair<int, int>> left;
        for (const NoteNode& node : soundingNotes.Nodes())
            left.emplace_back(node.note, node.channel);
        return std::tuple{timeline, records, left};
    };
    const auto inTurn = pass();
    ASSERT_GT(std::get<1>(inTurn).size(), 20'000u);  // enough for the slots to be reused
    ASSERT_FALSE(std::get<2>(inTurn).empty());
    AddTrack(std::vector<MidiEvent>(70'000, At(0, 0xB0, 7, 100))).SetMute(1);
    EXPECT_EQ(pass(), inTurn);
}

}  // namespace
