#pragma once
// LogText: the text of every line of the log, one function per line or section heading, each
// writing exactly those bytes to the stream it is given (normally LogStream). The writers decide
// when a line is due and which log flag lets it through; these functions only write.
//
// Number formats: signed and unsigned decimals without padding; in WriteEventText the time has at
// least 8 digits padded with '0' and the message bytes are two-digit lowercase hexadecimal. The
// functions leave the stream in decimal with ' ' as the fill character.
//
// Track flags are read through TrackFlag: tracks at positions beyond the settings' arrays count
// as not monitored and not transposed.

#include <cstdint>
#include <functional>
#include <optional>
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

#include "settings/UserSettings.h"

// The line number that the clock's "opened" line has always carried.
constexpr int kClockOpenedLineNumber = 77;

// "time=00000480, message=0x90(3c,64,00): Note On (C), channel 0" — no line end. `message` is the
// event's four message bytes, status in the low byte. Channels count from 0 here.
void WriteEventText(std::ostream& out, uint32_t time, uint32_t message);

// "line 77, file <sourceFile>, hDevice is <handle>, MIDIERR_MAXERR is 32\n"
void WriteClockOpenedLine(std::ostream& out, std::string_view sourceFile, uint32_t hDevice);

// "file contains <n> tracks\n"
void WriteFileTrackCountLine(std::ostream& out, int32_t trackCount);

// "Track <position> (<name>|no name), <n> events\n"; `name` null when the track has none.
void WriteTrackReadLine(std::ostream& out, int32_t position, const char* name, uint32_t eventCount);

// "SMPTE time division: 25 frames per second x 40 ticks per frame, played at 1000 ticks per second
// whatever the tempo events say"; 29 frames stand for 29.97 drop-frame, played as 30.
std::string SmpteDivisionText(uint8_t framesPerSecond, uint8_t ticksPerFrame);
// "tracks 201 to <n> play but are not monitored, muted or transposed" for a file of n tracks,
// more than the settings hold; "" for smaller files.
std::string UnlistedTracksText(int32_t trackCount);
// "<text>\n": a fact about the loaded file worth knowing, as the window also shows it.
void WriteFileNoticeLine(std::ostream& out, std::string_view text);

// The name of track t (counted from 0), or null when it has none.
using TrackNameLookup = std::function<const char*(int32_t track)>;

// The file header written at every Play: file path, track count, the monitored channels (from 1)
// and tracks with warnings when there are none, and the transposed tracks when the amount is not
// 0. `trackCount` is the number of tracks being played; names are asked for monitored and
// transposed tracks only.
void WriteFileHeaderSection(std::ostream& out, const UserSettingsRecord& settings,
                            int32_t trackCount, const TrackNameLookup& nameOf);
void WriteFileHeaderSection(std::ostream& out, const UserSettingsRecord& settings,
                            const std::vector<std::optional<std::string>>& trackNames);

// "\n" + 73 '*' + "\n", the separator in front of each list heading.
void WriteSeparator(std::ostream& out);

// Separator and "\nThe following lists each event that is being monitored:\n".
void WriteMonitoredEventsHeading(std::ostream& out);
// "event # <number>, " + WriteEventText + "\n"
void WriteMonitoredEventLine(std::ostream& out, int32_t number, uint32_t time, uint32_t message);

// Separator and "\nThe following lists each chord that is recognized:\n".
void WriteRecognizedChordsHeading(std::ostream& out);
// "time=<time>, <root>[ <abbreviation>][ <name>]\n"; a null abbreviation or name is left out
// with its space, an empty one keeps its space. The chord's diagrams follow from the caller.
void WriteChordEntryLine(std::ostream& out, uint32_t time, const char* root,
                         const char* abbreviation, const char* name);

// Separator and "\nThe following lists each event as it is sent to the MIDI interface:\n".
void WriteSentEventsHeading(std::ostream& out);
// "<timeSum>: Event <count> sent: " + WriteEventText(delta, message) + "\n"
void WriteSentEventLine(std::ostream& out, uint32_t timeSum, int32_t count, uint32_t delta,
                        uint32_t message);

// "Beat = <beat>, Position = <position>\n"
void WriteBeatLine(std::ostream& out, int32_t beat, uint32_t position);
