#pragma once
// CMidiTrack: every event of one track of the loaded MIDI file, in file order, with delta times,
// in one contiguous array. Filled in one go by the file reader, then read-only for playback: it
// hands out copies of blocks with absolute times to the merge and to the chord analysis, knows
// its name (read lazily from its file, meta event 3), and carries the mute flag that the merge
// sets before each fill.
//
// A track is linked to at most one file object (`owner`) and one output object (`output`); both
// list their tracks, and a track that is destroyed takes itself out of both lists.
//
// The array has kTrackGrowth zero-filled slots to start with and grows by kTrackGrowth (new slots
// zero-filled); it is never shrunk. Its memory is taken when the track first stores events or
// hands its array out, so a file of many empty tracks costs no storage for them. Block reads cost
// time linear in the block: the absolute time of the last block's end is cached, so reading a whole
// track block by block is linear in its length. Results are those of summing the deltas from the
// start (unsigned 32-bit, wrapping).

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "midi/MidiEvent.h"

class CMidiSMF;
class CMidiOut;

constexpr uint32_t kTrackGrowth = 8192;

class CMidiTrack {
  public:
    CMidiTrack();
    ~CMidiTrack();
    CMidiTrack(const CMidiTrack&) = delete;
    CMidiTrack& operator=(const CMidiTrack&) = delete;

    // A copy of events start .. start+n-1 with absolute times; n is cut to what is stored and
    // becomes 0 (with an empty block) when start >= count or the track is muted.
    std::vector<MidiEvent> GetEventBlock(uint32_t start, uint32_t& n) const;
    // The same read, whatever the mute flag says (the merge keeps muted tracks moving in time).
    std::vector<MidiEvent> ReadBlock(uint32_t start, uint32_t& n) const;
    // Sum of the deltas of events 0 through index; 0 when index >= count.
    uint32_t GetAbsoluteTime(uint32_t index) const;

    // The name, or nullptr; asks the owner file (open for reading) again while there is none.
    const char* GetName();
    void SetName(const char* text);
    void SetMute(int flag) { muted = flag; }
    int IsMuted() const { return muted; }

    // The array and its capacity (its size), for the file reader, which may grow it. Handing it
    // out forgets the cached running time, so changes made through it must precede the next read.
    std::vector<MidiEvent>& GetEventStorage();
    uint32_t GetCapacity() const { return capacity; }
    // Adopts `storage` (its size is the capacity) holding `count` events; cursor 0.
    void SetEventStorage(std::vector<MidiEvent> storage, uint32_t count);
    // Adopts exactly `events` (their number is the count) as an array of `capacity` slots, at
    // least as many: the slots after the events are zero events that are not made until the
    // array is handed out or grown, so they cost no memory. Cursor 0.
    void AdoptEvents(std::vector<MidiEvent> events, uint32_t capacity);
    void Clear();

    uint32_t GetCount() const { return count; }
    uint32_t GetRemaining() const { return count - cursor; }
    bool IsEmpty() const { return GetRemaining() == 0; }
    const MidiEvent* GetEvents() const { return events.data(); }
    // The event at the cursor, advancing it; nullptr at the end or while muted.
    const MidiEvent* GetNextEvent();
    // index -1 appends; 0 <= index <= count inserts; any other index is refused (false).
    bool InsertEvent(const MidiEvent& event, int64_t index);
    // Refused (false) when index >= count.
    bool DeleteEvent(uint32_t index);
    void AdjustTime(uint32_t index, int32_t amount);

    CMidiSMF* owner = nullptr;
    CMidiOut* output = nullptr;

  private:
    void ForgetCachedTime() const;
    // Gives `events` its `capacity` slots (zero-filled) if it has fewer. May throw bad_alloc.
    void TakeStorage();

    std::vector<MidiEvent> events;  // empty until the storage is first needed
    uint32_t capacity = kTrackGrowth;
    uint32_t count = 0;
    uint32_t cursor = 0;
    int muted = 0;
    std::optional<std::string> name;

    // Absolute time of event cachedIndex (valid while cachedIndex < count).
    mutable uint32_t cachedIndex = UINT32_MAX;
    mutable uint32_t cachedTime = 0;
};
