#include "settings/PlayerSettingsStore.h"

#include <algorithm>

#include "framework/Profile.h"

namespace settings {

namespace {

constexpr QLatin1StringView kGroup("Player");

}  // namespace

PlayerSettings LoadPlayerSettings() {
    QSettings profile = framework::UserProfile();
    profile.beginGroup(kGroup);
    PlayerSettings settings;
    bool isNumber = false;
    const int speed = profile.value("speedPercent", settings.speedPercent).toInt(&isNumber);
    if (isNumber)
        settings.speedPercent =
            std::clamp(speed, PlayerSettings::kMinSpeedPercent, PlayerSettings::kMaxSpeedPercent);
    settings.countIn = profile.value("countIn", false).toBool();
    settings.lastFolder = profile.value("lastFolder").toString();
    settings.outputDevice = profile.value("outputDevice").toString();
    return settings;
}

void SavePlayerSettings(const PlayerSettings& settings) {
    QSettings profile = framework::UserProfile();
    profile.beginGroup(kGroup);
    profile.setValue("speedPercent", settings.speedPercent);
    profile.setValue("countIn", settings.countIn);
    profile.setValue("lastFolder", settings.lastFolder);
    profile.setValue("outputDevice", settings.outputDevice);
}

}  // namespace settings
