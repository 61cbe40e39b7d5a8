// Thousands of the user's playback commands in a random order (fixed seed), at the engine level:
// Play (StartPlayback, then Start), Pause (which restarts a clock that is not running), Stop,
// timer period, tempo and resolution changes (refused zero values included), device changes
// through the device menu's steps (one of the devices fails to open), and file reloads as the
// document does them; and waits, in which the clock plays on. After every step:
//  - the clock's running flag is what the view expects: Play sets it, Pause toggles it, Stop
//    and a reload clear it, and a done message may clear it only once the play has ended;
//  - no beat of an earlier play is counted after a Play;
//  - what a device receives after a Play's reset is the current song in merge order, each event
//    at most once, nothing of an earlier play; a play that ran to its end undisturbed by device
//    changes or reloads delivered every event of the song.
#include <gtest/gtest.h>

#include <chrono>
#include <deque>
#include <random>
#include <thread>

#include "midi/CMidiOut.h"
#include "midi/CMidiSMF.h"
#include "midi/CMidiSync.h"
#include "midi/CMidiTrack.h"
#include "midi/MidiTestSupport.h"
#include "midilib/LibraryOptions.h"
#include "midilib/SmfTestSupport.h"
#include "midilib/testing/TestOutputDevices.h"
#include "support/TestLoop.h"

using namespace miditest;
using midilib::TestDeviceConfig;
using midilib::TestDeviceProbe;

namespace {

constexpr uint32_t kFlags = 0x00033320;
constexpr int kSteps = 3000;
constexpr uint16_t kTracks = 2;
constexpr uint32_t kEventsPerTrack = 750;
constexpr uint32_t kSongEvents = kTracks * kEventsPerTrack;

// Event i of track t of file version v: a note-on at tick i on channel t whose bytes tell v, t
// and i apart. In merge order the key tick * kTracks + track grows strictly.
smftest::Bytes SongFile(int version) {
    smftest::Bytes file = smftest::Header(1, kTracks, 480);
    for (uint16_t t = 0; t < kTracks; ++t) {
        smftest::Bytes body;
        for (uint32_t i = 0; i < kEventsPerTrack; ++i)
            smftest::Append(body, {uint8_t(i == 0 ? 0 : 1), uint8_t(kNoteOn | t), uint8_t(i % 128),
                                   uint8_t(1 + version * 64 + t * 8 + i / 128)});
        smftest::Append(body, smftest::kEndOfTrack);
        smftest::Append(file, smftest::Track(body));
    }
    return file;
}
struct SongKey {
    int version = -1;  // -1: not a song event
    int key = 0;
};
SongKey KeyOf(const std::vector<uint8_t>& bytes) {
    if (bytes.size() != 3 || (bytes[0] & 0xF0) != kNoteOn) return {};
    const int x = bytes[2] - 1;
    const int track = (x % 64) / 8;
    if (track != (bytes[0] & 0x0F)) return {};
    return {x / 64, (x % 8 * 128 + bytes[1]) * kTracks + track};
}
// All notes or all sound off, and what a device chosen during a play is given before the rest of
// the song: sustain off, pitch bend at its centre.
bool IsSilence(const std::vector<uint8_t>& bytes) {
    if (bytes.size() != 3) return false;
    if ((bytes[0] & 0xF0) == 0xE0) return bytes[1] == 0 && bytes[2] == 0x40;
    return (bytes[0] & 0xF0) == 0xB0 && (bytes[1] == 120 || bytes[1] == 123 || bytes[1] == 64);
}

size_t MessageCount(const TestDeviceProbe& probe) {
    std::lock_guard lock(probe.mutex);
    return probe.messages.size();
}

// What the current play has delivered, read from the probe of the device in use.
struct PlayRecord {
    bool active = false;       // a Play happened and no reload since
    bool undisturbed = false;  // and no device change either
    int version = 0;
    TestDeviceProbe* probe = nullptr;  // null: no device open
    size_t next = 0;                   // first message of `probe` not looked at yet
    bool awaitingReset = false;        // the Play's silence has not been seen yet
    int lastKey = -1;
    size_t delivered = 0;
};

class FaultCommandSequenceTest : public ::testing::Test {
  protected:
    void SetUp() override {
        UserSettings = UserSettingsRecord{};
        UserSettings.ResetTrackSettings();  // every channel and track monitored: the analysis runs
        midilib::SetTestOutputDevices({TestDeviceConfig{"Recorder", false, {}, -1, probes[0]},
                                       TestDeviceConfig{"Other", false, {}, -1, probes[1]},
                                       TestDeviceConfig{"Broken", true, {}, -1, nullptr}});
        versions[0].Write(SongFile(0));
        versions[1].Write(SongFile(1));
        clock.Create(loop);
        ASSERT_EQ(clock.Open(0, 10), 1);
        out.Create(loop);
        out.SetSync(&clock);
        ASSERT_EQ(out.Open(0, kFlags), 1);
        device = 0;
        Load(0);
    }
    void TearDown() override { midilib::SetTestOutputDevices({}); }

    TestDeviceProbe* ProbeOf(int d) const { return d < 2 ? probes[size_t(d)].get() : nullptr; }

    void Load(int version) {  // as the document opens a file
        clock.Stop();
        out.Silence();
        out.ForgetPosition();
        file.Close();
        tracks.clear();
        ASSERT_EQ(file.Open(versions[version].Path(), 'r', 1), 1);
        for (uint32_t i = 0; i < file.GetTrackCountInFile(); ++i) {
            CMidiTrack& track = tracks.emplace_back();
            file.AddTrack(&track);
            out.AddTrack(&track);
        }
        ASSERT_EQ(file.ReadAllTracks(), 1);  // gives the file's resolution to the clock
        ++resolutionChanges;
        smallestResolution = std::min<uint16_t>(smallestResolution, 480);
        loaded = version;
        play.active = false;
        expectRunning = false;
    }
    void Play() {
        clock.beatCount = 0;
        play = PlayRecord{true, true, loaded, ProbeOf(device), 0, true};
        if (play.probe) play.next = MessageCount(*play.probe);
        out.StartPlayback();
        clock.Start();
        resolutionChanges = 0;
        smallestResolution = clock.GetResolution();
        expectRunning = true;
        loop.Pump();
        // Right after the start the position is below one beat: any beat counted is stale.
        if (clock.GetPosition(0) < clock.GetResolution()) {
            EXPECT_EQ(clock.beatCount, 0);
        }
    }
    void ChooseDevice(int d) {  // as the device menu does it
        out.Reset();
        out.Close();
        TestDeviceProbe* probe = ProbeOf(d);
        if (play.active) {
            CheckDelivered();
            play.probe = probe;
            play.next = probe ? MessageCount(*probe) : 0;
            play.awaitingReset = false;
            play.undisturbed = false;
        }
        EXPECT_EQ(out.Open(uint16_t(d), kFlags), d < 2 ? 1 : 0);
        device = d;
    }
    void Wait(std::chrono::microseconds span) {
        const auto until = std::chrono::steady_clock::now() + span;
        while (std::chrono::steady_clock::now() < until) {
            loop.Pump();
            std::this_thread::sleep_for(std::chrono::microseconds(200));
        }
        loop.Pump();
    }

    // The messages since the last look are the current song in merge order, each at most once.
    void CheckDelivered() {
        if (!play.active || !play.probe) return;
        std::vector<std::vector<uint8_t>> messages;
        {  // only the new ones: the probe's list grows long
            std::lock_guard lock(play.probe->mutex);
            for (size_t m = play.next; m < play.probe->messages.size(); ++m)
                messages.push_back(play.probe->messages[m].bytes);
        }
        for (const auto& bytes : messages) {
            ++play.next;
            if (play.awaitingReset) {  // what came before the Play's reset is the earlier play's
                play.awaitingReset = !IsSilence(bytes);
                continue;
            }
            const SongKey key = KeyOf(bytes);
            if (key.version < 0) {
                ASSERT_TRUE(IsSilence(bytes)) << "a message that is no song event";
                continue;
            }
            ASSERT_EQ(key.version, play.version) << "an event of another file";
            ASSERT_GT(key.key, play.lastKey) << "an event out of order or repeated";
            play.lastKey = key.key;
            ++play.delivered;
        }
    }

    // The invariants after every step.
    void Check() {
        CheckDelivered();
        if (expectRunning && !clock.IsRunning()) {
            // Only the end of the play may stop the clock on its own.
            expectRunning = false;
            if (play.active && play.undisturbed && play.probe) {
                CheckDelivered();
                EXPECT_EQ(play.delivered, size_t{kSongEvents}) << "done before the song's end";
                ++completePlays;
            }
        }
        EXPECT_EQ(clock.IsRunning(), expectRunning ? 1 : 0);
        EXPECT_LE(clock.beatCount,
                  int32_t(clock.GetPosition(0) / smallestResolution) + resolutionChanges + 1);
    }

    std::shared_ptr<TestDeviceProbe> probes[2] = {std::make_shared<TestDeviceProbe>(),
                                                  std::make_shared<TestDeviceProbe>()};
    smftest::ScratchFile versions[2] = {smftest::ScratchFile("sequence0.mid"),
                                        smftest::ScratchFile("sequence1.mid")};
    TestLoop loop;
    CBeatSync clock;
    CMidiOut out;
    std::deque<CMidiTrack> tracks;  // outlive the file object
    CMidiSMF file;
    int device = 0;
    int loaded = 0;
    bool expectRunning = false;
    PlayRecord play;
    int resolutionChanges = 0;
    uint16_t smallestResolution = 480;
    int completePlays = 0;
};

TEST_F(FaultCommandSequenceTest, RandomCommandsKeepTheStateTableAndTheDeliveredStream) {
    std::mt19937 random(20240607);
    auto pick = [&random](int n) { return int(random() % uint32_t(n)); };
    const uint32_t tempos[] = {20000, 40000, 60000, 0};
    const uint16_t resolutions[] = {480, 960, 240, 0};
    int plays = 0;
    for (int step = 0; step < kSteps && !HasFatalFailure() && !HasFailure(); ++step) {
        // Every few hundred steps a play is left to run to its end.
        const int action = step % 500 == 499 ? -1 : pick(100);
        SCOPED_TRACE("step " + std::to_string(step) + ", action " + std::to_string(action));
        if (action < 0) {
            if (device > 1) ChooseDevice(pick(2));
            Play();
            ++plays;
            ASSERT_TRUE(
                loop.RunUntil([&] { return !clock.IsRunning(); }, std::chrono::seconds(10)));
        } else if (action < 8) {
            Play();
            ++plays;
        } else if (action < 18) {
            if (clock.IsRunning())
                clock.Pause(1);
            else
                clock.ReStart();
            expectRunning = !expectRunning;
        } else if (action < 23) {
            clock.Stop();
            expectRunning = false;
        } else if (action < 27) {
            ASSERT_EQ(clock.SetPeriod(pick(2) ? 1 : 10), 1);
        } else if (action < 34) {
            const uint32_t tempo = tempos[pick(4)];
            const uint32_t before = clock.GetTempo();
            EXPECT_EQ(clock.SetTempo(tempo), tempo != 0);
            EXPECT_EQ(clock.GetTempo(), tempo != 0 ? tempo : before);
        } else if (action < 41) {
            const uint16_t resolution = resolutions[pick(4)];
            const uint16_t before = clock.GetResolution();
            clock.SetResolution(resolution);
            EXPECT_EQ(clock.GetResolution(), resolution != 0 ? resolution : before);
            if (resolution != 0) {
                ++resolutionChanges;
                smallestResolution = std::min(smallestResolution, resolution);
            }
        } else if (action < 46) {
            ChooseDevice(pick(3));
        } else if (action < 48) {
            Load(1 - loaded);
        } else {
            Wait(std::chrono::microseconds(200 + pick(8000)));
        }
        Check();
    }
    // The sequence did what it is for: plays, and plays that ran to their end.
    if (!HasFailure()) {
        EXPECT_GT(plays, 100);
        EXPECT_GE(completePlays, kSteps / 500);
    }
}

}  // namespace
