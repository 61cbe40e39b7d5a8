#pragma once
// Guitar chords: the chord types, readings and names of the guitarist's options, on top of the
// designed chord dictionary (chordDictionary, which must be built before texts are asked for).
//
// GuitarChordTypes() lists every type the options know: the 23 designed types (their texts are
// the dictionary's) and the added ones (power chord, sus2, add9, m(add9), m(maj7), m7b5 and the
// diminished triad). Each has the symbol a guitarist writes after the root and a rank: the more
// common type comes first when one set has several readings (Am7 before C6).
//
// ReadChord(set, bass, options) reads a sounding set as a chord:
//  - its readings are the (root, type) pairs whose notes are exactly the set, among the designed
//    types (and the added ones with moreTypes);
//  - the best reading is the one whose root is the bass (with guitarNames), then the lowest rank
//    (with moreTypes), then the lowest root: with both options off this is the designed lookup;
//  - with moreTypes, a set that is no chord but a chord of three or more notes plus one stray
//    tone is read as that chord (a tone other than the bass is taken as the stray first);
//  - with guitarNames, a bass that is another tone of the chord makes it a slash chord.
// The bass is the pitch class of the lowest sounding note, or -1 when not known.
//
// WrittenName spells a reading as guitarists write it: "Am7", "D/F#", "Bb" (flats when asked,
// sharps otherwise). TypeTexts gives a type's symbol, abbreviation and name; with moreTypes the
// designed "dim" and second "eleventh" sets are the diminished seventh and the thirteenth.

#include <optional>
#include <span>
#include <string>

#include "Misc/Chord.h"
#include "Misc/ChordDictionary.h"

namespace guitar {

struct ChordTypeInfo {
    int intervals;           // pitch classes relative to C
    const char* symbol;      // written after the root: "", "m", "7", "m7b5"
    const char* moreSymbol;  // the symbol with more types where it differs, else nullptr
    // The abbreviation and name: always given for added types; for designed types only where
    // more types rename them (nullptr: the dictionary's texts).
    const char* abbreviation;
    const char* name;
    int rank;    // lower is the more common reading
    bool added;  // known only with more types
};

std::span<const ChordTypeInfo> GuitarChordTypes();
// The index of the type with these intervals, or -1.
int GuitarTypeIndex(Chord intervals);

struct ReadingOptions {
    bool guitarNames = false;
    bool moreTypes = false;
};

struct ChordReading {
    int root = 0;   // pitch class
    int type = 0;   // index into GuitarChordTypes()
    Chord chord;    // the pitch classes the reading explains: the set, less a stray tone
    int bass = -1;  // a slash chord's bass (another tone of the chord), else -1

    // Two readings name the same chord.
    friend bool operator==(const ChordReading& a, const ChordReading& b) {
        return a.root == b.root && a.type == b.type && a.bass == b.bass;
    }
};

std::optional<ChordReading> ReadChord(Chord set, int bass, ReadingOptions options);

struct TypeTexts {
    const char* symbol;
    const char* abbreviation;  // nullptr when the type has none
    const char* name;          // nullptr when the type has none
};
TypeTexts TextsOf(int type, bool moreTypes);
// TextsOf(type, moreTypes).symbol, without the dictionary.
const char* SymbolOf(int type, bool moreTypes);

// "C", "C#" or "Db", ...
const char* PitchName(int pitchClass, bool flats);
// "Am7", "D/F#", "Bb".
std::string WrittenName(const ChordReading& reading, bool flats, bool moreTypes);

}  // namespace guitar
