#include "midi/PlaySeek.h"

#include <algorithm>

#include "midi/CMidiTrack.h"
#include "midi/MidiMessages.h"

namespace midi {

namespace {

constexpr uint32_t kReadBlock = 8192;
// Per channel: 128 controllers, the program and the pitch bend.
constexpr size_t kProgramSlot = 128;
constexpr size_t kPitchBendSlot = 129;
constexpr size_t kSlotsPerChannel = 130;

struct Setting {
    bool set = false;
    uint32_t time = 0;
    size_t track = 0;
    uint32_t index = 0;
    MidiEvent event;
};

// The setting slot an event fills, or none.
bool SlotOf(const MidiEvent& e, size_t& slot) {
    const size_t base = size_t{ChannelOf(e.status)} * kSlotsPerChannel;
    switch (KindOf(e.status)) {
        case kControlChange:
            if (e.data1 >= kFirstChannelModeController) return false;
            slot = base + e.data1;
            return true;
        case kProgramChange:
            slot = base + kProgramSlot;
            return true;
        case kPitchBend:
            slot = base + kPitchBendSlot;
            return true;
        default:
            return false;
    }
}

// Walks one track up to `tick`: records its settings and returns its first index at or after
// `tick`, past a system-exclusive message that `tick` cuts.
uint32_t WalkTrack(const CMidiTrack& track, size_t position, uint32_t tick, bool recordSettings,
                   std::vector<Setting>& settings) {
    bool inRun = false;
    uint32_t index = 0;
    for (uint32_t start = 0; start < track.GetCount(); start += kReadBlock) {
        uint32_t n = kReadBlock;
        const std::vector<MidiEvent> block = track.ReadBlock(start, n);
        for (uint32_t k = 0; k < n; ++k, ++index) {
            const MidiEvent& e = block[k];
            if (e.time >= tick && !inRun) return index;
            if (OpensSysexRun(e))
                inRun = true;
            else if (ClosesSysexRun(e))
                inRun = false;
            size_t slot = 0;
            if (recordSettings && e.time < tick && IsChannelStatus(e.status) && SlotOf(e, slot))
                settings[slot] = {true, e.time, position, index, e};
        }
        if (n == 0) break;
    }
    return index;
}

}  // namespace

std::vector<MidiEvent> SeekTracks(std::vector<TrackPlayState>& states, uint32_t tick,
                                  std::vector<uint32_t>* indexes) {
    std::vector<Setting> settings(16 * kSlotsPerChannel);
    std::vector<uint32_t> found(states.size(), 0);
    for (size_t i = 0; i < states.size(); ++i)
        found[i] = WalkTrack(*states[i].track, i, tick, !states[i].track->IsMuted(), settings);
    SeekTracksTo(states, found);
    if (indexes) *indexes = std::move(found);

    std::vector<Setting> inForce;
    for (const Setting& s : settings)
        if (s.set) inForce.push_back(s);
    std::sort(inForce.begin(), inForce.end(), [](const Setting& a, const Setting& b) {
        if (a.time != b.time) return a.time < b.time;
        if (a.track != b.track) return a.track < b.track;
        return a.index < b.index;
    });
    std::vector<MidiEvent> events;
    events.reserve(inForce.size());
    for (const Setting& s : inForce) {
        MidiEvent e = s.event;
        e.time = 0;
        events.push_back(e);
    }
    return events;
}

void SeekTracksTo(std::vector<TrackPlayState>& states, const std::vector<uint32_t>& indexes) {
    for (size_t i = 0; i < states.size(); ++i) {
        states[i].Rewind();
        states[i].trackIndex = i < indexes.size() ? indexes[i] : 0;
    }
}

void AppendChannelResets(std::vector<MidiEvent>& out) {
    for (uint8_t channel = 0; channel < 16; ++channel) {
        out.push_back({0, uint8_t(kControlChange | channel), kSustainController, 0, 0});
        out.push_back({0, uint8_t(kPitchBend | channel), 0x00, 0x40, 0});
    }
}

void AppendReleaseSentNotes(std::vector<TrackPlayState>& states, std::vector<MidiEvent>& out) {
    for (TrackPlayState& s : states) {
        for (size_t slot = 0; slot < s.sentNotes.size(); ++slot) {
            if (s.sentNotes[slot] == kNoNote) continue;
            out.push_back({0, uint8_t(kNoteOff | (slot / 128)), s.sentNotes[slot], 0, 0});
            s.sentNotes[slot] = kNoNote;
        }
    }
}

}  // namespace midi
