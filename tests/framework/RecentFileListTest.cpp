// The recent-file list: four entries, newest first, no duplicates, kept in the profile.

#include <gtest/gtest.h>

#include <QSettings>

#include "framework/CRecentFileList.h"
#include "framework/FrameworkTestSupport.h"

namespace {

class RecentFileListTest : public ::testing::Test {
  protected:
    void SetUp() override {
        TestApplication();
        QSettings("Tabulon", "Tabulon").remove("Recent File List");
    }
};

}  // namespace

TEST_F(RecentFileListTest, KeepsFourNewestFirstAndMovesRepeatsToTheTop) {
    CRecentFileList list(4);
    list.ReadList();
    EXPECT_EQ(list.GetSize(), 0);
    for (const char* path : {"/m/1.mid", "/m/2.mid", "/m/3.mid", "/m/4.mid", "/m/5.mid"})
        list.Add(path);
    EXPECT_EQ(list.Files(), (QStringList{"/m/5.mid", "/m/4.mid", "/m/3.mid", "/m/2.mid"}));
    list.Add("/m/3.mid");
    EXPECT_EQ(list.Files(), (QStringList{"/m/3.mid", "/m/5.mid", "/m/4.mid", "/m/2.mid"}));
}

TEST_F(RecentFileListTest, SurvivesInTheProfileUnderTabulonTabulon) {
    {
        CRecentFileList list(4);
        list.Add("/m/a.mid");
        list.Add("relative.mid");
    }
    QSettings profile("Tabulon", "Tabulon");
    EXPECT_EQ(profile.value("Recent File List/File2").toString(), "/m/a.mid");
    EXPECT_TRUE(profile.value("Recent File List/File1").toString().endsWith("/relative.mid"));
    EXPECT_TRUE(profile.value("Recent File List/File1").toString().startsWith("/"))
        << "stored absolute";

    CRecentFileList again(4);
    again.ReadList();
    ASSERT_EQ(again.GetSize(), 2);
    EXPECT_EQ(again.Files()[1], "/m/a.mid");
    again.Remove(0);
    CRecentFileList third(4);
    third.ReadList();
    EXPECT_EQ(third.Files(), QStringList{"/m/a.mid"});
}

TEST_F(RecentFileListTest, ReadsNoMoreThanItsCapacity) {
    CRecentFileList large(4);
    for (const char* path : {"/1", "/2", "/3", "/4"})
        large.Add(path);
    CRecentFileList small(2);
    small.ReadList();
    EXPECT_EQ(small.Files(), (QStringList{"/4", "/3"}));
}
