// The main frame's settings commands: the timer period of its clock and the settings dialogs.
#include "app/CMainFrame.h"
#include "framework/CCmdUI.h"
#include "settings/SettingsActions.h"

void CMainFrame::OnMute() {
    RunMuteTracks();
}

void CMainFrame::OnTranspose() {
    RunTranspose();
}

void CMainFrame::OnSetTempo() {
    RunSetTempo(clock);
}

void CMainFrame::OnSetResolution() {
    RunSetResolution(clock);
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
    RunLogging();
}

void CMainFrame::OnMonitorChannels() {
    RunMonitorChannels();
}

void CMainFrame::OnMonitorTracks() {
    RunMonitorTracks();
}
