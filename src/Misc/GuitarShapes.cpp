#include "Misc/GuitarShapes.h"

#include <algorithm>
#include <array>
#include <bit>
#include <vector>

#include "Misc/GuitarChords.h"

namespace guitar {

namespace {

constexpr std::array<int, kGuitarStrings> kOpenStrings = {40, 45, 50, 55, 59, 64};
constexpr int kHighestFret = 12;
constexpr int kWidestSpan = 4;
constexpr int kFingers = 4;

// Shapes beside the dictionary's: the built-in shapes of the added types, and shapes of designed
// types that only serve to be moved (the dictionary has most types on C alone, and a C shape
// cannot reach A, A# or B within twelve frets). Frets from low E to high E, then finger marks.
struct ExtraShape {
    int intervals;
    int root;
    bool builtIn;  // drawn as a built-in fingering on its own root
    Fingering fingering;
};

const ExtraShape kExtraShapes[] = {
    {0x081, 0, true, {{-1, 3, 5, 5, -1, -1}, {-1, 1, 3, 4, -1, -1}}},  // C5
    {0x081, 4, true, {{0, 2, 2, -1, -1, -1}, {0, 1, 2, -1, -1, -1}}},  // E5
    {0x085, 2, true, {{-1, -1, 0, 2, 3, 0}, {-1, -1, 0, 1, 2, 0}}},    // Dsus2
    {0x085, 9, true, {{-1, 0, 2, 2, 0, 0}, {-1, 0, 1, 2, 0, 0}}},      // Asus2
    {0x049, 0, true, {{-1, 3, 4, 5, 4, -1}, {-1, 1, 2, 4, 3, -1}}},    // Cdim
    {0x049, 7, false, {{3, 4, 5, 3, -1, -1}, {1, 2, 4, 1, -1, -1}}},   // Gdim
    {0x449, 0, true, {{-1, 3, 4, 3, 4, -1}, {-1, 1, 3, 2, 4, -1}}},    // Cm7b5
    {0x449, 7, false, {{3, -1, 3, 3, 2, -1}, {2, -1, 3, 4, 1, -1}}},   // Gm7b5
    {0x095, 0, true, {{-1, 3, 2, 0, 3, 0}, {-1, 2, 1, 0, 3, 0}}},      // Cadd9
    {0x095, 7, false, {{3, -1, 0, 2, 0, 3}, {2, -1, 0, 1, 0, 3}}},     // Gadd9
    {0x08D, 0, true, {{-1, 3, 1, 0, 3, -1}, {-1, 3, 1, 0, 4, -1}}},    // Cm(add9)
    {0x08D, 7, false, {{3, -1, 5, 3, 3, 5}, {1, -1, 3, 1, 1, 4}}},     // Gm(add9)
    {0x889, 9, true, {{-1, 0, 2, 1, 1, 0}, {-1, 0, 3, 1, 2, 0}}},      // Am(maj7)
    {0x889, 0, false, {{-1, 3, 1, 0, 0, -1}, {-1, 3, 1, 0, 0, -1}}},   // Cm(maj7)
    {0x491, 9, false, {{-1, 0, 2, 0, 2, 0}, {-1, 0, 2, 0, 3, 0}}},     // A7
    {0x891, 9, false, {{-1, 0, 2, 1, 2, 0}, {-1, 0, 2, 1, 3, 0}}},     // Amaj7
    {0x291, 7, false, {{3, 2, 0, 0, 0, 0}, {3, 2, 0, 0, 0, 0}}},       // G6
    {0x295, 7, false, {{3, 2, 2, 2, 3, 3}, {2, 1, 1, 1, 3, 4}}},       // G6/9
    {0x499, 7, false, {{3, 2, 3, 3, -1, -1}, {2, 1, 3, 4, -1, -1}}},   // G7#9
    {0x493, 7, false, {{3, -1, 3, 4, 3, 4}, {1, -1, 1, 2, 1, 3}}},     // G7b9
    {0x455, 7, false, {{3, -1, 3, 2, 2, 1}, {3, -1, 4, 2, 2, 1}}},     // G9b5
    {0x051, 7, false, {{3, -1, 5, 4, 2, -1}, {2, -1, 4, 3, 1, -1}}},   // G(b5)
    {0x695, 7, false, {{3, -1, 3, 4, 5, -1}, {1, -1, 2, 3, 4, -1}}},   // G13
    {0x289, 7, false, {{3, -1, 2, 3, 3, -1}, {2, -1, 1, 3, 4, -1}}},   // Gm6
    {0x489, 7, false, {{3, 5, 3, 3, 3, 3}, {1, 3, 1, 1, 1, 1}}},       // Gm7
    {0x48D, 7, false, {{3, -1, 3, 3, 3, 5}, {1, -1, 1, 1, 1, 4}}},     // Gm9
    {0x895, 7, false, {{3, -1, 4, 2, 3, -1}, {2, -1, 4, 1, 3, -1}}},   // Gmaj9
    {0x4A1, 7, false, {{3, 5, 3, 5, 3, 3}, {1, 3, 1, 4, 1, 1}}},       // G7sus4
    {0x0A1, 7, false, {{3, 5, 5, 5, 3, 3}, {1, 2, 3, 4, 1, 1}}},       // Gsus4
    {0x451, 7, false, {{3, -1, 3, 4, 2, -1}, {2, -1, 3, 4, 1, -1}}},   // G7b5
    {0x495, 7, false, {{3, 2, 3, 2, 3, -1}, {2, 1, 3, 1, 4, -1}}},     // G9
    {0x511, 7, false, {{3, -1, 3, 4, 4, -1}, {1, -1, 2, 3, 4, -1}}},   // G7#5
};

struct Source {
    int root;
    const Fingering* fingering;
    bool builtIn;
};

// Every shape of the type, of every root, built-in ones first. A shape of a symmetric type (the
// diminished seventh, the augmented triad) is also a shape of the other roots of its notes.
std::vector<Source> SourcesOf(int type) {
    const int intervals = GuitarChordTypes()[static_cast<std::size_t>(type)].intervals;
    std::vector<Source> shapes;
    if (const ChordType* designed = chordDictionary.Find(Chord(intervals))) {
        for (int root = 0; root < 12; ++root)
            for (const Fingering& f : designed->fingerings[static_cast<std::size_t>(root)])
                shapes.push_back({root, &f, true});
    }
    for (const ExtraShape& shape : kExtraShapes)
        if (shape.intervals == intervals)
            shapes.push_back({shape.root, &shape.fingering, shape.builtIn});
    std::stable_partition(shapes.begin(), shapes.end(), [](const Source& s) { return s.builtIn; });
    std::vector<Source> sources;
    for (const Source& shape : shapes) {
        for (int step = 0; step < 12; ++step)
            if (Chord(intervals).Rotate(12 - step) == Chord(intervals))
                sources.push_back(
                    {(shape.root + step) % 12, shape.fingering, shape.builtIn && step == 0});
    }
    return sources;
}

bool Fits(const Fingering& f) {
    int low = kHighestFret + 1;
    int high = 0;
    for (int fret : f.frets) {
        if (fret < 0) continue;
        if (fret < 1 || fret > kHighestFret) return false;
        low = std::min(low, fret);
        high = std::max(high, fret);
    }
    return high > 0 && high - low < kWidestSpan;
}

bool HasOpenStrings(const Fingering& f) {
    return std::find(f.frets.begin(), f.frets.end(), 0) != f.frets.end();
}

// `f` moved by `delta` frets: a shape without open strings as it is, otherwise with its open
// strings barred at fret `delta` and the other strings fingered anew. Not moved, it stays as it
// is, open strings and all.
std::optional<Fingering> Moved(const Fingering& f, int delta) {
    if (delta == 0) return f;
    Fingering moved = f;
    if (!HasOpenStrings(f)) {
        for (int& fret : moved.frets) {
            if (fret <= 0) continue;
            fret += delta;
            if (fret < 1) return std::nullopt;  // moved off the neck
        }
        if (!Fits(moved)) return std::nullopt;
        return moved;
    }
    if (delta <= 0) return std::nullopt;
    std::vector<int> fingered;  // strings that need a finger besides the barre
    for (int s = 0; s < kGuitarStrings; ++s) {
        const int fret = f.frets[static_cast<std::size_t>(s)];
        if (fret < 0) continue;
        if (fret == 0) {
            moved.frets[static_cast<std::size_t>(s)] = delta;
            moved.fingers[static_cast<std::size_t>(s)] = 1;
            continue;
        }
        moved.frets[static_cast<std::size_t>(s)] = fret + delta;
        if (f.fingers[static_cast<std::size_t>(s)] >= 0) fingered.push_back(s);
    }
    if (static_cast<int>(fingered.size()) > kFingers - 1 || !Fits(moved)) return std::nullopt;
    std::stable_sort(fingered.begin(), fingered.end(), [&moved](int a, int b) {
        return moved.frets[static_cast<std::size_t>(a)] < moved.frets[static_cast<std::size_t>(b)];
    });
    int finger = 2;
    for (int s : fingered)
        moved.fingers[static_cast<std::size_t>(s)] = finger++;
    return moved;
}

// `f` moved by `delta` frets with its open strings left out, if the chord still sounds.
std::optional<Fingering> WithoutOpenStrings(const Fingering& f, int delta, Chord chord, int root) {
    Fingering moved = f;
    int sounding = 0;
    bool rootSounds = false;
    for (int s = 0; s < kGuitarStrings; ++s) {
        const int fret = f.frets[static_cast<std::size_t>(s)];
        if (fret <= 0) {
            moved.frets[static_cast<std::size_t>(s)] = -1;
            moved.fingers[static_cast<std::size_t>(s)] = -1;
            continue;
        }
        if (fret + delta < 1) return std::nullopt;
        moved.frets[static_cast<std::size_t>(s)] = fret + delta;
        const int pc = (kOpenStrings[static_cast<std::size_t>(s)] + fret + delta) % 12;
        sounding |= 1 << pc;
        rootSounds = rootSounds || pc == root;
    }
    const int needed = std::min(3, std::popcount(static_cast<unsigned>(chord.Value())));
    if (!rootSounds || std::popcount(static_cast<unsigned>(sounding)) < needed || !Fits(moved))
        return std::nullopt;
    return moved;
}

int HighestFret(const Fingering& f) {
    return *std::max_element(f.frets.begin(), f.frets.end());
}

int SoundingStrings(const Fingering& f) {
    return static_cast<int>(
        std::count_if(f.frets.begin(), f.frets.end(), [](int x) { return x >= 0; }));
}

}  // namespace

int SoundingNote(const Fingering& fingering, int string) {
    const int fret = fingering.frets[static_cast<std::size_t>(string)];
    return fret < 0 ? -1 : kOpenStrings[static_cast<std::size_t>(string)] + fret;
}

std::optional<Shape> ShapeFor(int type, int root, bool derive) {
    const std::vector<Source> sources = SourcesOf(type);
    for (const Source& source : sources)
        if (source.builtIn && source.root == root) return Shape{*source.fingering, false};
    if (!derive) return std::nullopt;

    const int intervals = GuitarChordTypes()[static_cast<std::size_t>(type)].intervals;
    const Chord chord = Chord(intervals).Rotate(12 - root);
    std::optional<Fingering> best;
    for (const Source& source : sources) {
        const int up = ((root - source.root) % 12 + 12) % 12;
        for (int delta : {up, up - 12}) {
            std::optional<Fingering> moved = Moved(*source.fingering, delta);
            if (!moved && HasOpenStrings(*source.fingering))
                moved = WithoutOpenStrings(*source.fingering, delta, chord, root);
            if (!moved) continue;
            const bool better = !best || HighestFret(*moved) < HighestFret(*best) ||
                                (HighestFret(*moved) == HighestFret(*best) &&
                                 SoundingStrings(*moved) > SoundingStrings(*best));
            if (better) best = moved;
        }
    }
    if (!best) return std::nullopt;
    return Shape{*best, true};
}

}  // namespace guitar
