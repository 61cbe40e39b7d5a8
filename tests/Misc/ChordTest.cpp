#include <gtest/gtest.h>

#include <string>

#include "Misc/Chord.h"
#include "Misc/notelist.h"

namespace {

void PressNotes(NoteList& list, std::initializer_list<int> notes, uint8_t channel = 0) {
    for (int note : notes)
        list.Update(
            MidiEvent{0, static_cast<uint8_t>(0x90 | channel), static_cast<uint8_t>(note), 100});
}

TEST(ChordFromNotes, CollectsPitchClassesOncePerClass) {
    NoteList list;
    EXPECT_EQ(Chord(list).Value(), 0);
    PressNotes(list, {60, 64, 67, 72});
    EXPECT_EQ(Chord(list).Value(), 0x091);
    list.Clear();
    PressNotes(list, {64, 68, 71});
    PressNotes(list, {64, 40}, 5);  // the same classes again, on another channel and octave
    EXPECT_EQ(Chord(list).Value(), 0x910);
}

TEST(ChordRotate, TransposesDownBySemitones) {
    EXPECT_EQ(Chord(0x910).Rotate(4), Chord(0x091));  // E major seen from E is C major
    EXPECT_EQ(Chord(0x001).Rotate(1), Chord(0x800));  // C down one semitone is B
    EXPECT_EQ(Chord(0x091).Rotate(1), Chord(0x848));  // C major down one is B major
    EXPECT_EQ(Chord(0).Rotate(5), Chord(0));
    EXPECT_EQ(Chord(0xFFF).Rotate(7), Chord(0xFFF));
    for (int v = 0; v < Chord::kLimit; ++v) {
        const Chord set(v);
        ASSERT_EQ(set.Rotate(0), set);
        ASSERT_EQ(set.Rotate(12), set);
        ASSERT_EQ(set.Rotate(-1), set.Rotate(11));
        ASSERT_EQ(set.Rotate(-25), set.Rotate(11));
        for (int n = 1; n < 12; ++n) {
            const Chord rotated = set.Rotate(n);
            for (int p = 0; p < 12; ++p)
                ASSERT_EQ(rotated.Contains((p - n + 12) % 12), set.Contains(p));
        }
    }
}

TEST(ChordNoteName, SharpsOnlyAndModuloTwelve) {
    EXPECT_STREQ(Chord::NoteName(0), "C");
    EXPECT_STREQ(Chord::NoteName(11), "B");
    EXPECT_STREQ(Chord::NoteName(61), "C#");
    EXPECT_STREQ(Chord::NoteName(127), "G");
    EXPECT_STREQ(Chord::NoteName(255), "D#");
    EXPECT_STREQ(noteNames[10], "A#");
}

// The two error lines for a refused value, with the source path of the set's module.
void ExpectRefused(int value, const std::string& hexText) {
    testing::internal::CaptureStderr();
    const Chord set(value);
    std::cerr << 255;  // the stream must be back in decimal
    const std::string err = testing::internal::GetCapturedStderr();
    EXPECT_EQ(set.Value(), 0);
    const std::string firstLine = err.substr(0, err.find('\n') + 1);
    EXPECT_EQ(firstLine.rfind("fatal error line 62 file ", 0), 0u) << err;
    EXPECT_NE(firstLine.find("Misc/Chord.cpp\n"), std::string::npos) << err;
    EXPECT_EQ(err.substr(firstLine.size()), "invalid integer " + hexText + "passed\n255");
}

TEST(ChordFromInteger, KeepsValidValuesAndRefusesOthers) {
    EXPECT_EQ(Chord(4095).Value(), 0xFFF);
    EXPECT_EQ(Chord(0).Value(), 0);
    EXPECT_EQ(Chord(), Chord(0));
    EXPECT_NE(Chord(0x091), Chord(0x089));
    ExpectRefused(4096, "1000");
    ExpectRefused(0x12345, "12345");
    ExpectRefused(-1, "ffffffff");  // would set bits 12 to 15
}

}  // namespace
