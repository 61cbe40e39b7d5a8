// The Standard MIDI File operations of the library (declared in midi/MidiLib.h): a thin layer
// over SmfReader, SmfWriter and the handle table.

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>

#include "midi/MidiLib.h"
#include "midilib/SmfHandleTable.h"
#include "midilib/SmfOpenFile.h"
#include "midilib/SmfReader.h"

using midilib::SmfHandleTable;
using midilib::SmfOpenFile;

namespace {

// Why the last OpenSMF of this thread failed.
thread_local std::string lastOpenFailure;

uint32_t FailOpen(std::string reason) {
    lastOpenFailure = std::move(reason);
    return 0;
}

bool WriteWholeFile(const std::string& path, const std::vector<uint8_t>& bytes) {
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (file == nullptr) return false;
    const bool written = std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
    const bool closed = std::fclose(file) == 0;
    return written && closed;
}

// Encodes and writes a file opened for writing; 0 = success.
int WriteOut(SmfOpenFile& file) {
    const auto bytes = file.writer.Encode(file.format, SmfOpenFile::kWrittenTicksPerBeat);
    if (WriteWholeFile(file.path, bytes)) return 0;
    file.problem = "cannot write file " + file.path;
    return 1;
}

}  // namespace

uint32_t OpenSMF(const char* path, uint32_t* format, char mode, uint32_t* numTracks) {
    if (path == nullptr || *path == 0) return FailOpen("no file name");
    auto file = std::make_unique<SmfOpenFile>();
    file->mode = mode;
    file->path = path;
    if (mode == 'r') {
        std::string reason;
        auto content = midilib::SmfReader::ReadFile(path, reason);
        if (!content) return FailOpen(std::move(reason));
        file->content = std::move(*content);
        file->problem = file->content.problem;
        file->readPositions.assign(file->content.tracks.size(), 0);
        file->handedOver.assign(file->content.tracks.size(), false);
        if (format) *format = file->content.format;
        if (numTracks) *numTracks = uint32_t(file->content.tracks.size());
    } else if (mode == 'w') {
        // Fail now rather than at the end when the file cannot be created at all.
        std::FILE* probe = std::fopen(path, "ab");
        if (probe == nullptr) return FailOpen("cannot create file");
        std::fclose(probe);
        file->format = uint16_t(format && *format <= 2 ? *format : 1);
        if (numTracks) *numTracks = 0;
    } else {
        return FailOpen("unknown mode (use 'r' or 'w')");
    }
    lastOpenFailure.clear();
    return SmfHandleTable::Instance().Add(std::move(file));
}

void RewindSMF(uint32_t hSMF) {
    SmfHandleTable::Instance().With(hSMF, [](SmfOpenFile* file) {
        if (!file) return;
        file->readPositions.assign(file->readPositions.size(), 0);
        for (uint32_t t = 0; t < file->handedOver.size(); ++t) {
            if (!file->handedOver[t]) continue;
            file->content.tracks[t].events = midilib::SmfReader::DecodeTrackAgain(file->content, t);
            file->handedOver[t] = false;
        }
    });
}

uint32_t TakeSMFTrack(uint32_t hSMF, uint32_t track, std::vector<MidiEvent>& events) {
    events.clear();
    return SmfHandleTable::Instance().With(hSMF, [&](SmfOpenFile* file) -> uint32_t {
        if (!file || file->mode != 'r' || track >= file->readPositions.size()) return 0;
        std::vector<MidiEvent>& own = file->content.tracks[track].events;
        size_t& position = file->readPositions[track];
        if (position == 0) {
            events = std::move(own);
            own = {};
            file->handedOver[track] = true;
        } else {
            events.assign(own.begin() + std::ptrdiff_t(position), own.end());
        }
        position = own.size();
        return uint32_t(events.size());
    });
}

uint32_t ReadSMF(uint32_t hSMF, uint32_t track, MidiEvent* buffer, uint32_t max) {
    return SmfHandleTable::Instance().With(hSMF, [&](SmfOpenFile* file) -> uint32_t {
        if (!file || file->mode != 'r' || buffer == nullptr || track >= file->readPositions.size())
            return 0;
        const auto& events = file->content.tracks[track].events;
        size_t& position = file->readPositions[track];
        const size_t n = std::min<size_t>(max, events.size() - position);
        if (n) std::memcpy(buffer, events.data() + position, n * sizeof(MidiEvent));
        position += n;
        return uint32_t(n);
    });
}

int ReadMetaEvent(uint32_t hSMF, uint32_t track, uint8_t type, const uint8_t** data,
                  uint32_t* length) {
    if (data) *data = nullptr;
    if (length) *length = 0;
    return SmfHandleTable::Instance().With(hSMF, [&](SmfOpenFile* file) {
        if (!file || file->mode != 'r' || track >= file->content.tracks.size()) return -1;
        for (const auto& meta : file->content.tracks[track].metas) {
            if (meta.type != type) continue;
            if (data) *data = file->content.bytes.data() + meta.offset;
            if (length) *length = meta.length;
            return 0;
        }
        return -1;
    });
}

uint32_t ReadSongMetaEvents(uint32_t hSMF, SmfSongMeta* metas, uint32_t max) {
    return SmfHandleTable::Instance().With(hSMF, [&](SmfOpenFile* file) -> uint32_t {
        if (!file || file->mode != 'r') return 0;
        std::vector<SmfSongMeta> all;
        const auto& tracks = file->content.tracks;
        for (uint32_t t = 0; t < tracks.size(); ++t)
            for (const midilib::SmfTimedMetaRef& ref : tracks[t].songMetas)
                all.push_back(SmfSongMeta{t, ref.time, ref.meta.type,
                                          file->content.bytes.data() + ref.meta.offset,
                                          ref.meta.length});
        // Each track's list is in file order, so a stable sort by time keeps track order and
        // file order among equal times.
        std::stable_sort(all.begin(), all.end(), [](const SmfSongMeta& a, const SmfSongMeta& b) {
            return a.time < b.time;
        });
        if (metas != nullptr) std::copy_n(all.begin(), std::min<size_t>(max, all.size()), metas);
        return uint32_t(all.size());
    });
}

uint16_t GetSMFResolution(uint32_t hSMF) {
    return SmfHandleTable::Instance().With(hSMF, [](SmfOpenFile* file) -> uint16_t {
        if (!file) return 0;
        return file->mode == 'r' ? file->content.ticksPerBeat : SmfOpenFile::kWrittenTicksPerBeat;
    });
}

uint8_t GetSMFSmpteDivision(uint32_t hSMF, uint8_t* ticksPerFrame) {
    if (ticksPerFrame) *ticksPerFrame = 0;
    return SmfHandleTable::Instance().With(hSMF, [&](SmfOpenFile* file) -> uint8_t {
        if (!file || file->mode != 'r') return 0;
        if (ticksPerFrame) *ticksPerFrame = file->content.ticksPerFrame;
        return file->content.smpteFramesPerSecond;
    });
}

uint32_t WriteSMF(uint32_t hSMF, uint32_t track, const MidiEvent* events, uint32_t count) {
    return SmfHandleTable::Instance().With(hSMF, [&](SmfOpenFile* file) -> uint32_t {
        if (!file || file->mode != 'w' || (events == nullptr && count != 0)) return 0;
        return file->writer.AppendEvents(track, std::span<const MidiEvent>(events, count));
    });
}

int WriteMetaEvent(uint32_t hSMF, uint32_t track, uint8_t type, const uint8_t* data,
                   uint32_t length) {
    return SmfHandleTable::Instance().With(hSMF, [&](SmfOpenFile* file) {
        if (!file || file->mode != 'w') return 1;
        if (data == nullptr && length != 0) return 1;
        // Length 0 takes the data as a zero-terminated text.
        const size_t n =
            length ? length : (data ? std::strlen(reinterpret_cast<const char*>(data)) : 0);
        static constexpr uint8_t kNothing[1] = {0};
        const std::span<const uint8_t> bytes(data ? data : kNothing, n);
        return file->writer.AppendMeta(track, type, bytes) ? 0 : 1;
    });
}

int FlushSMF(uint32_t hSMF) {
    return SmfHandleTable::Instance().With(hSMF, [](SmfOpenFile* file) {
        if (!file) return 1;
        return file->mode == 'w' ? WriteOut(*file) : 0;
    });
}

int CloseSMF(uint32_t hSMF) {
    std::unique_ptr<SmfOpenFile> file = SmfHandleTable::Instance().Remove(hSMF);
    if (!file) return 1;
    return file->mode == 'w' ? WriteOut(*file) : 0;
}

const char* GetSMFErrorText(uint32_t hSMF) {
    if (hSMF == 0) return lastOpenFailure.c_str();
    return SmfHandleTable::Instance().With(
        hSMF, [](SmfOpenFile* file) { return file ? file->problem.c_str() : ""; });
}
