// Hostile input: broken files are refused with a reason or read as far as they are valid, and
// never read out of bounds (this suite runs under the address and undefined-behaviour
// sanitizers), loop or produce records that the merge could misread.

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>

#include "midilib/SmfBrokenFiles.h"
#include "midilib/SmfReader.h"

using namespace smftest;
using Outcome = BrokenFile::Outcome;

namespace {

// Opens the bytes through the library and checks what any file must give: a one-line reason
// when refused, else well-formed records, no more records than bytes, no more tracks than
// declared.
std::unique_ptr<OpenedFile> OpenChecked(const Bytes& bytes, const std::string& name) {
    const ScratchFile file("broken.mid", bytes);
    auto result = std::make_unique<OpenedFile>(file.Path());
    const OpenedFile& opened = *result;
    if (opened.handle == 0) {
        EXPECT_FALSE(opened.openFailure.empty()) << name;
        EXPECT_EQ(opened.openFailure.find('\n'), std::string::npos) << name;
        return result;
    }
    size_t records = 0;
    for (const auto& track : opened.tracks) {
        EXPECT_EQ(CheckRecords(track), "") << name;
        records += track.size();
    }
    EXPECT_LE(records, bytes.size()) << name;
    EXPECT_EQ(opened.problem.find('\n'), std::string::npos) << name;
    return result;
}

}  // namespace

TEST(SmfBrokenFiles, EachIsRefusedOrReadAsFarAsValid) {
    for (const BrokenFile& broken : MakeBrokenFiles()) {
        const auto openedFile = OpenChecked(broken.bytes, broken.name);
        const OpenedFile& opened = *openedFile;
        const std::string& reason =
            broken.outcome == Outcome::kRefused ? opened.openFailure : opened.problem;
        if (broken.outcome == Outcome::kRefused) {
            EXPECT_EQ(opened.handle, 0u) << broken.name;
        } else {
            ASSERT_NE(opened.handle, 0u) << broken.name << ": " << opened.openFailure;
            EXPECT_EQ(opened.trackCount, broken.tracks) << broken.name;
        }
        if (broken.outcome == Outcome::kRead) {
            EXPECT_EQ(reason, "") << broken.name;
        } else {
            EXPECT_NE(reason.find(broken.reasonContains), std::string::npos)
                << "[" << reason << "]" << broken.name << ": " << reason;
            EXPECT_FALSE(reason.empty()) << broken.name;
        }
    }
}

TEST(SmfBrokenFiles, KeptPartsAreWhatWasValid) {
    for (const BrokenFile& broken : MakeBrokenFiles()) {
        if (broken.name == "track chunk length past the end" ||
            broken.name == "unknown chunk length past the end") {
            const auto openedFile = OpenChecked(broken.bytes, broken.name);
            const OpenedFile& opened = *openedFile;
            EXPECT_EQ(opened.tracks[0].size(), 3u) << broken.name;
        }
        if (broken.name == "10,000-byte name") {
            const auto openedFile = OpenChecked(broken.bytes, broken.name);
            const OpenedFile& opened = *openedFile;
            EXPECT_EQ(opened.Meta(0, 3), std::string(10000, 'n'));
        }
    }
}

TEST(SmfBrokenFiles, EveryCutOfASoundFileIsHandled) {
    const Bytes sound = MakeSoundFile();
    const auto wholeFile = OpenChecked(sound, "whole");
    const OpenedFile& whole = *wholeFile;
    ASSERT_EQ(whole.problem, "");
    for (size_t length = 0; length < sound.size(); ++length) {
        const Bytes cut(sound.begin(), sound.begin() + std::ptrdiff_t(length));
        std::string reason;
        const auto content = midilib::SmfReader::Parse(cut, reason);
        if (!content) {
            EXPECT_FALSE(reason.empty()) << length;
            continue;
        }
        EXPECT_FALSE(content->problem.empty()) << "cut at " << length;
        // What is kept is a prefix of what the whole file gives.
        for (size_t t = 0; t < content->tracks.size(); ++t) {
            const auto& kept = content->tracks[t].events;
            ASSERT_LE(kept.size(), whole.tracks[t].size());
            EXPECT_TRUE(std::equal(kept.begin(), kept.end(), whole.tracks[t].begin()))
                << "cut at " << length << ", track " << t;
            EXPECT_EQ(CheckRecords(kept), "");
        }
    }
}

TEST(SmfBrokenFiles, EveryDamagedByteIsHandled) {
    const Bytes sound = MakeSoundFile();
    const uint8_t values[] = {0x00, 0x7F, 0x80, 0x9F, 0xF0, 0xF7, 0xFF};
    for (size_t at = 0; at < sound.size(); ++at) {
        for (uint8_t value : values) {
            Bytes damaged = sound;
            damaged[at] = value;
            std::string reason;
            const auto content = midilib::SmfReader::Parse(damaged, reason);
            if (!content) {
                EXPECT_FALSE(reason.empty());
                continue;
            }
            size_t records = 0;
            for (const auto& track : content->tracks) {
                EXPECT_EQ(CheckRecords(track.events), "") << "byte " << at << " = " << int(value);
                records += track.events.size();
            }
            EXPECT_LE(records, damaged.size());
        }
    }
}
