#include "midilib/SmfReader.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <memory>
#include <utility>

#include "midilib/ByteCursor.h"
#include "midilib/SmfReason.h"
#include "midilib/SmfTrackParser.h"

namespace midilib {

namespace {

constexpr size_t kChunkHeaderSize = 8;
constexpr size_t kMinHeaderLength = 6;
constexpr size_t kMaxProblemsListed = 3;

struct DescriptorCloser {
    void operator()(const int* descriptor) const { ::close(*descriptor); }
};

// The problems of a file in one line: the first few, then how many more there were.
std::string JoinProblems(const std::vector<std::string>& problems) {
    std::string text;
    for (size_t i = 0; i < problems.size() && i < kMaxProblemsListed; ++i) {
        if (i) text += "; ";
        text += problems[i];
    }
    if (problems.size() > kMaxProblemsListed) {
        text += "; and " + std::to_string(problems.size() - kMaxProblemsListed) + " more";
    }
    return text;
}

// Finds the MIDI data inside a RIFF "RMID" file: the body of its "data" chunk.
bool FindRiffMidiData(std::span<const uint8_t> bytes, size_t& begin, size_t& end,
                      std::string& reason) {
    ByteCursor riff(bytes);
    if (riff.Remaining() < 12) {
        reason = "truncated RIFF header";
        return false;
    }
    riff.Skip(8);
    if (!riff.LooksAt("RMID")) {
        reason = "not a MIDI file (a RIFF file that is not RMID)";
        return false;
    }
    riff.Skip(4);
    while (riff.Remaining() >= kChunkHeaderSize) {
        const bool isData = riff.LooksAt("data");
        riff.Skip(4);
        const uint32_t length = *riff.ReadU32LE();
        if (isData) {
            begin = riff.Position();
            end = length < riff.Remaining() ? begin + length : riff.End();
            return true;
        }
        // RIFF chunks are padded to an even length.
        if (!riff.Skip(length) || !riff.Skip(length & 1)) break;
    }
    reason = "RIFF MIDI file without a data chunk";
    return false;
}

// Reads the header chunk into `content`, leaving the cursor after it; false with the reason when
// the file cannot be read at all.
bool ParseHeader(std::span<const uint8_t> bytes, ByteCursor& cursor, SmfContent& content,
                 std::string& reason) {
    if (!cursor.LooksAt("MThd")) {
        // A file cut inside the header's tag is still recognisably a MIDI file.
        const size_t n = cursor.Remaining();
        const bool cutInTag =
            n > 0 && n < 4 && std::memcmp(bytes.data() + cursor.Position(), "MThd", n) == 0;
        reason = cutInTag ? "truncated header" : "not a MIDI file";
        return false;
    }
    cursor.Skip(4);
    const auto headerLength = cursor.ReadU32BE();
    if (!headerLength || cursor.Remaining() < kMinHeaderLength) {
        reason = "truncated header";
        return false;
    }
    if (*headerLength < kMinHeaderLength) {
        reason = "header chunk too short (" + std::to_string(*headerLength) + " bytes)";
        return false;
    }
    if (cursor.Remaining() < *headerLength) {
        reason = "truncated header (its length passes the end of the file)";
        return false;
    }
    content.format = *cursor.ReadU16BE();
    content.declaredTracks = *cursor.ReadU16BE();
    const uint16_t division = *cursor.ReadU16BE();
    cursor.Skip(*headerLength - kMinHeaderLength);
    if (content.format > 2) {
        reason = "unknown MIDI file format " + std::to_string(content.format);
        return false;
    }
    if (division & 0x8000) {
        // The high byte is the frame rate, negated; 29 stands for 29.97 drop-frame, counted
        // as 30 frames a second.
        const int frames = -static_cast<int8_t>(division >> 8);
        const uint8_t ticksPerFrame = uint8_t(division & 0xFF);
        if (ticksPerFrame == 0) {
            reason = "SMPTE time division of 0 ticks per frame";
            return false;
        }
        content.smpteFramesPerSecond = uint8_t(frames);
        content.ticksPerFrame = ticksPerFrame;
        content.ticksPerBeat = uint16_t((frames == 29 ? 30 : frames) * ticksPerFrame);
    } else if (division == 0) {
        reason = "time division of 0 ticks per beat";
        return false;
    } else {
        content.ticksPerBeat = division;
    }
    if (content.declaredTracks == 0) {
        reason = "the file declares no tracks";
        return false;
    }
    return true;
}

// Reads the chunks after the header into `content`'s tracks, gathering what was wrong.
void ParseTracks(std::span<const uint8_t> bytes, ByteCursor& cursor, SmfContent& content,
                 std::vector<std::string>& problems) {
    const uint32_t fixedTempo = content.smpteFramesPerSecond != 0 ? SmfReader::kSmpteTempo : 0;
    size_t recordBudget = bytes.size();
    bool unreadTracks = false;
    while (!cursor.AtEnd()) {
        const bool allDeclared = content.tracks.size() >= content.declaredTracks;
        const size_t chunkAt = cursor.Position();
        if (cursor.Remaining() < kChunkHeaderSize) {
            if (allDeclared) {
                problems.push_back(GroupedNumber(cursor.Remaining()) +
                                   (cursor.Remaining() == 1 ? " stray byte" : " stray bytes") +
                                   " after the last track at byte " + GroupedNumber(chunkAt));
            } else {
                problems.push_back("chunk header at byte " + GroupedNumber(chunkAt) +
                                   " is cut off: the file ends at byte " +
                                   GroupedNumber(cursor.End()));
            }
            break;
        }
        const bool isTrack = cursor.LooksAt("MTrk");
        cursor.Skip(4);
        const uint32_t length = *cursor.ReadU32BE();
        const bool cut = length > cursor.Remaining();
        const size_t bodyEnd = cut ? cursor.End() : cursor.Position() + length;
        const std::string claim = " claims " + GroupedNumber(length) +
                                  " bytes; the file ends at byte " + GroupedNumber(cursor.End());
        if (!isTrack) {
            if (cut) {
                // After the declared tracks the rest of the file is not asked to be MIDI.
                if (!allDeclared)
                    problems.push_back("chunk at byte " + GroupedNumber(chunkAt) + claim);
                break;
            }
            cursor.Skip(length);
            continue;
        }
        if (content.tracks.size() == SmfReader::kMaxTracks) {
            unreadTracks = true;
            break;
        }
        const uint32_t number = uint32_t(content.tracks.size());
        SmfTrackParser parser(bytes, cursor.Position(), bodyEnd, cut, number, recordBudget,
                              fixedTempo);
        content.tracks.push_back(parser.Parse());
        content.tracks.back().chunk = {cursor.Position(), bodyEnd, cut, recordBudget};
        const SmfTrackData& track = content.tracks.back();
        recordBudget -= track.events.size();
        problems.insert(problems.end(), parser.Problems().begin(), parser.Problems().end());
        if (cut && !parser.EndedByFault())
            problems.push_back(TrackLabel(number, NameOf(bytes, track)) + claim);
        cursor.Skip(bodyEnd - cursor.Position());
    }
    const size_t found = content.tracks.size();
    if (found > content.declaredTracks) {
        const std::string declared = "the file declares " + GroupedNumber(content.declaredTracks) +
                                     (content.declaredTracks == 1 ? " track" : " tracks");
        problems.push_back(
            unreadTracks ? declared + " but holds more than " + GroupedNumber(found) +
                               "; the first " + GroupedNumber(found) + " are read"
                         : declared + " but holds " + GroupedNumber(found) + "; all are read");
    } else if (found > 0 && found < content.declaredTracks) {
        problems.push_back("only " + std::to_string(found) + " of " +
                           std::to_string(content.declaredTracks) + " declared tracks present");
    }
}

// True when nothing says that the file changed between the two looks at it.
bool Unchanged(const struct stat& before, const struct stat& after) {
    return before.st_size == after.st_size && before.st_mtim.tv_sec == after.st_mtim.tv_sec &&
           before.st_mtim.tv_nsec == after.st_mtim.tv_nsec &&
           before.st_ctim.tv_sec == after.st_ctim.tv_sec &&
           before.st_ctim.tv_nsec == after.st_ctim.tv_nsec;
}

}  // namespace

std::optional<SmfContent> SmfReader::ReadFile(const char* path, std::string& reason) {
    if (path == nullptr || *path == 0) {
        reason = "no file name";
        return std::nullopt;
    }
    std::error_code error;
    const auto status = std::filesystem::status(path, error);
    if (error || !std::filesystem::exists(status)) {
        reason = "cannot open file";
        return std::nullopt;
    }
    if (!std::filesystem::is_regular_file(status)) {
        reason = "not a regular file";
        return std::nullopt;
    }
    const int descriptor = ::open(path, O_RDONLY | O_CLOEXEC);
    if (descriptor < 0) {
        reason = "cannot open file";
        return std::nullopt;
    }
    const std::unique_ptr<const int, DescriptorCloser> closer(&descriptor);
    // The size on disk is only a hint: the file is read up to its end, and the read stops past
    // the cap. A file that another program changes while it is read can give bytes of neither
    // version (a cut page reads as zeros), so a read during which the file changed is done again,
    // a few times at most; after that the parse makes what it can of the last one.
    constexpr int kReadAttempts = 4;
    struct stat before {};
    const bool known = fstat(descriptor, &before) == 0;
    const size_t sizeHint = known && before.st_size > 0 ? size_t(before.st_size) : 0;
    SmfFileBytes::ReadFailure failure = SmfFileBytes::ReadFailure::kNone;
    std::optional<SmfFileBytes> bytes;
    for (int attempt = 0; attempt < kReadAttempts && sizeHint <= kMaxFileSize; ++attempt) {
        if (attempt > 0 && lseek(descriptor, 0, SEEK_SET) != 0) break;
        bytes = SmfFileBytes::Read(descriptor, sizeHint, kMaxFileSize, failure);
        struct stat after {};
        if (!bytes || !known || fstat(descriptor, &after) != 0 || Unchanged(before, after)) break;
        before = after;
    }
    if (!bytes) {
        reason = sizeHint > kMaxFileSize || failure == SmfFileBytes::ReadFailure::kTooLarge
                     ? "file too large (more than 256 MiB)"
                 : failure == SmfFileBytes::ReadFailure::kNoMemory
                     ? "not enough memory to read the file"
                     : "cannot read file";
        return std::nullopt;
    }
    return Parse(std::move(*bytes), reason);
}

std::optional<SmfContent> SmfReader::Parse(SmfFileBytes bytes, std::string& reason) {
    if (bytes.size() > kMaxFileSize) {
        reason = "file too large (more than 256 MiB)";
        return std::nullopt;
    }
    size_t begin = 0;
    size_t end = bytes.size();
    if (ByteCursor(bytes).LooksAt("RIFF") && !FindRiffMidiData(bytes, begin, end, reason))
        return std::nullopt;
    ByteCursor cursor(bytes, begin, end);
    SmfContent content;
    if (!ParseHeader(bytes, cursor, content, reason)) return std::nullopt;
    std::vector<std::string> problems;
    ParseTracks(bytes, cursor, content, problems);
    if (content.tracks.empty()) {
        reason = problems.empty() ? "no track chunk found"
                                  : "no track chunk found: " + JoinProblems(problems);
        return std::nullopt;
    }
    content.problem = JoinProblems(problems);
    content.bytes = std::move(bytes);
    return content;
}

std::vector<MidiEvent> SmfReader::DecodeTrackAgain(const SmfContent& content, uint32_t track) {
    if (track >= content.tracks.size()) return {};
    const SmfChunkPlace& chunk = content.tracks[track].chunk;
    SmfTrackParser parser(content.bytes, chunk.begin, chunk.end, chunk.cut, track,
                          chunk.recordLimit, content.smpteFramesPerSecond != 0 ? kSmpteTempo : 0);
    return parser.Parse().events;
}

}  // namespace midilib
