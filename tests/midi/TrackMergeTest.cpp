// The merge of all tracks into 512-event output buffers, run with both pick strategies.
#include <gtest/gtest.h>

#include <algorithm>
#include <deque>
#include <random>

#include "midi/CMidiOut.h"
#include "midi/CMidiTrack.h"
#include "midi/MidiTestSupport.h"
#include "midi/PlaySeek.h"
#include "midi/TrackMerge.h"

using namespace miditest;

namespace {

class TrackMergeTest : public ::testing::TestWithParam<midi::MergeStrategy> {
  protected:
    void SetUp() override {
        UserSettings = UserSettingsRecord{};
        out.SetMergeStrategy(GetParam());
    }
    CMidiTrack& AddTrack(const std::vector<MidiEvent>& absolute) {
        tracks.emplace_back();
        miditest::Fill(tracks.back(), absolute);
        out.AddTrack(&tracks.back());
        return tracks.back();
    }
    std::vector<MidiEvent> Fill() {
        out.FillBuffer();
        return Buffer(out);
    }

    std::deque<CMidiTrack> tracks;  // declared first: destroyed after the output object
    CMidiOut out;
};

TEST_P(TrackMergeTest, OrdersByTimeWithTheFirstAddedTrackFirstOnTies) {
    AddTrack({At(0, kNoteOn, 1), At(100, kNoteOn, 3), At(120, kNoteOn, 5)});
    AddTrack({At(50, kNoteOn, 2), At(120, kNoteOn, 6)});
    AddTrack({At(100, kNoteOn, 4)});
    const auto buffer = Fill();
    ASSERT_EQ(buffer.size(), 6u);
    for (size_t i = 0; i < buffer.size(); ++i)
        EXPECT_EQ(buffer[i].data1, i + 1);
    EXPECT_EQ(Times(buffer), (std::vector<uint32_t>{0, 50, 50, 0, 20, 0}));
    EXPECT_TRUE(Fill().empty());
}

TEST_P(TrackMergeTest, FirstDeltaCountsFromTheLastTimeOfThePreviousBuffer) {
    std::vector<MidiEvent> events;
    for (uint32_t i = 0; i < 600; ++i)
        events.push_back(At(30 + 10 * i, kNoteOn, 60));
    AddTrack(events);
    EXPECT_EQ(Fill().front().time, 30u);
    EXPECT_EQ(out.GetLastTime(), 30u + 10 * 511);
    const auto second = Fill();
    ASSERT_EQ(second.size(), 88u);
    EXPECT_EQ(second.front().time, 10u);
}

TEST_P(TrackMergeTest, MoreThan512EventsAtOneTimeAreSplit) {
    AddTrack(Repeated(600, 7));
    const auto first = Fill();
    ASSERT_EQ(first.size(), 512u);
    EXPECT_EQ(first[0].time, 7u);
    EXPECT_EQ(first[511].time, 0u);
    const auto second = Fill();
    ASSERT_EQ(second.size(), 88u);
    EXPECT_EQ(second[0].time, 0u);
    EXPECT_EQ(second[0].data1, 512 % 128);
}

TEST_P(TrackMergeTest, TransposesNotesOfFlaggedTracksByOctaveWrapping) {
    AddTrack({At(0, 0x91, 2), At(1, 0x92, 125), At(2, 0xB0, 2), At(3, 0xA0, 2)});
    AddTrack({At(4, kNoteOn, 2)});
    UserSettings.transposedTracks[0] = 1;
    UserSettings.transposeAmount = -5;
    auto buffer = Fill();
    EXPECT_EQ(buffer[0].data1, 9);
    EXPECT_EQ(buffer[1].data1, 120);  // 125 - 5
    EXPECT_EQ(buffer[2].data1, 2);    // control change
    EXPECT_EQ(buffer[3].data1, 2);    // polyphonic key pressure
    EXPECT_EQ(buffer[4].data1, 2);    // track not flagged
    EXPECT_EQ(midi::TransposeNote(125, 7), 120);
    EXPECT_EQ(midi::TransposeNote(2, -5), 9);
    EXPECT_EQ(midi::TransposeNote(0, -25), 11);
    EXPECT_EQ(midi::TransposeNote(127, 13), 116);
}

TEST_P(TrackMergeTest, SysexRunHoldsOtherTracksAndCostsNoLagAfterwards) {
    AddTrack({At(10, kSysex, 0xF0), At(30, kSysex, 0x43), At(40, kSysex, 0xF7)});
    AddTrack({At(20, kNoteOn, 60), At(50, kNoteOn, 61)});
    const auto buffer = Fill();
    ASSERT_EQ(buffer.size(), 5u);
    EXPECT_EQ(buffer[3].data1, 60);
    // The overtaken event goes out at once; the next one keeps its place in time (50, not 70).
    EXPECT_EQ(Times(buffer), (std::vector<uint32_t>{10, 20, 10, 0, 10}));
}

TEST_P(TrackMergeTest, RunLeftOpenCarriesOverToTheNextFill) {
    std::vector<MidiEvent> run = {At(10, kSysex, 0xF0)};
    for (int i = 0; i < 600; ++i)
        run.push_back(At(20, kSysex, 0x01));
    run.push_back(At(20, kSysex, 0xF7));
    AddTrack(run);
    AddTrack({At(15, kNoteOn, 60)});
    EXPECT_EQ(Fill().size(), 512u);
    const auto second = Fill();
    ASSERT_EQ(second.size(), 91u);
    EXPECT_EQ(second[89].data1, 0xF7);
    EXPECT_EQ(second[90].data1, 60);
    EXPECT_EQ(second[90].time, 0u);
}

TEST_P(TrackMergeTest, RunWhoseTrackEndsEndsTheFill) {
    AddTrack({At(10, kSysex, 0xF0)});
    AddTrack({At(20, kNoteOn, 60)});
    EXPECT_EQ(Fill().size(), 1u);
    const auto second = Fill();
    ASSERT_EQ(second.size(), 1u);
    EXPECT_EQ(second[0].time, 10u);
}

TEST_P(TrackMergeTest, MutedTrackKeepsItsPlaceAndOnlyItsNoteOffs) {
    std::vector<MidiEvent> song;
    for (uint32_t i = 0; i < 300; ++i) {
        song.push_back(At(10 * i, kNoteOn, 60));
        song.push_back(At(10 * i + 5, i % 2 ? kNoteOff : kNoteOn, 60, 0));
    }
    AddTrack(song);
    AddTrack({At(4000, kNoteOn, 70)});
    UserSettings.mutedTracks[0] = 1;
    auto first = Fill();
    ASSERT_EQ(first.size(), 256u);  // 512 consumed, the note-offs of both kinds kept
    EXPECT_EQ(first[0].time, 5u);
    EXPECT_EQ(first[1].time, 10u);
    UserSettings.mutedTracks[0] = 0;
    const auto second = Fill();
    ASSERT_GE(second.size(), 2u);
    EXPECT_EQ(second[0].time, 5u);  // event 512, at 2560, after the note-off at 2555
    EXPECT_EQ(second[0].data2, 100);
}

TEST_P(TrackMergeTest, FillOfOnlyMutedEventsIsRepeatedSoTheSongGoesOn) {
    AddTrack(Repeated(600, 1));
    AddTrack({At(1000, kNoteOn, 70)});
    UserSettings.mutedTracks[0] = 1;
    const auto buffer = Fill();
    ASSERT_EQ(buffer.size(), 1u);
    EXPECT_EQ(buffer[0].data1, 70);
    EXPECT_EQ(buffer[0].time, 1000u);
}

TEST_P(TrackMergeTest, NoteOffGoesOutWithTheNumberItsNoteOnWasSentWith) {
    std::vector<MidiEvent> song = {At(0, kNoteOn, 60)};
    for (int i = 0; i < 600; ++i)
        song.push_back(At(1, 0xB0, 7));
    song.push_back(At(2, kNoteOn, 60, 0));
    song.push_back(At(3, kNoteOn, 60));
    song.push_back(At(4, kNoteOff, 60, 0));
    AddTrack(song);
    UserSettings.transposedTracks[0] = 1;
    UserSettings.transposeAmount = 2;
    EXPECT_EQ(Fill()[0].data1, 62);
    UserSettings.transposeAmount = 5;
    const auto second = Fill();
    ASSERT_EQ(second.size(), 92u);
    EXPECT_EQ(second[89].data1, 62);  // the sounding note ends
    EXPECT_EQ(second[90].data1, 65);  // a new note takes the new amount
    EXPECT_EQ(second[91].data1, 65);
}

TEST_P(TrackMergeTest, TracksBeyondTheSettingsArraysPlayUnchanged) {
    for (uint32_t i = 0; i <= kMaxSettingsTracks; ++i)
        AddTrack({At(i, kNoteOn, 60)});
    UserSettings.mutedTracks.fill(1);
    UserSettings.transposedTracks.fill(1);
    UserSettings.transposeAmount = 3;
    const auto buffer = Fill();
    ASSERT_EQ(buffer.size(), 1u);
    EXPECT_EQ(buffer[0].time, uint32_t{kMaxSettingsTracks});
    EXPECT_EQ(buffer[0].data1, 60);
    EXPECT_FALSE(tracks.back().IsMuted());
}

TEST_P(TrackMergeTest, WithoutDeviceOneSendRunsThroughTheSongAndLogsEachEvent) {
    AddTrack(Repeated(700, 3));
    AddTrack({At(5000, kNoteOn, 1)});
    const std::string log = ScratchPath("sent.log");
    ASSERT_TRUE(OpenLogStream(log));
    UserSettings.logMidiEvents = 1;
    const uint32_t timeBefore = CMidiOut::eventsSentTime;
    const int32_t countBefore = CMidiOut::eventsSentCount;
    out.StartPlayback();
    CloseLogStream();
    EXPECT_EQ(CMidiOut::eventsSentTime - timeBefore, 5000u);
    EXPECT_EQ(CMidiOut::eventsSentCount - countBefore, 701);
    // Other writers may add headings; the sent-event lines are these.
    std::istringstream lines(ReadFile(log));
    std::vector<std::string> sent;
    for (std::string line; std::getline(lines, line);)
        if (line.find(" sent: ") != std::string::npos) sent.push_back(line);
    ASSERT_EQ(sent.size(), 701u);
    const std::string first =
        std::to_string(timeBefore + 3) + ": Event " + std::to_string(countBefore + 1) + " sent: ";
    EXPECT_EQ(sent[0].substr(0, first.size()), first);
    std::remove(log.c_str());
}

// Tracks of notes at irregular steps with ties, and system-exclusive runs of up to 700 events
// that carry over from one fill to the next.
void FillRandomSongs(std::deque<CMidiTrack>& tracks, unsigned seed) {
    std::mt19937 random(seed);
    for (CMidiTrack& track : tracks) {
        std::vector<MidiEvent> song;
        uint32_t time = 0;
        for (int k = 0; k < 300; ++k) {
            time += random() % 4;
            if (random() % 50 == 0) {
                song.push_back(At(time, kSysex, 0xF0));
                for (uint32_t b = random() % 700; b > 0; --b)
                    song.push_back(At(time + b % 3, kSysex, 1));
                time += 3;
                song.push_back(At(time, kSysex, 0xF7));
            }
            song.push_back(At(time, random() % 2 ? kNoteOn : kNoteOff, random() % 128));
        }
        miditest::Fill(track, song);
    }
}

// Many tracks with runs, mutes and ties: both strategies give the same stream.
TEST(TrackMergeStrategies, GiveIdenticalStreams) {
    UserSettings = UserSettingsRecord{};
    std::deque<CMidiTrack> tracks(40);
    FillRandomSongs(tracks, 7);
    for (int t = 0; t < 40; t += 3)
        UserSettings.mutedTracks[t] = 1;
    UserSettings.transposedTracks.fill(1);
    UserSettings.transposeAmount = 4;
    std::vector<MidiEvent> streams[2];
    for (int strategy = 0; strategy < 2; ++strategy) {
        CMidiOut out;
        out.SetMergeStrategy(strategy ? midi::MergeStrategy::Heap : midi::MergeStrategy::Scan);
        for (CMidiTrack& track : tracks)
            out.AddTrack(&track);
        for (out.FillBuffer(); out.GetOutCount() > 0; out.FillBuffer())
            for (const MidiEvent& e : Buffer(out))
                streams[strategy].push_back(e);
    }
    EXPECT_GT(streams[0].size(), 8000u);
    EXPECT_TRUE(streams[0] == streams[1]);
}

// The heap kept from fill to fill follows what a play does between fills: mutes switched, a range
// limit, a jump back with a restart, and a track moved by someone who did not say so.
TEST(TrackMergeStrategies, AKeptHeapFollowsMutesLimitsAndJumps) {
    UserSettings = UserSettingsRecord{};
    std::deque<CMidiTrack> tracks(30);
    FillRandomSongs(tracks, 11);
    std::vector<TrackPlayState> scan(tracks.size()), kept(tracks.size());
    for (std::size_t i = 0; i < tracks.size(); ++i)
        scan[i].track = kept[i].track = &tracks[i];
    midi::TrackMerger merger;
    uint32_t scanTime = 0, keptTime = 0;
    std::vector<MidiEvent> scanOut(midi::kOutBufferEvents), keptOut(midi::kOutBufferEvents);
    const auto mute = [&](int fill) {
        for (std::size_t i = 0; i < tracks.size(); ++i)
            tracks[i].SetMute((i + static_cast<std::size_t>(fill / 3)) % 4 == 0 ? 1 : 0);
    };
    std::size_t events = 0;
    for (int fill = 0; fill < 200; ++fill) {
        SCOPED_TRACE(fill);
        mute(fill);
        const uint64_t limit = fill < 20 ? 200 : midi::kNoMergeLimit;
        if (fill == 20) {  // back to the start of the range, as a loop goes round
            for (std::vector<TrackPlayState>* states : {&scan, &kept})
                midi::SeekTracksTo(*states, std::vector<uint32_t>(tracks.size(), 0));
            merger.Restart();
            scanTime = keptTime = 0;
        }
        if (fill == 40) {  // moved without a restart
            scan[5].trackIndex = kept[5].trackIndex = 3;
        }
        bool scanAt = false, keptAt = false;
        const uint32_t n = midi::MergeTracks(scan, scanOut.data(), scanTime,
                                             midi::MergeStrategy::Scan, limit, &scanAt);
        ASSERT_EQ(merger.Fill(kept, keptOut.data(), keptTime, limit, &keptAt), n);
        EXPECT_EQ(keptAt, scanAt);
        ASSERT_TRUE(std::equal(scanOut.begin(), scanOut.begin() + n, keptOut.begin()));
        for (std::size_t i = 0; i < tracks.size(); ++i)
            ASSERT_EQ(kept[i].trackIndex, scan[i].trackIndex) << "track " << i;
        events += n;
        if (n == 0 && fill > 40) break;
    }
    EXPECT_GT(events, 8000u);
}

INSTANTIATE_TEST_SUITE_P(BothStrategies, TrackMergeTest,
                         ::testing::Values(midi::MergeStrategy::Scan, midi::MergeStrategy::Heap),
                         [](const auto& info) {
                             return info.param == midi::MergeStrategy::Scan ? "Scan" : "Heap";
                         });

}  // namespace
