// The log file's disk fills up during a play with event logging on. A child process plays under a
// file-size limit (SIGXFSZ ignored, so a write past the limit fails with EFBIG as on a full disk):
// the play must still end, the stream must show its failure, what was written before the limit
// must be in the file, and the log must open again afterwards.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <deque>
#include <sstream>

#include "Misc/LogStream.h"
#include "Misc/LogText.h"
#include "midi/CMidiOut.h"
#include "midi/CMidiSync.h"
#include "midi/CMidiTrack.h"
#include "midi/MidiTestSupport.h"
#include "midilib/LibraryOptions.h"
#include "midilib/testing/TestOutputDevices.h"
#include "support/TestLoop.h"

using namespace miditest;
using namespace std::chrono_literals;

namespace {

constexpr uint32_t kSongEvents = 5000;
constexpr rlim_t kFileLimit = 64 * 1024;  // the song's log is about 400 KiB

// Exit codes of the child.
enum ChildResult {
    kPlayed = 0,
    kNoDevice = 10,
    kPlayHung = 11,
    kFailureNotShown = 12,
    kReopenFailed = 13,
    kReopenedLogLost = 14,
};

MidiEvent SongEvent(uint32_t i) {
    return At(i, uint8_t(kNoteOn | (i % 16)), uint8_t(i % 128), uint8_t(1 + i % 127));
}

// The log lines of the whole song, as the output object writes them from counters at 0.
std::string ExpectedLog() {
    std::ostringstream text;
    for (uint32_t i = 0; i < kSongEvents; ++i) {
        const MidiEvent e = SongEvent(i);
        WriteSentEventLine(text, i, int32_t(i + 1), i == 0 ? 0 : 1, e.MessageWord());
    }
    return text.str();
}

// Runs in the child: one play with every sent event logged into `path`.
int PlayWithLog(const std::string& path, const std::string& reopenPath) {
    const int device = NullDevice();
    if (device < 0) return kNoDevice;
    UserSettings = UserSettingsRecord{};
    UserSettings.logMidiEvents = 1;
    CMidiOut::eventsSentTime = 0;
    CMidiOut::eventsSentCount = 0;
    if (!OpenLogStream(path)) return kReopenFailed;

    TestLoop loop;
    std::deque<CMidiTrack> track;
    CBeatSync clock;
    CMidiOut out;
    clock.Create(loop);
    clock.Open(0, 1);
    // The song's 5000 ticks in about 0.2 s, in long beats: the play is done only after a beat in
    // which nothing was queued, and a test thread held off the core for a few milliseconds must
    // not look like the end of the song.
    clock.SetResolution(9600);
    clock.SetTempo(400000);
    out.Create(loop);
    out.SetSync(&clock);
    std::vector<MidiEvent> song;
    for (uint32_t i = 0; i < kSongEvents; ++i)
        song.push_back(SongEvent(i));
    Fill(track.emplace_back(), song);
    out.AddTrack(&track.back());
    if (out.Open(uint16_t(device), 0x00033320) != 1) return kNoDevice;

    out.StartPlayback();
    clock.Start();
    if (!loop.RunUntil([&] { return !clock.IsRunning(); }, 15s)) return kPlayHung;
    if (CMidiOut::eventsSentCount != int32_t(kSongEvents)) return kPlayHung;
    const bool failed = LogStream.bad();
    CloseLogStream();
    if (!failed) return kFailureNotShown;

    // The program goes on: the log opens again, and a short log fits.
    if (!OpenLogStream(reopenPath)) return kReopenFailed;
    WriteBeatLine(LogStream, 1, 480);
    CloseLogStream();
    if (ReadFile(reopenPath) != "Beat = 1, Position = 480\n") return kReopenedLogLost;
    return kPlayed;
}

TEST(FaultLogDiskFullTest, APlayGoesOnWhenTheLogCannotGrowAndKeepsWhatWasWritten) {
    midilib::SetTestOutputDevices({});
    const std::string path = ScratchPath("full.log");
    const std::string reopenPath = ScratchPath("reopened.log");
    std::fflush(nullptr);
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        ::alarm(30);  // a hang ends the child by SIGALRM
        ::signal(SIGXFSZ, SIG_IGN);
        const rlimit limit{kFileLimit, kFileLimit};
        ::setrlimit(RLIMIT_FSIZE, &limit);
        ::_exit(PlayWithLog(path, reopenPath));
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status)) << "the child died by signal " << WTERMSIG(status);
    EXPECT_EQ(WEXITSTATUS(status), kPlayed);

    const std::string written = ReadFile(path);
    const std::string expected = ExpectedLog();
    ASSERT_GT(expected.size(), 4 * kFileLimit);
    EXPECT_LE(written.size(), kFileLimit);
    // At most the stream's buffer is lost at the limit; everything before it is there, intact.
    EXPECT_GT(written.size(), kFileLimit - 16 * 1024);
    // The clock line and the section heading come first, then the event lines of the play.
    const size_t head = written.find("0: Event 1 sent: ");
    ASSERT_NE(head, std::string::npos);
    const std::string events = written.substr(head);
    const auto differ = std::mismatch(events.begin(), events.end(), expected.begin());
    EXPECT_TRUE(differ.first == events.end())
        << "the log differs at byte " << head + size_t(differ.first - events.begin());
    std::remove(path.c_str());
    std::remove(reopenPath.c_str());
}

}  // namespace
