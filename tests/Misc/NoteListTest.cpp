#include <gtest/gtest.h>

#include <vector>

#include "Misc/notelist.h"
#include "midi/MidiMessages.h"

namespace {

MidiEvent Event(uint8_t status, uint8_t data1, uint8_t data2 = 0) {
    return MidiEvent{0, status, data1, data2, 0};
}
MidiEvent On(int note, int channel = 0, int velocity = 100) {
    return Event(static_cast<uint8_t>(0x90 | channel), static_cast<uint8_t>(note),
                 static_cast<uint8_t>(velocity));
}
MidiEvent Off(int note, int channel = 0) {
    return Event(static_cast<uint8_t>(0x80 | channel), static_cast<uint8_t>(note), 64);
}

std::vector<int> Notes(NoteList& list) {
    std::vector<int> notes;
    for (int n = list.First(); n >= 0; n = list.Next())
        notes.push_back(n);
    return notes;
}

TEST(NoteListOrder, KeepsAscendingNotesAndBothChannels) {
    NoteList list;
    list.Update(On(60)).Update(On(64)).Update(On(55));
    EXPECT_EQ(Notes(list), (std::vector<int>{55, 60, 64}));
    EXPECT_EQ(list.Next(), -1);
    EXPECT_EQ(list.Next(), -1);

    NoteList channels;
    channels.Update(On(60, 1)).Update(On(60, 0)).Update(On(59, 3));
    EXPECT_EQ(Notes(channels), (std::vector<int>{59, 60, 60}));
    channels.Update(Off(60, 1));  // channel 1's node came first; channel 0's remains
    EXPECT_EQ(Notes(channels), (std::vector<int>{59, 60}));
    channels.Update(Off(60, 0));
    EXPECT_EQ(Notes(channels), (std::vector<int>{59}));
}

TEST(NoteListKeys, OneNodePerNoteAndChannel) {
    NoteList list;
    list.Update(On(60)).Update(On(60)).Update(Off(60));
    EXPECT_TRUE(list.IsEmpty());

    list.Update(On(62, 2)).Update(Off(62, 3));  // another channel's note-off
    EXPECT_EQ(Notes(list), (std::vector<int>{62}));
    list.Update(On(62, 2, 0));  // velocity 0 is a note-off
    EXPECT_TRUE(list.IsEmpty());
    list.Update(Off(70));  // not sounding: ignored
    EXPECT_TRUE(list.IsEmpty());

    // A repeated note-on behind a node of the same note on another channel is still found.
    list.Update(On(60, 1)).Update(On(60, 0)).Update(On(60, 1)).Update(On(60, 0));
    EXPECT_EQ(list.Size(), 2u);
    list.Update(Off(60, 1)).Update(Off(60, 0));
    EXPECT_TRUE(list.IsEmpty());
}

TEST(NoteListEvents, OnlyNoteEventsAndAllNotesOffCount) {
    NoteList list;
    list.Update(On(60)).Update(On(67, 9));
    for (uint8_t status : {0xA0, 0xB0, 0xC0, 0xD0, 0xE0, 0xF0, 0xFF, 0x7A, 0x7C})
        list.Update(Event(status, 60, 0));
    list.Update(Event(0xB0, 123, 0));  // a channel "all notes off" controller is not the event
    EXPECT_EQ(Notes(list), (std::vector<int>{60, 67}));
    list.Update(Event(0x7B, 0, 0));
    EXPECT_TRUE(list.IsEmpty());
    EXPECT_EQ(list.First(), -1);

    EXPECT_TRUE(midi::IsNoteOn(On(1, 15, 1)) && midi::IsNoteOff(On(1, 0, 0)) &&
                midi::IsNoteOff(Event(0x8F, 1, 0)));
}

TEST(NoteListCursor, SafeOnFreshListAndAfterRemovals) {
    NoteList list;
    EXPECT_EQ(list.Next(), -1);  // before any First
    list.Update(On(50)).Update(On(52)).Update(On(54));
    EXPECT_EQ(list.First(), 50);
    EXPECT_EQ(list.Next(), 52);
    list.Update(Off(52));  // removes the node under the cursor
    EXPECT_EQ(list.Next(), -1);
    EXPECT_EQ(Notes(list), (std::vector<int>{50, 54}));
    EXPECT_EQ(list.First(), 50);
    list.Update(Event(0x7B, 0));
    EXPECT_EQ(list.Next(), -1);
    list.Update(On(40)).Clear();
    EXPECT_EQ(list.First(), -1);
}

}  // namespace
