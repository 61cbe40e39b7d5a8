#include "Misc/LogText.h"

#include <cinttypes>
#include <cstdio>
#include <iomanip>

#include "Misc/Chord.h"
#include "midi/MidiMessages.h"

namespace {

// Numbers go out through to_string so that they read the same whatever flags the stream carries.
template <typename Number>
void WriteNumber(std::ostream& out, Number value) {
    out << std::to_string(value);
}

void WriteText(std::ostream& out, const char* text) {
    if (text != nullptr) out << text;
}

const char* ChannelMessageName(uint8_t status, uint8_t velocity) {
    switch (midi::KindOf(status)) {
        case midi::kNoteOff:
            return "Note Off";
        case midi::kNoteOn:
            return velocity == 0 ? "Note Off" : "Note On";
        case midi::kKeyPressure:
            return "Key Aftertouch";
        case midi::kControlChange:
            return "Control Change";
        case midi::kProgramChange:
            return "Program Change";
        case midi::kChannelPressure:
            return "Channel Aftertouch";
        case midi::kPitchBend:
            return "Pitch Bend";
        default:
            return nullptr;
    }
}

void WriteEventDescription(std::ostream& out, uint8_t status, uint8_t data1, uint8_t data2) {
    if (status == midi::kAllNotesOffStatus) {
        out << "All Notes Off";
        return;
    }
    const char* kind = ChannelMessageName(status, data2);
    if (kind == nullptr) return;  // meta, system and data bytes have no description
    out << kind;
    if (midi::KindOf(status) == midi::kNoteOff || midi::KindOf(status) == midi::kNoteOn) {
        out << " (" << Chord::NoteName(data1) << ")";
    }
    out << ", channel ";
    WriteNumber(out, midi::ChannelOf(status));
}

// The monitored or transposed track line: number from 1 and name, or "\tNO NAME\n".
void WriteTrackListLine(std::ostream& out, int32_t track, const char* name) {
    if (name == nullptr) {
        out << "\tNO NAME\n";
        return;
    }
    out << "\t";
    WriteNumber(out, int64_t{track} + 1);
    out << " " << name << "\n";
}

}  // namespace

void WriteEventText(std::ostream& out, uint32_t time, uint32_t message) {
    const auto status = static_cast<uint8_t>(message);
    const auto data1 = static_cast<uint8_t>(message >> 8);
    const auto data2 = static_cast<uint8_t>(message >> 16);
    const auto data3 = static_cast<uint8_t>(message >> 24);
    char head[64];
    std::snprintf(head, sizeof head, "time=%08" PRIu32 ", message=0x%02x(%02x,%02x,%02x): ", time,
                  unsigned{status}, unsigned{data1}, unsigned{data2}, unsigned{data3});
    out << head;
    WriteEventDescription(out, status, data1, data2);
    out << std::dec << std::setfill(' ');
}

void WriteClockOpenedLine(std::ostream& out, std::string_view sourceFile, uint32_t hDevice) {
    out << "line ";
    WriteNumber(out, kClockOpenedLineNumber);
    out << ", file " << sourceFile << ", hDevice is ";
    WriteNumber(out, hDevice);
    out << ", MIDIERR_MAXERR is ";
    WriteNumber(out, 32);
    out << "\n";
}

void WriteFileTrackCountLine(std::ostream& out, int32_t trackCount) {
    out << "file contains ";
    WriteNumber(out, trackCount);
    out << " tracks\n";
}

void WriteTrackReadLine(std::ostream& out, int32_t position, const char* name,
                        uint32_t eventCount) {
    out << "Track ";
    WriteNumber(out, position);
    out << " (" << (name != nullptr ? name : "no name") << "), ";
    WriteNumber(out, eventCount);
    out << " events\n";
}

std::string SmpteDivisionText(uint8_t framesPerSecond, uint8_t ticksPerFrame) {
    const bool dropFrame = framesPerSecond == 29;
    const int played = dropFrame ? 30 : framesPerSecond;
    return "SMPTE time division: " +
           (dropFrame ? std::string("29.97 (drop-frame, played as 30)")
                      : std::to_string(framesPerSecond)) +
           " frames per second x " + std::to_string(ticksPerFrame) +
           " ticks per frame, played at " + std::to_string(played * ticksPerFrame) +
           " ticks per second whatever the tempo events say";
}

std::string UnlistedTracksText(int32_t trackCount) {
    if (trackCount <= kMaxSettingsTracks) return "";
    return "tracks " + std::to_string(kMaxSettingsTracks + 1) + " to " +
           std::to_string(trackCount) + " play but are not monitored, muted or transposed";
}

void WriteFileNoticeLine(std::ostream& out, std::string_view text) {
    out << text << "\n";
}

void WriteFileHeaderSection(std::ostream& out, const UserSettingsRecord& settings,
                            int32_t trackCount, const TrackNameLookup& nameOf) {
    const auto name = [&](int32_t track) { return nameOf ? nameOf(track) : nullptr; };

    out << "\nMidi File: " << settings.loadedFilePath << "\n";
    out << "\nMidi File contains ";
    WriteNumber(out, trackCount);
    out << " tracks\n";

    out << "\nthe following midi channels are being monitored: \n";
    bool anyChannel = false;
    for (int c = 0; c < kMidiChannels; ++c) {
        if (settings.monitoredChannels[static_cast<size_t>(c)] == 0) continue;
        out << "\t";
        WriteNumber(out, c + 1);
        out << "\n";
        anyChannel = true;
    }
    if (!anyChannel) {
        out << "\tWARNING: NO CHANNELS ARE BEING MONITORED\n\tNo chords will be recognized!\n\n";
    }

    out << "\nthe following tracks are being monitored: \n";
    bool anyTrack = false;
    for (int32_t t = 0; t < trackCount; ++t) {
        if (!TrackFlag(settings.monitoredTracks, t)) continue;
        WriteTrackListLine(out, t, name(t));
        anyTrack = true;
    }
    if (!anyTrack) {
        out << "\tWARNING: NO TRACKS ARE BEING MONITORED\n\tNo chords will be recognized!\n\n";
    }

    if (settings.transposeAmount != 0) {
        out << "\n\nThe following tracks are being trasposed by ";
        WriteNumber(out, settings.transposeAmount);
        out << " semitones\n";
        for (int32_t t = 0; t < trackCount; ++t) {
            if (TrackFlag(settings.transposedTracks, t)) WriteTrackListLine(out, t, name(t));
        }
        out << "\n";
    }
}

void WriteFileHeaderSection(std::ostream& out, const UserSettingsRecord& settings,
                            const std::vector<std::optional<std::string>>& trackNames) {
    WriteFileHeaderSection(out, settings, static_cast<int32_t>(trackNames.size()),
                           [&](int32_t track) -> const char* {
                               const auto& entry = trackNames[static_cast<size_t>(track)];
                               return entry ? entry->c_str() : nullptr;
                           });
}

void WriteSeparator(std::ostream& out) {
    out << "\n" << std::string(73, '*') << "\n";
}

void WriteMonitoredEventsHeading(std::ostream& out) {
    WriteSeparator(out);
    out << "\nThe following lists each event that is being monitored:\n";
}

void WriteMonitoredEventLine(std::ostream& out, int32_t number, uint32_t time, uint32_t message) {
    out << "event # ";
    WriteNumber(out, number);
    out << ", ";
    WriteEventText(out, time, message);
    out << "\n";
}

void WriteRecognizedChordsHeading(std::ostream& out) {
    WriteSeparator(out);
    out << "\nThe following lists each chord that is recognized:\n";
}

void WriteChordEntryLine(std::ostream& out, uint32_t time, const char* root,
                         const char* abbreviation, const char* name) {
    out << "time=";
    WriteNumber(out, time);
    out << ", ";
    WriteText(out, root);
    if (abbreviation != nullptr) out << " " << abbreviation;
    if (name != nullptr) out << " " << name;
    out << "\n";
}

void WriteSentEventsHeading(std::ostream& out) {
    WriteSeparator(out);
    out << "\nThe following lists each event as it is sent to the MIDI interface:\n";
}

void WriteSentEventLine(std::ostream& out, uint32_t timeSum, int32_t count, uint32_t delta,
                        uint32_t message) {
    WriteNumber(out, timeSum);
    out << ": Event ";
    WriteNumber(out, count);
    out << " sent: ";
    WriteEventText(out, delta, message);
    out << "\n";
}

void WriteBeatLine(std::ostream& out, int32_t beat, uint32_t position) {
    out << "Beat = ";
    WriteNumber(out, beat);
    out << ", Position = ";
    WriteNumber(out, position);
    out << "\n";
}
