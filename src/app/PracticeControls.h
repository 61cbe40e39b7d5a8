#pragma once
// PracticeControls: the view's practice commands (the "P&ractice" menu, its keys and toolbar
// buttons) and the seek of the position slider, on the view's output and clock.
//
// Moving in the song: SeekTo moves the play to a tick, running or not (CMidiOut::Reposition), and
// the chord display is placed again for the new position. A play that was not under way is then
// under way from there: Play/Pause (Space) takes it up at that place. Rewind (Home) goes to the
// song's start; Bar Back and Bar Forward (Left, Right) to the start of the bar before or after
// the one the play is in (never before bar 1 or past the song's end). Bars are the song's
// (its time signatures; 4/4 when it has none).
//
// Speed: 50, 75, 100 and 125 % of the song's tempo, or 5 % slower or faster ([ and ]) within
// 25 .. 200 %; the speed in force is the clock's (the Set Tempo dialog changes it too). The
// preset of the speed in force is checked.
//
// Loop: Set Loop Start (A) and Set Loop End (B) take the bar the play is in; a loop runs from the
// start of bar A to the end of bar B and is on once both are set (B before A moves A to B). Loop
// Bars asks for both bar numbers (CLoopBarsDlg) and puts that loop on. Loop turns a set loop off
// and on. Count-in: one bar of clicks before every Play, in the meter and
// at the speed in force where the play starts. Both apply at once, also during a play; a new
// song forgets the loop.
//
// The speed and the count-in are kept for the next run of the window (PlayerSettingsStore.h);
// TakeUp puts kept values in force.

#include <cstdint>

#include "framework/CCmdTarget.h"

class CCmdUI;
class CTabulonView;
namespace settings {
struct PlayerSettings;
}

class PracticeControls : public CCmdTarget {
  public:
    static constexpr int kSpeedStepPercent = 5;

    struct Loop {
        uint32_t fromBar = 0;  // 0: not set
        uint32_t toBar = 0;    // the last bar played before the loop starts again; 0: not set
        bool on = false;
    };

    explicit PracticeControls(CTabulonView& view);

    void TakeUp(const settings::PlayerSettings& kept);
    void SeekTo(uint32_t tick);
    // The speed in force in percent of the song's tempo, rounded.
    int SpeedPercent() const;
    void SetSpeedPercent(int percent);
    const Loop& GetLoop() const { return loop; }
    bool CountIn() const { return countIn; }
    // A new song (or none): its bars are not the last song's.
    void ForgetSong();

    void OnRewind();
    void OnBarBack();
    void OnBarForward();
    void OnSlower();
    void OnFaster();
    void OnSpeed50();
    void OnSpeed75();
    void OnSpeed100();
    void OnSpeed125();
    void OnSetLoopStart();
    void OnSetLoopEnd();
    void OnLoopBars();
    void OnLoop();
    void OnCountIn();
    void OnUpdateSongCommand(CCmdUI* cmdUI);
    void OnUpdateSpeedPreset(CCmdUI* cmdUI);
    void OnUpdateLoop(CCmdUI* cmdUI);
    void OnUpdateCountIn(CCmdUI* cmdUI);

  protected:
    const framework::CommandMap* GetCommandMap() const override;

  private:
    uint32_t Position() const;
    uint32_t BarOfPosition() const;
    uint64_t BarStart(uint32_t bar) const;
    void SeekToBar(int64_t bar);
    // Hands the loop and the count-in to the output; a play under way hears them at once.
    void ApplyPractice();
    void SaveKept() const;
    // A speed the user chose: applied and kept for the next run.
    void ChooseSpeedPercent(int percent);

    CTabulonView& view;
    Loop loop;
    bool countIn = false;
};
