#pragma once
// CTabulonDoc: the document, one Standard MIDI File held as one CMidiTrack per track.
//
// OnOpenDocument stops the clock and silences the output, closes the previous file, resets the
// per-file selections (every channel and track monitored, nothing transposed or muted), deletes
// the previous tracks, records the path, opens the file, makes one track per track of the file
// (attached to the file object and to the view's output) and reads them all; the clock takes the
// file's resolution. It always succeeds: a file that cannot be opened leaves the document empty
// and the user is told why (the framework then neither titles the window with it nor lists it
// among the recent files); a file with a broken track keeps its valid part and the user is
// warned. The folder of a file that was read is kept for the next File Open, also in later runs
// of the window. The sounding-note list and the output's pending events are forgotten with the
// file. A file that was read gets its chords found at once (the analysis pass with the settings in
// force, writing nothing to the log), so the chord display shows the new song before the first
// Play; a file that could not be opened leaves the chord timeline empty.
//
// OnNewDocument does the same stop and cleanup, leaves the document and the chord timeline empty
// and sets the clock to 480 ticks per beat and 120 beats per minute.
//
// The document has no storage format and never writes a file: Save and Save As are always
// disabled and do nothing. It is never marked modified.

#include <QString>
#include <cstdint>
#include <memory>
#include <vector>

#include "Misc/SongSignatures.h"
#include "framework/CDocument.h"
#include "midi/LoadedSong.h"

class CCmdUI;
class CMainFrame;
class CTabulonView;

class CTabulonDoc : public CDocument {
  public:
    CTabulonDoc();
    ~CTabulonDoc() override;

    bool OnNewDocument() override;
    bool OnOpenDocument(const QString& path) override;
    // Reads and writes nothing: the system plays files, it does not save them.
    void Serialize() {}

    void OnFileSave() {}
    void OnFileSaveAs() {}
    void OnUpdateFileSave(CCmdUI* cmdUI);
    void OnUpdateFileSaveAs(CCmdUI* cmdUI);

    // True when at least one track holds an event.
    bool HasEvents() const;
    int32_t GetTrackCount() const { return song.TrackCount(); }
    CMidiTrack* GetTrack(int index) const { return song.Track(index); }
    const CMidiSMF& GetSMF() const { return song.File(); }
    // Puts the chords that the guitarist's options read in force (after a pass, or when an option
    // changed), with this file's meter and keys.
    void UpdateChordTimeline() const;
    // Whether the last OnOpenDocument found a file it could read.
    bool LastOpenSucceeded() const override { return lastOpenSucceeded; }
    // The loaded song's meter and keys (4/4 and sharps for an empty document).
    const SongSignatures& Signatures() const { return signatures; }
    // The tick of the song's last event; 0 for an empty document.
    uint32_t LengthTicks() const;

  protected:
    const framework::CommandMap* GetCommandMap() const override;

  private:
    CTabulonView* FirstView() const;
    CMainFrame* Frame() const;
    // Stops the clock, silences the output and forgets its pending events and the sounding notes.
    void StopForFileChange();

    // The song's bars, tempo map and end, read once per file (or none, for a new document).
    void ReadSongShape();

    LoadedSong song;
    bool lastOpenSucceeded = false;
    SongSignatures signatures;
};
