#pragma once
// CMidiSync: the playback clock, one clock of the MIDI library opened with a mode and a timer
// period. It runs, pauses, resumes and stops playback, holds the tempo (microseconds per beat) and
// the resolution (ticks per beat), reports the position in ticks and receives the library's beat
// and done messages through its notification window.
//
// Contract:
//  - Create(parent) makes the notification window "CMidiSyncWnd". Its handler runs on the
//    parent's thread: MSG_SYNC_BEAT -> OnBeat, MSG_SYNC_DONE -> OnSyncDone. A message whose
//    generation differs from the clock's current one (GetSyncGeneration), or that arrives while
//    the clock is closed, is dropped: notifications of an earlier play never reach a new one.
//  - Open(mode, period) opens the clock once (a later call on an open clock only reports 1) and
//    writes the clock line to the log stream. A failed open or SetPeriod leaves the clock closed
//    (handle 0); Start, ReStart, Stop and Pause then do nothing.
//  - `running` is set by Start and ReStart, cleared by Stop, Pause and Close.
//  - BpmToTempo: 60,000,000 / bpm truncated toward zero; a value that is not a finite number
//    above 0 counts as 120 BPM; the quotient is clamped to 1 .. 4,294,967,295.
//  - The destructor stops and closes the clock before its window goes away.
//
// Practice playback:
//  - GetTempo / SetTempo are the file's tempo in force (tempo records of the song set it as it
//    plays). The speed scales it: GetPlayedTempo is the tempo heard, GetTempo / speed.
//    SetPlayedTempo (the Set Tempo dialog) sets the speed so that the tempo heard now becomes the
//    one given; later tempo changes of the file are scaled by the same ratio.
//  - SetSpeed takes any finite ratio above 0 (1.0 = the file's tempo map as it stands); the
//    practice controls offer kMinSpeed .. kMaxSpeed. A closed clock reports speed 1.0.
//  - SetPosition moves the position (running or not) with the file's tempo there; the outputs
//    playing against the clock drop their queues (CMidiOut::Reposition is the whole operation).
//  - StartAt(tick, countIn): Start from `tick`; with a count-in, the position stays at `tick`
//    while the output plays its count-in bar (CMidiOut::StartPlayback makes it).
//
// CBeatSync: the system's clock. It counts beats (`beatCount`, reset by Play) and calls `onBeat`
// after each count (the application redraws its views there); a done message stops the clock.

#include <cstdint>
#include <functional>
#include <memory>

#include "midi/MessageWindow.h"

class CMidiSync {
  public:
    CMidiSync();
    virtual ~CMidiSync();
    CMidiSync(const CMidiSync&) = delete;
    CMidiSync& operator=(const CMidiSync&) = delete;

    void Create(midi::MessageDispatcher& parent);

    int Open(uint16_t newMode, uint16_t newPeriod);
    void Close();
    int SetPeriod(uint16_t milliseconds);

    void Start();
    void ReStart();
    void Stop();
    void Pause(uint32_t flag);

    uint32_t GetTempo() const;
    bool SetTempo(uint32_t microsecondsPerBeat);
    uint16_t GetResolution() const;
    void SetResolution(uint16_t ticksPerBeat);
    uint32_t GetPosition(uint16_t selector) const;

    static constexpr double kMinSpeed = 0.25;
    static constexpr double kMaxSpeed = 2.0;
    bool SetSpeed(double speed);
    double GetSpeed() const;
    uint32_t GetPlayedTempo() const;
    bool SetPlayedTempo(uint32_t microsecondsPerBeat);
    void SetPosition(uint32_t tick, uint32_t microsecondsPerBeat);
    void StartAt(uint32_t tick, bool countIn);

    static uint32_t BpmToTempo(double beatsPerMinute);
    static double TempoToBpm(uint32_t microsecondsPerBeat);

    virtual void OnBeat() {}
    virtual void OnSyncDone() {}

    uint32_t GetHandle() const { return hSync; }
    int IsOpen() const { return isOpen; }
    uint16_t GetMode() const { return mode; }
    uint16_t GetPeriod() const { return period; }
    int IsRunning() const { return running; }
    // The notification window (null before Create).
    midi::MessageWindow* GetWindow() const { return window.get(); }

  protected:
    void HandleMessage(uint32_t message, uint32_t generation);

    uint32_t hSync = 0;
    int isOpen = 0;
    uint16_t mode = 0;
    uint16_t period = 10;
    midi::MessageDispatcher* parentWnd = nullptr;
    int running = 0;
    std::unique_ptr<midi::MessageWindow> window;
};

class CBeatSync : public CMidiSync {
  public:
    void OnBeat() override;
    void OnSyncDone() override;

    int32_t beatCount = 0;
    // Called after every counted beat; the application sets it to update all views.
    std::function<void()> onBeat;
};
