#pragma once
// NoteList: the notes sounding now, while a stream of MIDI events is replayed.
//
// Update applies one event: a note-on adds the (note, channel) pair unless it already sounds, the
// matching note-off (or note-on with velocity 0) removes it, an event whose status byte is exactly
// 0x7B empties the list, and every other event changes nothing. Notes are kept in ascending order
// of note number; equal note numbers (on different channels) stay in the order they were added.
//
// First / Next iterate over the note numbers in that order, once per (note, channel) node, and
// return -1 at the end (and keep returning -1). An iteration is meant to start with First after an
// Update; an Update that changes the list puts the cursor at the end, so a stale Next returns -1
// instead of reading a moved or removed node.
//
// The notes live in one contiguous array in list order: few notes sound at once, and an insert or
// a removal shifts a handful of 8-byte nodes instead of allocating one.
//
// soundingNotes is the one list that the chord analysis follows; it lives for the whole run and is
// emptied only by an all-notes-off event or by Clear (when a file is opened).

#include <cstddef>
#include <vector>

#include "midi/MidiEvent.h"

struct NoteNode {
    int note = 0;
    int channel = 0;
};

class NoteList {
  public:
    NoteList();
    NoteList(const NoteList&) = delete;
    NoteList& operator=(const NoteList&) = delete;

    NoteList& Update(const MidiEvent& event);
    int First();
    int Next();
    void Clear();

    bool IsEmpty() const { return nodes.empty(); }
    // The sounding (note, channel) pairs in list order.
    const std::vector<NoteNode>& Nodes() const { return nodes; }
    std::size_t Size() const { return nodes.size(); }

  private:
    void Insert(int note, int channel);
    void Remove(int note, int channel);

    std::vector<NoteNode> nodes;
    std::size_t cursor = 0;  // == nodes.size() at the end
};

extern NoteList soundingNotes;
