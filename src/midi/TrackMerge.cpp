#include "midi/TrackMerge.h"

#include <algorithm>

#include "midi/CMidiTrack.h"
#include "midi/MidiMessages.h"
#include "settings/UserSettings.h"

void TrackPlayState::Rewind() {
    block = {};
    blockCount = midi::kMergeBlockEvents;
    blockIndex = 0;
    trackIndex = 0;
    inSysex = 0;
    sentNotes.clear();
}

namespace midi {

namespace {

constexpr size_t kNoteSlots = 16 * 128;

bool HasUnread(const TrackPlayState& s) {
    return s.blockIndex < s.blockCount;
}
uint32_t NextTime(const TrackPlayState& s) {
    return s.block[s.blockIndex].time;
}

// The open system-exclusive run of a fill: while `open`, only `track` is read.
struct Run {
    bool open = false;
    size_t track = 0;
};

// Gives every track its block for this fill; a run left open by the previous fill carries over.
Run LoadBlocks(std::vector<TrackPlayState>& states) {
    Run run;
    for (size_t i = 0; i < states.size(); ++i) {
        TrackPlayState& s = states[i];
        s.blockCount = kMergeBlockEvents;
        // A muted track gives no block to ordinary reads; the merge still moves it along in time.
        s.block = s.track->IsMuted() ? s.track->ReadBlock(s.trackIndex, s.blockCount)
                                     : s.track->GetEventBlock(s.trackIndex, s.blockCount);
        s.blockCount = std::min(s.blockCount, static_cast<uint32_t>(s.block.size()));
        s.blockIndex = 0;
        if (s.blockCount > 0 && s.inSysex) run = {true, i};
    }
    return run;
}

void ReleaseBlocks(std::vector<TrackPlayState>& states) {
    for (TrackPlayState& s : states) {
        s.trackIndex += s.blockIndex;
        s.block = {};
    }
}

// Note numbers: a note-on takes the current transposition and is remembered; its note-off goes
// out with the remembered number, so that a change of the settings never leaves a note hanging.
void Transpose(TrackPlayState& s, size_t position, MidiEvent& e) {
    if (!IsNoteMessage(e)) return;
    const int32_t amount = UserSettings.transposeAmount;
    const bool transposed =
        amount != 0 && TrackFlag(UserSettings.transposedTracks, static_cast<int64_t>(position));
    if (e.data1 > 127) {  // not a note number: the plain rule, nothing to remember
        if (transposed) e.data1 = TransposeNote(e.data1, amount);
        return;
    }
    const size_t slot = size_t{ChannelOf(e.status)} * 128 + e.data1;
    if (IsNoteOff(e)) {
        if (!s.sentNotes.empty() && s.sentNotes[slot] != kNoNote) {
            e.data1 = s.sentNotes[slot];
            s.sentNotes[slot] = kNoNote;
        }
        return;
    }
    const uint8_t sent = transposed ? TransposeNote(e.data1, amount) : e.data1;
    if (s.sentNotes.empty()) s.sentNotes.assign(kNoteSlots, kNoNote);
    s.sentNotes[slot] = sent;
    e.data1 = sent;
}

// Consumes the next event of track `j`, keeping it in `out` unless the track is muted and the
// event is not a note-off.
void Consume(std::vector<TrackPlayState>& states, size_t j, MidiEvent* out, uint32_t& kept,
             Run& run) {
    TrackPlayState& s = states[j];
    MidiEvent e = s.block[s.blockIndex++];
    const bool keep = !s.track->IsMuted() || IsNoteOff(e) || IsTempoRecord(e);
    if (keep) {
        Transpose(s, j, e);
        out[kept++] = e;
    }
    if (OpensSysexRun(e)) {
        s.inSysex = 1;
        run = {true, j};
    } else if (ClosesSysexRun(e)) {
        s.inSysex = 0;
        run.open = false;
    }
}

// Where a fill stops reading: events at or after `tick` stay unread.
struct Limit {
    uint64_t tick = kNoMergeLimit;
    bool reached = false;
    bool Stops(const TrackPlayState& s) {
        if (NextTime(s) < tick) return false;
        reached = true;
        return true;
    }
};

uint32_t ScanFill(std::vector<TrackPlayState>& states, MidiEvent* out, uint32_t& consumed,
                  Limit& limit) {
    Run run = LoadBlocks(states);
    uint32_t kept = 0;
    for (; consumed < kOutBufferEvents; ++consumed) {
        size_t j = states.size();
        if (run.open) {
            if (!HasUnread(states[run.track])) break;
            j = run.track;
        } else {
            for (size_t k = 0; k < states.size(); ++k)
                if (HasUnread(states[k]) &&
                    (j == states.size() || NextTime(states[k]) < NextTime(states[j])))
                    j = k;
            if (j == states.size()) break;
        }
        if (limit.Stops(states[j])) break;
        Consume(states, j, out, kept, run);
    }
    ReleaseBlocks(states);
    return kept;
}

struct HeapEntry {
    uint32_t time;
    size_t position;
};
// std heap functions keep the greatest on top: "greater" puts the earliest (time, position) there.
bool Later(const HeapEntry& a, const HeapEntry& b) {
    return a.time != b.time ? a.time > b.time : a.position > b.position;
}

uint32_t HeapFill(std::vector<TrackPlayState>& states, MidiEvent* out, uint32_t& consumed,
                  Limit& limit) {
    Run run = LoadBlocks(states);
    std::vector<HeapEntry> heap;
    heap.reserve(states.size());
    for (size_t i = 0; i < states.size(); ++i)
        if (HasUnread(states[i]) && !(run.open && run.track == i))
            heap.push_back({NextTime(states[i]), i});
    std::make_heap(heap.begin(), heap.end(), Later);

    uint32_t kept = 0;
    for (; consumed < kOutBufferEvents; ++consumed) {
        size_t j = 0;
        if (run.open) {
            if (!HasUnread(states[run.track])) break;
            j = run.track;
        } else {
            if (heap.empty()) break;
            std::pop_heap(heap.begin(), heap.end(), Later);
            j = heap.back().position;
            heap.pop_back();
        }
        if (limit.Stops(states[j])) break;
        Consume(states, j, out, kept, run);
        // The run's track is read directly while its run is open; otherwise it competes again.
        if (HasUnread(states[j]) && !(run.open && run.track == j)) {
            heap.push_back({NextTime(states[j]), j});
            std::push_heap(heap.begin(), heap.end(), Later);
        }
    }
    ReleaseBlocks(states);
    return kept;
}

// Absolute times to deltas from the latest time sent so far.
void ToDeltas(MidiEvent* out, uint32_t n, uint32_t& lastTime) {
    for (uint32_t k = 0; k < n; ++k) {
        const uint32_t time = out[k].time;
        const auto delta = static_cast<int32_t>(time - lastTime);
        if (delta > 0) {
            out[k].time = static_cast<uint32_t>(delta);
            lastTime = time;
        } else {
            out[k].time = 0;
        }
    }
}

}  // namespace

uint8_t TransposeNote(uint8_t note, int32_t amount) {
    int64_t n = int64_t{note} + amount;
    if (n < 0) n += ((-n + 11) / 12) * 12;
    if (n > 127) n -= ((n - 127 + 11) / 12) * 12;
    return static_cast<uint8_t>(n);
}

uint32_t MergeTracks(std::vector<TrackPlayState>& states, MidiEvent* out, uint32_t& lastTime,
                     MergeStrategy strategy, uint64_t limitTick, bool* atLimit) {
    for (;;) {
        uint32_t consumed = 0;
        Limit limit{limitTick};
        const uint32_t kept = strategy == MergeStrategy::Scan
                                  ? ScanFill(states, out, consumed, limit)
                                  : HeapFill(states, out, consumed, limit);
        if (atLimit) *atLimit = limit.reached;
        if (kept > 0) {
            ToDeltas(out, kept, lastTime);
            return kept;
        }
        // Nothing left at all, or only muted events this time: the latter must not look like the
        // end of the song.
        if (consumed == 0) return 0;
    }
}

}  // namespace midi
