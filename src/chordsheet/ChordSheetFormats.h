#pragma once
// The chord sheet's output formats, over the chords of one file.
//
//  - tsv, designed: "<tick>\t<root>\t<abbreviation>\t<name>\n" per chord (an absent text is an
//    empty field); with the guitarist's options three more fields follow: the chord as written
//    ("Am7", "D/F#"), the slash chord's bass (or empty) and the fingering ("x32010"; frets of 10
//    and up make it "x-10-12-12-11-10"; empty without one). With several files every line
//    starts with the file's path and a tab.
//  - json: one object per file on one line: {"file": path, "ticksPerBeat": n, "chords": [{"tick",
//    "root", "abbreviation", "name", "chord", "bass", "fingering"}...]}, absent texts as null; a
//    file that failed is {"file": path, "error": reason}.
//  - sheet: a chord chart, one line per bar: the bar number, then each beat of the bar (the time
//    signature's beats) with the name of the chord in force for most of that beat where it
//    changes, "." where it goes on, "N.C." where no chord sounds; the cells are as wide as the
//    longest name. With several files each chart is headed by its path. The chart runs to the
//    bar of the file's last event.

#include <array>
#include <cstdint>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "Misc/SongSignatures.h"

enum class SheetFormat { Tsv, Json, Sheet };

struct SheetEntry {
    uint32_t tick = 0;
    std::string root;
    std::optional<std::string> abbreviation;
    std::optional<std::string> name;
    std::string chord;  // as guitarists write it
    std::string bass;
    std::string fingering;
};

struct SheetFile {
    std::string path;
    bool named = false;      // several files: each line or chart carries the path
    bool guitarist = false;  // the options are on: the tsv has the three guitarist fields
    SongSignatures song;
    uint32_t endTick = 0;  // the file's last event
    std::vector<SheetEntry> entries;
};

void WriteSheet(std::ostream& out, SheetFormat format, const SheetFile& file);
void WriteJsonError(std::ostream& out, const std::string& path, const std::string& error);

// "x32010", or "x-10-12-12-11-10" when a fret has two digits; frets from low E to high E.
std::string FingeringText(const std::array<int32_t, 6>& frets);
std::string JsonString(const std::string& text);
