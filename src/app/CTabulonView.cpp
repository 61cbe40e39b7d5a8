#include "app/CTabulonView.h"

#include <QTimer>

#include "app/CMainFrame.h"
#include "app/CTabulonApp.h"
#include "app/CTabulonDoc.h"
#include "app/ChordDisplay.h"
#include "app/SynthStatusText.h"
#include "framework/CCmdUI.h"
#include "framework/CMenu.h"
#include "midilib/LibraryOptions.h"
#include "midilib/SynthStatus.h"
#include "res/Resource.h"
#include "settings/PlayerSettingsStore.h"

std::optional<int> CTabulonView::startupDevice;
QString CTabulonView::preferredDevice;

CTabulonView::CTabulonView() = default;

CTabulonView::~CTabulonView() = default;

CTabulonDoc* CTabulonView::GetDocument() const {
    return dynamic_cast<CTabulonDoc*>(CView::GetDocument());
}

int CTabulonView::OnCreate() {
    if (CView::OnCreate() == -1) return -1;
    auto* frame = dynamic_cast<CMainFrame*>(GetParentFrame());
    if (frame) sync = &frame->clock;
    output.Create(GetDispatcher());
    output.SetSync(sync);
    if (frame) {
        CMenu* menuBar = frame->GetMenu();
        deviceMenu.BuildMenu(menuBar, menuBar->GetMenuItemCount() - 1,
                             QStringLiteral("&Output Device"),
                             static_cast<int>(ID_OUTPUT_DEVICE_FIRST));
    }
    deviceMenu.output = &output;
    int device = startupDevice.value_or(defaultOutputDevice);
    if (!startupDevice && !preferredDevice.isEmpty()) {
        if (const int listed = deviceMenu.FindDevice(preferredDevice); listed >= 0) device = listed;
    }
    deviceMenu.SelectDevice(device);
    RefreshOutputStatus();
    return 0;
}

bool CTabulonView::OnCmdMsg(unsigned id, int code, CCmdUI* cmdUI) {
    if (code == CN_COMMAND && deviceMenu.SelectDevice(static_cast<int>(id))) {
        RefreshOutputStatus();
        const CTabulonApp* app = TabulonApp();
        if (output.IsOpen() && !(app && app->Options().headless)) {
            settings::PlayerSettings settings = settings::LoadPlayerSettings();
            settings.outputDevice = QString::fromLocal8Bit(output.GetDescription());
            settings::SavePlayerSettings(settings);
        }
    }
    if (practice.OnCmdMsg(id, code, cmdUI)) return true;
    return CView::OnCmdMsg(id, code, cmdUI);
}

CPlaybackClock* CTabulonView::PlayClock() const {
    auto* frame = dynamic_cast<CMainFrame*>(GetParentFrame());
    return frame ? &frame->clock : nullptr;
}

void CTabulonView::OnDraw(CDC& dc) {
    if (sync) DrawChordDisplay(dc, *sync, QSizeF(size()));
}

void CTabulonView::WaitForOutputDevice() const {
    // The built-in synth opens in the background; a play that began before it was ready would
    // start with a burst of everything due meanwhile.
    if (output.IsOpen()) midilib::WaitMidiOutReady(output.GetHandle());
}

std::optional<midilib::SynthStatus> CTabulonView::SynthStatusNow() const {
    if (!output.IsOpen()) return std::nullopt;
    return midilib::GetMidiOutSynthStatus(output.GetHandle());
}

QString CTabulonView::OutputStatusText() const {
    const auto status = SynthStatusNow();
    return status ? SynthStatusText(*status) : QString();
}

void CTabulonView::RefreshOutputStatus() {
    const auto status = SynthStatusNow();
    deviceMenu.SetDeviceNote(output.IsOpen() ? output.GetDeviceId() : -1,
                             status ? SynthMenuNote(*status) : QString());
    const QString text = status ? SynthStatusText(*status) : QString();
    if (text != shownOutputStatus) {
        shownOutputStatus = text;
        if (onOutputStatus) onOutputStatus(text);
    }
    if (status && status->state == midilib::SynthStatus::State::Opening && !statusPollPending) {
        statusPollPending = true;
        QTimer::singleShot(kStatusPollMs, this, [this] {
            statusPollPending = false;
            RefreshOutputStatus();
        });
    }
}

void CTabulonView::OnPlay() {
    WaitForOutputDevice();
    if (sync) sync->beatCount = 0;
    const CMidiOut::PlayStart start = output.StartPlayback();
    if (const CTabulonDoc* document = GetDocument()) document->UpdateChordTimeline();
    ResetChordDisplayCursor();
    if (sync) sync->StartAt(start.tick, start.countIn);
    if (CPlaybackClock* clock = PlayClock()) clock->playUnderWay = true;
}

void CTabulonView::OnPlayPause() {
    const CPlaybackClock* clock = PlayClock();
    if (!clock) return;
    if (clock->IsRunning() || clock->playUnderWay) {
        OnPause();
    } else if (const CTabulonDoc* document = GetDocument(); document && document->HasEvents()) {
        OnPlay();
    }
}

void CTabulonView::OnUpdateHasEvents(CCmdUI* cmdUI) {
    const CTabulonDoc* document = GetDocument();
    cmdUI->Enable(document && document->HasEvents());
}

void CTabulonView::OnPause() {
    if (!sync) return;
    if (sync->IsRunning()) {
        sync->Pause(1);
        output.Silence();
    } else {
        WaitForOutputDevice();
        sync->ReStart();
    }
}

void CTabulonView::OnStop() {
    if (sync) sync->Stop();
    output.Silence();
}

bool CTabulonView::OutputDeviceFailed() const {
    return output.IsOpen() && midilib::MidiOutDeviceFailed(output.GetHandle());
}

void CTabulonView::ReportFailedDevice() const {
    if (!OutputDeviceFailed()) return;
    CTabulonApp::TellUser(
        QStringLiteral("The MIDI output device failed during playback; the rest of the song was "
                       "not heard. Choose a device from the Output Device menu."),
        MB_ICONWARNING | MB_OK);
}

void CTabulonView::OnUpdatePlay(CCmdUI* cmdUI) {
    const CTabulonDoc* document = GetDocument();
    const bool running = sync && sync->IsRunning();
    cmdUI->Enable(document && document->HasEvents() && !running);
}

void CTabulonView::OnUpdateStop(CCmdUI* cmdUI) {
    (void)cmdUI;
}

const framework::CommandMap* CTabulonView::GetCommandMap() const {
    static const framework::CommandMap map = framework::CommandMap::Of<CTabulonView>({
        {ID_PLAY_START, &CTabulonView::OnPlay, &CTabulonView::OnUpdatePlay},
        {ID_TOOLBAR_PLAY, &CTabulonView::OnPlay},
        {ID_PLAY_PAUSE, &CTabulonView::OnPause},
        {ID_TOOLBAR_PAUSE, &CTabulonView::OnPause},
        {ID_PLAY_STOP, &CTabulonView::OnStop, &CTabulonView::OnUpdateStop},
        {ID_TOOLBAR_STOP, &CTabulonView::OnStop},
        {ID_PRACTICE_PLAY_PAUSE, &CTabulonView::OnPlayPause, &CTabulonView::OnUpdateHasEvents},
    });
    return &map;
}
