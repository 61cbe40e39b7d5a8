// Files that once broke the reader, the analysis pass or the merge (most found by the fuzz
// targets) live in tests/regressions/. Each is loaded as the document loads a file, analysed and
// played without a device; each must finish, and what it keeps must be well-formed.

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

#include "Misc/ChordDictionary.h"
#include "settings/UserSettings.h"
#include "support/SongOnOutput.h"

namespace {

std::vector<std::filesystem::path> RegressionFiles() {
    std::vector<std::filesystem::path> files;
    for (const auto& entry :
         std::filesystem::directory_iterator(TABULON_SOURCE_DIR "/tests/regressions"))
        if (entry.path().extension() == ".mid") files.push_back(entry.path());
    std::sort(files.begin(), files.end());
    return files;
}

TEST(RegressionFiles, EveryFileLoadsAnalysesAndPlaysToTheEnd) {
    BuildChordDictionary();
    UserSettings.ResetTrackSettings();
    UserSettings.ClearMutedTracks();
    const auto files = RegressionFiles();
    ASSERT_FALSE(files.empty());
    for (const auto& file : files) {
        SCOPED_TRACE(file.filename().string());
        SongOnOutput song(file.string());
        song.output.StartPlayback();  // the analysis pass, then one send through the whole song
        for (const auto& track : song.song.Tracks())
            EXPECT_LE(track->GetCount(), track->GetCapacity());
    }
}

// 5,460 empty track chunks in 64 KiB: an empty track must take no event storage (it used to take
// 64 KiB each, gigabytes and seconds of page faults in all).
TEST(RegressionFiles, EmptyTracksTakeNoStorage) {
    SongOnOutput song(TABULON_SOURCE_DIR "/tests/regressions/many-empty-tracks.mid");
    ASSERT_GT(song.song.Tracks().size(), 5000u);
    for (const auto& track : song.song.Tracks()) {
        EXPECT_EQ(track->GetCount(), 0u);
        EXPECT_EQ(track->GetEvents(), nullptr);
    }
}

}  // namespace
