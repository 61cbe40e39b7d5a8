#pragma once
// CMidiOut: one MIDI output device opened through the MIDI library, with the tracks it plays.
// During playback it merges the tracks (TrackMerge.h) into 512-event buffers of delta-timed
// events and hands them to the library until its queue is full; MSG_OUTPUT_READY resumes.
//
// Contract:
//  - Create(parent) makes the notification window "CMidiOutWnd"; MSG_OUTPUT_READY runs
//    OnOutputReady on the parent's thread, unless its generation differs from the output's
//    current one (GetMidiOutGeneration): messages of an earlier play are dropped.
//  - Open opens a device against the linked clock's handle (0 without one); an open object is
//    not reopened. When an event is still pending, a successful Open resumes sending at once.
//    Close resets, then closes the device.
//  - Put: true when the library took the event, or when no device is open (the event is dropped;
//    with no device one SendEvents runs through the whole sequence).
//  - Tracks are not owned. AddTrack sets the track's `output`, RemoveTrack clears it when it points
//    here; the destructor closes the device and clears `output` of every listed track. Position i
//    of the list is track i of the user settings.
//  - StartPlayback: stops the linked clock (the previous play; Play starts it again), drops what
//    the device still queues (all notes off), applies the current mutes
//    to the tracks, rewinds every track's merge position, runs the chord analysis pass
//    (AnalyzeChords, which leaves every position rewound and lastTime/outCount/sendIndex 0) and
//    sends until the library refuses an event.
//  - Silence() silences the device's sounding notes (stop, pause, file change); ForgetPosition()
//    drops the pending buffer (file change).
//  - eventsSentTime (sum of every delta handed to the library) and eventsSentCount (events logged
//    as sent) are process-wide and never reset. Event lines are logged under logMidiEvents.
//
// Practice playback (all of it off by default; a play is then the one above):
//  - Reposition(tick) moves a play, running or not, to `tick`: the device's queued events are
//    dropped and its channels silenced, every channel gets sustain off and pitch bend centred,
//    the programs, controllers and pitch bends in force at `tick` are sent again (PlaySeek.h), the
//    merge goes on from `tick` with the mutes and transposition in force, and the linked clock's
//    position jumps to `tick` with the file's tempo there. Without a play it prepares one: a
//    resume of the clock (Pause) plays from `tick`.
//  - RefreshPlay: during a play (InPlay), the device's queue is dropped from its first event not
//    yet played, and the merge goes on from there as Reposition does (the clock runs on), so that
//    a change of mutes, transposition or practice options is heard at once. A device opened
//    during a play (the device menu) goes on in the same way from the tick after the clock's.
//  - SetPractice: where Play starts, where the play ends or loops, and a count-in. With a loop
//    the merge, on reaching `to`, releases every note it sent, resets the channels, queues a
//    position jump back to `from` and goes on from there with the settings in force at `from`:
//    the device's queue runs on without a gap. A loop needs a device and a clock (with neither,
//    events are sent as fast as they are taken and the loop end is the end of the play). A play
//    that reaches `to` without a loop ends there, its notes released. A Reposition at or after
//    `to` plays on to the song's end.
//  - StartPlayback returns where the clock must start (CMidiSync::StartAt): from `from`, with the
//    count-in bar (countInBeats clicks of countInBeatTicks: a high wood block, then side sticks, on
//    the percussion channel) before it. A play from inside the song sets the clock's file
//    tempo to the tempo in force there.
//  - PrepareSong, after a file was loaded: the clock's position goes to 0 with the file's first
//    tempo, so that the tempo shown and set before the first Play is the song's.
//  - GetTempoMap and GetSongEndTick describe the loaded tracks (rebuilt by PrepareSong and by
//    every play).

#include <array>
#include <cstdint>
#include <memory>
#include <vector>

#include "midi/MessageWindow.h"
#include "midi/MidiEvent.h"
#include "midi/TempoMap.h"
#include "midi/TrackMerge.h"

class CMidiSync;
class CMidiTrack;

class CMidiOut {
  public:
    CMidiOut();
    virtual ~CMidiOut();
    CMidiOut(const CMidiOut&) = delete;
    CMidiOut& operator=(const CMidiOut&) = delete;

    void Create(midi::MessageDispatcher& parent);
    void SetSync(CMidiSync* clock) { sync = clock; }
    CMidiSync* GetSync() const { return sync; }

    int Open(uint16_t device, uint32_t flags);
    void Close();
    void Reset();
    void Silence();
    bool Put(const MidiEvent& event);

    void AddTrack(CMidiTrack* track);
    int RemoveTrack(CMidiTrack* track);

    // One merge fill into the output buffer; outCount tells how many events it holds.
    const MidiEvent* FillBuffer();
    void SendEvents();

    struct PracticeOptions {
        uint32_t from = 0;  // Play starts here
        uint32_t to = 0;    // the play ends, or loops, here; 0 or not after `from`: the song's end
        bool loop = false;
        uint32_t countInBeats = 0;  // 0: no count-in
        uint32_t countInBeatTicks = 0;
        bool operator==(const PracticeOptions&) const = default;
    };
    struct PlayStart {
        uint32_t tick = 0;
        bool countIn = false;
    };
    PlayStart StartPlayback();
    void Reposition(uint32_t tick);
    void RefreshPlay();
    bool InPlay() const;
    void SetPractice(const PracticeOptions& options);
    const PracticeOptions& GetPractice() const { return practice; }
    void PrepareSong();
    const midi::TempoMap& GetTempoMap() const { return tempoMap; }
    uint32_t GetSongEndTick() const { return songEndTick; }

    void ForgetPosition();
    // The chord analysis pass over the tracks (defined with the chord analysis).
    void AnalyzeChords();

    int OnOutputReady();
    virtual void OnOutputDone() {}

    uint32_t GetHandle() const { return hMidiOut; }
    int IsOpen() const { return isOpen; }
    uint16_t GetDeviceId() const { return deviceId; }
    uint32_t GetOpenFlags() const { return openFlags; }
    const char* GetDescription() const { return description.data(); }
    int GetNumTracks() const { return static_cast<int>(states.size()); }
    const std::vector<TrackPlayState>& GetStates() const { return states; }
    uint32_t GetLastTime() const { return lastTime; }
    uint32_t GetOutCount() const { return outCount; }
    uint32_t GetSendIndex() const { return sendIndex; }
    // The output buffer (null before the first fill).
    const MidiEvent* GetOutBuffer() const { return outBuffer.empty() ? nullptr : outBuffer.data(); }
    midi::MessageWindow* GetWindow() const { return window.get(); }

    // How fills pick the next track; the results are the same.
    void SetMergeStrategy(midi::MergeStrategy strategy) { mergeStrategy = strategy; }

    static inline uint32_t eventsSentTime = 0;
    static inline int32_t eventsSentCount = 0;

  private:
    void HandleMessage(uint32_t message, uint32_t generation);
    void ApplyMutes();
    void DescribeSong();
    bool LinkedToClock() const;
    uint64_t RangeEnd() const;  // kNoMergeLimit: the song's end
    void EndOfRange();
    void ContinueFrom(uint32_t tick);
    // The merge goes on from the device's first event not yet played (RefreshPlay, in a play).
    void GoOnInPlay();
    void TakePrelude();

    uint32_t hMidiOut = 0;
    uint32_t openFlags = 0;
    uint16_t deviceId = 0;
    int isOpen = 0;
    std::array<char, 32> description{};
    midi::MessageDispatcher* parentWnd = nullptr;
    uint32_t lastTime = 0;
    CMidiSync* sync = nullptr;
    std::vector<TrackPlayState> states;
    std::vector<MidiEvent> outBuffer;
    uint32_t outCount = 0;
    uint32_t sendIndex = 0;
    midi::MergeStrategy mergeStrategy = midi::MergeStrategy::Heap;
    midi::TrackMerger merger;  // the heap merge, restarted wherever the tracks are moved
    std::unique_ptr<midi::MessageWindow> window;

    PracticeOptions practice;
    uint32_t linkedSync = 0;  // the clock handle the device was opened with
    bool playStarted = false;
    bool finished = false;                   // the play's range has been merged to its end
    uint64_t limit = midi::kNoMergeLimit;    // the merge stops here (the range's end)
    std::vector<MidiEvent> prelude;          // events to send before the merge goes on
    std::vector<uint32_t> loopStartIndexes;  // the merge positions at the loop's start, once found
    std::vector<MidiEvent> loopStartChase;
    midi::TempoMap tempoMap;
    uint32_t songEndTick = 0;
};
