#pragma once
// CMainFrame: the main window. It owns the playback clock (a CBeatSync, opened with mode 0 and a
// 10 ms period when the window is created) and the toolbar, builds the chord dictionary, resets
// the per-file selections and sets the default log file name (tabulon.log in the home folder)
// before the base creation makes the view. Logging starts disabled.
//
// Its command table carries the settings commands; their handlers are defined with the settings
// dialogs (settings/SettingsCommands.cpp). It also carries the "&Chords" menu of the guitarist's
// options, which it inserts after the device menu and loads from the last run, and their toolbar
// button after the designed ten. The "P&ractice" menu (after Play) and its keys and buttons are
// the view's commands. Every beat of the clock updates the views of the active document; the end
// of a play lets the view report a device that failed during it.
//
// Below the toolbar a position slider follows the play and seeks where the user puts it; the
// status bar says where the play is, the tempo and speed, what the output device does and what
// changes the song (PlayerStatus.h). Both are refreshed whenever the application goes idle and,
// while the clock runs, every kPlayRefreshMs. Files dropped on the window are opened.
// Members are destroyed toolbar first, then the clock (which stops and closes it), then the base
// frame (with the slider and the status bar).

#include <QTimer>
#include <string>

#include "app/CPlaybackClock.h"
#include "app/PlayerStatus.h"
#include "app/PlayerStatusBar.h"
#include "app/PositionSlider.h"
#include "framework/CFrameWnd.h"
#include "framework/CToolBar.h"
#include "settings/ChordOptions.h"

class CCmdUI;

class CMainFrame : public CFrameWnd {
  public:
    CMainFrame();
    ~CMainFrame() override;

    // Settings commands.
    void OnMute();
    void OnTranspose();
    void OnSetTempo();
    void OnSetResolution();
    void OnTimerPeriod1();
    void OnTimerPeriod10();
    void OnUpdateTimerPeriod1(CCmdUI* cmdUI);
    void OnUpdateTimerPeriod10(CCmdUI* cmdUI);
    void OnLogging();
    void OnMonitorChannels();
    void OnMonitorTracks();

    // The guitarist's chord options (app/ChordOptionsCommands.cpp).
    void OnGuitaristView();
    void OnUpdateGuitaristView(CCmdUI* cmdUI);
    void OnLargeView();
    void OnUpdateLargeView(CCmdUI* cmdUI);
    void OnAllFingerings();
    void OnUpdateAllFingerings(CCmdUI* cmdUI);
    void OnSteadyChords();
    void OnUpdateSteadyChords(CCmdUI* cmdUI);
    void OnGuitarNames();
    void OnUpdateGuitarNames(CCmdUI* cmdUI);
    void OnMoreTypes();
    void OnUpdateMoreTypes(CCmdUI* cmdUI);
    void OnMinLengthOff();
    void OnMinLengthHalfBeat();
    void OnMinLengthBeat();
    void OnMinLengthTwoBeats();
    void OnMinLengthBar();
    void OnUpdateMinLength(CCmdUI* cmdUI);
    // Puts `options` in force: kept for the next run, the chords found again, the view redrawn.
    void ApplyChordOptions(const ChordOptions& options);

    // What the status bar and the position slider show, read again now.
    PlayerStatus CurrentStatus() const;
    // The clock's position within the song: at most the tick of its last event.
    uint32_t ShownPosition() const;
    void RefreshPlayerStatus();
    void OnIdleUpdateCmdUI() override;
    PlayerStatusBar* GetStatusBar() const { return statusBar_; }
    PositionSlider* GetPositionSlider() const { return positionSlider_; }

    static constexpr int kPlayRefreshMs = 100;

    CPlaybackClock clock;
    CToolBar toolBar;

  protected:
    int OnCreate() override;
    const framework::CommandMap* GetCommandMap() const override;

  private:
    void CreatePositionBar();

    PlayerStatusBar* statusBar_ = nullptr;      // owned by the window
    PositionSlider* positionSlider_ = nullptr;  // owned by its toolbar
    QTimer playRefresh_;
};

// The path of the default log file: "tabulon.log" in the user's home folder.
std::string DefaultLogFileName();
