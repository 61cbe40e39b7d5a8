// The Chords menu: each option a check item kept between runs, Guitarist View turning them all on.
#include <QAction>
#include <QMenu>

#include "AppTestSupport.h"
#include "Misc/GuitarTimeline.h"
#include "res/Resource.h"
#include "settings/ChordOptionsStore.h"

using namespace apptest;

namespace {

class ChordOptionsCommandsTest : public AppFixture {
  protected:
    // Every test starts as a fresh install would.
    void SetUp() override {
        EnsureApplication();
        settings::SaveChordOptions(ChordOptions{});
        AppFixture::SetUp();
    }
    // And leaves none for the tests after it.
    void TearDown() override {
        AppFixture::TearDown();
        settings::SaveChordOptions(ChordOptions{});
    }
    bool Checked(unsigned id) {
        QAction* item = frame->GetMenu()->FindItem(id);
        if (!item) item = frame->toolBar.FindButton(id);
        if (!item) return false;
        if (auto* popup = qobject_cast<QMenu*>(item->parent())) frame->UpdateMenuItems(*popup);
        frame->UpdateToolBars();
        return item->isChecked();
    }
};

TEST_F(ChordOptionsCommandsTest, AFreshInstallShowsTheDesignedViewAndGuitaristViewTurnsAllOn) {
    EXPECT_EQ(UserSettings.chordOptions, ChordOptions{});
    const unsigned options[] = {ID_CHORDS_LARGE_VIEW, ID_CHORDS_ALL_FINGERINGS, ID_CHORDS_STEADY,
                                ID_CHORDS_GUITAR_NAMES, ID_CHORDS_MORE_TYPES};
    for (unsigned id : options)
        EXPECT_FALSE(Checked(id)) << id;
    EXPECT_TRUE(Checked(ID_CHORDS_MIN_LENGTH_OFF));
    EXPECT_FALSE(Checked(ID_CHORDS_GUITARIST_VIEW));

    ASSERT_TRUE(Command(ID_TOOLBAR_GUITARIST_VIEW));
    EXPECT_EQ(UserSettings.chordOptions, ChordOptions::Guitarist());
    EXPECT_EQ(settings::LoadChordOptions(), ChordOptions::Guitarist()) << "kept for the next run";
    for (unsigned id : options)
        EXPECT_TRUE(Checked(id)) << id;
    EXPECT_TRUE(Checked(ID_CHORDS_GUITARIST_VIEW));
    EXPECT_TRUE(Checked(ID_TOOLBAR_GUITARIST_VIEW));
    EXPECT_TRUE(Checked(ID_CHORDS_MIN_LENGTH_HALF_BEAT));
    EXPECT_FALSE(Checked(ID_CHORDS_MIN_LENGTH_OFF));

    // One option off: the view is no longer the whole guitarist view; turning it on again
    // turns every option on.
    ASSERT_TRUE(Command(ID_CHORDS_MORE_TYPES));
    EXPECT_FALSE(UserSettings.chordOptions.moreTypes);
    EXPECT_FALSE(Checked(ID_CHORDS_GUITARIST_VIEW));
    ASSERT_TRUE(Command(ID_CHORDS_GUITARIST_VIEW));
    EXPECT_EQ(UserSettings.chordOptions, ChordOptions::Guitarist());
    ASSERT_TRUE(Command(ID_CHORDS_GUITARIST_VIEW));
    EXPECT_EQ(UserSettings.chordOptions, ChordOptions{}) << "all on: the toggle turns all off";
    EXPECT_EQ(settings::LoadChordOptions(), ChordOptions{});

    ASSERT_TRUE(Command(ID_CHORDS_MIN_LENGTH_BAR));
    EXPECT_EQ(UserSettings.chordOptions.minChordLength, MinChordLength::Bar);
    EXPECT_TRUE(Checked(ID_CHORDS_MIN_LENGTH_BAR));
    EXPECT_FALSE(Checked(ID_CHORDS_MIN_LENGTH_HALF_BEAT));
    EXPECT_EQ(settings::LoadChordOptions().minChordLength, MinChordLength::Bar);
}

// The chords on screen follow the options at once, from the notes of the last analysis, and come
// back entry for entry when the options go off; Play keeps the options in force.
TEST_F(ChordOptionsCommandsTest, TheChordsOnScreenFollowTheOptionsAtOnce) {
    const auto folder = Scratch("options-timeline");
    // A C E G over A (designed: A minor, then C6), then C E G strummed 2 ticks apart (1/48 beat).
    WriteSmf(folder / "song.mid", {smftest::TimedTrack({{0, {0x90, 45, 90}},
                                                        {0, {0x90, 48, 90}},
                                                        {0, {0x90, 52, 90}},
                                                        {0, {0x90, 55, 90}},
                                                        {95, {0x80, 45, 0}},
                                                        {95, {0x80, 48, 0}},
                                                        {95, {0x80, 52, 0}},
                                                        {95, {0x80, 55, 0}},
                                                        {96, {0x90, 48, 90}},
                                                        {98, {0x90, 52, 90}},
                                                        {100, {0x90, 55, 90}},
                                                        {191, {0x80, 48, 0}},
                                                        {191, {0x80, 52, 0}},
                                                        {191, {0x80, 55, 0}}})});
    ASSERT_TRUE(Open((folder / "song.mid").string()));
    auto entries = [] {
        std::vector<std::pair<uint32_t, int>> list;
        for (const ChordEvent& e : chordTimeline)
            list.emplace_back(e.time, e.chord.Value());
        return list;
    };
    const auto designed = entries();
    ASSERT_FALSE(designed.empty());
    EXPECT_EQ(designed.front(), (std::pair<uint32_t, int>{0, 0x211})) << "A minor on the way in";
    EXPECT_EQ(GuitarChordAt(0), nullptr);

    ASSERT_TRUE(Command(ID_CHORDS_GUITARIST_VIEW));
    EXPECT_EQ(entries(), (std::vector<std::pair<uint32_t, int>>{{0, 0x291}, {96, 0x091}}));
    ASSERT_NE(GuitarChordAt(0), nullptr);
    EXPECT_EQ(guitar::WrittenName(GuitarChordAt(0)->reading, false, true), "Am7");
    ASSERT_TRUE(Command(ID_PLAY_START));
    EXPECT_EQ(entries(), (std::vector<std::pair<uint32_t, int>>{{0, 0x291}, {96, 0x091}}))
        << "Play analyses again, with the options";
    ASSERT_TRUE(Command(ID_PLAY_STOP));

    ASSERT_TRUE(Command(ID_CHORDS_GUITARIST_VIEW));
    EXPECT_EQ(entries(), designed) << "the designed timeline, entry for entry";
    EXPECT_EQ(GuitarChordAt(0), nullptr);
}

}  // namespace
