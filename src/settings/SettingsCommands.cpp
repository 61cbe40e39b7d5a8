// The main frame's settings commands: the timer period of its clock and the settings dialogs.
#include "app/CMainFrame.h"
#include "app/CTabulonView.h"
#include "framework/CCmdUI.h"
#include "settings/SettingsActions.h"

namespace {

// Mutes and transposition changed during a play are heard at once, not after the events already
// queued on the device.
void HearNow(CMainFrame& frame, int result) {
    if (result != IDOK) return;
    if (auto* view = dynamic_cast<CTabulonView*>(frame.GetActiveView())) view->output.RefreshPlay();
}

}  // namespace

void CMainFrame::OnMute() {
    HearNow(*this, settings::RunMuteTracks());
}

void CMainFrame::OnTranspose() {
    HearNow(*this, settings::RunTranspose());
}

void CMainFrame::OnSetTempo() {
    settings::RunSetTempo(clock);
}

void CMainFrame::OnSetResolution() {
    settings::RunSetResolution(clock);
}

void CMainFrame::OnTimerPeriod1() {
    clock.SetPeriod(1);
}

void CMainFrame::OnTimerPeriod10() {
    clock.SetPeriod(10);
}

void CMainFrame::OnUpdateTimerPeriod1(CCmdUI* cmdUI) {
    cmdUI->SetCheck(clock.GetPeriod() == 1);
}

void CMainFrame::OnUpdateTimerPeriod10(CCmdUI* cmdUI) {
    cmdUI->SetCheck(clock.GetPeriod() == 10);
}

void CMainFrame::OnLogging() {
    settings::RunLogging();
}

void CMainFrame::OnMonitorChannels() {
    settings::RunMonitorChannels();
}

void CMainFrame::OnMonitorTracks() {
    settings::RunMonitorTracks();
}
