// tabulon-chords: prints the chord timeline of a MIDI file (see chordsheet/ChordSheet.h).
#include <malloc.h>

#include <iostream>
#include <string>
#include <vector>

#include "chordsheet/ChordSheet.h"

int main(int argc, char** argv) {
    // Every song's tracks start with blocks of a few hundred kilobytes, freed when the song is
    // done: keep that memory for the next file of a batch instead of giving it back to the system
    // and faulting it in again (a fifth of the time of a folder of small songs).
    mallopt(M_MMAP_THRESHOLD, 64 << 20);
    mallopt(M_TRIM_THRESHOLD, 256 << 20);
    const std::vector<std::string> arguments(argv + (argc > 0 ? 1 : 0), argv + argc);
    return RunChordSheet(arguments, std::cout, std::cerr);
}
