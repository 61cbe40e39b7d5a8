// The soak log checker (bench/check_soak_log.py) against logs that the engine writes: a play with
// no device open sends, and logs, the whole song in one SendEvents. The checker must accept those
// logs as they are and refuse each kind of damage: a lost line, a repeated one, two lines out of
// order, a changed message, and a log of another song.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdio>
#include <cstdlib>
#include <deque>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "Misc/LogStream.h"
#include "midi/CMidiOut.h"
#include "midi/CMidiSMF.h"
#include "midi/CMidiTrack.h"
#include "midi/MidiTestSupport.h"

using namespace miditest;

namespace {

const std::string kChecker = std::string(TABULON_SOURCE_DIR) + "/bench/check_soak_log.py";
const std::string kSongMaker = std::string(TABULON_BINARY_DIR) + "/examples/make_soak_song";
// The system's interpreter when there is one: wrappers found on the path may take a second to
// start.
const std::string kPython =
    std::filesystem::exists("/usr/bin/python3") ? "/usr/bin/python3" : "python3";

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);)
        lines.push_back(line + "\n");
    return lines;
}
void WriteLines(const std::string& path, const std::vector<std::string>& lines) {
    std::ofstream out(path);
    for (const std::string& line : lines)
        out << line;
}

// The checker's exit status.
int Check(const std::string& song, const std::string& log) {
    const std::string command =
        kPython + " " + kChecker + " '" + song + "' '" + log + "' >/dev/null 2>&1";
    const int status = std::system(command.c_str());
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

// Loads `song` as the document does and plays it with no device, logging every event sent from
// counters at 0, into `log`.
void PlayIntoLog(const std::string& song, const std::string& log) {
    UserSettings = UserSettingsRecord{};
    UserSettings.logMidiEvents = 1;
    CMidiOut::eventsSentTime = 0;
    CMidiOut::eventsSentCount = 0;
    std::deque<CMidiTrack> tracks;
    CMidiOut out;
    CMidiSMF file;
    ASSERT_EQ(file.Open(song.c_str(), 'r', 1), 1) << song;
    for (uint32_t i = 0; i < file.GetTrackCountInFile(); ++i) {
        CMidiTrack& track = tracks.emplace_back();
        file.AddTrack(&track);
        out.AddTrack(&track);
    }
    ASSERT_EQ(file.ReadAllTracks(), 1);
    ASSERT_TRUE(OpenLogStream(log));
    out.StartPlayback();
    CloseLogStream();
}

class FaultSoakLogTest : public ::testing::Test {
  protected:
    void SetUp() override {
        if (std::system((kPython + " -c '' >/dev/null 2>&1").c_str()) != 0)
            GTEST_SKIP() << "no python3";
    }
    void TearDown() override {
        for (const std::string& path : {log, damaged, made})
            std::remove(path.c_str());
    }
    // The lines of the log that are sent events, by their index in `lines`.
    static std::vector<size_t> SentLines(const std::vector<std::string>& lines) {
        std::vector<size_t> sent;
        for (size_t i = 0; i < lines.size(); ++i)
            if (lines[i].find(" sent: time=") != std::string::npos) sent.push_back(i);
        return sent;
    }

    const std::string log = ScratchPath("soak.log");
    const std::string damaged = ScratchPath("damaged.log");
    const std::string made = ScratchPath("soak.mid");
};

TEST_F(FaultSoakLogTest, LogsOfRealSongsPassAndDamagedOnesAreRefused) {
    std::vector<std::string> songs;
    for (const char* name : {"jazzsoft-test-multichannel-chords-1.mid",
                             "jazzsoft-test-karaoke-kar.mid", "jazzsoft-test-2-tracks-type-0.mid"})
        songs.push_back(std::string(TABULON_TESTDATA_DIR) + "/" + name);
    if (std::filesystem::exists(kSongMaker)) {
        ASSERT_EQ(std::system((kSongMaker + " '" + made + "' 20 32 >/dev/null").c_str()), 0);
        songs.push_back(made);
    }
    for (const std::string& song : songs) {
        SCOPED_TRACE(song);
        PlayIntoLog(song, log);
        EXPECT_EQ(Check(song, log), 0);

        const std::vector<std::string> lines = Lines(ReadFile(log));
        const std::vector<size_t> sent = SentLines(lines);
        ASSERT_GE(sent.size(), 10u);
        const size_t middle = sent[sent.size() / 2];
        auto expectRefused = [&](std::vector<std::string> changed, const char* what) {
            WriteLines(damaged, changed);
            EXPECT_EQ(Check(song, damaged), 1) << what;
        };
        std::vector<std::string> changed = lines;
        changed.erase(changed.begin() + long(middle));
        expectRefused(changed, "a lost line");
        changed = lines;
        changed.insert(changed.begin() + long(middle), lines[middle]);
        expectRefused(changed, "a repeated line");
        changed = lines;
        std::swap(changed[sent[1]], changed[sent[sent.size() - 2]]);
        expectRefused(changed, "lines out of order");
        changed = lines;
        const size_t message = changed[middle].find("message=0x") + 13;
        changed[middle][message] = changed[middle][message] == '7' ? '6' : '7';
        expectRefused(changed, "a changed data byte");
    }
    // A log of one song is not the log of another.
    if (songs.size() >= 2) {
        PlayIntoLog(songs[0], log);
        EXPECT_EQ(Check(songs[1], log), 1);
    }
    EXPECT_EQ(Check("/nonexistent.mid", log), 2);
}

}  // namespace
