#include "midilib/Clock.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "midilib/OutputPort.h"

namespace midilib {

namespace {
constexpr int64_t kNsPerMs = 1000000;
constexpr int64_t kFarFuture = std::numeric_limits<int64_t>::max() / 4;
// The longest beat a speed can make: an hour (the clock's arithmetic stays far from overflow).
constexpr double kMaxNsPerBeat = 3600.0 * 1e9;
}  // namespace

Clock::Clock(MidiNotifier* notifier, uint16_t mode, uint16_t periodMs, int64_t now)
    : notifier_(notifier), mode_(mode), periodMs_(periodMs), gridOrigin_(now), baseTime_(now) {}

void Clock::Configure(MidiNotifier* notifier, uint16_t mode, uint16_t periodMs, int64_t now) {
    if (notifier) notifier_ = notifier;
    if (mode != kUnchanged) mode_ = mode;
    if (periodMs != kUnchanged && periodMs != periodMs_) {
        periodMs_ = periodMs;
        gridOrigin_ = now;
    }
}

uint64_t Clock::PositionAt(int64_t now) const {
    if (!running_) return pausedTick_;
    const int64_t elapsed = std::max<int64_t>(now - baseTime_, 0);
    const int64_t nsPerBeat = nsPerBeat_;
    const uint64_t beats = uint64_t(elapsed / nsPerBeat);
    const uint64_t rest = uint64_t(elapsed % nsPerBeat);
    return baseTick_ + beats * resolution_ + rest * resolution_ / uint64_t(nsPerBeat);
}

int64_t Clock::TimeOfTick(uint64_t tick) const {
    if (tick <= baseTick_) return baseTime_;
    const uint64_t ticks = tick - baseTick_;
    const uint64_t nsPerBeat = uint64_t(nsPerBeat_);
    const uint64_t beats = ticks / resolution_;
    if (beats > uint64_t(kFarFuture) / nsPerBeat) return kFarFuture;
    const uint64_t rest = ticks % resolution_;
    const uint64_t restNs = (rest * nsPerBeat + resolution_ - 1) / resolution_;  // rounded up
    return baseTime_ + int64_t(beats * nsPerBeat + restNs);
}

uint64_t Clock::ReportedPositionAt(int64_t now) const {
    return countingIn_ ? countInTick_ : PositionAt(now);
}

void Clock::Rebase(uint64_t tick, int64_t time) {
    baseTick_ = tick;
    baseTime_ = time;
}

void Clock::SetPlayedTempo(uint32_t tempo, double speed) {
    tempo_ = tempo;
    speed_ = speed;
    const double ns = std::clamp(double(tempo) * 1000.0 / speed, 1.0, kMaxNsPerBeat);
    nsPerBeat_ = std::max<int64_t>(1, std::llround(ns));
}

void Clock::Start(int64_t now, uint64_t tick, bool countIn) {
    ++generation_;
    running_ = true;
    Rebase(tick, now);
    pausedTick_ = tick;
    nextBeatTick_ = (tick / resolution_ + 1) * resolution_;
    lastActivityTick_ = tick;
    donePosted_ = false;
    beatsDue_ = 0;
    doneDue_ = false;
    countingIn_ = countIn;
    countInTick_ = tick;
    for (OutputPort* output : outputs_)
        output->Rebase(tick);
}

void Clock::ReStart(int64_t now) {
    if (running_) return;
    running_ = true;
    Rebase(pausedTick_, now);
    lastActivityTick_ = std::max(lastActivityTick_, pausedTick_);
    donePosted_ = false;
}

void Clock::Pause(int64_t now) {
    if (!running_) return;
    pausedTick_ = PositionAt(now);
    running_ = false;
}

bool Clock::SetTempo(uint32_t microsecondsPerBeat, int64_t now) {
    if (microsecondsPerBeat == 0) return false;
    if (running_) {
        const uint64_t position = PositionAt(now);
        Rebase(position, TimeOfTick(position));
    }
    SetPlayedTempo(microsecondsPerBeat, speed_);
    return true;
}

bool Clock::SetSpeed(double speed, int64_t now) {
    if (!std::isfinite(speed) || speed <= 0.0) return false;
    if (running_) {
        const uint64_t position = PositionAt(now);
        Rebase(position, TimeOfTick(position));
    }
    SetPlayedTempo(tempo_, speed);
    return true;
}

void Clock::SetPosition(uint64_t tick, uint32_t microsecondsPerBeat, int64_t now) {
    if (microsecondsPerBeat != 0) SetPlayedTempo(microsecondsPerBeat, speed_);
    Rebase(tick, now);
    pausedTick_ = tick;
    nextBeatTick_ = (tick / resolution_ + 1) * resolution_;
    lastActivityTick_ = tick;
    donePosted_ = false;
    countingIn_ = false;
    for (OutputPort* output : outputs_) {
        output->Reset();
        output->StartAt(tick);
    }
}

void Clock::Jump(uint64_t tick, uint32_t length) {
    // The jump holds from the record's own tick, as a tempo change does.
    const uint64_t from = std::max(tick, baseTick_);
    const uint64_t to = from - std::min<uint64_t>(length, from);
    Rebase(to, TimeOfTick(from));
    // The moment jumped to is the moment left: a beat that falls on it is counted once, here; the
    // end of a count-in is the start of the play, where no beat is due.
    nextBeatTick_ = countingIn_ ? (to / resolution_ + 1) * resolution_
                                : (to + resolution_ - 1) / resolution_ * resolution_;
    lastActivityTick_ = to;
    countingIn_ = false;
}

bool Clock::SetResolution(uint16_t ticksPerBeat, int64_t now) {
    if (ticksPerBeat == 0) return false;
    const uint64_t position = PositionAt(now);
    if (running_) Rebase(position, TimeOfTick(position));
    resolution_ = ticksPerBeat;
    nextBeatTick_ = (position / ticksPerBeat + 1) * ticksPerBeat;
    return true;
}

void Clock::NoteInput(int64_t now) {
    lastActivityTick_ = std::max(lastActivityTick_, PositionAt(now));
}

void Clock::Link(OutputPort* output) {
    if (std::find(outputs_.begin(), outputs_.end(), output) == outputs_.end())
        outputs_.push_back(output);
    busy_.reserve(outputs_.size());  // the clock thread only ever assigns within this room
}

void Clock::Unlink(OutputPort* output) {
    outputs_.erase(std::remove(outputs_.begin(), outputs_.end(), output), outputs_.end());
}

void Clock::PlayDueEvents(int64_t now) {
    std::vector<char>& busy = busy_;  // kept between wakes: no allocation on the clock thread
    busy.assign(outputs_.size(), 0);
    for (;;) {
        const uint64_t position = PositionAt(now);
        int best = -1;
        uint64_t bestTick = 0;
        for (size_t i = 0; i < outputs_.size(); ++i) {
            if (busy[i]) continue;
            const auto head = outputs_[i]->HeadTick();
            if (head && *head <= position && (best < 0 || *head < bestTick)) {
                best = int(i);
                bestTick = *head;
            }
        }
        if (best < 0) return;
        const auto outcome = outputs_[size_t(best)]->DispatchHead(now - TimeOfTick(bestTick));
        if (outcome.result == OutputPort::Dispatch::Busy) {
            busy[size_t(best)] = 1;
            continue;
        }
        // Played now, even when it was due long ago (a device that was busy): done waits a beat
        // from here, so that the output can still be given the rest of the song.
        lastActivityTick_ = std::max({lastActivityTick_, outcome.tick, position});
        if (outcome.tempo != 0) {
            // The new tempo holds from the record's own tick, not from the moment it was played.
            const uint64_t from = std::max(outcome.tick, baseTick_);
            Rebase(from, TimeOfTick(from));
            SetPlayedTempo(outcome.tempo, speed_);
        }
        if (outcome.jump != 0) Jump(outcome.tick, outcome.jump);
    }
}

int64_t Clock::NextGridTime(int64_t now) const {
    const int64_t period = int64_t(periodMs_) * kNsPerMs;
    if (now < gridOrigin_) return gridOrigin_;
    return gridOrigin_ + ((now - gridOrigin_) / period + 1) * period;
}

int64_t Clock::NextDueTime(int64_t now, int64_t limit) const {
    if (!running_) return limit;
    int64_t next = limit;
    for (const OutputPort* output : outputs_) {
        const auto head = output->HeadTick();
        if (!head) continue;
        const int64_t due = TimeOfTick(*head);
        if (due > now) next = std::min(next, due);  // a head already due waits on a busy device
    }
    return next;
}

int64_t Clock::Tick(int64_t now) {
    if (running_) {
        PlayDueEvents(now);
        const uint64_t position = PositionAt(now);
        if (position >= nextBeatTick_ && !countingIn_) {
            const uint64_t beats = (position - nextBeatTick_) / resolution_ + 1;
            nextBeatTick_ += beats * resolution_;
            beatsDue_ = uint32_t(std::min<uint64_t>(uint64_t(beatsDue_) + beats, UINT32_MAX));
        }
        if (!donePosted_ && position >= lastActivityTick_ + resolution_ &&
            std::all_of(outputs_.begin(), outputs_.end(), [](const OutputPort* output) {
                return output->Empty() && !output->AwaitsOwner();
            })) {
            donePosted_ = true;
            doneDue_ = true;
        }
    }
    for (OutputPort* output : outputs_)
        output->NoteRoom();
    return NextDueTime(now, NextGridTime(now));
}

size_t Clock::TakePosts(std::span<PendingPost> posts) {
    size_t n = 0;
    auto add = [&posts, &n](const PendingPost& post) {
        if (n < posts.size()) posts[n++] = post;
    };
    // Beats before done: a receiver counts the last beats of a play before it hears of its end.
    if (beatsDue_ > 0 && notifier_) add({notifier_, MSG_SYNC_BEAT, generation_, beatsDue_});
    if (doneDue_ && notifier_) add({notifier_, MSG_SYNC_DONE, generation_, 1});
    beatsDue_ = 0;
    doneDue_ = false;
    for (OutputPort* output : outputs_) {
        if (n == posts.size()) break;  // the others stay due until the next wake
        if (const auto ready = output->TakeReadyPost()) add(*ready);
    }
    return n;
}

}  // namespace midilib
