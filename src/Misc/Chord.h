#pragma once
// Chord: a set of pitch classes in one 16-bit value, bit n for pitch class n (C = 0 ... B = 11).
//
// A small value type, copied and compared by value. Every set the system builds stays below 4096:
// the integer constructor refuses anything outside 0..4095 (it writes two error lines to standard
// error and leaves the set empty), construction from a NoteList only sets bits 0 to 11, and Rotate
// masks its result to 12 bits. Negative integers are refused as well, so bits 12 to 15 stay clear.
//
// Rotate(n) transposes the set down by n semitones: pitch class p becomes (p - n) mod 12. Rotating
// a chord built on root r by r gives its intervals relative to C, which is how the chord
// dictionary stores chord types.
//
// NoteName(n) names pitch class n mod 12, sharps only; noteNames is the table behind it.

#include <array>
#include <cstdint>

class NoteList;

class Chord {
  public:
    static constexpr int kAllPitchClasses = 0xFFF;
    static constexpr int kLimit = 0x1000;  // first value that is not a valid set

    Chord() = default;
    // The pitch classes of every note in the list. Moves the list's iteration cursor.
    explicit Chord(NoteList& notes);
    // The set with value v when 0 <= v < 4096; otherwise reports the value and stays empty.
    explicit Chord(int v) {
        if (v >= 0 && v < kLimit)
            set = static_cast<int16_t>(v);
        else
            RefuseValue(v);
    }

    Chord Rotate(int n) const;
    bool Contains(int pitchClass) const {
        return ((set >> ((pitchClass % 12 + 12) % 12)) & 1) != 0;
    }
    bool IsEmpty() const { return set == 0; }
    int Value() const { return set; }

    friend bool operator==(Chord a, Chord b) { return a.set == b.set; }
    friend bool operator!=(Chord a, Chord b) { return a.set != b.set; }

    // The name of pitch class n mod 12; n must not be negative.
    static const char* NoteName(int n);

  private:
    // Reports a value outside 0..4095 on standard error; the set stays empty.
    static void RefuseValue(int v);

    int16_t set = 0;
};

// The twelve note names, indexed by pitch class.
extern const std::array<const char*, 12> noteNames;
