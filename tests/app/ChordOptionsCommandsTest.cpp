// The Chords menu: each option a check item kept between runs, Guitarist View turning them all on.
#include <QAction>
#include <QMenu>

#include "AppTestSupport.h"
#include "res/Resource.h"
#include "settings/ChordOptionsStore.h"

using namespace apptest;

namespace {

class ChordOptionsCommandsTest : public AppFixture {
  protected:
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
    EXPECT_EQ(LoadChordOptions(), ChordOptions::Guitarist()) << "kept for the next run";
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
    EXPECT_EQ(LoadChordOptions(), ChordOptions{});

    ASSERT_TRUE(Command(ID_CHORDS_MIN_LENGTH_BAR));
    EXPECT_EQ(UserSettings.chordOptions.minChordLength, MinChordLength::Bar);
    EXPECT_TRUE(Checked(ID_CHORDS_MIN_LENGTH_BAR));
    EXPECT_FALSE(Checked(ID_CHORDS_MIN_LENGTH_HALF_BEAT));
    EXPECT_EQ(LoadChordOptions().minChordLength, MinChordLength::Bar);
}

}  // namespace
