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
//  - StartPlayback: drops what the device still queues (all notes off), applies the current mutes
//    to the tracks, rewinds every track's merge position, runs the chord analysis pass
//    (AnalyzeChords, which leaves every position rewound and lastTime/outCount/sendIndex 0) and
//    sends until the library refuses an event.
//  - Silence() silences the device's sounding notes (stop, pause, file change); ForgetPosition()
//    drops the pending buffer (file change).
//  - eventsSentTime (sum of every delta handed to the library) and eventsSentCount (events logged
//    as sent) are process-wide and never reset. Event lines are logged under logMidiEvents.

#include <array>
#include <cstdint>
#include <memory>
#include <vector>

#include "midi/MessageWindow.h"
#include "midi/MidiEvent.h"
#include "midi/TrackMerge.h"

class CMidiSync;
class CMidiTrack;

class CMidiOut {
  public:
    CMidiOut();
    virtual ~CMidiOut();
    CMidiOut(const CMidiOut&) = delete;
    CMidiOut& operator=(const CMidiOut&) = delete;

    void Create(MessageDispatcher& parent);
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
    void StartPlayback();
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
    MessageWindow* GetWindow() const { return window.get(); }

    // How fills pick the next track; the results are the same.
    void SetMergeStrategy(MergeStrategy strategy) { mergeStrategy = strategy; }

    static inline uint32_t eventsSentTime = 0;
    static inline int32_t eventsSentCount = 0;

  private:
    void HandleMessage(uint32_t message, uint32_t generation);
    void ApplyMutes();

    uint32_t hMidiOut = 0;
    uint32_t openFlags = 0;
    uint16_t deviceId = 0;
    int isOpen = 0;
    std::array<char, 32> description{};
    MessageDispatcher* parentWnd = nullptr;
    uint32_t lastTime = 0;
    CMidiSync* sync = nullptr;
    std::vector<TrackPlayState> states;
    std::vector<MidiEvent> outBuffer;
    uint32_t outCount = 0;
    uint32_t sendIndex = 0;
    MergeStrategy mergeStrategy = MergeStrategy::Heap;
    std::unique_ptr<MessageWindow> window;
};
