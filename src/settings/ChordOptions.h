#pragma once
// ChordOptions: what a guitarist may switch on beyond the designed chord view. Every option is
// off by default, so that a fresh install shows the designed view; "Guitarist View" (Guitarist())
// turns them all on. The application keeps them between runs; the core reads them from
// UserSettings.chordOptions.
//
//  - largeView: the view to play from (the chord in force large in the middle, the next three
//    beside it with the beats until each).
//  - allFingerings: a chord without a built-in fingering for its root gets one of its type's
//    shapes moved up the neck as a barre shape.
//  - steadyChords: notes that start within 1/16 beat of each other are one onset (a strum is one
//    chord), and channel 10 (drums) is never listened to.
//  - minChordLength: a chord that lasts less than this is left out of the timeline.
//  - guitarNames: the root in the bass wins among several readings, slash chords when the bass is
//    another chord tone, flats where the key signature has flats, symbols as guitarists write
//    them (Am7, Bb, D/F#).
//  - moreTypes: power chords, sus2, add9, m(add9), m(maj7), m7b5, the diminished triad; the
//    designed "dim" and second "eleventh" sets named dim7 and 13; and a set that is a chord plus
//    one tone that no chord explains is named after that chord.

#include <cstdint>
#include <optional>
#include <string_view>

enum class MinChordLength : uint8_t { Off, HalfBeat, Beat, TwoBeats, Bar };

struct ChordOptions {
    bool largeView = false;
    bool allFingerings = false;
    bool steadyChords = false;
    MinChordLength minChordLength = MinChordLength::Off;
    bool guitarNames = false;
    bool moreTypes = false;

    // Every option on; the minimum chord length of the guitarist's view is half a beat.
    static ChordOptions Guitarist() {
        return {true, true, true, MinChordLength::HalfBeat, true, true};
    }
    // Whether the options change the chord timeline (not only how it is drawn).
    bool ChangeTimeline() const {
        return steadyChords || minChordLength != MinChordLength::Off || guitarNames || moreTypes;
    }

    friend bool operator==(const ChordOptions&, const ChordOptions&) = default;
};

// "off", "half-beat", "beat", "two-beats", "bar": the words the settings and the command line use.
std::string_view MinChordLengthWord(MinChordLength length);
// The length a word names; also accepts "1/2beat", "1beat", "2beats" and "1bar".
std::optional<MinChordLength> MinChordLengthFromWord(std::string_view word);
