// The chord sheets and logs of the shared test files and the demo songs, compared byte for byte
// with the expected files under tests/expected/. A change that alters what a user reads (a
// chord, a log line, an event sent) shows up here as a diff of those files.
//
// For each song <name>.mid:
//  - <name>.chords: the chord sheet with the default options (every channel and track);
//  - <name>.log: the chord sheet's log (track count, track list, monitored events, chords),
//    then the events of one play through a device-less output (every event sent at once).
//
// TABULON_UPDATE_EXPECTED=1 writes the files instead of comparing (review the diff, then commit).

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "Misc/ChordDictionary.h"
#include "Misc/LogStream.h"
#include "Misc/notelist.h"
#include "chordsheet/ChordSheet.h"
#include "midi/MidiTestSupport.h"
#include "settings/UserSettings.h"
#include "support/SongOnOutput.h"

namespace {

namespace fs = std::filesystem;

const fs::path kExpectedDir = fs::path(TABULON_SOURCE_DIR) / "tests" / "expected";

std::vector<fs::path> Songs() {
    std::vector<fs::path> songs;
    for (const auto& entry : fs::directory_iterator(TABULON_TESTDATA_DIR))
        if (entry.path().extension() == ".mid") songs.push_back(entry.path());
    for (const char* demo : {"demo-progression", "demo-tempo-change", "demo-blues"})
        songs.push_back(fs::path(TABULON_BINARY_DIR) / "examples" / (std::string(demo) + ".mid"));
    std::sort(songs.begin(), songs.end());
    return songs;
}

// Runs in the song's folder so that the path in the log is the bare file name on every machine.
class InFolder {
  public:
    explicit InFolder(const fs::path& folder) : previous_(fs::current_path()) {
        fs::current_path(folder);
    }
    ~InFolder() { fs::current_path(previous_); }

  private:
    fs::path previous_;
};

struct SongOutput {
    std::string chords;
    std::string log;
};

SongOutput Produce(const fs::path& song) {
    const std::string logPath = miditest::ScratchPath("expected-song.log");
    const std::string name = song.filename().string();
    InFolder folder(song.parent_path());
    SongOutput result;

    std::ostringstream chords;
    std::ostringstream errors;
    RunChordSheet({name, "--log", logPath}, chords, errors);
    result.chords = chords.str();
    result.log = miditest::ReadFile(logPath);

    // One play through an output without a device: only the sent events are logged.
    UserSettings.ResetTrackSettings();
    UserSettings.ClearMutedTracks();
    UserSettings.loadedFilePath = name;
    soundingNotes.Clear();
    // The sent-event counters are process-wide: each song counts from zero.
    CMidiOut::eventsSentTime = 0;
    CMidiOut::eventsSentCount = 0;
    if (OpenLogStream(logPath)) {
        UserSettings.loggingEnabled = 1;
        UserSettings.logMidiEvents = 1;
        {
            SongOnOutput loaded(name);
            loaded.output.StartPlayback();
        }
        CloseLogStream();
        UserSettings.loggingEnabled = 0;
        UserSettings.logMidiEvents = 0;
        result.log += miditest::ReadFile(logPath);
    }
    std::remove(logPath.c_str());
    UserSettings.ResetTrackSettings();
    UserSettings.loadedFilePath.clear();
    soundingNotes.Clear();
    return result;
}

void Check(const fs::path& expectedPath, const std::string& actual, bool update) {
    if (update) {
        std::ofstream(expectedPath, std::ios::binary) << actual;
        return;
    }
    ASSERT_TRUE(fs::exists(expectedPath)) << expectedPath << " is missing";
    const std::string expected = miditest::ReadFile(expectedPath.string());
    if (expected == actual) return;
    // Name the first line that differs; the whole texts would drown the report.
    std::istringstream a(expected), b(actual);
    std::string lineA, lineB;
    int line = 1;
    while (std::getline(a, lineA) && std::getline(b, lineB) && lineA == lineB)
        ++line;
    ADD_FAILURE() << expectedPath.filename() << " differs from line " << line
                  << ":\n  expected: " << lineA << "\n  actual:   " << lineB;
}

TEST(ExpectedSongOutput, ChordSheetsAndLogsMatchTheExpectedFiles) {
    BuildChordDictionary();
    const char* updateFlag = std::getenv("TABULON_UPDATE_EXPECTED");
    const bool update = updateFlag != nullptr && std::string(updateFlag) == "1";
    if (update) fs::create_directories(kExpectedDir);
    const auto songs = Songs();
    ASSERT_GE(songs.size(), 17u);
    for (const fs::path& song : songs) {
        SCOPED_TRACE(song.filename().string());
        ASSERT_TRUE(fs::exists(song));
        const SongOutput output = Produce(song);
        const std::string stem = song.stem().string();
        Check(kExpectedDir / (stem + ".chords"), output.chords, update);
        Check(kExpectedDir / (stem + ".log"), output.log, update);
    }
}

}  // namespace
