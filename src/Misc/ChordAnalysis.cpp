#include "Misc/ChordAnalysis.h"

#include <algorithm>
#include <array>
#include <cstring>

#include "Misc/ChordDiagram.h"
#include "Misc/LogStream.h"
#include "Misc/LogText.h"
#include "Misc/notelist.h"
#include "midi/CMidiOut.h"
#include "midi/CMidiTrack.h"
#include "midi/MidiMessages.h"
#include "settings/UserSettings.h"

ChordTimeline chordTimeline;
std::vector<MonitoredEvent> monitoredEvents;

namespace {

// The system-exclusive run of the walk: while open, only `track` is walked.
struct RunState {
    bool open = false;
    std::size_t track = 0;
};

// The sounding notes during the pass, as soundingNotes would follow them, kept as a flag per
// (note, channel) and a count per pitch class, so that an event costs no walk of a list: the
// pitch-class set after each event is at hand. Each sounding pair keeps the order in which it was
// struck, so that WriteBack leaves soundingNotes exactly as updating it event by event would have
// (ascending notes, equal notes in the order they were added).
class SoundingSet {
    static constexpr std::size_t kChannels = 16;

  public:
    SoundingSet() {
        for (const NoteNode& node : soundingNotes.Nodes())
            Strike(node.note, node.channel);
    }

    Chord Apply(const MidiEvent& e) {
        if (midi::IsAllNotesOff(e)) {
            struck.fill(0);
            counts.fill(0);
            set = 0;
        } else if (midi::IsNoteOn(e)) {
            Strike(e.data1, midi::ChannelOf(e.status));
        } else if (midi::IsNoteOff(e)) {
            const std::size_t slot = Slot(e.data1, midi::ChannelOf(e.status));
            if (struck[slot] != 0) {
                struck[slot] = 0;
                const int p = e.data1 % 12;
                if (--counts[static_cast<std::size_t>(p)] == 0) set &= ~(1 << p);
            }
        }
        return Chord(set);
    }

    // Gives soundingNotes the notes sounding now.
    void WriteBack() const {
        std::vector<std::pair<uint32_t, std::size_t>> sounding;  // (order struck, slot)
        for (std::size_t slot = 0; slot < struck.size(); ++slot)
            if (struck[slot] != 0) sounding.emplace_back(struck[slot], slot);
        std::sort(sounding.begin(), sounding.end());
        soundingNotes.Clear();
        for (const auto& [order, slot] : sounding) {
            const auto channel = static_cast<uint8_t>(slot % kChannels);
            const auto note = static_cast<uint8_t>(slot / kChannels);
            soundingNotes.Update(
                MidiEvent{0, static_cast<uint8_t>(midi::kNoteOn | channel), note, 1, 0});
        }
    }

  private:
    static std::size_t Slot(int note, int channel) {
        return static_cast<std::size_t>(note) * kChannels + static_cast<std::size_t>(channel);
    }
    void Strike(int note, int channel) {
        const std::size_t slot = Slot(note, channel);
        if (struck[slot] != 0) return;  // already sounds
        struck[slot] = nextOrder++;
        const int p = note % 12;
        ++counts[static_cast<std::size_t>(p)];
        set |= 1 << p;
    }

    // When each (note, channel) was struck, counted from 1; 0 when it is not sounding. Notes run
    // to 255: a record's data byte is never more.
    std::array<uint32_t, 256 * kChannels> struck{};
    uint32_t nextOrder = 1;
    std::array<uint32_t, 12> counts{};
    int set = 0;  // the pitch classes whose count is not 0
};

// The channels, tracks and transposition that the pass reads once, when it starts, and the
// recording of the monitored events.
class Selection {
  public:
    Selection() : amount(UserSettings.transposeAmount) {
        for (int c = 0; c < kMidiChannels; ++c)
            if (UserSettings.monitoredChannels[static_cast<std::size_t>(c)] != 0)
                channelMask |= 1u << c;
    }

    // Records `e` of track `k` when it is a note event of a monitored channel and track.
    void Observe(const MidiEvent& e, std::size_t k) {
        if ((channelMask & (1u << midi::ChannelOf(e.status))) == 0) return;
        const auto position = static_cast<int64_t>(k);
        if (!TrackFlag(UserSettings.monitoredTracks, position)) return;
        const bool noteEvent = midi::IsNoteMessage(e);
        if (!noteEvent && !midi::IsAllNotesOff(e)) return;

        MonitoredEvent record;
        record.time = e.time;
        record.event = e;
        record.trackIndex = static_cast<int32_t>(k);
        if (noteEvent && amount != 0 && TrackFlag(UserSettings.transposedTracks, position))
            record.event.data1 = midi::TransposeNote(e.data1, amount);
        record.chord = sounding.Apply(record.event);
        monitoredEvents.push_back(record);
    }

    // Leaves soundingNotes as the walk's events left the sounding notes.
    void Finish() const { sounding.WriteBack(); }

  private:
    uint32_t channelMask = 0;
    int32_t amount = 0;
    SoundingSet sounding;
};

// The walk over every track's events in merged order, one window at a time. A window holds the
// next kMergeBlockEvents events of every track (fewer at its end, none when it is muted); the
// fields of each TrackPlayState follow the window: blockCount is what the window holds,
// blockIndex what the window has walked, trackIndex where the window began. The events are kept
// in one ring per track (kMergeBlockEvents slots, fewer for a shorter track) that each window
// tops up with a block read of just the events the previous window walked, so nothing is read
// twice. The earliest next event comes from a scan of the tracks' next times while they are few,
// and from a heap of (time, position) entries when there are many, so that a step costs the
// logarithm of the number of tracks rather than a scan of thousands.
class Walker {
  public:
    explicit Walker(std::vector<TrackPlayState>& trackStates)
        : states(trackStates),
          windows(trackStates.size()),
          nextTime(trackStates.size()),
          finished(trackStates.size()),
          useHeap(trackStates.size() > kMostTracksScanned) {}

    void Run(Selection& selection) {
        bool stop = false;
        while (!stop) {
            LoadWindow();
            for (uint32_t step = 0; step < midi::kMergeBlockEvents; ++step) {
                std::size_t k = 0;
                const Choice choice = ChooseTrack(k);
                if (choice == Choice::EndWalk) stop = true;
                if (choice != Choice::Track) break;
                Step(k, selection);
            }
            for (TrackPlayState& s : states)
                s.trackIndex += s.blockIndex;
        }
    }

  private:
    // Sorts after every real time: the track has nothing left in its window.
    static constexpr uint64_t kNoEvent = UINT64_MAX;
    // Up to this many tracks a scan of their next times beats the upkeep of a heap.
    static constexpr std::size_t kMostTracksScanned = 48;
    enum class Choice { Track, EndWindow, EndWalk };

    // The unwalked events of one track's window, oldest at `head`.
    struct Window {
        std::vector<MidiEvent> ring;
        uint32_t head = 0;
        uint32_t held = 0;

        const MidiEvent& Next() const { return ring[head]; }
        uint32_t Slot(uint32_t offset) const {
            const uint32_t slot = head + offset;
            return slot < ring.size() ? slot : slot - static_cast<uint32_t>(ring.size());
        }
    };

    // A track's next event in the heap; the lowest time first, then the lowest position. An entry
    // whose time is no longer its track's next time is stale and skipped.
    struct Entry {
        uint64_t time;
        std::size_t track;
        // std::push_heap keeps the greatest on top: the greatest here is the earliest.
        friend bool operator<(const Entry& a, const Entry& b) {
            return a.time != b.time ? a.time > b.time : a.track > b.track;
        }
    };

    void Refresh(std::size_t i) {
        nextTime[i] = windows[i].held > 0 ? windows[i].Next().time : kNoEvent;
        if (nextTime[i] == kNoEvent || !useHeap) return;
        heap.push_back(Entry{nextTime[i], i});
        std::push_heap(heap.begin(), heap.end());
    }

    // Reads the events that follow the window's content until it holds kMergeBlockEvents. A
    // track that gives fewer has no more (muting does not change during a pass).
    void TopUp(std::size_t i) {
        TrackPlayState& s = states[i];
        Window& w = windows[i];
        const uint32_t wanted = midi::kMergeBlockEvents - w.held;
        uint32_t n = wanted;
        const std::vector<MidiEvent> block = s.track->GetEventBlock(s.trackIndex + w.held, n);
        if (n < wanted) finished[i] = true;
        if (n == 0) return;
        if (w.ring.empty())
            w.ring.resize(std::min<std::size_t>(midi::kMergeBlockEvents, s.track->GetCount()));
        for (uint32_t j = 0; j < n; ++j)
            w.ring[w.Slot(w.held + j)] = block[j];
        w.held += n;
    }

    // Starts a window on every track. The first event of each window is tested for a run as if
    // the step before it had looked at it; a run left open carries over.
    void LoadWindow() {
        heap.clear();
        for (std::size_t i = 0; i < states.size(); ++i) {
            TrackPlayState& s = states[i];
            Window& w = windows[i];
            if (w.held < midi::kMergeBlockEvents && !finished[i]) TopUp(i);
            s.blockCount = w.held;
            s.blockIndex = 0;
            nextTime[i] = w.held > 0 ? w.Next().time : kNoEvent;
            if (w.held == 0) continue;
            if (useHeap) heap.push_back(Entry{nextTime[i], i});
            const MidiEvent& first = w.Next();
            if (midi::OpensSysexRun(first)) {
                s.inSysex = 1;
            } else if (midi::ClosesSysexRun(first)) {
                s.inSysex = 0;
                if (run.open && run.track == i) run.open = false;
            }
            if (s.inSysex != 0) run = RunState{true, i};
        }
        std::make_heap(heap.begin(), heap.end());
    }

    // The run's track while a run is open, else the track with the earliest next event (the
    // lowest position on equal times).
    Choice ChooseTrack(std::size_t& k) {
        if (run.open) {
            TrackPlayState& s = states[run.track];
            if (windows[run.track].held > 0) {
                k = run.track;
                return Choice::Track;
            }
            // A full window may be followed by more events: the next window reads on.
            if (s.blockCount == midi::kMergeBlockEvents) return Choice::EndWindow;
            // The run's track has ended without closing its run; the other tracks go on.
            s.inSysex = 0;
            run.open = false;
        }
        if (!useHeap) {
            // Strictly earlier replaces, so the lowest position wins on equal times. Written
            // without branches: the choice is unpredictable, the scan short.
            uint64_t earliest = kNoEvent;
            std::size_t choice = 0;
            for (std::size_t i = 0; i < nextTime.size(); ++i) {
                const bool earlier = nextTime[i] < earliest;
                earliest = earlier ? nextTime[i] : earliest;
                choice = earlier ? i : choice;
            }
            k = choice;
            return earliest == kNoEvent ? Choice::EndWalk : Choice::Track;
        }
        while (!heap.empty() && heap.front().time != nextTime[heap.front().track]) {
            std::pop_heap(heap.begin(), heap.end());
            heap.pop_back();
        }
        if (heap.empty()) return Choice::EndWalk;
        k = heap.front().track;
        // The step that follows gives the track its next entry.
        std::pop_heap(heap.begin(), heap.end());
        heap.pop_back();
        return Choice::Track;
    }

    // Analyses the next event of track k; the event after it in the window decides the run.
    void Step(std::size_t k, Selection& selection) {
        TrackPlayState& s = states[k];
        Window& w = windows[k];
        selection.Observe(w.Next(), k);
        w.head = w.Slot(1);
        --w.held;
        ++s.blockIndex;
        if (w.held > 0) {
            const MidiEvent& next = w.Next();
            if (midi::OpensSysexRun(next)) {
                s.inSysex = 1;
                run = RunState{true, k};
            } else if (midi::ClosesSysexRun(next)) {
                s.inSysex = 0;
                run.open = false;
            }
        }
        Refresh(k);
    }

    std::vector<TrackPlayState>& states;
    std::vector<Window> windows;
    std::vector<uint64_t> nextTime;
    std::vector<bool> finished;
    std::vector<Entry> heap;
    bool useHeap;
    RunState run;
};

bool SameText(const char* a, const char* b) {
    if (a == b) return true;  // the dictionary's texts: usually the very same
    if (a == nullptr || b == nullptr) return false;
    return std::strcmp(a, b) == 0;
}

// The texts of the last recognised chord; absent until one is found.
struct ChordTexts {
    const char* root = nullptr;
    const char* abbreviation = nullptr;
    const char* name = nullptr;

    friend bool operator==(const ChordTexts& x, const ChordTexts& y) {
        return SameText(x.root, y.root) && SameText(x.abbreviation, y.abbreviation) &&
               SameText(x.name, y.name);
    }
};

void WriteMonitoredEvents() {
    WriteMonitoredEventsHeading(LogStream);
    int32_t number = 0;
    for (const MonitoredEvent& record : monitoredEvents) {
        ++number;
        if (record.chord.IsEmpty()) continue;  // silence is counted, not listed
        WriteMonitoredEventLine(LogStream, number, record.time, record.event.MessageWord());
    }
}

void RebuildTimeline() {
    chordTimeline.Clear();
    const bool logChords = UserSettings.logChords != 0;
    if (logChords) WriteRecognizedChordsHeading(LogStream);
    ChordTexts last;
    for (const MonitoredEvent& record : monitoredEvents) {
        ChordTexts found;
        const FingeringList* fingerings = nullptr;
        if (!LookupChord(record.chord, found.abbreviation, found.name, fingerings, found.root))
            continue;  // neither a new chord nor the end of the last one
        if (found == last) continue;
        if (logChords) {
            WriteChordEntryLine(LogStream, record.time, found.root, found.abbreviation, found.name);
            WriteChord(LogStream, record.chord);
            LogStream << "\n";
        }
        last = found;
        chordTimeline.Append(record.time, record.chord);
    }
}

}  // namespace

void CMidiOut::AnalyzeChords() {
    // The records' storage is kept for the next pass, which usually needs as much.
    monitoredEvents.clear();
    // At most one record an event: reserved once, the records never move while the walk grows
    // them, and the room that stays unused is never touched.
    std::size_t events = 0;
    for (const TrackPlayState& s : states)
        events += s.track->GetCount();
    monitoredEvents.reserve(events);
    Selection selection;
    Walker(states).Run(selection);
    selection.Finish();

    if (UserSettings.loggingEnabled != 0) {
        WriteFileHeaderSection(LogStream, UserSettings, GetNumTracks(), [this](int32_t t) {
            return states[static_cast<std::size_t>(t)].track->GetName();
        });
        if (UserSettings.logNotes != 0) WriteMonitoredEvents();
    }

    RebuildTimeline();

    for (TrackPlayState& s : states)
        s.Rewind();
    if (UserSettings.logMidiEvents != 0) WriteSentEventsHeading(LogStream);
    lastTime = 0;
    outCount = 0;
    sendIndex = 0;
}
