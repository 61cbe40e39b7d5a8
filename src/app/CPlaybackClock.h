#pragma once
// CPlaybackClock: the main frame's CBeatSync, which also tells its owner when a play has ended.
// The library's done message stops the clock as for every CBeatSync; `onDone` then runs (the
// headless mode ends the program there). Everything else is CBeatSync's.

#include <functional>

#include "midi/CMidiSync.h"

class CPlaybackClock final : public CBeatSync {
  public:
    void OnSyncDone() override {
        CBeatSync::OnSyncDone();
        if (onDone) onDone();
    }

    std::function<void()> onDone;
};
