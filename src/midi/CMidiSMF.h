#pragma once
// CMidiSMF: one Standard MIDI File opened through the MIDI library for reading ('r') or writing
// ('w'), with the ordered list of the CMidiTrack objects that stand for its tracks: a track's
// position in the list is the track number passed to the library.
//
// Contract:
//  - The list does not own the tracks. Adding a track sets its `owner` to this object; Close
//    takes every track out of the list (clearing `owner` where it points here) but destroys none.
//    A track that is destroyed takes itself out with RemoveTrack, which clears the track's `owner`
//    when it points here.
//  - Open closes first; it succeeds when the library gives a handle. A failed Open leaves the
//    object closed with GetTrackCountInFile() 0; GetErrorText() then tells why.
//  - Calls in the wrong mode, with an empty list or for a track that is not listed return 0
//    (ReadMeta: -1) and change nothing.
//  - ReadTrack gives the track the events that the library decoded, without copying them, with
//    the capacity that reading them in chunks of 8192 would have grown its array to (by the number
//    of events read so far whenever fewer than 8192 free slots follow them; the slots after the
//    events are zero events that take no memory until used), and writes the line
//    "Track i (name), n events" to the log stream whenever the stream is open.
//  - ReadAllTracks rewinds, clears and reads every track, then gives the file's resolution to the
//    clock linked to the output object of the first track, when there is one.
//  - WriteTrack writes the track's name (meta event 3) and every event of the track;
//    WriteAllTracks writes every track and then the file itself; both report any failure by 0.
//  - Adding a second track makes `format` 1.
//  - GetSongMetaEvents gives the file's time and key signatures with their absolute times
//    (SongMeta.h reads them).

#include <cstdint>
#include <unordered_map>
#include <vector>

#include "midi/MidiEvent.h"
#include "midi/SongMeta.h"

class CMidiTrack;

class CMidiSMF {
  public:
    CMidiSMF();
    CMidiSMF(const char* path, char openMode);
    virtual ~CMidiSMF();
    CMidiSMF(const CMidiSMF&) = delete;
    CMidiSMF& operator=(const CMidiSMF&) = delete;

    int Open(const char* path, char openMode, uint32_t smfFormat);
    void Close();

    void AddTrack(CMidiTrack* track);
    // index -1 appends; an index beyond the list appends too.
    void InsertTrack(CMidiTrack* track, int index);
    int RemoveTrack(CMidiTrack* track);

    uint32_t GetTrackCountInFile() const { return numTracksInFile; }
    uint16_t GetResolution() const;
    char GetMode() const { return mode; }
    int IsOpen() const { return isOpen; }
    uint32_t GetFormat() const { return format; }
    int GetNumTracks() const { return static_cast<int>(tracks.size()); }
    // The track at `position`, or null outside the list.
    CMidiTrack* GetTrack(int position) const;
    // The time signatures (type 0x58) or key signatures (0x59) of every track of the file open
    // for reading, ordered by time, then track; empty for other types, in mode 'w' or closed.
    std::vector<midi::SongMetaEvent> GetSongMetaEvents(uint8_t type) const;
    // The frames per second of the open file's SMPTE time division (29 for 29.97 drop-frame) and
    // its ticks per frame, or 0 (ticksPerFrame 0) for a division in ticks per beat.
    uint8_t GetSmpteDivision(uint8_t& ticksPerFrame) const;
    // Why the last Open failed, or what was wrong in the open file; "" when nothing.
    const char* GetErrorText() const;

    virtual int ReadTrack(CMidiTrack* track);
    int ReadAllTracks();
    // The first meta event of `type` in the track: its bytes followed by a zero byte in `data`,
    // their number in `length`, result 0; -1 (data empty, length 0) when there is none.
    int ReadMeta(CMidiTrack* track, uint8_t type, std::vector<char>& data, uint32_t& length);

    virtual int WriteTrack(CMidiTrack* track);
    int WriteAllTracks();
    // length 0 writes `data` as a zero-terminated text.
    int WriteMeta(CMidiTrack* track, uint8_t type, const uint8_t* data, uint32_t length);

  private:
    // Position of the track in the list, or -1.
    int PositionOf(const CMidiTrack* track) const;
    int ReadTrackAt(CMidiTrack* track, uint32_t position);
    // The capacity that an array of `capacity` slots grows to while `total` events are read into
    // it in chunks of 8192, by the reader's growth rule.
    static uint32_t CapacityAfterReading(uint32_t capacity, uint32_t total);

    uint32_t hSMF = 0;
    int isOpen = 0;
    char mode = 0;
    uint32_t format = 0;
    uint32_t numTracksInFile = 0;
    std::vector<CMidiTrack*> tracks;
    // Position of each listed track, built when first needed; emptied whenever the list changes.
    mutable std::unordered_map<const CMidiTrack*, int> positions;
};
