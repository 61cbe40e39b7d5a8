#pragma once
// ChordDictionary: the chord types the system knows, with names and guitar fingerings.
//
// Each ChordType holds its pitch classes relative to the root C (`intervals`, unique within the
// dictionary), an optional abbreviation and an optional long name (absent texts stay absent; the
// abbreviation of "major" is the empty text), and one list of Fingering per root pitch class
// (0 = C ... 11 = B), each kept newest first. The types themselves are kept newest first.
//
// Add(r, chord, f, abbreviation, name) rotates `chord` (absolute pitch classes on root r) down to
// C, finds or creates the type with that pattern (an existing type keeps its texts), and puts a
// copy of f at the front of the type's list for root r. Find returns the first type whose
// intervals equal the argument.
//
// Match recognises an absolute set: the lowest root r (C first) from which the set, rotated by r,
// is a type. It answers from a table of all 4096 sets, built on first use and rebuilt after any
// change to the dictionary; MatchByWalk gives the same answer by trying the twelve roots. Sets
// with bits 12 to 15 are never recognised. The dictionary is used from one thread only.
//
// Pointers and references handed out (types, texts, fingering lists) stay valid until Clear.
//
// chordDictionary is the one dictionary of the program; BuildChordDictionary fills it with the
// built-in table (clearing it first, so building twice gives the same content).

#include <array>
#include <cstdint>
#include <forward_list>
#include <optional>
#include <string>
#include <vector>

#include "Misc/Chord.h"

constexpr int kGuitarStrings = 6;

struct Fingering {
    // Fret per string, string 0 = low E ... string 5 = high E: -1 not played, 0 open, n > 0 fret n.
    std::array<int32_t, kGuitarStrings> frets{-1, -1, -1, -1, -1, -1};
    // Finger mark per string: n > 0 the finger number, 0 no mark, negative "O" (may be left out).
    std::array<int32_t, kGuitarStrings> fingers{-1, -1, -1, -1, -1, -1};

    friend bool operator==(const Fingering&, const Fingering&) = default;
};

using FingeringList = std::forward_list<Fingering>;

struct ChordType {
    Chord intervals;
    std::optional<std::string> abbreviation;
    std::optional<std::string> name;
    std::array<FingeringList, 12> fingerings;

    // The texts as handed out by the lookup: nullptr when absent.
    const char* AbbreviationText() const { return abbreviation ? abbreviation->c_str() : nullptr; }
    const char* NameText() const { return name ? name->c_str() : nullptr; }
};

// A recognised set: its type and the root pitch class (0..11) it was found from.
struct ChordMatch {
    const ChordType* type = nullptr;
    int root = 0;
};

class ChordDictionary {
  public:
    ChordDictionary() = default;
    ChordDictionary(const ChordDictionary&) = delete;
    ChordDictionary& operator=(const ChordDictionary&) = delete;

    const ChordType* Find(Chord intervals) const;
    // abbreviation and name may be nullptr (absent); they are copied when a type is created.
    Fingering& Add(int root, Chord chord, const Fingering& f, const char* abbreviation,
                   const char* name);
    void Clear();

    std::optional<ChordMatch> Match(Chord set) const;
    std::optional<ChordMatch> MatchByWalk(Chord set) const;

    // The types, newest first.
    const std::forward_list<ChordType>& Types() const { return types; }
    std::size_t TypeCount() const { return typeCount; }

  private:
    void BuildMatchTable() const;

    std::forward_list<ChordType> types;
    std::size_t typeCount = 0;

    // Recognition table, indexed by set value: entry.type is nullptr for unrecognised sets.
    mutable std::vector<ChordMatch> matchTable;
    mutable bool matchTableValid = false;
};

extern ChordDictionary chordDictionary;

// Fills chordDictionary with the built-in chord types and fingerings. It clears the dictionary
// first, so pointers taken from an earlier build are no longer valid afterwards.
void BuildChordDictionary();
