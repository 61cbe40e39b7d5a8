#include <gtest/gtest.h>

#include "settings/UserSettings.h"

namespace {

template <typename Flags>
bool All(const Flags& flags, int32_t value) {
    for (auto flag : flags) {
        if (flag != value) return false;
    }
    return true;
}

}  // namespace

TEST(UserSettings, ResetRestoresSelectionsButKeepsMutesFileValuesAndLogSettings) {
    UserSettingsRecord settings;
    settings.monitoredChannels[3] = 0;
    settings.transposedTracks.fill(1);
    settings.transposeAmount = -7;
    settings.mutedTracks[5] = 1;
    settings.trackCount = 4;
    settings.loadedFilePath = "x.mid";
    settings.logFileName = "x.log";
    settings.loggingEnabled = 1;
    settings.logTrackInfo = 1;

    settings.ResetTrackSettings();
    EXPECT_TRUE(All(settings.monitoredChannels, 1));
    EXPECT_TRUE(All(settings.monitoredTracks, 1));
    EXPECT_TRUE(All(settings.transposedTracks, 0));
    EXPECT_EQ(settings.transposeAmount, 0);
    EXPECT_EQ(settings.mutedTracks[5], 1);
    EXPECT_EQ(settings.trackCount, 4);
    EXPECT_EQ(settings.loadedFilePath, "x.mid");
    EXPECT_EQ(settings.logFileName, "x.log");
    EXPECT_EQ(settings.loggingEnabled, 1);
    EXPECT_EQ(settings.logTrackInfo, 1);

    settings.ClearMutedTracks();
    EXPECT_TRUE(All(settings.mutedTracks, 0));
    EXPECT_TRUE(All(settings.monitoredTracks, 1));
}

TEST(UserSettings, TrackFlagNeverReadsPastTheArrays) {
    TrackFlags flags{};
    flags.fill(1);
    EXPECT_TRUE(TrackFlag(flags, 0));
    EXPECT_TRUE(TrackFlag(flags, kMaxSettingsTracks - 1));
    EXPECT_FALSE(TrackFlag(flags, kMaxSettingsTracks));
    EXPECT_FALSE(TrackFlag(flags, -1));
    flags[7] = 0;
    EXPECT_FALSE(TrackFlag(flags, 7));
}
