// Files that once broke the reader, the analysis pass or the merge (most found by the fuzz
// targets) live in tests/regressions/. Each is loaded as the document loads a file, analysed and
// played without a device; each must finish, and what it keeps must be well-formed.

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

#include "Misc/ChordAnalysis.h"
#include "Misc/ChordDictionary.h"
#include "Misc/notelist.h"
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

// Real damage and unusual layouts, made by tests/regressions/make_regressions.py: each keeps its
// C major chord (at tick 0) and says what was done, as the window and the chord sheet show it.
TEST(RegressionFiles, RecoveredFilesKeepTheirChordAndSayWhatWasDone) {
    BuildChordDictionary();
    struct Case {
        const char* file;
        const char* said;  // part of ErrorText() or of a notice
    };
    const Case cases[] = {
        {"smpte-division.mid",
         "SMPTE time division: 25 frames per second x 40 ticks per frame, played at 1000 ticks"},
        {"velocity-high-bit.mid", "note-on at byte 32 of track 1 (Piano) has velocity 0x9F"},
        {"more-tracks-than-declared.mid", "the file declares 1 track but holds 3; all are read"},
        {"tracks-beyond-200.mid", "tracks 201 to 201 play but are not monitored"},
        {"meta-length-past-chunk.mid",
         "meta event at byte 91 of track 2 (Bass) claims 4,000,000 bytes; the chunk ends at "
         "byte 101"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.file);
        UserSettings.ResetTrackSettings();
        UserSettings.ClearMutedTracks();
        soundingNotes.Clear();  // as opening a file does
        SongOnOutput song(std::string(TABULON_SOURCE_DIR "/tests/regressions/") + c.file);
        std::string said = song.song.ErrorText();
        for (const std::string& notice : song.song.Notices())
            said += "|" + notice;
        EXPECT_NE(said.find(c.said), std::string::npos) << said;
        song.output.StartPlayback();
        const bool beyondSettings = std::string(c.file) == "tracks-beyond-200.mid";
        // A track beyond those the settings hold plays but is not analysed.
        EXPECT_EQ(chordTimeline.IsEmpty(), beyondSettings);
        if (!beyondSettings) {
            ASSERT_FALSE(chordTimeline.IsEmpty());
            EXPECT_EQ(chordTimeline[0].chord, Chord(0x091));  // C, E, G
            EXPECT_EQ(chordTimeline[0].time, 0u);
        }
    }
}
