// The timeline of the guitarist's options, made from monitored note events written here.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "Misc/GuitarTimeline.h"

namespace {

class GuitarTimeline : public testing::Test {
  protected:
    void SetUp() override { BuildChordDictionary(); }

    void On(uint32_t time, int note, int channel = 0) {
        events.push_back(
            {time, MidiEvent{time, uint8_t(0x90 | channel), uint8_t(note), 90, 0}, 0, Chord()});
    }
    void Off(uint32_t time, int note, int channel = 0) {
        events.push_back(
            {time, MidiEvent{time, uint8_t(0x80 | channel), uint8_t(note), 0, 0}, 0, Chord()});
    }
    // "tick name" per entry, one string.
    std::string Timeline(const ChordOptions& options) const {
        std::string text;
        for (const GuitarChordEvent& e : BuildGuitarTimeline(events, options, song))
            text += std::to_string(e.time) + " " +
                    guitar::WrittenName(e.reading, e.flats, options.moreTypes) + "; ";
        return text;
    }

    std::vector<MonitoredEvent> events;
    SongSignatures song;  // 480 ticks per quarter, 4/4, no key
};

TEST_F(GuitarTimeline, AStrumIsOneChordAtItsFirstNoteAndDrumsAreNotListenedTo) {
    // C E G A strummed over 24 ticks (1/20 beat): designed, C at 16 and C6 at 24.
    On(0, 48);
    On(8, 52);
    On(16, 55);
    On(24, 57);
    Off(960, 48);
    Off(960, 52);
    Off(960, 55);
    Off(960, 57);
    // Kick, snare and hi-hat on channel 10 spell D F# A.
    On(1440, 38, 9);
    On(1440, 42, 9);
    On(1440, 45, 9);
    ChordOptions off;
    EXPECT_EQ(Timeline(off), "16 C; 24 C6; 1440 D; ");
    ChordOptions steady;
    steady.steadyChords = true;
    EXPECT_EQ(Timeline(steady), "0 C6; ");
    // A strum slower than 1/16 beat splits.
    events.clear();
    On(0, 48);
    On(10, 52);
    On(40, 55);
    EXPECT_EQ(Timeline(steady), "40 C; ");
    On(80, 57);
    EXPECT_EQ(Timeline(steady), "40 C; 80 C6; ");
}

TEST_F(GuitarTimeline, ShortChordsAreLeftOutAndTheChordBeforeThemGoesOn) {
    auto strike = [this](uint32_t time, uint32_t length, std::vector<int> notes) {
        for (int n : notes)
            On(time, n);
        for (int n : notes)
            Off(time + length, n);
    };
    strike(0, 960, {48, 52, 55});      // C, two beats
    strike(960, 120, {43, 47, 50});    // G, a quarter beat
    strike(1080, 840, {48, 52, 55});   // C again
    strike(1920, 2880, {45, 48, 52});  // Am, six beats
    strike(4800, 1440, {41, 45, 48});  // F, three beats
    ChordOptions options;
    EXPECT_EQ(Timeline(options), "0 C; 960 G; 1080 C; 1920 Am; 4800 F; ");
    options.minChordLength = MinChordLength::HalfBeat;
    EXPECT_EQ(Timeline(options), "0 C; 1920 Am; 4800 F; ");
    // The quarter-beat G goes first; the C around it is then one chord of a whole bar.
    options.minChordLength = MinChordLength::Bar;
    EXPECT_EQ(Timeline(options), "0 C; 1920 Am; 4800 F; ");
    song.times = {midi::TimeSignature{0, 7, 4}};  // a bar of 7 quarters
    EXPECT_EQ(Timeline(options), "4800 F; ") << "the last chord lasts to the end";
}

TEST_F(GuitarTimeline, NamesFollowTheBassTheKeyAndTheAddedTypes) {
    On(0, 45);  // A C E G, A in the bass
    On(0, 48);
    On(0, 52);
    On(0, 55);
    Off(480, 45);  // the bass leaves: C E G
    On(960, 58);   // and A#: C E G A#
    ChordOptions options;
    options.steadyChords = true;  // the notes of one tick are one onset
    EXPECT_EQ(Timeline(options), "0 C6; 480 C; 960 C7; ");
    options.guitarNames = true;
    EXPECT_EQ(Timeline(options), "0 Am7; 480 C; 960 C7; ");
    song.keys = {midi::KeySignature{0, -1, false}, midi::KeySignature{900, 2, false}};
    Off(1440, 48);  // E G A#: no designed chord
    EXPECT_EQ(Timeline(options), "0 Am7; 480 C; 960 C7; ");
    options.moreTypes = true;
    EXPECT_EQ(Timeline(options), "0 Am7; 480 C; 960 C7; 1440 Edim; ");
    song.keys = {midi::KeySignature{0, -3, false}};
    EXPECT_EQ(Timeline(options), "0 Am7; 480 C; 960 C7; 1440 Edim; ");
    Off(1920, 52);
    Off(1920, 55);
    On(1920, 46);
    On(1920, 50);
    On(1920, 53);  // A# D F over the A# still sounding
    EXPECT_EQ(Timeline(options), "0 Am7; 480 C; 960 C7; 1440 Edim; 1920 Bb; ");
}

TEST(SongSignatures, BarsAndBeatsFollowTheTimeSignatures) {
    SongSignatures song;
    song.ticksPerQuarter = 96;
    EXPECT_EQ(song.PositionOf(0).bar, 1u);
    EXPECT_EQ(song.PositionOf(96 * 4 + 100).bar, 2u);
    EXPECT_EQ(song.PositionOf(96 * 4 + 100).beat, 2u);
    EXPECT_EQ(song.PositionOf(96 * 4 + 100).beatTick, 96u * 5);
    // Two bars of 4/4, then 6/8 (six eighths a bar), then 3/4 from inside a bar.
    song.times = {{0, 4, 4}, {768, 6, 8}, {768 + 288 + 144, 3, 4}};
    EXPECT_EQ(song.PositionOf(768).bar, 3u);
    EXPECT_EQ(song.BeatTicksAt(800), 48u);
    EXPECT_EQ(song.PositionOf(768 + 288 + 48).beat, 2u);
    EXPECT_EQ(song.PositionOf(1200).bar, 5u) << "the 3/4 starts a bar of its own";
    EXPECT_EQ(song.BarStart(5), 1200u);
    EXPECT_EQ(song.BarStart(6), 1200u + 288);
    EXPECT_EQ(song.BarTicksAt(1200), 288u);
    EXPECT_FALSE(song.FlatsAt(0));
    // Read from the file's meta events: B flat major at 100, E minor at 500.
    song = SongSignatures::Of(
        96, {{100, 0, 0x59, {0xFE, 0}}, {300, 1, 0x59, {0xFE}}, {500, 0, 0x59, {1, 1}}});
    EXPECT_EQ(song.keys.size(), 2u) << "a key signature too short to read is left out";
    EXPECT_FALSE(song.FlatsAt(99));
    EXPECT_TRUE(song.FlatsAt(100));
    EXPECT_FALSE(song.FlatsAt(500));
}

}  // namespace
