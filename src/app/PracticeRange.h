#pragma once
// PracticeRange: the practice options of a play (CMidiOut::PracticeOptions) from bar numbers, read
// with the song's time signatures (4/4 when it has none).
//
// Bars count from 1; `lastBar` is played too (bars 5 to 8 end where bar 9 starts); 0 as firstBar
// or lastBar means the song's start or end. A count-in is one bar of the meter in force where the
// play starts: as many clicks as that bar has beats, one beat apart.

#include <cstdint>

#include "Misc/SongSignatures.h"
#include "midi/CMidiOut.h"

CMidiOut::PracticeOptions PracticeRange(const SongSignatures& song, uint32_t firstBar,
                                        uint32_t lastBar, bool loop, bool countIn);
