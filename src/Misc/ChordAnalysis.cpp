#include "Misc/ChordAnalysis.h"

#include <algorithm>
#include <array>
#include <atomic>
#include <cstring>
#include <exception>
#include <optional>
#include <system_error>
#include <thread>

#include "Misc/ChordDiagram.h"
#include "Misc/LogStream.h"
#include "Misc/LogText.h"
#include "Misc/notelist.h"
#include "midi/CMidiOut.h"
#include "midi/CMidiTrack.h"
#include "midi/MidiLib.h"
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

    // Applies the events of `records` in order, giving each record the set after its event.
    // Written without branches on the kind of note event, as note-ons and note-offs alternate
    // unpredictably; the set and the strike count stay in registers for the whole batch. Kept
    // out of line: inlined into the walk, it had them spilled to the stack at every event.
    [[gnu::noinline]] void Apply(MonitoredEvent* records, std::size_t n) {
        int now = set;
        uint32_t order = nextOrder;
        for (std::size_t j = 0; j < n; ++j) {
            const MidiEvent& e = records[j].event;
            if (midi::IsAllNotesOff(e)) {
                struck.fill(0);
                counts.fill(0);
                now = 0;
            } else {
                const std::size_t slot = Slot(e.data1, midi::ChannelOf(e.status));
                const uint32_t was = struck[slot];
                const uint32_t sounds = was != 0;
                const uint32_t starts = midi::IsNoteOn(e) & (sounds ^ 1);
                const uint32_t stops = midi::IsNoteOff(e) & sounds;
                // A note that starts was not struck, so `was` is 0 then.
                struck[slot] = (was | (order & (0u - starts))) & ~(0u - stops);
                order += starts;
                const std::size_t p = kPitchClass[e.data1];
                const uint32_t count = counts[p] + starts - stops;
                counts[p] = count;
                const int bit = 1 << p;
                now = (now & ~bit) | (bit & -static_cast<int>(count != 0));
            }
            records[j].chord = Chord(now);
        }
        set = now;
        nextOrder = order;
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
    static constexpr std::array<uint8_t, 256> kPitchClass = [] {
        std::array<uint8_t, 256> table{};
        for (std::size_t n = 0; n < table.size(); ++n)
            table[n] = static_cast<uint8_t>(n % 12);
        return table;
    }();

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

bool SameText(const char* a, const char* b) {
    if (a == b) return true;  // the dictionary's texts: usually the very same
    if (a == nullptr || b == nullptr) return false;
    return std::strcmp(a, b) == 0;
}

// The texts of a recognised chord; absent until one is found.
struct ChordTexts {
    const char* root = nullptr;
    const char* abbreviation = nullptr;
    const char* name = nullptr;

    friend bool operator==(const ChordTexts& x, const ChordTexts& y) {
        return SameText(x.root, y.root) && SameText(x.abbreviation, y.abbreviation) &&
               SameText(x.name, y.name);
    }
};

// Finds the chord changes of the records as they are made. A recognised chord is known by the
// number of its texts among the distinct texts met in this pass, and every set's number is worked
// out once, when the set is first met: a record then costs a table read.
class ChangeFinder {
  public:
    ChangeFinder() { textsOfSet.fill(kUnknown); }

    // Appends each record's set to chordTimeline when its texts differ from the last recognised
    // chord's. Unrecognised sets (silence included) neither add an entry nor forget the last one.
    void Observe(const MonitoredEvent* records, std::size_t n) {
        for (std::size_t j = 0; j < n; ++j) {
            const Chord chord = records[j].chord;
            int16_t& number = textsOfSet[static_cast<std::size_t>(chord.Value())];
            if (number == kUnknown) number = NumberTexts(chord);
            if (number == kNoChord || number == last) continue;
            last = number;
            chordTimeline.Append(records[j].time, chord);
        }
    }

  private:
    static constexpr int16_t kUnknown = -2;
    static constexpr int16_t kNoChord = -1;

    int16_t NumberTexts(Chord chord) {
        ChordTexts found;
        const FingeringList* fingerings = nullptr;
        if (!LookupChord(chord, found.abbreviation, found.name, fingerings, found.root))
            return kNoChord;
        const auto known = std::find(distinct.begin(), distinct.end(), found);
        if (known != distinct.end()) return static_cast<int16_t>(known - distinct.begin());
        distinct.push_back(found);
        return static_cast<int16_t>(distinct.size() - 1);
    }

    // The number of every set's texts, kUnknown until the set is first met. There are at most as
    // many distinct texts as types times twelve roots.
    std::array<int16_t, Chord::kLimit> textsOfSet{};
    std::vector<ChordTexts> distinct;
    int16_t last = kNoChord;  // the last recognised chord's texts; none yet
};

// Makes the monitored events' records from what the walk found: transposes the notes of
// transposed tracks, follows the sounding notes and records the set after each event, and finds
// the chord changes along the way.
class Recorder {
  public:
    Recorder(const std::vector<TrackPlayState>& states, const UserSettingsRecord& settings)
        : transposed(states.size()) {
        if (settings.transposeAmount == 0) return;
        for (std::size_t i = 0; i < transposed.size(); ++i) {
            transposed[i] = TrackFlag(settings.transposedTracks, static_cast<int64_t>(i));
            anyTransposed = anyTransposed || transposed[i] != 0;
        }
        for (std::size_t note = 0; note < transposition.size(); ++note)
            transposition[note] =
                midi::TransposeNote(static_cast<uint8_t>(note), settings.transposeAmount);
    }

    // Completes the records that the walk began (time, event and track) and appends them to
    // monitoredEvents.
    void Record(MonitoredEvent* records, std::size_t n) {
        if (anyTransposed) {
            for (std::size_t j = 0; j < n; ++j) {
                MidiEvent& e = records[j].event;
                if (transposed[static_cast<std::size_t>(records[j].trackIndex)] != 0 &&
                    midi::IsNoteMessage(e))
                    e.data1 = transposition[e.data1];
            }
        }
        sounding.Apply(records, n);
        changes.Observe(records, n);
        monitoredEvents.insert(monitoredEvents.end(), records, records + n);
    }

    // Leaves soundingNotes as the walk's events left the sounding notes.
    void Finish() const { sounding.WriteBack(); }

  private:
    std::vector<uint8_t> transposed;  // per track; none when the amount is 0
    bool anyTransposed = false;
    std::array<uint8_t, 256> transposition{};  // each note as a transposed track plays it
    SoundingSet sounding;
    ChangeFinder changes;
};

// The cursor of one track: where the walk is in its array and in the current window. The walk
// reads the track's own array: each event's absolute time is the running sum of the deltas
// (unsigned 32-bit, wrapping), as a block read would give it, so nothing is copied.
struct TrackCursor {
    const MidiEvent* events = nullptr;
    uint32_t count = 0;        // the events the pass reads: none when the track is muted
    uint32_t index = 0;        // the next event
    uint32_t time = 0;         // absolute time of the next event, while index < count
    uint32_t windowStart = 0;  // where the current window's block began
    uint32_t windowEnd = 0;    // one past its last event
    uint32_t channelMask = 0;  // the monitored channels, none when the track is not monitored
    bool inSysex = false;

    bool HoldsEvent() const { return index < windowEnd; }
    const MidiEvent& Next() const { return events[index]; }
    uint32_t BlockCount() const { return windowEnd - windowStart; }
    // Moves past the next event, keeping `time` that of the one after it.
    void Advance() {
        ++index;
        if (index < count) time += events[index].time;
    }
};

// The walk over every track's events in merged order, one window at a time. A window gives each
// track a block of its next kMergeBlockEvents events (fewer at its end, none when it is muted)
// and ends after kMergeBlockEvents steps over all tracks; the events it finds to record are
// handed on at its end. Choosing the next track and recording are kept apart so that the choice,
// one long chain of dependent steps, is not held up by the recording's work (which may then go
// on beside it, on another thread).
//
// The earliest next event comes from a tree of minima over (time, position) keys, one leaf per
// track: a step mends the path above its track's leaf, so it costs the logarithm of the number of
// tracks, and the lowest position wins on equal times because it is the key's low half.
class Walker {
  public:
    Walker(std::vector<TrackPlayState>& trackStates, const UserSettingsRecord& settings)
        : cursors(trackStates.size()) {
        uint32_t channelMask = 0;
        for (int c = 0; c < kMidiChannels; ++c)
            if (settings.monitoredChannels[static_cast<std::size_t>(c)] != 0)
                channelMask |= 1u << c;
        for (std::size_t i = 0; i < cursors.size(); ++i) {
            const TrackPlayState& s = trackStates[i];
            TrackCursor& c = cursors[i];
            c.events = s.track->GetEvents();
            c.count = s.track->IsMuted() != 0 ? 0 : s.track->GetCount();
            c.index = s.trackIndex;
            if (c.index < c.count) c.time = s.track->GetAbsoluteTime(c.index);
            c.windowStart = c.windowEnd = c.index;
            c.channelMask =
                TrackFlag(settings.monitoredTracks, static_cast<int64_t>(i)) ? channelMask : 0;
            c.inSysex = s.inSysex != 0;
        }
        while (leaves < cursors.size())
            leaves *= 2;
        tree.assign(2 * leaves, kNoEvent);
    }

    // Walks every window, writing the records each one finds into the room that `sink.Window()`
    // gives (kMergeBlockEvents records) and handing them on with `sink.Found(count)`.
    template <class Sink>
    void Run(Sink& sink) {
        bool stop = false;
        while (!stop) {
            MonitoredEvent* const records = sink.Window();
            uint64_t earliest = LoadWindow();
            std::size_t found = 0;
            uint32_t step = 0;
            while (step < midi::kMergeBlockEvents) {
                std::size_t k = 0;
                const Choice choice = ChooseTrack(earliest, k);
                if (choice == Choice::EndWalk) stop = true;
                if (choice != Choice::Track) break;
                found += Step(k, records[found]);
                ++step;
                earliest = Mend(k, Key(k));
            }
            sink.Found(found);
        }
    }

  private:
    // Sorts after every real key: the track has nothing left in its window.
    static constexpr uint64_t kNoEvent = UINT64_MAX;
    enum class Choice { Track, EndWindow, EndWalk };

    uint64_t Key(std::size_t i) const {
        const TrackCursor& c = cursors[i];
        return c.HoldsEvent() ? (uint64_t{c.time} << 32) | i : kNoEvent;
    }

    // Gives track i's leaf `key`, mends the minima above it and returns the root. The least of
    // the siblings on the way up does not depend on the key, so the levels are not a chain of
    // dependent steps.
    uint64_t Mend(std::size_t i, uint64_t key) {
        std::size_t node = leaves + i;
        tree[node] = key;
        uint64_t others = kNoEvent;
        for (; node > 1; node /= 2) {
            others = std::min(others, tree[node ^ 1]);
            tree[node / 2] = std::min(key, others);
        }
        return std::min(key, others);
    }

    // Starts a window on every track and returns the least key. The first event of each block is
    // tested for a run as if the step before it had looked at it; a run left open carries over.
    uint64_t LoadWindow() {
        for (std::size_t i = 0; i < cursors.size(); ++i) {
            TrackCursor& c = cursors[i];
            c.windowStart = c.index;
            c.windowEnd =
                c.index + std::min(midi::kMergeBlockEvents, c.count - std::min(c.index, c.count));
            tree[leaves + i] = Key(i);
            if (!c.HoldsEvent()) continue;
            const MidiEvent& first = c.Next();
            if (midi::OpensSysexRun(first)) {
                c.inSysex = true;
            } else if (midi::ClosesSysexRun(first)) {
                c.inSysex = false;
                if (run.open && run.track == i) run.open = false;
            }
            if (c.inSysex) run = RunState{true, i};
        }
        for (std::size_t node = leaves - 1; node > 0; --node)
            tree[node] = std::min(tree[2 * node], tree[2 * node + 1]);
        return tree[1];
    }

    // The run's track while a run is open, else the track of the least key `earliest`.
    Choice ChooseTrack(uint64_t earliest, std::size_t& k) {
        if (run.open) {
            TrackCursor& c = cursors[run.track];
            if (c.HoldsEvent()) {
                k = run.track;
                return Choice::Track;
            }
            // A full window may be followed by more events: the next window reads on.
            if (c.BlockCount() == midi::kMergeBlockEvents) return Choice::EndWindow;
            // The run's track has ended without closing its run; the other tracks go on.
            c.inSysex = false;
            run.open = false;
        }
        if (earliest == kNoEvent) return Choice::EndWalk;
        k = static_cast<std::size_t>(earliest & UINT32_MAX);
        return Choice::Track;
    }

    // Walks past the next event of track k, writing it to `found` with its absolute time; 1 when
    // it is to be recorded, else 0 (and `found` is free again). The event after it in the block
    // decides the run.
    std::size_t Step(std::size_t k, MonitoredEvent& found) {
        TrackCursor& c = cursors[k];
        const MidiEvent& e = c.Next();
        found.time = c.time;
        found.event = e;
        found.event.time = c.time;
        found.trackIndex = static_cast<int32_t>(k);
        // A note event or the all-notes-off event of a monitored channel: worked out without
        // branches, as the kinds of the tracks' events mix unpredictably.
        const bool monitoredChannel = ((c.channelMask >> midi::ChannelOf(e.status)) & 1) != 0;
        const bool counts = midi::IsNoteMessage(e) || midi::IsAllNotesOff(e);
        c.Advance();
        if (c.HoldsEvent()) {
            const MidiEvent& next = c.Next();
            if (midi::OpensSysexRun(next)) {
                c.inSysex = true;
                run = RunState{true, k};
            } else if (midi::ClosesSysexRun(next)) {
                c.inSysex = false;
                run.open = false;
            }
        }
        return static_cast<std::size_t>(monitoredChannel & counts);
    }

    std::vector<TrackCursor> cursors;
    std::size_t leaves = 1;  // a power of two, at least the number of tracks
    // Node n holds the least key of its children 2n and 2n + 1; the root is node 1, track i's leaf
    // is node leaves + i. Leaves without a track hold kNoEvent.
    std::vector<uint64_t> tree;
    RunState run;
};

// Records each window as soon as the walk has found it.
class RecordInTurn {
  public:
    explicit RecordInTurn(Recorder& recorder) : recorder(recorder) {}

    MonitoredEvent* Window() { return window.data(); }
    void Found(std::size_t count) { recorder.Record(window.data(), count); }

  private:
    Recorder& recorder;
    // The records the window found, begun: time, event and track.
    std::array<MonitoredEvent, midi::kMergeBlockEvents> window;
};

// Records the windows on a thread of its own while the walk goes on: the walk and the recording
// take about the same time, so a long song's pass takes about half as long. The windows pass
// through a ring of slots, several windows to a slot so that the threads meet rarely, and are
// recorded one slot after the other in the order they were found: the records, the timeline and
// the sounding notes are those of recording each window in turn. Should the recording fail, the
// walk still runs to its end (its windows are dropped) and Finish rethrows the failure.
class RecordBesideTheWalk {
    static constexpr std::size_t kWindowsPerSlot = 8;
    static constexpr std::size_t kSlotRecords = kWindowsPerSlot * midi::kMergeBlockEvents;
    static constexpr uint32_t kSlots = 4;
    static constexpr uint32_t kWalkEnded = 0x80000000u;  // a flag in `published`

  public:
    // Throws std::system_error when no thread can be started.
    explicit RecordBesideTheWalk(Recorder& recorder)
        : recorder(recorder), slots(kSlots), helper([this] { RecordSlots(); }) {}
    ~RecordBesideTheWalk() {
        if (helper.joinable()) End();
    }

    MonitoredEvent* Window() {
        if (slotWindows == 0) {
            // Waits for the slot to be free: the helper has recorded what it held before.
            for (uint32_t done = recorded.load(std::memory_order_acquire); filled - done >= kSlots;
                 done = recorded.load(std::memory_order_acquire))
                recorded.wait(done, std::memory_order_acquire);
        }
        Slot& slot = slots[filled % kSlots];
        return slot.records.data() + slot.count;
    }
    void Found(std::size_t count) {
        slots[filled % kSlots].count += count;
        if (++slotWindows == kWindowsPerSlot) Publish();
    }
    // Waits for the helper to record the last windows; rethrows what made the recording fail.
    void Finish() {
        End();
        if (failure) std::rethrow_exception(failure);
    }

  private:
    struct Slot {
        std::array<MonitoredEvent, kSlotRecords> records;
        std::size_t count = 0;
    };

    void Publish() {
        ++filled;
        slotWindows = 0;
        published.store(filled, std::memory_order_release);
        published.notify_one();
    }
    void End() {
        if (slotWindows != 0) Publish();
        published.store(filled | kWalkEnded, std::memory_order_release);
        published.notify_one();
        helper.join();
    }

    // The helper's loop: records every slot as it is published, until the walk has ended.
    void RecordSlots() {
        uint32_t next = 0;
        for (;;) {
            const uint32_t state = published.load(std::memory_order_acquire);
            if (next == (state & ~kWalkEnded)) {
                if ((state & kWalkEnded) != 0) return;
                published.wait(state, std::memory_order_acquire);
                continue;
            }
            Slot& slot = slots[next % kSlots];
            if (!failure) {
                try {
                    recorder.Record(slot.records.data(), slot.count);
                } catch (...) {
                    failure = std::current_exception();
                }
            }
            slot.count = 0;
            recorded.store(++next, std::memory_order_release);
            recorded.notify_one();
        }
    }

    Recorder& recorder;
    std::vector<Slot> slots;
    uint32_t filled = 0;                 // the slots the walk has published (the walk's own count)
    std::size_t slotWindows = 0;         // the windows in the slot being filled
    std::atomic<uint32_t> published{0};  // what the helper may record
    std::atomic<uint32_t> recorded{0};   // the slots the helper has recorded
    std::exception_ptr failure;          // the helper's until the join
    std::thread helper;
};

// Songs with fewer events are recorded in turn: starting a thread costs more than it saves.
constexpr std::size_t kEventsRecordedBeside = std::size_t{1} << 16;

// Walks the tracks and records what the walk finds, side by side for a long song when a second
// thread is to be had.
void WalkAndRecord(Walker& walker, Recorder& recorder, std::size_t events) {
    if (events >= kEventsRecordedBeside && std::thread::hardware_concurrency() > 1) {
        std::optional<RecordBesideTheWalk> beside;
        try {
            beside.emplace(recorder);
        } catch (const std::system_error&) {
            // No thread to be had: the records are made in turn.
        }
        if (beside) {
            walker.Run(*beside);
            beside->Finish();
            return;
        }
    }
    RecordInTurn inTurn(recorder);
    walker.Run(inTurn);
}

void WriteMonitoredEvents() {
    WriteMonitoredEventsHeading(LogStream);
    int32_t number = 0;
    for (const MonitoredEvent& record : monitoredEvents) {
        ++number;
        if (record.chord.IsEmpty()) continue;  // silence is counted, not listed
        WriteMonitoredEventLine(LogStream, number, record.time, record.event.MessageWord());
    }
}

// Section C of the log: every entry of the timeline with its texts and diagrams.
void WriteRecognizedChords() {
    WriteRecognizedChordsHeading(LogStream);
    for (const ChordEvent& entry : chordTimeline) {
        ChordTexts texts;
        const FingeringList* fingerings = nullptr;
        LookupChord(entry.chord, texts.abbreviation, texts.name, fingerings, texts.root);
        WriteChordEntryLine(LogStream, entry.time, texts.root, texts.abbreviation, texts.name);
        WriteChord(LogStream, entry.chord);
        LogStream << "\n";
    }
}

}  // namespace

void CMidiOut::AnalyzeChords() {
    // The records' storage is kept for the next pass, which usually needs as much.
    monitoredEvents.clear();
    // At most one record an event: reserved once, the records never move while the walk grows
    // them, and the room that stays unused is never touched. A long song's records are written
    // into huge pages: a fault per 4 KB of records cost a fifth of the pass.
    std::size_t events = 0;
    for (const TrackPlayState& s : states)
        events += s.track->GetCount();
    monitoredEvents.reserve(events);
    AdviseLargeArray(monitoredEvents.data(), monitoredEvents.capacity() * sizeof(MonitoredEvent));
    // The timeline is found along the walk, from each record as it is made.
    chordTimeline.Clear();
    {
        Recorder recorder(states, UserSettings);
        Walker walker(states, UserSettings);
        WalkAndRecord(walker, recorder, events);
        recorder.Finish();
    }

    if (UserSettings.loggingEnabled != 0) {
        WriteFileHeaderSection(LogStream, UserSettings, GetNumTracks(), [this](int32_t t) {
            return states[static_cast<std::size_t>(t)].track->GetName();
        });
        if (UserSettings.logNotes != 0) WriteMonitoredEvents();
    }
    if (UserSettings.logChords != 0) WriteRecognizedChords();

    for (TrackPlayState& s : states)
        s.Rewind();
    if (UserSettings.logMidiEvents != 0) WriteSentEventsHeading(LogStream);
    lastTime = 0;
    outCount = 0;
    sendIndex = 0;
}
