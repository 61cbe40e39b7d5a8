// Practice playback through the library and a recording test device: a move into the song sends
// what is in force there and leaves no note hanging, a loop repeats its bars seamlessly, a
// count-in clicks before the song, a mute during a play is heard at once, and the Set Tempo rule
// keeps the ratios of the file's tempo changes.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <deque>
#include <map>

#include "midi/CMidiOut.h"
#include "midi/CMidiSync.h"
#include "midi/CMidiTrack.h"
#include "midi/MidiTestSupport.h"
#include "midilib/testing/TestOutputDevices.h"
#include "support/TestLoop.h"

using namespace miditest;
using namespace std::chrono_literals;
using midilib::TestDeviceConfig;
using midilib::TestDeviceProbe;
using Bytes = std::vector<uint8_t>;

namespace {

constexpr uint32_t kFlags = 0x00033320;
constexpr uint32_t kFastTempo = 40000;  // a beat of 480 ticks in 40 ms
constexpr uint32_t kBar = 4 * 480;

// Checks that every note-on that reached the device was ended afterwards (by its note-off or a
// channel's all-notes-off) and returns the notes still sounding.
std::map<int, int> Sounding(const std::vector<Bytes>& messages) {
    std::map<int, int> sounding;  // channel * 128 + note -> count
    for (const Bytes& m : messages) {
        if (m.size() != 3) continue;
        const int kind = m[0] & 0xF0, channel = m[0] & 0x0F;
        if (kind == 0x90 && m[2] > 0) ++sounding[channel * 128 + m[1]];
        if (kind == 0x80 || (kind == 0x90 && m[2] == 0)) sounding.erase(channel * 128 + m[1]);
        if (kind == 0xB0 && (m[1] == 123 || m[1] == 120))
            std::erase_if(sounding, [channel](const auto& s) { return s.first / 128 == channel; });
    }
    return sounding;
}

class PracticePlaybackTest : public ::testing::Test {
  protected:
    void SetUp() override {
        UserSettings = UserSettingsRecord{};
        midilib::SetTestOutputDevices({TestDeviceConfig{"Recorder", false, 0ms, -1, probe}});
        clock.Create(loop);
        ASSERT_EQ(clock.Open(0, 1), 1);
        out.Create(loop);
        out.SetSync(&clock);
        ASSERT_EQ(out.Open(0, kFlags), 1);
    }
    void TearDown() override { midilib::SetTestOutputDevices({}); }

    void AddTrack(const std::vector<MidiEvent>& events) { Fill(tracks.emplace_back(), events); }
    void Attach() {
        for (CMidiTrack& t : tracks)
            out.AddTrack(&t);
        out.PrepareSong();
    }
    void Play() {
        const CMidiOut::PlayStart start = out.StartPlayback();
        clock.StartAt(start.tick, start.countIn);
    }
    bool PlayToDone() {
        return loop.RunUntil([&] { return !clock.IsRunning(); }, 20s);
    }
    std::vector<Bytes> Messages(size_t from = 0) const {
        std::vector<Bytes> all;
        const auto messages = probe->Messages();
        for (size_t m = from; m < messages.size(); ++m)
            all.push_back(messages[m].bytes);
        return all;
    }

    // How many times the device has received `message`.
    long Received(const Bytes& message) const {
        const std::vector<Bytes> all = Messages();
        return std::count(all.begin(), all.end(), message);
    }

    std::shared_ptr<TestDeviceProbe> probe = std::make_shared<TestDeviceProbe>();
    TestLoop loop;
    std::deque<CMidiTrack> tracks;
    CBeatSync clock;
    CMidiOut out;
};

TEST_F(PracticePlaybackTest, AMoveIntoTheSongSendsWhatIsInForceThereAndLeavesNoNoteHanging) {
    AddTrack({midi::MakeValueRecord(0, midi::kMetaEvent, kFastTempo), At(0, 0xC0, 5, 0),
              At(0, 0xB0, 7, 90), At(10, 0xB0, 64, 127), At(20, 0xE0, 0, 0x50),
              At(960, 0xB0, 7, 60), At(1000, kNoteOn, 60), At(3000, kNoteOn, 62),
              At(5000, kNoteOff, 60, 0), At(5000, kNoteOff, 62, 0)});
    AddTrack({At(0, 0xC1, 30, 0), At(2500, kNoteOn | 1, 40), At(2600, kNoteOff | 1, 40, 0)});
    Attach();
    const size_t before = probe->Messages().size();
    out.Reposition(2000);  // the clock stands: the move prepares the play
    EXPECT_EQ(clock.GetPosition(0), 2000u);
    clock.ReStart();
    ASSERT_TRUE(PlayToDone());

    const std::vector<Bytes> got = Messages(before);
    const auto first = [&got](const Bytes& m) {
        return std::find(got.begin(), got.end(), m) - got.begin();
    };
    // Programs, controllers and pitch bend in force at 2000, in the order they were set; not
    // the volume already replaced, and nothing after 2000 twice.
    const std::vector<Bytes> chase = {
        {0xC0, 5}, {0xC1, 30}, {0xB0, 64, 127}, {0xE0, 0, 0x50}, {0xB0, 7, 60}};
    for (size_t i = 0; i + 1 < chase.size(); ++i)
        EXPECT_LT(first(chase[i]), first(chase[i + 1])) << i;
    EXPECT_LT(first(chase.back()), first({0x91, 40, 100}));
    EXPECT_EQ(std::count(got.begin(), got.end(), Bytes{0xB0, 7, 90}), 0);
    EXPECT_EQ(std::count(got.begin(), got.end(), Bytes{0x90, 60, 100}), 0) << "began before 2000";
    EXPECT_EQ(std::count(got.begin(), got.end(), Bytes{0x90, 62, 100}), 1);
    // Before the chase every channel's sustain is lifted and its bend centred.
    EXPECT_LT(first({0xBF, 64, 0}), first(chase.front()));
    EXPECT_LT(first({0xEF, 0, 0x40}), first(chase.front()));
    EXPECT_TRUE(Sounding(got).empty());

    // A move back in the middle of a play silences what sounds and goes on from there.
    Play();
    ASSERT_TRUE(loop.RunUntil([&] { return Sounding(Messages()).size() > 0; }, 10s));
    const size_t moved = probe->Messages().size();
    out.Reposition(0);
    ASSERT_TRUE(PlayToDone());
    EXPECT_TRUE(Sounding(Messages(moved)).empty());
    EXPECT_EQ(Messages(moved)[0], (Bytes{0xB0, 123, 0})) << "silenced first";
}

TEST_F(PracticePlaybackTest, ALoopRepeatsItsBarsWithoutHangingNotesAndEndsWhereItIsLeft) {
    // Bar 1: note 50; bar 2: note 60 held into bar 3; bar 3: note 70; the loop is bar 2.
    AddTrack({midi::MakeValueRecord(0, midi::kMetaEvent, kFastTempo), At(0, kNoteOn, 50),
              At(100, kNoteOff, 50, 0), At(kBar + 10, kNoteOn, 60), At(kBar + 20, 0xB0, 11, 80),
              At(2 * kBar + 300, kNoteOff, 60, 0), At(2 * kBar + 400, kNoteOn, 70),
              At(2 * kBar + 500, kNoteOff, 70, 0)});
    Attach();
    out.SetPractice({kBar, 2 * kBar, true, 0, 0});
    Play();
    // Each pass lasts 160 ms: let it go round several times.
    ASSERT_TRUE(loop.RunUntil([&] { return Received({0x90, 60, 100}) >= 4; }, 10s));
    std::vector<Bytes> got = Messages();
    int notesOn = 0;
    for (size_t i = 0; i < got.size(); ++i) {
        EXPECT_NE(got[i], (Bytes{0x90, 50, 100})) << "bar 1 is before the loop";
        EXPECT_NE(got[i], (Bytes{0x90, 70, 100})) << "bar 3 is after it";
        if (got[i] != Bytes{0x90, 60, 100}) continue;
        ++notesOn;
        EXPECT_TRUE(Sounding({got.begin(), got.begin() + long(i)}).empty())
            << "the previous pass's note ended before the loop came round";
    }
    EXPECT_GE(notesOn, 4);
    EXPECT_EQ(clock.IsRunning(), 1) << "a loop does not end the play";
    EXPECT_GE(clock.GetPosition(0), kBar);
    EXPECT_LT(clock.GetPosition(0), 2 * kBar);

    // Switching the loop off during the play lets it run on to the song's end.
    out.SetPractice({kBar, 0, false, 0, 0});
    ASSERT_TRUE(PlayToDone());
    got = Messages();
    EXPECT_EQ(std::count(got.begin(), got.end(), Bytes{0x90, 70, 100}), 1);
    EXPECT_TRUE(Sounding(got).empty());
}

TEST_F(PracticePlaybackTest, ALoopSwitchedOffOnItsEndBeforeTheJumpBackIsPlayedRunsOn) {
    AddTrack({midi::MakeValueRecord(0, midi::kMetaEvent, kFastTempo), At(kBar + 10, kNoteOn, 60),
              At(2 * kBar + 300, kNoteOff, 60, 0), At(2 * kBar + 400, kNoteOn, 70),
              At(2 * kBar + 500, kNoteOff, 70, 0)});
    Attach();
    out.SetPractice({kBar, 2 * kBar, true, 0, 0});
    Play();
    ASSERT_TRUE(loop.RunUntil([&] { return Received({0x90, 60, 100}) >= 2; }, 10s));
    // A busy device holds what the loop's end queued, the jump back among it, while the clock
    // runs past the end.
    probe->refuse = true;
    ASSERT_TRUE(loop.RunUntil([&] { return clock.GetPosition(0) > 2 * kBar + 100; }, 10s));
    out.SetPractice({kBar, 0, false, 0, 0});
    probe->refuse = false;
    ASSERT_TRUE(PlayToDone());
    EXPECT_EQ(Received({0x90, 70, 100}), 1);
    EXPECT_TRUE(Sounding(Messages()).empty());
}

TEST_F(PracticePlaybackTest, ALoopOfTheLastBarGoesRoundThoughTheSongEndsInsideIt) {
    AddTrack({midi::MakeValueRecord(0, midi::kMetaEvent, kFastTempo), At(0, kNoteOn, 50),
              At(kBar + 10, kNoteOn, 60), At(kBar + 100, kNoteOff, 60, 0)});
    Attach();
    out.SetPractice({kBar, 2 * kBar, true, 0, 0});
    Play();
    ASSERT_TRUE(loop.RunUntil([&] { return Received({0x90, 60, 100}) >= 3; }, 10s));
    EXPECT_EQ(clock.IsRunning(), 1);
    clock.Stop();
}

TEST_F(PracticePlaybackTest, ACountInClicksOneBarOnThePercussionChannelBeforeTheSong) {
    AddTrack({midi::MakeValueRecord(0, midi::kMetaEvent, kFastTempo), At(0, kNoteOn, 50),
              At(kBar + 100, kNoteOn, 60), At(kBar + 200, kNoteOff, 60, 0)});
    Attach();
    out.SetPractice({kBar, 0, false, 3, 480});  // from bar 2, a bar of three beats
    const size_t before = probe->Messages().size();
    Play();
    EXPECT_EQ(clock.GetPosition(0), kBar) << "the count-in holds the start";
    ASSERT_TRUE(PlayToDone());
    std::vector<Bytes> notes;
    for (const Bytes& m : Messages(before))
        if (m.size() == 3 && ((m[0] & 0xF0) == 0x90 || (m[0] & 0xF0) == 0x80)) notes.push_back(m);
    const std::vector<Bytes> expected = {{0x99, 76, 110}, {0x89, 76, 0},  {0x99, 37, 90},
                                         {0x89, 37, 0},   {0x99, 37, 90}, {0x89, 37, 0},
                                         {0x90, 60, 100}, {0x80, 60, 0}};
    EXPECT_EQ(notes, expected);
    EXPECT_GE(clock.GetPosition(0), kBar + 200);
}

TEST_F(PracticePlaybackTest, AMuteDuringAPlayIsHeardFromTheNextEventOn) {
    // Two tracks of dense notes on channels 0 and 1, long enough to fill the device's queue.
    std::vector<MidiEvent> a, b;
    a.push_back(midi::MakeValueRecord(0, midi::kMetaEvent, kFastTempo));
    for (uint32_t i = 0; i < 6000; ++i) {
        a.push_back(At(i * 4, kNoteOn, uint8_t(i % 100)));
        a.push_back(At(i * 4 + 2, kNoteOff, uint8_t(i % 100), 0));
        b.push_back(At(i * 4 + 1, kNoteOn | 1, uint8_t(i % 100)));
        b.push_back(At(i * 4 + 3, kNoteOff | 1, uint8_t(i % 100), 0));
    }
    AddTrack(a);
    AddTrack(b);
    Attach();
    Play();
    ASSERT_TRUE(loop.RunUntil([&] { return probe->Messages().size() > 2000; }, 10s));
    UserSettings.mutedTracks[1] = 1;
    out.RefreshPlay();
    const size_t changed = probe->Messages().size();
    ASSERT_TRUE(loop.RunUntil([&] { return probe->Messages().size() > changed + 1000; }, 10s));
    const std::vector<Bytes> after = Messages(changed);
    EXPECT_EQ(std::count_if(after.begin(), after.end(),
                            [](const Bytes& m) { return m.size() == 3 && m[0] == 0x91; }),
              0)
        << "nothing of the muted track once the change is made";
    // The other track goes on exactly where it was: no note lost, none repeated.
    const auto channelZeroNotes = [](const std::vector<Bytes>& messages) {
        std::vector<int> notes;
        for (const Bytes& m : messages)
            if (m.size() == 3 && m[0] == 0x90) notes.push_back(m[1]);
        return notes;
    };
    const std::vector<Bytes> all = Messages();
    const std::vector<int> before = channelZeroNotes({all.begin(), all.begin() + long(changed)});
    const std::vector<int> later = channelZeroNotes(after);
    ASSERT_FALSE(before.empty());
    ASSERT_FALSE(later.empty());
    EXPECT_EQ(later.front(), (before.back() + 1) % 100);
    clock.Stop();
}

TEST_F(PracticePlaybackTest, SetTempoMakesTheTempoHeardNowAndTheFilesChangesKeepTheirRatio) {
    ASSERT_TRUE(clock.SetTempo(500000));  // the file's 120 BPM
    ASSERT_TRUE(clock.SetPlayedTempo(CMidiSync::BpmToTempo(50.0)));
    EXPECT_NEAR(clock.GetSpeed(), 50.0 / 120.0, 1e-9);
    EXPECT_EQ(clock.GetTempo(), 500000u) << "the file's tempo stays";
    ASSERT_TRUE(clock.SetTempo(250000));  // the file goes to 240 BPM: heard at 100
    EXPECT_NEAR(CMidiSync::TempoToBpm(clock.GetPlayedTempo()), 100.0, 1e-3);
}

}  // namespace
