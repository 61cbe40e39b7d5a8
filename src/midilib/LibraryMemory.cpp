#include "midi/MidiLib.h"
#include "midilib/SmfFileBytes.h"

void AdviseLargeArray(void* start, size_t bytes) {
    midilib::AdviseHugePages(start, bytes);
}
