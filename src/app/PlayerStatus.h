#pragma once
// What the status bar says about the play: where it is (bar and beat), how far in and how long
// the song is, the tempo heard and the speed, the output device, and markers for what changes the
// song as the file has it (muted or transposed tracks, a loop).
//
// PlayerStatus holds the readings; StatusTextsOf turns them into the texts of the status bar's
// fields, one text a field:
//   position  "Bar 12:3"                   bar and beat from 1
//   time      "1:05 / 3:41"                minutes and seconds (hours when needed), truncated
//   tempo     "96 BPM at 80 %"             the tempo heard, then the speed; a song timed in
//             "SMPTE 25 fps x 40 at 80 %"  SMPTE frames plays at the rate of its division
//                                          whatever its tempo events say, so that is shown
//                                          instead ("29.97 fps drop-frame" for 29)
//   device    the built-in synth's status sentence, else "Output: <description>", or
//             "No output device" when none is open; a device that failed says so
//   markers   "2 muted", "3 transposed +2", "Loop 5-8", joined by " | "; empty when nothing
//             changes the song

#include <QString>
#include <cstdint>

#include "Misc/SongSignatures.h"

struct PlayerStatus {
    BarPosition bar;
    double seconds = 0;
    double lengthSeconds = 0;
    double beatsPerMinute = 120;
    int speedPercent = 100;
    // The song's SMPTE time division, as the file gives it (29 stands for 29.97 drop-frame);
    // 0 for a song timed in ticks per beat.
    uint8_t smpteFramesPerSecond = 0;
    uint8_t ticksPerFrame = 0;

    QString deviceDescription;  // empty: no device open
    QString synthStatus;        // the built-in synth's status sentence; empty for other devices
    bool deviceFailed = false;

    int mutedTracks = 0;
    int transposedTracks = 0;
    int transposeAmount = 0;
    bool looping = false;
    uint32_t loopFromBar = 0;
    uint32_t loopToBar = 0;  // the last bar played before the loop starts again
};

struct StatusTexts {
    QString position;
    QString time;
    QString tempo;
    QString device;
    QString markers;
};

StatusTexts StatusTextsOf(const PlayerStatus& status);

// "m:ss", or "h:mm:ss" from an hour on; negative and non-finite values read as 0.
QString FormatSongTime(double seconds);
