// The log stream says, when it closes, whether every line reached the file: a full disk must not
// pass for a complete log.

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "Misc/LogStream.h"

namespace {

std::string ReadAll(const std::filesystem::path& path) {
    std::ifstream in(path);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

TEST(LogStreamClose, ReportsWhetherEveryLineReachedTheFile) {
    const auto path = std::filesystem::temp_directory_path() / "tabulon-logstream-test.log";
    ASSERT_TRUE(OpenLogStream(path.string()));
    LogStream << "first line\n";
    EXPECT_TRUE(CloseLogStream());
    EXPECT_EQ(ReadAll(path), "first line\n");
    EXPECT_TRUE(CloseLogStream()) << "closing a closed stream is no failure";

    // /dev/full takes the open and refuses every write: the disk is full.
    ASSERT_TRUE(OpenLogStream("/dev/full"));
    LogStream << std::string(100000, 'x') << '\n';
    EXPECT_FALSE(CloseLogStream());

    // The failure does not stick: the next log starts clean.
    ASSERT_TRUE(OpenLogStream(path.string()));
    LogStream << "second log\n";
    EXPECT_TRUE(CloseLogStream());
    EXPECT_EQ(ReadAll(path), "second log\n");
    std::filesystem::remove(path);
}

}  // namespace
