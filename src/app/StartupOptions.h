#pragma once
// StartupOptions: what the command line asks of the window application, parsed by the program's
// main function and read by the application object at start-up.

#include <QStringList>
#include <cstdint>
#include <optional>
#include <string>

struct StartupOptions {
    QStringList files;                    // the file to open first; none: an empty document
    bool headless = false;                // no window shown: play the file once and end
    std::optional<int> device;            // output device number instead of the default rule
    std::string audioDriver;              // the built-in synth's audio driver; empty: the profile's
    std::string logFile;                  // logging on from the start into this file
    std::optional<uint16_t> timerPeriod;  // the clock's period instead of the frame's 10 ms
    bool printLateness = false;           // headless: report the dispatch lateness at the end
    // Headless practice play: the speed in percent of the file's tempo map, the bars to play (from
    // 1; 0: the song's start or end) and a count-in bar before the play.
    std::optional<double> speedPercent;
    uint32_t fromBar = 0;
    uint32_t toBar = 0;
    bool countIn = false;
};
