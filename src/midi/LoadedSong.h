#pragma once
// LoadedSong: a Standard MIDI File loaded to be played and analysed, the one way the program
// loads a song (the document, the chord sheet, the tests and the fuzz targets).
//
// Load(path, output) first unloads what was loaded, then, in this order: opens `path` for
// reading; writes "file contains N tracks" to the log when logTrackInfo is set; makes one
// CMidiTrack per track of the file, each attached to the file object and, when `output` is
// given, to that output object (track i of the file is position i of both lists); reads every
// track (which logs a line per track and gives the file's resolution to the clock linked to the
// output); reads every track's name. It returns whether the file could be opened; a file that
// cannot be opened leaves the song empty and ErrorText() says why, a file with damage keeps what
// could be read and ErrorText() says what was wrong. Notices() lists what is worth knowing about
// a file that is not damage (an SMPTE time division, tracks beyond those the settings hold); each
// is also written to the log, whenever it is open, after the track lines.
//
// Unload closes the file and destroys the tracks, the last first, so that each leaves its output
// object's list without closing a gap: unloading and loading again take time linear in the number
// of tracks. The destructor unloads.
//
// The file object is held shared so that the user settings can refer to it for the track names
// without owning it (Describe): the reference lapses by itself when the song goes.

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "midi/CMidiSMF.h"
#include "midi/CMidiTrack.h"

class CMidiOut;
struct UserSettingsRecord;

class LoadedSong {
  public:
    LoadedSong();
    ~LoadedSong();
    LoadedSong(const LoadedSong&) = delete;
    LoadedSong& operator=(const LoadedSong&) = delete;

    bool Load(const std::string& path, CMidiOut* output = nullptr);
    void Unload();

    int32_t TrackCount() const { return static_cast<int32_t>(tracks.size()); }
    // The track at `index` (file order, from 0), or null outside the song.
    CMidiTrack* Track(int32_t index) const;
    const std::vector<std::unique_ptr<CMidiTrack>>& Tracks() const { return tracks; }
    // True when at least one track holds an event.
    bool HasEvents() const;

    CMidiSMF& File() { return *file; }
    const CMidiSMF& File() const { return *file; }
    // Why the last Load could not open the file, or what was wrong in it; "" when nothing.
    const std::string& ErrorText() const { return problem; }
    const std::vector<std::string>& Notices() const { return notices; }

    // Makes this the loaded file of `settings`: its track count, its file object as the source
    // of the track names, and `path` as the file's path.
    void Describe(UserSettingsRecord& settings, const std::string& path) const;

  private:
    std::shared_ptr<CMidiSMF> file;
    std::vector<std::unique_ptr<CMidiTrack>> tracks;
    std::string problem;
    std::vector<std::string> notices;
};
