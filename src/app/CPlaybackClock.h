#pragma once
// CPlaybackClock: the main frame's CBeatSync, which also tells its owner when a play has ended.
// The library's done message stops the clock as for every CBeatSync and clears playUnderWay;
// `onDone` then runs (the headless mode ends the program there). Everything else is CBeatSync's.
//
// playUnderWay: a play has been started (the view's Play sets it) and has neither come to its
// end nor lost its song (a file change clears it). Stopping or pausing leaves it set: such a play
// can be taken up again where it was.

#include <functional>

#include "midi/CMidiSync.h"

class CPlaybackClock final : public CBeatSync {
  public:
    void OnSyncDone() override {
        CBeatSync::OnSyncDone();
        playUnderWay = false;
        if (onDone) onDone();
    }

    std::function<void()> onDone;
    bool playUnderWay = false;
};
