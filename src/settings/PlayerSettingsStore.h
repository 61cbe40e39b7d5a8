#pragma once
// What the player keeps between runs of the window, in the user's profile (group "Player"): the
// playing speed, whether a count-in precedes a play, the folder of the last file opened and the
// description of the output device last chosen. A missing or unusable value reads as the
// default: speed 100 %, no count-in, no folder, no device (the default device rule).
// Speeds outside 25 .. 200 % are brought into that range.

#include <QString>

namespace settings {

struct PlayerSettings {
    static constexpr int kMinSpeedPercent = 25;
    static constexpr int kMaxSpeedPercent = 200;

    int speedPercent = 100;
    bool countIn = false;
    QString lastFolder;
    QString outputDevice;
};

PlayerSettings LoadPlayerSettings();
void SavePlayerSettings(const PlayerSettings& settings);

}  // namespace settings
