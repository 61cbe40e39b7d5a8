// tabulon-chords: prints the chord timeline of a MIDI file (see chordsheet/ChordSheet.h).
#include <iostream>
#include <string>
#include <vector>

#include "chordsheet/ChordSheet.h"

int main(int argc, char** argv) {
    const std::vector<std::string> arguments(argv + (argc > 0 ? 1 : 0), argv + argc);
    return RunChordSheet(arguments, std::cout, std::cerr);
}
