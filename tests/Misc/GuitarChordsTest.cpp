// Readings and names of the guitarist's options, and the shapes drawn for them.
#include <gtest/gtest.h>

#include <bit>
#include <string>

#include "Misc/ChordDiagram.h"
#include "Misc/GuitarChords.h"
#include "Misc/GuitarShapes.h"

namespace {

using guitar::ReadingOptions;

class GuitarChords : public testing::Test {
  protected:
    void SetUp() override { BuildChordDictionary(); }

    // The written name of `notes` (pitch classes) over `bass`, or "-" when it is no chord.
    static std::string Name(std::initializer_list<int> notes, int bass, ReadingOptions options,
                            bool flats = false) {
        int set = 0;
        for (int n : notes)
            set |= 1 << (n % 12);
        const auto reading = guitar::ReadChord(Chord(set), bass, options);
        return reading ? guitar::WrittenName(*reading, flats, options.moreTypes) : "-";
    }
};

constexpr ReadingOptions kNames{true, false};
constexpr ReadingOptions kMore{false, true};
constexpr ReadingOptions kBoth{true, true};

TEST_F(GuitarChords, WithTheOptionsOffEverySetIsReadAsTheDesignedLookupReadsIt) {
    for (int v = 0; v < Chord::kLimit; ++v) {
        const auto reading = guitar::ReadChord(
            Chord(v), v == 0 ? -1 : std::countr_zero(unsigned(v)), ReadingOptions{});
        const auto designed = chordDictionary.Match(Chord(v));
        ASSERT_EQ(reading.has_value(), designed.has_value()) << v;
        if (!reading) continue;
        EXPECT_EQ(reading->root, designed->root) << v;
        EXPECT_EQ(guitar::GuitarChordTypes()[reading->type].intervals,
                  designed->type->intervals.Value())
            << v;
        EXPECT_EQ(reading->chord, Chord(v));
        EXPECT_EQ(reading->bass, -1) << "no slash chords without guitar names";
    }
}

TEST_F(GuitarChords, TheBassPicksTheRootAndOtherChordTonesMakeSlashChords) {
    constexpr int C = 0, D = 2, E = 4, F = 5, Fs = 6, G = 7, A = 9, As = 10;
    EXPECT_EQ(Name({A, C, E, G}, A, ReadingOptions{}), "C6") << "designed: the lowest root";
    EXPECT_EQ(Name({A, C, E, G}, A, kNames), "Am7");
    EXPECT_EQ(Name({A, C, E, G}, C, kNames), "C6");
    EXPECT_EQ(Name({A, C, E, G}, E, kNames), "C6/E") << "neither root in the bass: the lowest";
    EXPECT_EQ(Name({A, C, E, G}, E, kBoth), "Am7/E") << "with more types the commoner reading";
    EXPECT_EQ(Name({D, Fs, A}, Fs, kNames), "D/F#");
    EXPECT_EQ(Name({As, D, F}, As, kNames, true), "Bb");
    EXPECT_EQ(Name({D, Fs, A}, Fs, kNames, true), "D/Gb") << "flats spell the bass too";
    EXPECT_EQ(Name({C, E, G, As}, C, kNames), "C7");
}

TEST_F(GuitarChords, MoreTypesNameTheAddedChordsAndNearlyChords) {
    constexpr int C = 0, Cs = 1, D = 2, Ds = 3, E = 4, F = 5, Fs = 6, G = 7, A = 9, As = 10, B = 11;
    EXPECT_EQ(Name({C, G}, C, ReadingOptions{}), "-");
    EXPECT_EQ(Name({C, G}, C, kMore), "C5");
    EXPECT_EQ(Name({D, E, A}, D, kMore), "Asus4") << "sus4 before sus2 when the bass is silent";
    EXPECT_EQ(Name({D, E, A}, D, kBoth), "Dsus2");
    EXPECT_EQ(Name({C, D, E, G}, C, kBoth), "Cadd9");
    EXPECT_EQ(Name({C, D, Ds, G}, C, kBoth), "Cm(add9)");
    EXPECT_EQ(Name({C, Ds, G, B}, C, kBoth), "Cm(maj7)");
    EXPECT_EQ(Name({C, Ds, Fs}, C, kBoth), "Cdim");
    EXPECT_EQ(Name({C, Ds, Fs, As}, C, kMore), "Cm7b5") << "not D#m6";
    EXPECT_EQ(Name({C, Ds, Fs, As}, C, ReadingOptions{}), "D#m6");
    EXPECT_EQ(Name({C, Ds, Fs, A}, C, kMore), "Cdim7");
    EXPECT_EQ(Name({C, Ds, Fs, A}, C, ReadingOptions{}), "Cdim");
    EXPECT_EQ(Name({C, D, E, G, A, As}, C, kMore), "C13");
    EXPECT_EQ(Name({C, D, E, G, A, As}, C, ReadingOptions{}), "C11");
    EXPECT_EQ(Name({C, D, E, F, G, As}, C, kMore), "C11");
    EXPECT_EQ(guitar::TextsOf(guitar::GuitarTypeIndex(Chord(0x695)), true).name,
              std::string("thirteenth"));

    // A melody tone over a chord: the stray tone is left out, never the bass.
    EXPECT_EQ(Name({C, E, G, Fs}, C, kMore), "C");
    EXPECT_EQ(Name({C, E, G, Cs}, E, kBoth), "C/E");
    const auto reading = guitar::ReadChord(Chord(0x0D1), 0, kMore);  // C E F# G
    ASSERT_TRUE(reading);
    EXPECT_EQ(reading->chord, Chord(0x091)) << "the reading explains C E G";
    EXPECT_EQ(Name({C, Fs, B}, C, kMore), "-") << "a dyad and a stray tone is no chord";
    EXPECT_EQ(Name({C, Cs, D, Ds, E}, C, kMore), "-");
}

// A right shape plays only its chord's notes and sounds its root.
void ExpectPlaysOnly(const Fingering& f, Chord chord, int root, const std::string& what) {
    bool rootSounds = false;
    for (int s = 0; s < kGuitarStrings; ++s) {
        const int note = guitar::SoundingNote(f, s);
        if (note < 0) continue;
        EXPECT_TRUE(chord.Contains(note)) << what << " string " << s;
        rootSounds = rootSounds || note % 12 == root;
    }
    EXPECT_TRUE(rootSounds) << what;
}

TEST_F(GuitarChords, EveryTypeOnEveryRootGetsAPlayableShape) {
    int derived = 0;
    const auto types = guitar::GuitarChordTypes();
    for (int type = 0; type < static_cast<int>(types.size()); ++type) {
        const Chord intervals(types[type].intervals);
        for (int root = 0; root < 12; ++root) {
            const std::string what =
                std::string(guitar::PitchName(root, false)) + guitar::TextsOf(type, true).symbol;
            const auto shape = guitar::ShapeFor(type, root, true);
            EXPECT_TRUE(shape) << what;
            if (!shape) continue;
            ExpectPlaysOnly(shape->fingering, intervals.Rotate(12 - root), root, what);
            if (!shape->derived) continue;
            ++derived;
            EXPECT_FALSE(guitar::ShapeFor(type, root, false)) << what << ": built-ins come first";
            int low = 99, high = 0;
            for (int s = 0; s < kGuitarStrings; ++s) {
                const int fret = shape->fingering.frets[s];
                if (fret <= 0) continue;  // open only in a shape that was not moved
                EXPECT_LE(fret, 12) << what;
                low = std::min(low, fret);
                high = std::max(high, fret);
                EXPECT_LE(shape->fingering.fingers[s], 4) << what;
            }
            EXPECT_LE(high - low, 3) << what << " spans at most 4 frets";
            for (int s = 0; s < kGuitarStrings; ++s) {
                if (shape->fingering.fingers[s] == 1) {
                    EXPECT_EQ(shape->fingering.frets[s], low) << what << ": finger 1 bars";
                }
            }
        }
    }
    EXPECT_GT(derived, 250);

    // A7 has no built-in shape: the open A7 shape, drawn as derived. D keeps its built-in shape.
    const auto a7 = guitar::ShapeFor(guitar::GuitarTypeIndex(Chord(0x491)), 9, true);
    ASSERT_TRUE(a7);
    EXPECT_TRUE(a7->derived);
    EXPECT_EQ(a7->fingering.frets, (std::array<int32_t, 6>{-1, 0, 2, 0, 2, 0}));
    const auto d = guitar::ShapeFor(0, 2, true);
    ASSERT_TRUE(d);
    EXPECT_FALSE(d->derived);
    EXPECT_EQ(d->fingering.frets, (std::array<int32_t, 6>{-1, 0, 0, 2, 3, 2}));
    // The Csus4 shape moved up to D#: its open G string becomes the barre at fret 3, finger 1;
    // the others are fingered anew in fret order; the marks of optional notes stay.
    const auto dsSus4 = guitar::ShapeFor(guitar::GuitarTypeIndex(Chord(0x0A1)), 3, true);
    ASSERT_TRUE(dsSus4);
    EXPECT_EQ(dsSus4->fingering.frets, (std::array<int32_t, 6>{6, 6, 6, 3, 4, 4}));
    EXPECT_EQ(dsSus4->fingering.fingers, (std::array<int32_t, 6>{-1, 3, 4, 1, 2, -1}));
}

}  // namespace
