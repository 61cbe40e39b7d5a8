#include "Misc/notelist.h"

#include <iostream>
#include <new>

#include "midi/MidiMessages.h"

NoteList soundingNotes;

namespace {

// The line number that the out-of-memory report carries.
constexpr int kOutOfMemoryErrorLine = 89;
// Room for this many sounding notes before the array first grows.
constexpr std::size_t kReservedNotes = 64;

}  // namespace

NoteList::NoteList() {
    nodes.reserve(kReservedNotes);
}

NoteList& NoteList::Update(const MidiEvent& event) {
    if (midi::IsAllNotesOff(event)) {
        Clear();
    } else if (midi::IsNoteOn(event)) {
        Insert(event.data1, midi::ChannelOf(event.status));
    } else if (midi::IsNoteOff(event)) {
        Remove(event.data1, midi::ChannelOf(event.status));
    }
    return *this;
}

int NoteList::First() {
    cursor = 0;
    return cursor < nodes.size() ? nodes[cursor].note : -1;
}

int NoteList::Next() {
    if (cursor < nodes.size()) ++cursor;
    return cursor < nodes.size() ? nodes[cursor].note : -1;
}

void NoteList::Clear() {
    nodes.clear();
    cursor = 0;
}

void NoteList::Insert(int note, int channel) {
    auto position = nodes.begin();
    for (; position != nodes.end(); ++position) {
        if (position->note == note && position->channel == channel) return;  // already sounds
        if (position->note > note) break;
    }
    try {
        nodes.insert(position, NoteNode{note, channel});
        cursor = nodes.size();
    } catch (const std::bad_alloc&) {
        std::cerr << "fatal error line " << kOutOfMemoryErrorLine << " file " << __FILE__ << "\n";
    }
}

void NoteList::Remove(int note, int channel) {
    for (auto it = nodes.begin(); it != nodes.end(); ++it) {
        if (it->note == note && it->channel == channel) {
            nodes.erase(it);
            cursor = nodes.size();
            return;
        }
    }
}
