#include "Misc/Chord.h"

#include <iostream>

#include "Misc/notelist.h"

const std::array<const char*, 12> noteNames = {"C",  "C#", "D",  "D#", "E",  "F",
                                               "F#", "G",  "G#", "A",  "A#", "B"};

namespace {

// The line number that the error report of the integer constructor carries.
constexpr int kInvalidIntegerErrorLine = 62;

}  // namespace

Chord::Chord(NoteList& notes) {
    int bits = 0;
    for (int note = notes.First(); note >= 0; note = notes.Next())
        bits |= 1 << (note % 12);
    set = static_cast<int16_t>(bits);
}

void Chord::RefuseValue(int v) {
    // A negative value would set bits 12 to 15; it is refused like any other out-of-range value.
    std::cerr << "fatal error line " << kInvalidIntegerErrorLine << " file " << __FILE__ << "\n";
    std::cerr << "invalid integer " << std::hex << v << std::dec << "passed\n";
}

Chord Chord::Rotate(int n) const {
    while (n < 0)
        n += 12;
    n %= 12;
    const int v = set & kAllPitchClasses;
    Chord rotated;
    rotated.set = static_cast<int16_t>(((v << (12 - n)) | (v >> n)) & kAllPitchClasses);
    return rotated;
}

const char* Chord::NoteName(int n) {
    return noteNames[static_cast<unsigned>(n) % 12];
}
