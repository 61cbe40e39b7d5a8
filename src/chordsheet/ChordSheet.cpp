#include "chordsheet/ChordSheet.h"

#include <unistd.h>

#include <algorithm>
#include <charconv>
#include <filesystem>
#include <iostream>
#include <sstream>

#include "Misc/ChordDiagram.h"
#include "Misc/ChordDictionary.h"
#include "Misc/GuitarShapes.h"
#include "Misc/GuitarTimeline.h"
#include "Misc/LogStream.h"
#include "Misc/notelist.h"
#include "chordsheet/ChordSheetBatch.h"
#include "chordsheet/ChordSheetFormats.h"
#include "midi/CMidiOut.h"
#include "midi/LoadedSong.h"
#include "midi/MidiMessages.h"
#include "settings/UserSettings.h"

using chordsheet::ChordSheetOptions;

namespace {

// Track numbers must name tracks of the loaded file.
bool CheckTracks(const std::optional<std::vector<int>>& tracks, const char* option, int trackCount,
                 const std::string& file, std::string& error) {
    if (!tracks) return true;
    for (int track : *tracks) {
        if (track < trackCount) continue;
        error = "bad value '" + std::to_string(track) + "' for " + option + ": " + file +
                (trackCount == 0 ? std::string(" has no tracks")
                                 : " has tracks 0 to " + std::to_string(trackCount - 1));
        return false;
    }
    return true;
}

void SelectOnly(TrackFlags& flags, const std::vector<int>& tracks) {
    flags.fill(0);
    for (int track : tracks)
        flags[static_cast<std::size_t>(track)] = 1;
}

// The user settings as they were before the sheet was made, put back when it is done.
class SettingsRestorer {
  public:
    SettingsRestorer() : saved(UserSettings) {}
    ~SettingsRestorer() { UserSettings = saved; }
    SettingsRestorer(const SettingsRestorer&) = delete;
    SettingsRestorer& operator=(const SettingsRestorer&) = delete;

  private:
    UserSettingsRecord saved;
};

// Closes the log opened for the sheet, whatever way the sheet ends.
class LogCloser {
  public:
    ~LogCloser() {
        if (opened) CloseLogStream();
    }
    bool opened = false;
};

void SetLogFlags(int32_t flag) {
    UserSettings.loggingEnabled = flag;
    UserSettings.logNotes = flag;
    UserSettings.logChords = flag;
    UserSettings.logMidiEvents = flag;
    UserSettings.logTrackInfo = flag;
}

// The chords of the file just analysed, as the sheet writes them: the designed timeline, or the
// one that the guitarist's options make from the same monitored events.
std::vector<SheetEntry> EntriesOf(const ChordOptions& chords, const SongSignatures& song) {
    PutChordOptionsInForce(song);
    std::vector<SheetEntry> entries;
    for (std::size_t k = 0; k < chordTimeline.Size(); ++k) {
        GuitarChordEvent e{chordTimeline[k].time, {}, false};
        if (const GuitarChordEvent* read = GuitarChordAt(k)) {
            e = *read;
        } else if (const auto designed = guitar::ReadChord(chordTimeline[k].chord, -1, {})) {
            e.reading = *designed;
        } else {
            continue;
        }
        const guitar::ChordReading& r = e.reading;
        const guitar::TypeTexts texts = guitar::TextsOf(r.type, chords.moreTypes);
        SheetEntry entry;
        entry.tick = e.time;
        entry.root = guitar::PitchName(r.root, e.flats);
        if (texts.abbreviation) entry.abbreviation = texts.abbreviation;
        if (texts.name) entry.name = texts.name;
        entry.chord = guitar::WrittenName(r, e.flats, chords.moreTypes);
        if (r.bass >= 0) entry.bass = guitar::PitchName(r.bass, e.flats);
        if (const auto shape = guitar::ShapeFor(r.type, r.root, chords.allFingerings))
            entry.fingering = FingeringText(shape->fingering.frets);
        entries.push_back(std::move(entry));
    }
    return entries;
}

// The tick of the song's last event.
uint32_t EndTick(const LoadedSong& song) {
    uint32_t end = 0;
    for (const auto& track : song.Tracks())
        if (track->GetCount() > 0)
            end = std::max(end, track->GetAbsoluteTime(track->GetCount() - 1));
    return end;
}

// Whether the options ask for more than the designed sheet.
bool GuitaristSheet(const ChordOptions& chords) {
    return chords.ChangeTimeline() || chords.allFingerings;
}

// The sheet of one file; `named` when it is one of several.
int SheetOfFile(const std::string& path, const ChordSheetOptions& options, bool named,
                std::ostream& out, std::ostream& err) {
    SettingsRestorer restoreSettings;
    LogCloser closeLog;
    auto fail = [&](const std::string& reason) {
        err << reason << "\n";
        if (options.format == SheetFormat::Json) WriteJsonError(out, path, reason);
        return kChordSheetFailed;
    };

    // A freshly opened file: everything monitored, nothing transposed or muted.
    UserSettings.ResetTrackSettings();
    UserSettings.ClearMutedTracks();
    UserSettings.chordOptions = options.chords;
    SetLogFlags(0);
    if (options.logFile) {
        if (!OpenLogStream(*options.logFile))
            return fail("cannot open log file " + *options.logFile);
        closeLog.opened = true;
        UserSettings.logFileName = *options.logFile;
        SetLogFlags(1);
    }

    // Destroyed in reverse order: the song's tracks leave the output object first.
    CMidiOut output;
    LoadedSong song;
    const bool opened = song.Load(path, &output);
    song.Describe(UserSettings, path);
    if (!opened) {
        const std::string& reason = song.ErrorText();
        return fail("cannot read " + path + ": " +
                    (reason.empty() ? std::string("not a readable MIDI file") : reason));
    }
    const int trackCount = song.TrackCount();
    if (!song.ErrorText().empty()) err << "warning: " << path << ": " << song.ErrorText() << "\n";
    for (const std::string& notice : song.Notices())
        err << "note: " << path << ": " << notice << "\n";

    std::string error;
    if (!CheckTracks(options.tracks, "--tracks", trackCount, path, error) ||
        !CheckTracks(options.transposeTracks, "--transpose-tracks", trackCount, path, error))
        return fail(error);
    if (options.channels) {
        UserSettings.monitoredChannels.fill(0);
        for (int channel : *options.channels)
            UserSettings.monitoredChannels[static_cast<std::size_t>(channel - 1)] = 1;
    }
    if (options.tracks) SelectOnly(UserSettings.monitoredTracks, *options.tracks);
    if (options.transpose) {
        UserSettings.transposeAmount = *options.transpose;
        SelectOnly(UserSettings.transposedTracks, *options.transposeTracks);
    }

    if (chordDictionary.TypeCount() == 0) BuildChordDictionary();
    soundingNotes.Clear();
    output.AnalyzeChords();
    if (options.format == SheetFormat::Tsv && !named && !GuitaristSheet(options.chords)) {
        WriteChordSheet(out, chordTimeline);
        return kChordSheetOk;
    }
    SheetFile sheet;
    sheet.path = path;
    sheet.named = named;
    sheet.guitarist = GuitaristSheet(options.chords);
    sheet.song = SignaturesOf(song.File());
    sheet.endTick = EndTick(song);
    sheet.entries = EntriesOf(options.chords, sheet.song);
    WriteSheet(out, options.format, sheet);
    return kChordSheetOk;
}

bool IsFolder(const std::string& path) {
    std::error_code ignored;
    return std::filesystem::is_directory(path, ignored);
}

}  // namespace

SongSignatures SignaturesOf(const CMidiSMF& file) {
    std::vector<midi::SongMetaEvent> meta = file.GetSongMetaEvents(midi::kTimeSignatureMeta);
    for (midi::SongMetaEvent& key : file.GetSongMetaEvents(midi::kKeySignatureMeta))
        meta.push_back(std::move(key));
    const uint16_t resolution = file.GetResolution();
    return SongSignatures::Of(resolution != 0 ? resolution : 480, meta);
}

int RunChordSheet(const ChordSheetOptions& options, std::ostream& out, std::ostream& err) {
    if (options.help) {
        out << chordsheet::Usage();
        return kChordSheetOk;
    }
    if (options.files.size() == 1 && !IsFolder(options.files.front()))
        return SheetOfFile(options.files.front(), options, false, out, err);

    std::vector<std::string> problems;
    const std::vector<std::string> files = ExpandInputs(options.files, problems);
    for (const std::string& problem : problems)
        err << "tabulon-chords: " << problem << "\n";
    if (files.empty()) {
        err << "tabulon-chords: no MIDI file found (*.mid, *.midi, *.kar, *.rmi)\n";
        return kChordSheetFailed;
    }
    const FileJob job = [&options](const std::string& path) {
        std::ostringstream text, errors;
        const int status = SheetOfFile(path, options, true, text, errors);
        return FileResult{status == kChordSheetOk, text.str(), errors.str()};
    };
    const bool progress = &err == &std::cerr && ::isatty(STDERR_FILENO) == 1;
    const BatchSummary summary =
        RunBatch(files, options.jobs.value_or(AvailableCores()), job, out, err, progress);
    if (summary.failed > 0)
        err << "tabulon-chords: " << summary.failed << " of " << summary.files << " files failed\n";
    return summary.failed > 0 || !problems.empty() ? kChordSheetFailed : kChordSheetOk;
}

void WriteChordSheet(std::ostream& out, const ChordTimeline& timeline) {
    // The lines are put together in memory and written at once: a stream insertion per field
    // cost a sixth of the time of a typical song.
    std::string text;
    for (const ChordEvent& entry : timeline) {
        const char* abbreviation = nullptr;
        const char* name = nullptr;
        const FingeringList* fingerings = nullptr;
        const char* root = nullptr;
        if (!LookupChord(entry.chord, abbreviation, name, fingerings, root)) continue;
        char tick[16];
        const auto end = std::to_chars(tick, tick + sizeof tick, entry.time).ptr;
        text.append(tick, end).append(1, '\t').append(root).append(1, '\t');
        if (abbreviation != nullptr) text.append(abbreviation);
        text.append(1, '\t');
        if (name != nullptr) text.append(name);
        text.append(1, '\n');
    }
    out.write(text.data(), static_cast<std::streamsize>(text.size()));
}

int RunChordSheet(const std::vector<std::string>& arguments, std::ostream& out, std::ostream& err) {
    ChordSheetOptions options;
    std::string error;
    if (!chordsheet::ParseArguments(arguments, options, error)) {
        err << error << "\n";
        return kChordSheetFailed;
    }
    return RunChordSheet(options, out, err);
}
