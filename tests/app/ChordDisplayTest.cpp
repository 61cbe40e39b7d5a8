// The chord display rendered into an image and probed at the points its geometry fixes.
#include <QImage>
#include <QPainter>
#include <fstream>
#include <sstream>

#include "AppTestSupport.h"
#include "Misc/ChordAnalysis.h"
#include "Misc/ChordDictionary.h"
#include "Misc/LogStream.h"
#include "app/ChordDisplay.h"
#include "app/GuitaristView.h"
#include "app/ShownChord.h"
#include "framework/CDC.h"
#include "midi/CMidiSync.h"
#include "support/TestLoop.h"

using namespace apptest;

namespace {

constexpr QRgb kWhite = 0xFFFFFFFF;
constexpr QRgb kBlack = 0xFF000000;
const QRgb kDot = qRgb(31, 44, 203);

class ChordDisplayTest : public ::testing::Test {
  protected:
    void SetUp() override {
        EnsureApplication();
        UserSettings = UserSettingsRecord{};
        BuildChordDictionary();
        image.fill(Qt::white);
    }
    void TearDown() override {
        chordTimeline.Clear();
        chordDisplayState = chord_display::DisplayState{};
    }

    template <class Paint>
    void Render(Paint paint) {
        image.fill(Qt::white);
        QPainter painter(&image);
        CDC dc(painter);
        paint(dc);
    }
    QRgb At(int x, int y) const { return image.pixel(x, y); }
    // Pixels of `colour` inside the rectangle.
    int Count(QRect r, QRgb colour) const {
        int n = 0;
        for (int y = r.top(); y <= r.bottom(); ++y)
            for (int x = r.left(); x <= r.right(); ++x)
                if (image.pixel(x, y) == colour) ++n;
        return n;
    }
    // Pixels that are neither white nor the dot colour: text and lines.
    int Ink(QRect r) const {
        int n = 0;
        for (int y = r.top(); y <= r.bottom(); ++y)
            for (int x = r.left(); x <= r.right(); ++x)
                if (image.pixel(x, y) != kWhite && image.pixel(x, y) != kDot) ++n;
        return n;
    }

    QImage image{800, 400, QImage::Format_RGB32};
    CBeatSync clock;  // never opened: position 0
};

// x = 40, y = 100: the grid starts at gx = 56; strings at 56, 76, ... 156.
TEST_F(ChordDisplayTest, EmptyGridHasSixRowsFretNumbersAndNoDots) {
    Render([](CDC& dc) { DrawChordDiagram(dc, 40, 100, nullptr, nullptr, 0); });
    for (int s = 0; s < 6; ++s) {
        EXPECT_EQ(At(56 + 20 * s, 100), kBlack) << s;
        EXPECT_EQ(At(56 + 20 * s, 219), kBlack) << "strings run to y + 120, end excluded";
        EXPECT_EQ(At(56 + 20 * s, 220), kWhite) << s;
    }
    for (int r = 0; r < 6; ++r) {
        EXPECT_EQ(At(60, 100 + 20 * r), kBlack) << r;
        EXPECT_EQ(At(155, 100 + 20 * r), kBlack) << r;
        EXPECT_EQ(At(157, 100 + 20 * r), kWhite) << r;
    }
    EXPECT_EQ(At(60, 220), kWhite) << "no fret line below the last row";
    for (int k = 1; k <= 5; ++k)
        EXPECT_GT(Ink(QRect(40, 100 + 20 * (k - 1) + 10, 12, 14)), 0) << "fret number " << k;
    EXPECT_EQ(Ink(QRect(40, 100 + 20 * 5 + 10, 12, 14)), 0) << "no sixth fret number";
    EXPECT_EQ(Count(image.rect(), kDot), 0);
}

TEST_F(ChordDisplayTest, DotsMarksAndOpenStringsFollowTheFingering) {
    Fingering f;
    f.frets = {-1, 3, 2, 0, 1, 0};
    f.fingers = {0, 3, 2, -1, 1, 0};
    const QString title = "C major ()";
    Render([&](CDC& dc) { DrawChordDiagram(dc, 40, 100, &f, &title, 960); });

    // String 1 at fret 3: a dot between fret lines 2 and 3, centred on (76, 150).
    EXPECT_EQ(At(69, 150), kDot);
    EXPECT_EQ(At(76, 157), kDot);
    // Its mark "3" is white on blue from (72, 140).
    EXPECT_GT(Count(QRect(72, 140, 8, 14), kWhite), 0);
    EXPECT_GT(Count(QRect(72, 140, 8, 14), kDot), 0);
    // String 2 at fret 2 and string 4 at fret 1.
    EXPECT_EQ(At(89, 130), kDot);
    EXPECT_EQ(At(129, 110), kDot);
    // No dot on the open or unplayed strings.
    EXPECT_EQ(At(56, 110), kBlack) << "the string line shows where no dot is";
    EXPECT_EQ(Count(QRect(46, 100, 20, 120), kDot), 0);

    // "X" for string 0 and "O" for string 3, 20 pixels above the nut, white on blue.
    EXPECT_GT(Count(QRect(52, 80, 8, 14), kDot), 0);
    EXPECT_GT(Count(QRect(52, 80, 8, 14), kWhite), 0);
    EXPECT_GT(Count(QRect(112, 80, 8, 14), kDot), 0);
    EXPECT_GT(Count(QRect(112, 80, 8, 14), kWhite), 0);
    EXPECT_EQ(Count(QRect(150, 80, 10, 14), kDot), 0) << "string 5 (open, no mark) shows nothing";

    // Title under the grid at (56, 220), the position line at (56, 240).
    EXPECT_GT(Ink(QRect(56, 220, 60, 14)), 0);
    EXPECT_GT(Ink(QRect(56, 240, 60, 14)), 0);
    EXPECT_EQ(Ink(QRect(40, 256, 200, 20)), 0);
}

TEST_F(ChordDisplayTest, HighestFretSevenGivesEightRows) {
    Fingering f;
    f.frets = {-1, 7, 5, 5, 5, -1};
    f.fingers = {0, 4, 1, 1, 1, 0};
    Render([&](CDC& dc) { DrawChordDiagram(dc, 40, 100, &f, nullptr, 0); });
    EXPECT_EQ(At(56, 259), kBlack) << "strings are 160 pixels long";
    EXPECT_EQ(At(56, 260), kWhite);
    EXPECT_EQ(At(60, 240), kBlack) << "fret line 7";
    EXPECT_EQ(At(60, 260), kWhite);
    EXPECT_GT(Ink(QRect(40, 100 + 20 * 6 + 10, 12, 14)), 0) << "fret number 7";
    EXPECT_EQ(At(69, 230), kDot) << "the fret-7 dot between lines 6 and 7";
}

TEST_F(ChordDisplayTest, EmptyTimelineDrawsOnlyTheEmptyGridAndTheHeader) {
    Render([&](CDC& dc) { DrawChordDisplay(dc, clock); });
    EXPECT_GT(Ink(QRect(10, 10, 150, 14)), 0) << "header";
    EXPECT_EQ(Ink(QRect(40, 60, 700, 14)), 0) << "no slot label";
    EXPECT_EQ(At(56, 100), kBlack) << "the empty grid in slot 0";
    EXPECT_EQ(At(216, 100), kWhite) << "nothing in slot 1";
}

TEST_F(ChordDisplayTest, BeforeTheFirstChordSlotZeroStaysEmptyUnderItsLabel) {
    chordTimeline.Clear();
    chordTimeline.Append(480, Chord(0x091));  // C major
    chordTimeline.Append(960, Chord(0x211));  // A minor
    ResetChordDisplayCursor();
    Render([&](CDC& dc) { DrawChordDisplay(dc, clock); });
    EXPECT_GT(Ink(QRect(40, 60, 60, 14)), 0) << "\"Previous\"";
    EXPECT_GT(Ink(QRect(200, 60, 60, 14)), 0) << "\"Current/Next\"";
    EXPECT_GT(Ink(QRect(360, 60, 60, 14)), 0) << "\"Upcoming\"";
    EXPECT_EQ(Ink(QRect(520, 60, 60, 14)), 0) << "only two chords";
    EXPECT_EQ(Count(QRect(30, 100, 140, 200), kDot), 0) << "slot 0 keeps the empty grid";
    EXPECT_GT(Count(QRect(190, 100, 140, 200), kDot), 0) << "the first chord under Current/Next";
    EXPECT_FALSE(chordDisplayState.firstChordReached);
    EXPECT_EQ(Ink(QRect(56, 220, 100, 14)), 0) << "no title in slot 0";
}

TEST_F(ChordDisplayTest, AChordAtThePositionMovesIntoSlotZero) {
    chordTimeline.Clear();
    chordTimeline.Append(0, Chord(0x091));
    chordTimeline.Append(480, Chord(0x211));
    ResetChordDisplayCursor();
    Render([&](CDC& dc) { DrawChordDisplay(dc, clock); });
    EXPECT_TRUE(chordDisplayState.firstChordReached);
    EXPECT_GT(Count(QRect(30, 100, 140, 200), kDot), 0) << "the first chord in slot 0";
    EXPECT_GT(Ink(QRect(56, 220, 60, 14)), 0) << "its title";
    EXPECT_EQ(Ink(QRect(56, 240, 120, 14)), 0) << "time 0 has no position line";
    EXPECT_GT(Ink(QRect(216, 240, 120, 14)), 0) << "the second chord's position line";
}

// A paint lands after a beat's tick, never exactly on a chord's time: the chord in force (the
// last entry at or before the position) is what sounds and what slot 0 must show.
TEST_F(ChordDisplayTest, SlotZeroShowsTheChordInForceWhereverThePaintLands) {
    chordTimeline.Clear();
    chordTimeline.Append(0, Chord(0x884));     // G: a dot on string 0 at fret 3
    chordTimeline.Append(480, Chord(0x244));   // D: string 4 at fret 3
    chordTimeline.Append(960, Chord(0x910));   // E: string 3 at fret 1
    chordTimeline.Append(1440, Chord(0x221));  // F: string 0 at fret 1
    ResetChordDisplayCursor();
    // The dot of `string` at `fret` in `slot`, beside its white mark.
    auto dot = [&](int slot, int string, int fret) {
        return At(40 + 160 * slot + 16 + 20 * string - 7, 100 + 20 * fret - 10) == kDot;
    };
    auto paintAt = [&](uint32_t position) {
        Render([&](CDC& dc) { DrawChordDisplay(dc, ClockReading{1, position}); });
    };

    paintAt(500);  // D has sounded since 480
    EXPECT_TRUE(dot(0, 4, 3)) << "D in force under Previous";
    EXPECT_TRUE(dot(1, 3, 1)) << "E next";
    EXPECT_TRUE(dot(2, 0, 1)) << "F after it";
    EXPECT_EQ(Ink(QRect(520, 60, 60, 14)), 0) << "no fourth chord, no fourth label";

    paintAt(960);  // exactly on E
    EXPECT_TRUE(dot(0, 3, 1));
    EXPECT_TRUE(dot(1, 0, 1));

    paintAt(5000);  // past the last entry: F still sounds
    EXPECT_TRUE(dot(0, 0, 1)) << "the last chord stays in force to the end";
    EXPECT_GT(Ink(QRect(40, 60, 60, 14)), 0) << "\"Previous\"";
    EXPECT_EQ(Ink(QRect(200, 60, 60, 14)), 0) << "nothing after it";

    paintAt(100);  // the play moved back
    EXPECT_TRUE(dot(0, 0, 3)) << "G in force again";
    EXPECT_TRUE(dot(1, 4, 3));
}

// The designed titles, and what the options change in them and in the shapes.
TEST_F(ChordDisplayTest, TitlesAndShapesFollowTheOptions) {
    ShownChord shown;
    ChordOptions off;
    ASSERT_TRUE(ShowChord(ChordEvent{0, Chord(0x211)}, nullptr, off, shown));
    EXPECT_EQ(shown.title, "A minor (min)");
    ASSERT_TRUE(ShowChord(ChordEvent{0, Chord(0x091)}, nullptr, off, shown));
    EXPECT_EQ(shown.title, "C major ()");
    ASSERT_TRUE(shown.shape);
    EXPECT_EQ(shown.shape->fingering.frets[0], 3) << "the dictionary's first fingering";
    ASSERT_TRUE(ShowChord(ChordEvent{0, Chord(0x245)}, nullptr, off, shown));  // D F# A C
    EXPECT_EQ(shown.title, "D seventh (7)");
    EXPECT_FALSE(shown.shape) << "designed: a bare grid";
    EXPECT_FALSE(ShowChord(ChordEvent{0, Chord(0x003)}, nullptr, off, shown));

    ChordOptions guitarist = ChordOptions::Guitarist();
    ASSERT_TRUE(ShowChord(ChordEvent{0, Chord(0x245)}, nullptr, guitarist, shown));
    EXPECT_EQ(shown.name, "D7");
    EXPECT_EQ(shown.title, "D seventh (D7)");
    ASSERT_TRUE(shown.shape);
    EXPECT_TRUE(shown.shape->derived);
    ASSERT_TRUE(ShowChord(ChordEvent{0, Chord(0x249)}, nullptr, guitarist, shown));
    EXPECT_EQ(shown.name, "Cdim7");

    // A derived shape is drawn in the lighter blue.
    Render(
        [&](CDC& dc) { DrawChordDiagram(dc, 40, 100, &shown.shape->fingering, nullptr, 0, true); });
    EXPECT_EQ(Count(image.rect(), kDot), 0);
    EXPECT_GT(Count(image.rect(), CDC::ToQColor(chord_display::kDerivedDotColor).rgb()), 0);
}

// The view to play from: the chord in force large, the next ones beside it, all scaled to the
// area; a shape high on the neck gets its base fret, which no dot covers.
TEST_F(ChordDisplayTest, TheViewToPlayFromScalesWithTheWindow) {
    UserSettings.chordOptions = ChordOptions::Guitarist();
    chordTimeline.Clear();
    chordTimeline.Append(0, Chord(0x091));    // C
    chordTimeline.Append(960, Chord(0x224));  // D minor: built-in 5 5 7 7 6 5
    ResetChordDisplayCursor();
    auto dots = [&](const QImage& picture, QRect r) {
        int n = 0;
        for (int y = r.top(); y <= r.bottom(); ++y)
            for (int x = r.left(); x <= r.right(); ++x)
                if (picture.pixel(x, y) == kDot) ++n;
        return n;
    };
    auto paint = [&](QImage& picture, uint32_t position) {
        picture.fill(Qt::white);
        QPainter painter(&picture);
        CDC dc(painter);
        DrawChordDisplay(dc, ClockReading{0, position, 480}, picture.deviceIndependentSize());
    };
    QImage small(400, 300, QImage::Format_RGB32);
    QImage large(1200, 900, QImage::Format_RGB32);
    paint(small, 100);
    paint(large, 100);
    // C in force on the left 62 %, D minor beside it.
    const int smallMain = dots(small, QRect(0, 0, 248, 300));
    const int largeMain = dots(large, QRect(0, 0, 744, 900));
    EXPECT_GT(smallMain, 0);
    EXPECT_GT(largeMain, smallMain * 6) << "nine times the area, about nine times the dots";
    EXPECT_GT(dots(large, QRect(760, 0, 440, 300)), 0) << "the next chord beside it";
    EXPECT_EQ(Ink(QRect(40, 60, 60, 14)), 0) << "no designed slot labels";

    // HiDPI: twice the pixels for the same logical size, drawn at full resolution.
    QImage sharp(800, 600, QImage::Format_RGB32);
    sharp.setDevicePixelRatio(2.0);
    paint(sharp, 100);
    EXPECT_GT(dots(sharp, QRect(0, 0, 496, 600)), smallMain * 3);

    // D minor high on the neck: its base fret "4fr" stands left of the grid, clear of the dots.
    QImage shape(300, 400, QImage::Format_RGB32);
    shape.fill(Qt::white);
    {
        QPainter painter(&shape);
        guitar::Shape dMinor{Fingering{{5, 5, 7, 7, 6, 5}, {-1, 1, 3, 4, 2, 1}}, false};
        DrawGuitarShape(painter, QRectF(0, 0, 300, 400), dMinor);
    }
    // unit = min(300 / 9, 400 / 8.1) = 33.3: the grid runs from x = 66.7 to 233.3.
    int labelInk = 0;
    for (int y = 0; y < 400; ++y)
        for (int x = 0; x < 40; ++x)
            if (shape.pixel(x, y) != kWhite) {
                ++labelInk;
                EXPECT_NE(shape.pixel(x, y), kDot);
            }
    EXPECT_GT(labelInk, 0) << "the base fret number";
}

TEST_F(ChordDisplayTest, ABeatLineIsLoggedOncePerBeatAwayFromPositionZero) {
    TestLoop loop;
    CBeatSync running;
    running.Create(loop);
    ASSERT_TRUE(running.Open(0, 1));
    const auto folder = Scratch("beat-line");
    ASSERT_TRUE(OpenLogStream((folder / "log.txt").string()));
    UserSettings.logMidiEvents = 1;
    clock.beatCount = 3;
    Render([&](CDC& dc) { DrawChordDisplay(dc, clock); });  // position 0: nothing

    running.SetTempo(CMidiSync::BpmToTempo(600.0));
    running.Start();
    ASSERT_TRUE(loop.RunUntil([&] { return running.GetPosition(0) > 0; }));
    running.beatCount = 4;
    Render([&](CDC& dc) { DrawChordDisplay(dc, running); });
    Render([&](CDC& dc) { DrawChordDisplay(dc, running); });  // same beat: nothing more
    running.Stop();
    CloseLogStream();

    std::ifstream in(folder / "log.txt");
    std::stringstream text;
    text << in.rdbuf();
    const std::string log = text.str();
    EXPECT_EQ(log.find("Beat = 3"), std::string::npos) << log;
    EXPECT_EQ(log.rfind("Beat = 4, Position = ", 0), 0u) << log;
    EXPECT_EQ(log.find("Beat = 4", 1), std::string::npos) << "written once: " << log;
}

}  // namespace
