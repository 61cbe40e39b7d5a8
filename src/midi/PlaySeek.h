#pragma once
// Moving a play to another place of the song: the merge positions at a tick, and the channel
// messages that make a device sound there as the song does.
//
//  - SeekTracks puts every merge state at its track's first event at or after `tick`, with no
//    system-exclusive run open and no note remembered as sent (a system-exclusive message that
//    `tick` cuts is skipped whole: its start is never sent). It returns what the tracks set before
//    `tick` and that is still in force there: for every channel, the program, every controller
//    (not the channel mode messages 120-127) and the pitch bend last set, in the order they were
//    last set, so that a bank select stays before its program change and a parameter number
//    before its data entry. Muted tracks are left out, as the merge leaves out their events.
//    The events carry delta time 0; `indexes` (if given) receives each track's new position.
//  - SeekTracksTo does the same from positions that an earlier SeekTracks gave.
//  - ChannelResets: sustain off and pitch bend at its centre on every channel, delta 0: what a
//    jump must undo before the settings in force at the new place are sent again.
//  - ReleaseSentNotes: a note-off (delta 0) for every note that the states remember as sent, with
//    the number it was sent with; they are then forgotten.

#include <cstdint>
#include <vector>

#include "midi/MidiEvent.h"
#include "midi/TrackMerge.h"

namespace midi {

std::vector<MidiEvent> SeekTracks(std::vector<TrackPlayState>& states, uint32_t tick,
                                  std::vector<uint32_t>* indexes = nullptr);
void SeekTracksTo(std::vector<TrackPlayState>& states, const std::vector<uint32_t>& indexes);
void AppendChannelResets(std::vector<MidiEvent>& out);
void AppendReleaseSentNotes(std::vector<TrackPlayState>& states, std::vector<MidiEvent>& out);

}  // namespace midi
