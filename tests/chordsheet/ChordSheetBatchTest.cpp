// Many files in one run: the order of the results, failures that never stop the run, workers that
// die, and the folders searched for MIDI files.
#include <gtest/gtest.h>
#include <unistd.h>

#include <csignal>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "chordsheet/ChordSheetBatch.h"

namespace {

std::vector<std::string> Names(int count) {
    std::vector<std::string> names;
    for (int i = 0; i < count; ++i)
        names.push_back("song" + std::to_string(i));
    return names;
}

std::string Expected(const std::vector<std::string>& names, const std::string& skip) {
    std::string text;
    for (const std::string& name : names)
        if (name != skip) text += name + "\n";
    return text;
}

TEST(ChordSheetBatch, ResultsComeInFileOrderAndFailuresAreCountedNotFatal) {
    const std::vector<std::string> files = Names(40);
    const FileJob job = [](const std::string& path) -> FileResult {
        // Later files finish first with several workers.
        if (path == "song3") usleep(20000);
        if (path == "song7") return {false, {}, "song7: not a MIDI file\n"};
        return {true, path + "\n", {}};
    };
    for (int jobs : {1, 2, 3}) {
        SCOPED_TRACE(jobs);
        std::ostringstream out, err;
        const BatchSummary summary = RunBatch(files, jobs, job, out, err, false);
        EXPECT_EQ(summary.files, 40u);
        EXPECT_EQ(summary.failed, 1u);
        EXPECT_EQ(out.str(), Expected(files, "song7"));
        EXPECT_EQ(err.str(), "song7: not a MIDI file\n");
    }
}

TEST(ChordSheetBatch, LongSheetsArriveWholeWhateverTheirSize) {
    // Sheets from nothing to several pipes long, so that messages are split across reads and
    // results pile up behind a slow file.
    const std::vector<std::string> files = Names(24);
    const auto sheet = [](const std::string& path) {
        const std::size_t size = std::stoul(path.substr(4)) * 37'000 % 300'001;
        std::string text(size, static_cast<char>('a' + size % 26));
        return path + ":" + text + "\n";
    };
    const FileJob job = [&sheet](const std::string& path) -> FileResult {
        if (path == "song2") usleep(30000);
        return {true, sheet(path), path == "song5" ? "song5: warning\n" : ""};
    };
    std::string expected;
    for (const std::string& file : files)
        expected += sheet(file);
    for (int jobs : {2, 3}) {
        SCOPED_TRACE(jobs);
        std::ostringstream out, err;
        const BatchSummary summary = RunBatch(files, jobs, job, out, err, false);
        EXPECT_EQ(summary.failed, 0u);
        EXPECT_TRUE(out.str() == expected) << "the sheets differ";
        EXPECT_EQ(err.str(), "song5: warning\n");
    }
}

TEST(ChordSheetBatch, AWorkerThatDiesFailsOnlyItsFile) {
    const std::vector<std::string> files = Names(30);
    const FileJob job = [](const std::string& path) -> FileResult {
        if (path == "song11") std::raise(SIGSEGV);
        if (path == "song12") throw std::runtime_error("out of memory");
        return {true, path + "\n", {}};
    };
    std::ostringstream out, err;
    const BatchSummary summary = RunBatch(files, 2, job, out, err, false);
    EXPECT_EQ(summary.failed, 2u);
    std::string expected = Expected(files, "song11");
    expected.erase(expected.find("song12\n"), 7);
    EXPECT_EQ(out.str(), expected) << "the files after the crash were all done";
    // (A sanitizer build turns the signal into an exit of its own: the reason may not name it.)
    EXPECT_NE(err.str().find("song11: the analysis stopped"), std::string::npos) << err.str();
    EXPECT_NE(err.str().find("song12: out of memory"), std::string::npos);
}

TEST(ChordSheetBatch, FoldersGiveTheirMidiFilesSortedAndMissingInputsAreReported) {
    const auto root =
        std::filesystem::temp_directory_path() / ("tabulon-batch-" + std::to_string(::getpid()));
    std::filesystem::create_directories(root / "b" / "deeper");
    for (const char* name : {"b/deeper/z.MID", "b/a.kar", "b/notes.txt", "c.midi", "d.rmi"})
        std::ofstream(root / name) << "x";
    std::vector<std::string> problems;
    const std::vector<std::string> files = ExpandInputs(
        {(root / "b").string(), (root / "notes.txt").string(), (root / "d.rmi").string()},
        problems);
    EXPECT_EQ(files, (std::vector<std::string>{(root / "b/a.kar").string(),
                                               (root / "b/deeper/z.MID").string(),
                                               (root / "d.rmi").string()}));
    ASSERT_EQ(problems.size(), 1u);
    EXPECT_NE(problems[0].find("notes.txt: no such file or folder"), std::string::npos);
    std::filesystem::remove_all(root);
    EXPECT_GE(AvailableCores(), 1);
}

}  // namespace
