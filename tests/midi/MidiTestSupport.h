#pragma once
// Helpers of the midi tests: tracks built from absolute times, the null device, scratch files.

#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "Misc/LogStream.h"
#include "midi/CMidiOut.h"
#include "midi/CMidiTrack.h"
#include "midi/MidiLib.h"
#include "settings/UserSettings.h"

namespace miditest {

constexpr uint8_t kNoteOn = 0x90;
constexpr uint8_t kNoteOff = 0x80;
constexpr uint8_t kSysex = 0xF0;

inline MidiEvent At(uint32_t time, uint8_t status, uint8_t data1, uint8_t data2 = 100) {
    return MidiEvent{time, status, data1, data2, 0};
}

// Appends events given with absolute times (non-decreasing) as delta times.
inline void Fill(CMidiTrack& track, const std::vector<MidiEvent>& absolute) {
    uint32_t previous = track.GetAbsoluteTime(track.GetCount() - 1);
    for (MidiEvent e : absolute) {
        const uint32_t time = e.time;
        e.time -= previous;
        previous = time;
        track.InsertEvent(e, -1);
    }
}

// A new track holding `absolute`, kept in `tracks` and attached to `out` after the others.
inline CMidiTrack& AddFilledTrack(std::vector<std::unique_ptr<CMidiTrack>>& tracks, CMidiOut& out,
                                  const std::vector<MidiEvent>& absolute) {
    tracks.push_back(std::make_unique<CMidiTrack>());
    Fill(*tracks.back(), absolute);
    out.AddTrack(tracks.back().get());
    return *tracks.back();
}

// `count` note-ons at `time`, note numbers counting from `firstNote` (mod 128).
inline std::vector<MidiEvent> Repeated(uint32_t count, uint32_t time, uint8_t status = kNoteOn,
                                       uint32_t firstNote = 0) {
    std::vector<MidiEvent> events;
    for (uint32_t i = 0; i < count; ++i)
        events.push_back(At(time, status, static_cast<uint8_t>((firstNote + i) % 128)));
    return events;
}

inline std::vector<MidiEvent> Buffer(const CMidiOut& out) {
    const MidiEvent* buffer = out.GetOutBuffer();
    return buffer ? std::vector<MidiEvent>(buffer, buffer + out.GetOutCount())
                  : std::vector<MidiEvent>{};
}

inline std::vector<uint32_t> Times(const std::vector<MidiEvent>& events) {
    std::vector<uint32_t> times;
    for (const MidiEvent& e : events)
        times.push_back(e.time);
    return times;
}

// The device number of the library's null device, or -1.
inline int NullDevice() {
    for (int d = 0; d < GetNumOutDevices(); ++d) {
        char description[32] = {};
        if (GetMidiOutDescription(static_cast<uint16_t>(d), description) &&
            std::string(description) == kNullOutputDescription)
            return d;
    }
    return -1;
}

inline std::string ScratchPath(const std::string& name) {
    return "/tmp/tabulon-midi-test-" + std::to_string(::getpid()) + "-" + name;
}

inline std::string ReadFile(const std::string& path) {
    std::ifstream in(path);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

}  // namespace miditest
