#pragma once
// CTabulonView: the one view of the main window. It owns the MIDI output (CMidiOut) that plays
// the document's tracks and the output device menu, keeps a pointer to the frame's clock, carries
// the playback commands and paints the chord display.
//
// Commands: Play (menu Start, Ctrl+P, toolbar Play) first waits for the output device if it is
// still opening (the built-in synth loads its soundfont in the background), then sets beatCount
// to 0, starts playback on the output (which runs the chord analysis), resets the chord display's
// place and starts the clock. Pause toggles: a running clock pauses, any other restarts (also
// after Stop, without analysis, after the same wait).
// Stop stops the clock. Stop and Pause also silence the notes still sounding on the output. The
// menu's Start is enabled exactly when some track holds events and the clock is not running.
// Every plain command that reaches the view is first offered to the device menu, so a device
// item's identifier switches the output device; the device the user chooses is kept for the next
// run of the window (preferredDevice).
//
// Practice commands: Play/Pause (Space) pauses a running play, takes up a play that was paused
// or stopped where it is, and otherwise (no play yet, or the last one came to its end) runs Play;
// it is enabled while some track holds events. The other practice commands are `practice`'s
// (PracticeControls.h), offered every command after the device menu.
//
// OutputDeviceFailed: whether the open output device has failed for good (its events are being
// dropped). When a play has ended (the clock's done message), ReportFailedDevice tells the user
// so in a warning box: the rest of the song went unheard and nothing else on screen says why.
//
// Output status: what the output device is doing in words (OutputStatusText: the built-in synth's
// audio driver, or why it is silent; empty for other devices). RefreshOutputStatus puts it into
// the device menu's item and hands it to onOutputStatus when it changed (the status bar shows
// it); it runs after every device selection and, while the synth is still opening, again every
// kStatusPollMs until the synth is ready.

#include <QString>
#include <functional>
#include <optional>

#include "app/COutputDeviceMenu.h"
#include "app/PracticeControls.h"
#include "framework/CView.h"
#include "midi/CMidiOut.h"
#include "midilib/SynthStatus.h"

class CBeatSync;
class CCmdUI;
class CPlaybackClock;
class CTabulonDoc;

class CTabulonView : public CView {
  public:
    CTabulonView();
    ~CTabulonView() override;

    CTabulonDoc* GetDocument() const;
    CBeatSync* GetSync() const { return sync; }

    bool OnCmdMsg(unsigned id, int code, CCmdUI* cmdUI) override;
    void OnDraw(CDC& dc) override;
    int OnCreate() override;

    void OnPlay();
    void OnPause();
    void OnStop();
    void OnUpdatePlay(CCmdUI* cmdUI);
    void OnUpdateStop(CCmdUI* cmdUI);
    void OnPlayPause();
    void OnUpdateHasEvents(CCmdUI* cmdUI);
    bool OutputDeviceFailed() const;
    void ReportFailedDevice() const;
    void WaitForOutputDevice() const;
    QString OutputStatusText() const;
    void RefreshOutputStatus();
    // The output status as last refreshed.
    const QString& ShownOutputStatus() const { return shownOutputStatus; }

    static constexpr int kStatusPollMs = 50;
    std::function<void(const QString&)> onOutputStatus;

    // The device the view opens at creation instead of the menu's default (the command line's
    // --device); none by default.
    static std::optional<int> startupDevice;
    // Without startupDevice: the description of the device to open instead of the menu's default,
    // when the menu lists it (the device chosen in an earlier run); empty for the default.
    static QString preferredDevice;

    CBeatSync* sync = nullptr;
    CMidiOut output;
    COutputDeviceMenu deviceMenu;
    PracticeControls practice{*this};

  protected:
    const framework::CommandMap* GetCommandMap() const override;

  private:
    std::optional<midilib::SynthStatus> SynthStatusNow() const;
    CPlaybackClock* PlayClock() const;
    QString shownOutputStatus;
    bool statusPollPending = false;
};
