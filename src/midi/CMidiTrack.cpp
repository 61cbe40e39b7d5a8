#include "midi/CMidiTrack.h"

#include <algorithm>
#include <new>

#include "midi/CMidiOut.h"
#include "midi/CMidiSMF.h"
#include "midi/MidiMessages.h"

CMidiTrack::CMidiTrack() = default;

CMidiTrack::~CMidiTrack() {
    if (owner != nullptr) {
        CMidiSMF* file = owner;
        owner = nullptr;
        file->RemoveTrack(this);
    }
    if (output != nullptr) {
        CMidiOut* out = output;
        output = nullptr;
        out->RemoveTrack(this);
    }
}

void CMidiTrack::ForgetCachedTime() const {
    cachedIndex = UINT32_MAX;
    cachedTime = 0;
}

uint32_t CMidiTrack::GetAbsoluteTime(uint32_t index) const {
    if (index >= count) return 0;
    // Resume from the cached running sum when it lies at or before `index`; otherwise sum from
    // the start. Either way the result is the wrapping sum of deltas 0..index.
    uint32_t next = 0;
    uint32_t sum = 0;
    if (cachedIndex < count && cachedIndex <= index) {
        next = cachedIndex + 1;
        sum = cachedTime;
    } else if (cachedIndex < count && cachedIndex - index <= index) {
        // Closer to the cached sum than to the start: wrapping subtraction undoes the wrapping
        // additions exactly. Merge windows often restart a little before the last block's end.
        sum = cachedTime;
        for (uint32_t i = cachedIndex; i > index; --i)
            sum -= events[i].time;
        cachedIndex = index;
        cachedTime = sum;
        return sum;
    }
    for (uint32_t i = next; i <= index; ++i)
        sum += events[i].time;
    cachedIndex = index;
    cachedTime = sum;
    return sum;
}

std::vector<MidiEvent> CMidiTrack::ReadBlock(uint32_t start, uint32_t& n) const {
    if (start >= count) {
        n = 0;
        return {};
    }
    n = std::min(n, count - start);
    if (n == 0) return {};

    std::vector<MidiEvent> block(events.begin() + start, events.begin() + start + n);
    block[0].time = GetAbsoluteTime(start);
    for (uint32_t k = 1; k < n; ++k)
        block[k].time += block[k - 1].time;
    // The next block usually starts right after this one: remember where this one ended.
    cachedIndex = start + n - 1;
    cachedTime = block.back().time;
    return block;
}

std::vector<MidiEvent> CMidiTrack::GetEventBlock(uint32_t start, uint32_t& n) const {
    if (muted != 0) {
        n = 0;
        return {};
    }
    return ReadBlock(start, n);
}

const char* CMidiTrack::GetName() {
    if (!name && owner != nullptr && owner->IsOpen() && owner->GetMode() == 'r') {
        std::vector<char> data;
        uint32_t length = 0;
        if (owner->ReadMeta(this, midi::kTrackNameMeta, data, length) == 0) {
            name.emplace(data.data(), std::min<size_t>(length, data.size()));
        }
    }
    return name ? name->c_str() : nullptr;
}

void CMidiTrack::SetName(const char* text) {
    if (text == nullptr) {
        name.reset();
    } else {
        name.emplace(text);
    }
}

void CMidiTrack::TakeStorage() {
    if (events.size() < capacity) events.resize(capacity);  // new slots are zero events
}

std::vector<MidiEvent>& CMidiTrack::GetEventStorage() {
    TakeStorage();
    ForgetCachedTime();
    return events;
}

void CMidiTrack::SetEventStorage(std::vector<MidiEvent> storage, uint32_t storedCount) {
    events = std::move(storage);
    capacity = static_cast<uint32_t>(std::min<size_t>(events.size(), UINT32_MAX));
    // The count can never claim more events than the array holds.
    count = static_cast<uint32_t>(std::min<size_t>(storedCount, events.size()));
    cursor = 0;
    ForgetCachedTime();
}

void CMidiTrack::AdoptEvents(std::vector<MidiEvent> adopted, uint32_t slots) {
    events = std::move(adopted);
    count = static_cast<uint32_t>(std::min<size_t>(events.size(), UINT32_MAX));
    events.resize(count);
    capacity = std::max(slots, count);
    cursor = 0;
    ForgetCachedTime();
}

void CMidiTrack::Clear() {
    count = 0;
    cursor = 0;
    ForgetCachedTime();
}

const MidiEvent* CMidiTrack::GetNextEvent() {
    if (cursor >= count || muted != 0) return nullptr;
    return &events[cursor++];
}

bool CMidiTrack::InsertEvent(const MidiEvent& event, int64_t index) {
    if (index < -1 || index > int64_t{count} || count == UINT32_MAX) return false;
    const uint32_t before = capacity;
    if (count >= capacity)
        capacity = static_cast<uint32_t>(
            std::min<uint64_t>(uint64_t{capacity} + kTrackGrowth, UINT32_MAX));
    try {
        TakeStorage();
    } catch (const std::bad_alloc&) {
        capacity = before;
        return false;
    } catch (const std::length_error&) {
        capacity = before;
        return false;
    }
    const uint32_t at = index == -1 ? count : static_cast<uint32_t>(index);
    std::copy_backward(events.begin() + at, events.begin() + count, events.begin() + count + 1);
    events[at] = event;
    ++count;
    ForgetCachedTime();
    return true;
}

bool CMidiTrack::DeleteEvent(uint32_t index) {
    if (index >= count) return false;
    std::copy(events.begin() + index + 1, events.begin() + count, events.begin() + index);
    --count;
    cursor = std::min(cursor, count);  // keeps cursor <= count, so GetRemaining never wraps
    ForgetCachedTime();
    return true;
}

void CMidiTrack::AdjustTime(uint32_t index, int32_t amount) {
    if (index >= count) return;
    const uint32_t sum = events[index].time + static_cast<uint32_t>(amount);
    events[index].time = static_cast<int32_t>(sum) < 0 ? 0 : sum;
    ForgetCachedTime();
}
