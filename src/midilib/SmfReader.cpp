#include "midilib/SmfReader.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstring>
#include <exception>
#include <filesystem>
#include <memory>
#include <system_error>
#include <thread>
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
// Tracks are parsed side by side once the chunks hold this many bytes: below it, starting a
// thread costs more than it saves.
constexpr size_t kParallelParseBytes = size_t{1} << 20;
constexpr unsigned kMostParseThreads = 4;

// Parses every track, on several threads when they hold enough bytes. Each parser reads its own
// chunk and makes its own records, so the results do not depend on the order; an exception thrown
// while parsing (out of memory) reaches the caller, the first track's first, as if they had been
// parsed in turn. On a large file most of the time goes to first touches of the records' memory,
// which the cores can take in parallel.
std::vector<SmfTrackData> ParseAll(std::vector<SmfTrackParser>& parsers, size_t chunkBytes) {
    std::vector<SmfTrackData> tracks(parsers.size());
    std::vector<std::exception_ptr> failures(parsers.size());
    std::atomic<size_t> next{0};
    auto work = [&] {
        for (size_t k = next++; k < parsers.size(); k = next++) {
            try {
                tracks[k] = parsers[k].Parse();
            } catch (...) {
                failures[k] = std::current_exception();
            }
        }
    };
    const size_t threads =
        chunkBytes < kParallelParseBytes
            ? 1
            : std::min<size_t>({std::max(1u, std::thread::hardware_concurrency()),
                                kMostParseThreads, parsers.size()});
    {
        std::vector<std::jthread> helpers;
        for (size_t t = 1; t < threads; ++t) {
            try {
                helpers.emplace_back(work);
            } catch (const std::system_error&) {
                break;  // no thread to be had: fewer hands do the same work
            }
        }
        work();
    }  // the helpers are joined here
    for (const std::exception_ptr& failure : failures)
        if (failure) std::rethrow_exception(failure);
    return tracks;
}

// The end of the warning about a chunk whose declared length runs past the end of the file.
std::string ClaimText(uint32_t declaredLength, size_t fileEnd) {
    return " claims " + GroupedNumber(declaredLength) + " bytes; the file ends at byte " +
           GroupedNumber(fileEnd);
}

// A track chunk found by the walk over the chunks.
struct TrackChunk {
    size_t begin = 0;
    size_t end = 0;
    bool cut = false;
    uint32_t declaredLength = 0;  // what a cut chunk claims, for the warning
};

void ParseTracks(std::span<const uint8_t> bytes, ByteCursor& cursor, SmfContent& content,
                 std::vector<std::string>& problems) {
    const uint32_t fixedTempo = content.smpteFramesPerSecond != 0 ? SmfReader::kSmpteTempo : 0;
    // First the chunks are found; the problems of the walk can only end it, so they follow the
    // tracks' own problems.
    std::vector<TrackChunk> chunks;
    std::vector<std::string> walkProblems;
    size_t chunkBytes = 0;
    bool unreadTracks = false;
    while (!cursor.AtEnd()) {
        const bool allDeclared = chunks.size() >= content.declaredTracks;
        const size_t chunkAt = cursor.Position();
        if (cursor.Remaining() < kChunkHeaderSize) {
            if (allDeclared) {
                walkProblems.push_back(GroupedNumber(cursor.Remaining()) +
                                       (cursor.Remaining() == 1 ? " stray byte" : " stray bytes") +
                                       " after the last track at byte " + GroupedNumber(chunkAt));
            } else {
                walkProblems.push_back("chunk header at byte " + GroupedNumber(chunkAt) +
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
        if (!isTrack) {
            if (cut) {
                // After the declared tracks the rest of the file is not asked to be MIDI.
                if (!allDeclared)
                    walkProblems.push_back("chunk at byte " + GroupedNumber(chunkAt) +
                                           ClaimText(length, cursor.End()));
                break;
            }
            cursor.Skip(length);
            continue;
        }
        if (chunks.size() == SmfReader::kMaxTracks) {
            unreadTracks = true;
            break;
        }
        chunks.push_back({cursor.Position(), bodyEnd, cut, length});
        chunkBytes += bodyEnd - cursor.Position();
        cursor.Skip(bodyEnd - cursor.Position());
    }

    // Every track may make as many records as the file has bytes less those of the tracks
    // before it. A record takes at least a byte of its chunk, so no track of a file reaches that
    // limit; the limit is given in full to the parsers, which run before the tracks before them
    // have been counted, and a track that does reach its true limit is parsed again with it.
    std::vector<SmfTrackParser> parsers;
    parsers.reserve(chunks.size());
    for (size_t k = 0; k < chunks.size(); ++k)
        parsers.emplace_back(bytes, chunks[k].begin, chunks[k].end, chunks[k].cut,
                             static_cast<uint32_t>(k), bytes.size(), fixedTempo);
    std::vector<SmfTrackData> tracks = ParseAll(parsers, chunkBytes);

    size_t recordBudget = bytes.size();
    for (size_t k = 0; k < chunks.size(); ++k) {
        const TrackChunk& chunk = chunks[k];
        const auto number = static_cast<uint32_t>(k);
        if (tracks[k].events.size() >= recordBudget) {
            parsers[k] = SmfTrackParser(bytes, chunk.begin, chunk.end, chunk.cut, number,
                                        recordBudget, fixedTempo);
            tracks[k] = parsers[k].Parse();
        }
        content.tracks.push_back(std::move(tracks[k]));
        content.tracks.back().chunk = {chunk.begin, chunk.end, chunk.cut, recordBudget};
        const SmfTrackData& track = content.tracks.back();
        recordBudget -= track.events.size();
        const SmfTrackParser& parser = parsers[k];
        problems.insert(problems.end(), parser.Problems().begin(), parser.Problems().end());
        if (chunk.cut && !parser.EndedByFault())
            problems.push_back(TrackLabel(number, NameOf(bytes, track)) +
                               ClaimText(chunk.declaredLength, cursor.End()));
    }
    problems.insert(problems.end(), walkProblems.begin(), walkProblems.end());
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
