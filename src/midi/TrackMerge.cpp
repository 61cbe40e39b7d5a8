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

// Sends event `e` of the track at `position` on, into `out`, unless the track is muted and the
// event is neither a note-off nor a tempo record; opens or closes the system-exclusive run.
void Emit(TrackPlayState& s, size_t position, MidiEvent e, MidiEvent* out, uint32_t& kept,
          bool& runOpen, size_t& runTrack) {
    const bool keep = !s.track->IsMuted() || IsNoteOff(e) || IsTempoRecord(e);
    if (keep) {
        Transpose(s, position, e);
        out[kept++] = e;
    }
    if (OpensSysexRun(e)) {
        s.inSysex = 1;
        runOpen = true;
        runTrack = position;
    } else if (ClosesSysexRun(e)) {
        s.inSysex = 0;
        runOpen = false;
    }
}

// Consumes the next event of track `j`'s block.
void Consume(std::vector<TrackPlayState>& states, size_t j, MidiEvent* out, uint32_t& kept,
             Run& run) {
    TrackPlayState& s = states[j];
    Emit(s, j, s.block[s.blockIndex++], out, kept, run.open, run.track);
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

// std heap functions keep the greatest on top: "later" puts the earliest (time, position) there.
template <typename Next>
bool Later(const Next& a, const Next& b) {
    return a.time != b.time ? a.time > b.time : a.position > b.position;
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

// Fills until one keeps an event: a fill that consumed events but kept none (only muted ones)
// must not look like the end of the song.
template <typename FillOnce>
uint32_t Repeated(FillOnce fillOnce, MidiEvent* out, uint32_t& lastTime, bool* atLimit) {
    for (;;) {
        uint32_t consumed = 0;
        bool reached = false;
        const uint32_t kept = fillOnce(consumed, reached);
        if (atLimit) *atLimit = reached;
        if (kept > 0) {
            ToDeltas(out, kept, lastTime);
            return kept;
        }
        if (consumed == 0) return 0;
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
    if (strategy == MergeStrategy::Heap) {
        TrackMerger merger;
        return merger.Fill(states, out, lastTime, limitTick, atLimit);
    }
    return Repeated(
        [&](uint32_t& consumed, bool& reached) {
            Limit limit{limitTick};
            const uint32_t kept = ScanFill(states, out, consumed, limit);
            reached = limit.reached;
            return kept;
        },
        out, lastTime, atLimit);
}

uint32_t TrackMerger::Fill(std::vector<TrackPlayState>& states, MidiEvent* out, uint32_t& lastTime,
                           uint64_t limit, bool* atLimit) {
    return Repeated([&](uint32_t& consumed,
                        bool& reached) { return FillOnce(states, out, consumed, limit, reached); },
                    out, lastTime, atLimit);
}

void TrackMerger::Load(std::vector<TrackPlayState>& states) {
    heap.clear();
    runOpen = false;
    // A run left open carries over: the last track in a run that has events left holds the others.
    for (size_t i = 0; i < states.size(); ++i) {
        const TrackPlayState& s = states[i];
        if (s.inSysex && s.trackIndex < s.track->GetCount()) {
            runOpen = true;
            run.position = i;
        }
    }
    for (size_t i = 0; i < states.size(); ++i) {
        const TrackPlayState& s = states[i];
        if (s.trackIndex >= s.track->GetCount()) continue;
        const Next next{s.track->GetAbsoluteTime(s.trackIndex), s.trackIndex, i};
        if (runOpen && run.position == i)
            run = next;
        else
            heap.push_back(next);
    }
    std::make_heap(heap.begin(), heap.end(), Later<Next>);
    loaded = true;
    loadedStates = states.data();
    loadedCount = states.size();
}

uint32_t TrackMerger::FillOnce(std::vector<TrackPlayState>& states, MidiEvent* out,
                               uint32_t& consumed, uint64_t limit, bool& reached) {
    if (!loaded || loadedStates != states.data() || loadedCount != states.size()) Load(states);
    uint32_t kept = 0;
    while (consumed < kOutBufferEvents) {
        Next next{};
        if (runOpen) {
            next = run;
        } else {
            if (heap.empty()) break;
            std::pop_heap(heap.begin(), heap.end(), Later<Next>);
            next = heap.back();
            heap.pop_back();
        }
        TrackPlayState& s = states[next.position];
        const CMidiTrack& track = *s.track;
        if (s.trackIndex != next.index || next.index >= track.GetCount()) {
            // Moved by someone else since it was queued: start again from where the tracks are.
            Load(states);
            continue;
        }
        if (next.time >= limit) {
            reached = true;
            if (!runOpen) {
                heap.push_back(next);
                std::push_heap(heap.begin(), heap.end(), Later<Next>);
            }
            break;
        }
        MidiEvent e = track.GetEvents()[s.trackIndex];
        e.time = next.time;
        ++s.trackIndex;
        ++consumed;
        size_t runTrack = run.position;
        Emit(s, next.position, e, out, kept, runOpen, runTrack);
        if (s.trackIndex >= track.GetCount()) {
            // The track is done; a run it leaves open ends the fill, as a block that ran dry.
            if (runOpen && runTrack == next.position) {
                runOpen = false;
                break;
            }
            continue;
        }
        next.time += track.GetEvents()[s.trackIndex].time;
        next.index = s.trackIndex;
        if (runOpen && runTrack == next.position) {
            run = next;
        } else {
            heap.push_back(next);
            std::push_heap(heap.begin(), heap.end(), Later<Next>);
        }
    }
    return kept;
}

}  // namespace midi
