// Opening a MIDI file while another program rewrites, cuts and removes it, over and over. Every
// open either fails with a reason or gives tracks that are consistent: records the merge can
// play, and each one the record at that place in one of the two versions being written (the two
// versions have the same layout, so any mixture of their bytes is still a file of that layout).

#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <filesystem>
#include <random>
#include <thread>

#include "SmfTestSupport.h"

namespace {

using smftest::Append;
using smftest::Bytes;

constexpr uint16_t kTracks = 3;
constexpr uint32_t kNotes = 1500;

// Note pairs whose numbers and velocities depend on `version` (each byte below 0x80).
Bytes Version(uint8_t version) {
    Bytes file = smftest::Header(1, kTracks, 120);
    for (uint16_t t = 0; t < kTracks; ++t) {
        Bytes body;
        for (uint32_t i = 0; i < kNotes; ++i) {
            const uint8_t note = uint8_t((i * 7 + t + version * 50) % 128);
            Append(body, {0x05, uint8_t(0x90 | t), note, uint8_t(version + 1), 0x0A,
                          uint8_t(0x80 | t), note, 0x00});
        }
        Append(body, smftest::kEndOfTrack);
        Append(file, smftest::Track(body));
    }
    return file;
}

// Writes in small pieces, so that a reader meets the file half written.
void WriteSlowly(const char* path, const Bytes& bytes) {
    const int fd = ::open(path, O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (fd < 0) return;
    for (size_t at = 0; at < bytes.size(); at += 997) {
        const size_t n = std::min<size_t>(997, bytes.size() - at);
        if (::write(fd, bytes.data() + at, n) != ssize_t(n)) break;
    }
    ::close(fd);
}

TEST(FaultSmfRewriteTest, AFileChangingWhileItIsOpenedGivesConsistentTracksOrAReason) {
    smftest::ScratchFile file("rewritten.mid");
    const Bytes versions[2] = {Version(0), Version(1)};
    smftest::ScratchFile reference0("version0.mid", versions[0]);
    smftest::ScratchFile reference1("version1.mid", versions[1]);
    const smftest::OpenedFile expected[2] = {smftest::OpenedFile(reference0.Path()),
                                             smftest::OpenedFile(reference1.Path())};
    for (const auto& version : expected)
        ASSERT_EQ(version.trackCount, kTracks);

    std::atomic<bool> stop{false};
    std::atomic<int> cycles{0};
    std::thread writer([&] {
        std::mt19937 random(7);
        for (; !stop; ++cycles) {
            WriteSlowly(file.Path(), versions[0]);
            std::error_code ignored;
            // Cut at a page boundary: a cut inside a page zeroes the rest of that page in place,
            // and a read racing with it may see those zeros, bytes of neither version.
            const size_t cut = random() % versions[0].size() / 4096 * 4096;
            std::filesystem::resize_file(file.Path(), cut, ignored);
            WriteSlowly(file.Path(), versions[1]);
            if (random() % 16 == 0) std::filesystem::remove(file.Path(), ignored);
        }
    });

    int failed = 0;
    int whole = 0;
    int partial = 0;
    // Rounds go on until the writer has been round its cycle many times and many opens met a
    // file (a few seconds at most).
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    for (int round = 0;
         (cycles < 200 || whole + partial < 100) && std::chrono::steady_clock::now() < deadline;
         ++round) {
        smftest::OpenedFile opened(file.Path());
        if (opened.handle == 0) {
            EXPECT_NE(opened.openFailure, "");
            ++failed;
            std::this_thread::sleep_for(std::chrono::microseconds(50));
            continue;
        }
        ASSERT_LE(opened.trackCount, kTracks);
        bool complete = opened.trackCount == kTracks;
        for (uint32_t t = 0; t < opened.trackCount; ++t) {
            const auto& events = opened.tracks[t];
            ASSERT_EQ(smftest::CheckRecords(events), "") << "round " << round << ", track " << t;
            const auto& a = expected[0].tracks[t];
            const auto& b = expected[1].tracks[t];
            ASSERT_LE(events.size(), a.size());
            complete = complete && events.size() == a.size();
            for (size_t k = 0; k < events.size(); ++k) {
                ASSERT_TRUE(events[k] == a[k] || events[k] == b[k] ||
                            (events[k].time == a[k].time && events[k].status == a[k].status &&
                             (events[k].data1 == a[k].data1 || events[k].data1 == b[k].data1) &&
                             (events[k].data2 == a[k].data2 || events[k].data2 == b[k].data2)))
                    << "round " << round << ", track " << t << ", record " << k;
            }
        }
        // Whatever was left out is said.
        if (!complete) {
            EXPECT_NE(opened.problem, "") << "round " << round;
        }
        (complete ? whole : partial) += 1;
    }
    stop = true;
    writer.join();
    // Not a check of the machine's timing: only that the rounds met the file in various states.
    RecordProperty("whole", whole);
    RecordProperty("partial", partial);
    RecordProperty("failed", failed);
}

}  // namespace
