// chord_line: prints the chord line and guitar diagrams of a pitch-class set.
//
//   chord_line              C major
//   chord_line D F# A       the set of the named notes (sharps only, e.g. C# not Db)
//   chord_line 0x249        the set given as a hexadecimal value below 0x1000
//
// Exit status 0 when the set is a known chord, 1 when it is not, 2 for an unreadable argument.

#include <cstdlib>
#include <cstring>
#include <iostream>
#include <string>

#include "Misc/Chord.h"
#include "Misc/ChordDiagram.h"
#include "Misc/ChordDictionary.h"

namespace {

// The pitch class of a note name, or -1.
int PitchClassOf(const std::string& name) {
    for (int pc = 0; pc < 12; ++pc)
        if (name == Chord::NoteName(pc)) return pc;
    return -1;
}

}  // namespace

int main(int argc, char** argv) {
    BuildChordDictionary();
    int value = 0x091;
    if (argc == 2 && std::strncmp(argv[1], "0x", 2) == 0) {
        char* end = nullptr;
        value = static_cast<int>(std::strtol(argv[1] + 2, &end, 16));
        if (end == argv[1] + 2 || *end != '\0' || value < 0 || value >= Chord::kLimit) {
            std::cerr << "chord_line: not a set value: " << argv[1] << "\n";
            return 2;
        }
    } else if (argc > 1) {
        value = 0;
        for (int i = 1; i < argc; ++i) {
            const int pc = PitchClassOf(argv[i]);
            if (pc < 0) {
                std::cerr << "chord_line: not a note name: " << argv[i] << "\n";
                return 2;
            }
            value |= 1 << pc;
        }
    }
    const Chord set(value);
    const char* abbreviation = nullptr;
    const char* name = nullptr;
    const FingeringList* fingerings = nullptr;
    const char* root = nullptr;
    if (!LookupChord(set, abbreviation, name, fingerings, root)) {
        std::cerr << "chord_line: no chord is made of the set 0x" << std::hex << value << "\n";
        return 1;
    }
    WriteChord(std::cout, set);
    return 0;
}
