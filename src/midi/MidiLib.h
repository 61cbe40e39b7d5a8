#pragma once
// The operations of our MIDI library (implemented in midilib/): output devices, Standard MIDI
// Files and the playback clock. Conventions that every caller relies on:
//  - Handles are 32-bit; a handle from an open call that is not above MIDIERR_MAXERR is an error
//    (OpenSMF reports failure with 0). Operations on an unknown handle do nothing and return 0.
//  - Nothing throws. Results are numbers, as listed with each operation.
//  - The library posts three messages to the MidiNotifier ("window") given at open time, from its
//    clock thread: MSG_OUTPUT_READY to an output, MSG_SYNC_BEAT and MSG_SYNC_DONE to a clock.
//    Each message carries the generation of its sender (see GetSyncGeneration and
//    GetMidiOutGeneration), so that a receiver can drop messages of an earlier play, and a count:
//    a post stands for that many messages (the beats that passed since the previous post).
//    Posts are made without the library's lock held; once a close or a reconfiguration that
//    removes a receiver has returned, nothing more is posted to it.
//  - Every operation may be called from the owner's thread while the clock thread runs.

#include <cstddef>
#include <cstdint>
#include <vector>

#include "midi/MidiEvent.h"

constexpr uint32_t MIDIERR_MAXERR = 32;

constexpr uint32_t MSG_OUTPUT_READY = 0x5453;
constexpr uint32_t MSG_SYNC_BEAT = 0x5452;
constexpr uint32_t MSG_SYNC_DONE = 0x5457;

// The description of the null device, which takes every event and sends nothing.
constexpr const char* kNullOutputDescription = "Null Output";

// The device number that stands for a MIDI mapper; our library has none.
constexpr uint16_t MIDI_MAPPER_DEVICE = 0xFFFF;

// A receiver of the library's posted messages. PostMidiMessage is called from the library's clock
// thread, a real-time thread: it must not block or allocate, and must hand the message over to
// the receiver's own thread.
class MidiNotifier {
  public:
    virtual ~MidiNotifier() = default;
    virtual void PostMidiMessage(uint32_t message, uint32_t generation, uint32_t count) = 0;
};

// Library version: major version in the high byte, minor in the low byte.
uint16_t GetMidiLibraryVersion();

// ---- Output devices ----
int GetNumOutDevices();
// Fills `description` (at most 31 characters and a terminating zero); 1 when the device exists.
int GetMidiOutDescription(uint16_t device, char description[32]);
// Opens a device for playback against the clock `hSync` (0: no clock; events are then sent as
// they are put). `flags` is accepted as given. Returns a handle > MIDIERR_MAXERR, or an error.
uint32_t OpenMidiOut(MidiNotifier* window, uint16_t device, uint32_t hSync, uint32_t flags);
// Queues one event; its `time` is a delta from the previous event queued on this handle. The
// first event after OpenMidiOut or ResetMidiOut counts from the clock's position at that moment,
// so an output opened or reset while a clock runs goes on in time instead of catching up.
// 0 = taken; otherwise the queue is full: offer it again after MSG_OUTPUT_READY.
uint16_t PutMidiOut(uint32_t hMidiOut, const MidiEvent& event);
// Drops everything queued, silences the device (all notes off on all channels) and starts a new
// generation of the handle's messages.
void ResetMidiOut(uint32_t hMidiOut);
// ResetMidiOut for an output that goes on playing: returns the tick of the first event it had
// queued and not yet played, or, with nothing queued, the tick after its clock's position, and
// counts what is queued next from that tick, so that the events merged again from there follow
// without a gap; until the next event is queued, the empty queue does not end the clock's play.
// 0 for an unknown output or one without a clock.
uint32_t RestartMidiOut(uint32_t hMidiOut);
void CloseMidiOut(uint32_t hMidiOut);
void FlushMidiOut(uint32_t hMidiOut);
// Silences the notes sounding on the device without touching the queue.
void SilenceMidiOut(uint32_t hMidiOut);
uint32_t GetMidiOutGeneration(uint32_t hMidiOut);

// ---- Standard MIDI Files ----
// Formats 0, 1 and 2 (format 2 tracks are read as independent tracks from time 0; the format is
// reported), also wrapped in a RIFF "RMID" file. Records are encoded as midilib/EventEncoding.h
// says. Unknown handles: ReadSMF, WriteSMF and GetSMFResolution give 0, ReadMetaEvent -1, the
// operations whose 0 means success (WriteMetaEvent, FlushSMF, CloseSMF) a non-zero failure.
//
// mode 'r': parses the whole file; *format receives its format, *numTracks the number of track
// chunks actually present (more or fewer than the header declares; at most 65,535). Refused (0):
// no MIDI file, a broken header, a division of 0 ticks, no track, files over 256 MiB.
// A file whose tracks break somewhere keeps every track and everything valid before the fault;
// GetSMFErrorText(handle) says what was wrong.
// mode 'w': creates an empty file in memory (*numTracks 0), written out by FlushSMF or CloseSMF
// with 480 ticks per beat, format 1 when it has several tracks, else the *format passed; fails
// at once when the path cannot be created.
// Returns 0 on failure; GetSMFErrorText(0) then gives the reason.
uint32_t OpenSMF(const char* path, uint32_t* format, char mode, uint32_t* numTracks);
// Every track's next read starts at its beginning again.
void RewindSMF(uint32_t hSMF);
// Copies up to `max` further events of a track into `buffer` (delta times), continuing where the
// previous call for that track stopped; 0 at its end.
uint32_t ReadSMF(uint32_t hSMF, uint32_t track, MidiEvent* buffer, uint32_t max);
// Gives the rest of a track's events (delta times, as ReadSMF would) to `events` and returns how
// many there are; the track then reads as finished. When its reading has not begun, its storage
// is handed over as it stands, without a copy; RewindSMF decodes it again from the file.
uint32_t TakeSMFTrack(uint32_t hSMF, uint32_t track, std::vector<MidiEvent>& events);
// The first meta event of `type` (any type, including 0x51 and 0x2F) in a track: 0 and its bytes
// (owned by the library, valid until CloseSMF), or -1 with null and 0 when the track has none.
int ReadMetaEvent(uint32_t hSMF, uint32_t track, uint8_t type, const uint8_t** data,
                  uint32_t* length);
uint16_t GetSMFResolution(uint32_t hSMF);
// The SMPTE time division of a file opened for reading: its frames per second as the header gives
// them (24, 25, 29 for 29.97 drop-frame, 30) with the ticks per frame in *ticksPerFrame, or 0 for
// a division in ticks per beat and other handles. Such a file plays at frames x ticks per frame
// ticks a second (29.97 as 30) whatever its tempo events say: GetSMFResolution gives that product
// and the first track opens with a tempo record of one beat a second.
uint8_t GetSMFSmpteDivision(uint32_t hSMF, uint8_t* ticksPerFrame);
// A meta event that describes the song from a moment on: a time signature (0x58) or a key
// signature (0x59). `time` is in ticks from the start of its track; the bytes are the library's,
// valid until CloseSMF, and are given as the file holds them (a malformed one too).
struct SmfSongMeta {
    uint32_t track = 0;
    uint32_t time = 0;
    uint8_t type = 0;
    const uint8_t* data = nullptr;
    uint32_t length = 0;
};
// The time and key signatures of every track of a file opened for reading, ordered by time, then
// by track, then as they stand in the track. Copies the first `max` of them into `metas` and
// returns how many the file holds (call with max 0 to count them); 0 for other handles.
uint32_t ReadSongMetaEvents(uint32_t hSMF, SmfSongMeta* metas, uint32_t max);
// Appends events (delta times) to a track of a file opened for writing (track n creates tracks
// 0..n); returns how many will be written: records of no known kind are left out, their delta
// time kept.
uint32_t WriteSMF(uint32_t hSMF, uint32_t track, const MidiEvent* events, uint32_t count);
// Adds a meta event to a track of a file opened for writing, after the events written so far;
// length 0 takes `data` as a zero-terminated text. End-of-track (0x2F) is refused: the writer
// ends every track itself. 0 = success.
int WriteMetaEvent(uint32_t hSMF, uint32_t track, uint8_t type, const uint8_t* data,
                   uint32_t length);
// Writes a file opened for writing to its path now (a file opened for reading: nothing to do).
// 0 = success.
int FlushSMF(uint32_t hSMF);
// Closes the file; a file opened for writing is written out first. 0 = success. The handle is
// gone either way.
int CloseSMF(uint32_t hSMF);
// A one-line reason: why the last OpenSMF of this thread failed (hSMF 0), or what was wrong in an
// open file whose valid part was kept ("note-on at byte 1,234 of track 3 (Bass) is cut off: the
// chunk ends at byte 1,236"; tracks counted from 1 with their names, byte positions from the start
// of the file), or why its last write failed. "" when there is
// none. Valid until the next OpenSMF of the thread (hSMF 0) or until CloseSMF.
const char* GetSMFErrorText(uint32_t hSMF);

// ---- The clock ----
// hSync 0: opens a new clock (stopped, position 0, 500000 us per beat, 480 ticks per beat).
// Otherwise reconfigures that clock; mode or period 0xFFFF mean unchanged. Periods of 1 and 10 ms
// are accepted. Returns the clock's handle, or an error.
uint32_t OpenSync(uint32_t hSync, MidiNotifier* window, uint16_t mode, uint16_t period);
// Starts from position 0 and starts a new generation of the clock's messages.
void StartSync(uint32_t hSync);
void ReStartSync(uint32_t hSync);
void StopSync(uint32_t hSync);
void PauseSync(uint32_t hSync, uint32_t flag);
void CloseSync(uint32_t hSync);
uint32_t GetTempo(uint32_t hSync);
// Microseconds per beat; 0 is refused (non-zero result) and the previous tempo kept.
uint16_t SetTempo(uint32_t hSync, uint32_t microsecondsPerBeat);
uint16_t GetResolution(uint32_t hSync);
// Ticks per beat; 0 is refused (non-zero result) and the previous resolution kept.
uint16_t SetResolution(uint32_t hSync, uint16_t ticksPerBeat);
// Position in ticks on the scale of absolute event times. During a count-in (StartSyncAt) it
// stays at the tick the play starts from.
uint32_t GetPosition(uint32_t hSync, uint16_t selector);
uint32_t GetSyncGeneration(uint32_t hSync);

// ---- Practice playback ----
// The speed at which the clock plays its tempo: at speed s a beat of tempo t lasts t / s, so that
// the file's tempo changes keep their ratios. 1.0 at open. GetTempo and SetTempo stay the file's
// tempo. A speed that is not a finite number above 0 is refused (non-zero result); 0.0 for an
// unknown clock.
uint16_t SetSyncSpeed(uint32_t hSync, double speed);
double GetSyncSpeed(uint32_t hSync);
// Moves the clock's position to `tick`, running or not, with the file's tempo
// `microsecondsPerBeat` in force there (0: the tempo is kept). Every output playing against the
// clock drops what it had queued and is silenced (as ResetMidiOut does) and counts its next event
// from `tick`. Beats are counted on from there.
void SetSyncPosition(uint32_t hSync, uint32_t tick, uint32_t microsecondsPerBeat);
// StartSync from `tick` instead of 0 (StartSyncAt(h, 0, 0) is StartSync). With countIn non-zero
// the play begins with a count-in: the outputs' first events up to a position jump record
// (midi/MidiMessages.h) play in the ticks after `tick` while GetPosition stays at `tick` and no
// beat is posted; the jump brings the position back to `tick`.
void StartSyncAt(uint32_t hSync, uint32_t tick, uint32_t countIn);

// Memory advice for a large array that the caller is about to fill front to back (the analysis
// records of a long song): the whole 2 MB pages inside [start, start + bytes) are asked to come
// as transparent huge pages, so that filling it costs a page fault every 2 MB instead of every
// 4 KB. Pages never written stay unbacked. Advice only: contents are unchanged, smaller ranges
// are left as they are, and nothing fails.
void AdviseLargeArray(void* start, size_t bytes);
