#pragma once
// Clock: the playback clock of one sync handle, as plain logic on a given time (nanoseconds of a
// monotonic clock), so that it runs the same under the clock thread and under simulated time.
//
// The position in ticks is computed from an absolute base (the time and tick of the last start,
// restart, tempo change or resolution change) with exact 64-bit integer arithmetic, never by adding
// rounded steps, so it does not drift. Tick(now) is one wake of the clock: while running it plays
// every due event of the linked outputs in tick order (a tempo record rebases the clock at the
// record's own tick) and records what the receivers are owed: MSG_OUTPUT_READY for outputs with
// room again, one MSG_SYNC_BEAT for every multiple of the resolution that the position has passed
// (all of them, also after a stall), and MSG_SYNC_DONE once per start when every linked output has
// played all it was given, none waits for its owner to give an event it refused (an owner slow to
// refill is not the end of the song), and nothing has been queued or played for a beat (counted
// from when an event was played, not from its due tick, which a busy device may have made long
// past). It
// returns the time of the next wake: the next point of the period's grid, or the due time of the
// earliest queued event when that comes first. TakePosts then moves what is owed into fixed
// storage, to be delivered once the library's lock is released; a new Start forgets what the
// previous play was still owed. Not synchronised: the library calls it with its lock held, and
// neither Tick nor TakePosts allocates.
//
// Practice playback:
//  - The speed scales the tempo: at speed s a beat of the file's tempo t lasts t / s. Tempo() stays
//    the file's tempo in force (as SetTempo and tempo records set it); changing the speed keeps the
//    position reached.
//  - SetPosition moves the position to a tick, running or not, with the file's tempo in force
//    there; every linked output drops what it had queued, is silenced and counts from that tick.
//  - A position jump record played from an output moves the position back by its length (a loop
//    back to its start, the end of a count-in); it counts as activity, and beats go on from there.
//  - Start(now, tick, countIn): a play from `tick`; with countIn the position reported stays at
//    `tick`, and no beat is counted, until the first position jump has played (the count-in's
//    clicks play in the ticks after `tick`, then jump back).

#include <cstdint>
#include <span>
#include <vector>

#include "midi/MidiLib.h"
#include "midilib/PendingPost.h"

namespace midilib {

class OutputPort;

class Clock {
  public:
    static constexpr uint32_t kDefaultTempo = 500000;
    static constexpr uint16_t kDefaultResolution = 480;
    static constexpr uint16_t kUnchanged = 0xFFFF;

    Clock(MidiNotifier* notifier, uint16_t mode, uint16_t periodMs, int64_t now);

    static bool IsValidPeriod(uint16_t periodMs) { return periodMs >= 1 && periodMs <= 100; }
    // Mode or period kUnchanged keep the current value; a null notifier keeps the current one.
    void Configure(MidiNotifier* notifier, uint16_t mode, uint16_t periodMs, int64_t now);

    void Start(int64_t now, uint64_t tick = 0, bool countIn = false);
    void ReStart(int64_t now);
    void Pause(int64_t now);  // also Stop: the position is kept, nothing is played
    bool SetTempo(uint32_t microsecondsPerBeat, int64_t now);
    bool SetResolution(uint16_t ticksPerBeat, int64_t now);
    // Refused (false) unless finite and above 0.
    bool SetSpeed(double speed, int64_t now);
    void SetPosition(uint64_t tick, uint32_t microsecondsPerBeat, int64_t now);
    // Something was queued on a linked output: the done rule waits another beat.
    void NoteInput(int64_t now);

    void Link(OutputPort* output);
    void Unlink(OutputPort* output);

    int64_t Tick(int64_t now);
    // Moves what the last wakes made due into `posts` (the clock's own first); returns how many.
    size_t TakePosts(std::span<PendingPost> posts);

    uint64_t PositionAt(int64_t now) const;
    // The position that the clock reports: PositionAt, or the start of a play during its count-in.
    uint64_t ReportedPositionAt(int64_t now) const;
    // The earliest time at which the position reaches `tick` (not before the current base).
    int64_t TimeOfTick(uint64_t tick) const;
    // The earliest due time after `now` of a queued event of a linked output, or `limit` if none
    // is earlier.
    int64_t NextDueTime(int64_t now, int64_t limit) const;

    bool Running() const { return running_; }
    uint32_t Tempo() const { return tempo_; }
    double Speed() const { return speed_; }
    bool CountingIn() const { return countingIn_; }
    uint16_t Resolution() const { return resolution_; }
    uint16_t Mode() const { return mode_; }
    uint16_t PeriodMs() const { return periodMs_; }
    uint32_t Generation() const { return generation_; }

  private:
    void Rebase(uint64_t tick, int64_t time);
    void SetPlayedTempo(uint32_t tempo, double speed);
    void Jump(uint64_t tick, uint32_t length);
    int64_t NextGridTime(int64_t now) const;
    void PlayDueEvents(int64_t now);

    MidiNotifier* notifier_;
    uint16_t mode_;
    uint16_t periodMs_;
    int64_t gridOrigin_;
    uint32_t tempo_ = kDefaultTempo;
    double speed_ = 1.0;
    int64_t nsPerBeat_ = int64_t{kDefaultTempo} * 1000;  // tempo_ scaled by speed_
    bool countingIn_ = false;
    uint64_t countInTick_ = 0;
    uint16_t resolution_ = kDefaultResolution;
    bool running_ = false;
    int64_t baseTime_ = 0;
    uint64_t baseTick_ = 0;
    uint64_t pausedTick_ = 0;
    uint64_t nextBeatTick_ = kDefaultResolution;
    uint64_t lastActivityTick_ = 0;
    bool donePosted_ = false;
    uint32_t beatsDue_ = 0;
    bool doneDue_ = false;
    uint32_t generation_ = 0;
    std::vector<OutputPort*> outputs_;
    std::vector<char> busy_;  // outputs whose device was busy during this wake (sized by Link)
};

}  // namespace midilib
