#pragma once
// Helpers for the MIDI file tests: building file bytes by hand, writing them to a scratch file,
// and reading every track of an open file through the library's operations.

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <initializer_list>
#include <string>
#include <vector>

#include <unistd.h>

#include "midi/MidiLib.h"

namespace smftest {

using Bytes = std::vector<uint8_t>;

inline void Append(Bytes& to, const Bytes& more) {
    to.insert(to.end(), more.begin(), more.end());
}

inline Bytes U32(uint32_t v) {
    return {uint8_t(v >> 24), uint8_t(v >> 16), uint8_t(v >> 8), uint8_t(v)};
}

// "MThd" with length 6.
inline Bytes Header(uint16_t format, uint16_t tracks, uint16_t division) {
    Bytes b = {'M', 'T', 'h', 'd', 0, 0, 0, 6};
    Append(b, {uint8_t(format >> 8), uint8_t(format), uint8_t(tracks >> 8), uint8_t(tracks),
               uint8_t(division >> 8), uint8_t(division)});
    return b;
}

// A chunk with its true length, or with `declaredLength` when given.
inline Bytes Chunk(const char (&id)[5], const Bytes& body, int64_t declaredLength = -1) {
    Bytes b(id, id + 4);
    Append(b, U32(declaredLength < 0 ? uint32_t(body.size()) : uint32_t(declaredLength)));
    Append(b, body);
    return b;
}

inline Bytes Track(const Bytes& body) {
    return Chunk("MTrk", body);
}

// A format-0 file of one track with `body`, 96 ticks per beat.
inline Bytes SingleTrackFile(const Bytes& body) {
    Bytes b = Header(0, 1, 96);
    Append(b, Track(body));
    return b;
}

inline const Bytes kEndOfTrack = {0x00, 0xFF, 0x2F, 0x00};

// A scratch file under /tmp, removed with the object.
class ScratchFile {
  public:
    explicit ScratchFile(const std::string& name)
        : path((std::filesystem::temp_directory_path() /
                ("tabulon-smf-" + std::to_string(::getpid()) + "-" + name))
                   .string()) {}
    ScratchFile(const std::string& name, const Bytes& bytes) : ScratchFile(name) { Write(bytes); }
    ~ScratchFile() {
        std::error_code ignored;
        std::filesystem::remove(path, ignored);
    }
    void Write(const Bytes& bytes) const {
        std::ofstream(path, std::ios::binary)
            .write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
    }
    Bytes Read() const {
        std::ifstream in(path, std::ios::binary);
        return Bytes(std::istreambuf_iterator<char>(in), {});
    }
    const char* Path() const { return path.c_str(); }

  private:
    std::string path;
};

// A file opened for reading through the library, with every track read in chunks of 8192.
struct OpenedFile {
    uint32_t handle = 0;
    uint32_t format = 1;
    uint32_t trackCount = 0;
    std::string openFailure;  // GetSMFErrorText(0) when the open failed
    std::string problem;      // GetSMFErrorText(handle) when it succeeded
    std::vector<std::vector<MidiEvent>> tracks;

    explicit OpenedFile(const char* path) {
        handle = OpenSMF(path, &format, 'r', &trackCount);
        if (handle == 0) {
            openFailure = GetSMFErrorText(0);
            return;
        }
        problem = GetSMFErrorText(handle);
        for (uint32_t t = 0; t < trackCount; ++t)
            tracks.push_back(ReadAll(t));
    }
    ~OpenedFile() {
        if (handle) CloseSMF(handle);
    }
    OpenedFile(const OpenedFile&) = delete;
    OpenedFile& operator=(const OpenedFile&) = delete;

    std::vector<MidiEvent> ReadAll(uint32_t track) const {
        std::vector<MidiEvent> events;
        MidiEvent chunk[8192];
        while (uint32_t n = ReadSMF(handle, track, chunk, 8192))
            events.insert(events.end(), chunk, chunk + n);
        return events;
    }
    // The text of the first meta event of `type` in a track, or "(none)".
    std::string Meta(uint32_t track, uint8_t type) const {
        const uint8_t* data = nullptr;
        uint32_t length = 0;
        if (ReadMetaEvent(handle, track, type, &data, &length) != 0) return "(none)";
        return std::string(reinterpret_cast<const char*>(data), length);
    }
};

// Absolute times of a track's records.
inline std::vector<uint32_t> AbsoluteTimes(const std::vector<MidiEvent>& events) {
    std::vector<uint32_t> times;
    uint32_t t = 0;
    for (const MidiEvent& e : events)
        times.push_back(t += e.time);
    return times;
}

// "" when a track's records keep the rules that the merge relies on: channel messages with 7-bit
// data, tempo records, and system-exclusive runs that open with 0xF0, hold only 7-bit bytes of
// their own kind and close with 0xF7 before anything else comes; otherwise what is wrong.
inline std::string CheckRecords(const std::vector<MidiEvent>& events) {
    bool inRun = false;
    for (size_t i = 0; i < events.size(); ++i) {
        const MidiEvent& e = events[i];
        const std::string at = " at record " + std::to_string(i);
        if (inRun && e.status != 0xF0) return "run interrupted" + at;
        if (e.status >= 0x80 && e.status < 0xF0) {
            if (e.data1 >= 0x80 || e.data2 >= 0x80 || e.data3 != 0) return "bad channel data" + at;
        } else if (e.status == 0xF0) {
            if (e.data1 == 0xF0) {
                if (inRun) return "run opened twice" + at;
                inRun = true;
            } else if (e.data1 == 0xF7) {
                if (!inRun) return "run closed but not open" + at;
                inRun = false;
            } else if (e.data1 >= 0x80 || !inRun) {
                return "stray system-exclusive byte" + at;
            }
        } else if (e.status == 0xF7) {
            if (e.data1 == 0xF0 || e.data1 == 0xF7) return "escape holding a run byte" + at;
        } else if (e.status != 0xFF || e.data1 >= 0x80) {
            return "unknown record" + at;
        }
    }
    return inRun ? "run left open" : "";
}

}  // namespace smftest
