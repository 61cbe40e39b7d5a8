#include "app/CMainFrame.h"

#include <QDir>
#include <QFile>
#include <QToolBar>
#include <algorithm>

#include "Misc/ChordDictionary.h"
#include "app/CTabulonDoc.h"
#include "app/CTabulonView.h"
#include "framework/CDocument.h"
#include "framework/CMenu.h"
#include "res/MainFrameResources.h"
#include "res/Resource.h"
#include "settings/ChordOptionsStore.h"
#include "settings/UserSettings.h"

namespace {

constexpr uint16_t kClockMode = 0;
constexpr uint16_t kClockPeriodMilliseconds = 10;
constexpr uint16_t kPositionSelector = 0;

// The tracks of the loaded song whose flag is set.
int CountTracks(const TrackFlags& flags) {
    int n = 0;
    for (int32_t i = 0; i < UserSettings.trackCount; ++i)
        if (TrackFlag(flags, i)) ++n;
    return n;
}

}  // namespace

std::string DefaultLogFileName() {
    return QFile::encodeName(QDir::homePath() + QStringLiteral("/tabulon.log")).toStdString();
}

CMainFrame::CMainFrame() {
    clock.onBeat = [this] {
        if (CDocument* document = GetActiveDocument())
            document->UpdateAllViews(nullptr, 0, nullptr);
    };
    clock.onDone = [this] {
        if (const auto* view = dynamic_cast<const CTabulonView*>(GetActiveView()))
            view->ReportFailedDevice();
    };
    playRefresh_.setInterval(kPlayRefreshMs);
    QObject::connect(&playRefresh_, &QTimer::timeout, this, [this] { RefreshPlayerStatus(); });
}

CMainFrame::~CMainFrame() = default;

int CMainFrame::OnCreate() {
    clock.Create(GetDispatcher());
    clock.Open(kClockMode, kClockPeriodMilliseconds);
    BuildChordDictionary();
    UserSettings.ResetTrackSettings();
    UserSettings.logFileName = DefaultLogFileName();
    UserSettings.chordOptions = settings::LoadChordOptions();

    if (CFrameWnd::OnCreate() == -1) return -1;
    // Menu items without a handler (the device items among them) stay enabled.
    m_bAutoMenuEnable = false;
    if (!toolBar.Create(this, AFX_IDW_TOOLBAR) || !toolBar.LoadToolBar(MainToolBarButtons()))
        return -1;
    toolBar.addSeparator();
    toolBar.LoadToolBar(ChordsToolBarButtons());
    toolBar.addSeparator();
    toolBar.LoadToolBar(PracticeToolBarButtons());
    // After the device menu that the view has inserted before Help.
    CMenu chords;
    chords.CreateMenu();
    chords.AppendTable(ChordsMenuTable());
    CMenu* menuBar = GetMenu();
    menuBar->InsertMenu(static_cast<unsigned>(menuBar->GetMenuItemCount() - 1),
                        MF_BYPOSITION | MF_POPUP, chords, ChordsMenuLabel());
    // After the Play menu (File, Settings, Play).
    CMenu practice;
    practice.CreateMenu();
    practice.AppendTable(PracticeMenuTable());
    menuBar->InsertMenu(3, MF_BYPOSITION | MF_POPUP, practice, PracticeMenuLabel());

    CreatePositionBar();
    statusBar_ = new PlayerStatusBar(this);
    setStatusBar(statusBar_);
    DragAcceptFiles();
    RefreshPlayerStatus();
    return 0;
}

void CMainFrame::CreatePositionBar() {
    addToolBarBreak();
    auto* bar = new QToolBar(QStringLiteral("Position"), this);
    bar->setObjectName(QStringLiteral("positionBar"));
    bar->setMovable(false);
    bar->setFloatable(false);
    bar->toggleViewAction()->setEnabled(false);
    positionSlider_ = new PositionSlider(bar);
    positionSlider_->onSeek = [this](uint32_t tick) {
        if (auto* view = dynamic_cast<CTabulonView*>(GetActiveView())) view->practice.SeekTo(tick);
    };
    bar->addWidget(positionSlider_);
    addToolBar(Qt::TopToolBarArea, bar);
}

uint32_t CMainFrame::ShownPosition() const {
    // The clock runs on for a beat after the last event before it calls the play done.
    const auto* document = dynamic_cast<const CTabulonDoc*>(GetActiveDocument());
    return std::min(clock.GetPosition(kPositionSelector), document ? document->LengthTicks() : 0);
}

PlayerStatus CMainFrame::CurrentStatus() const {
    PlayerStatus status;
    const auto* view = dynamic_cast<const CTabulonView*>(GetActiveView());
    const auto* document = dynamic_cast<const CTabulonDoc*>(GetActiveDocument());
    if (document) {
        status.bar = document->Signatures().PositionOf(ShownPosition());
        status.smpteFramesPerSecond = document->GetSMF().GetSmpteDivision(status.ticksPerFrame);
    }
    status.beatsPerMinute = CMidiSync::TempoToBpm(clock.GetPlayedTempo());
    if (view) {
        // Song time at the file's own tempo, so that a place in the song keeps its time whatever
        // the speed.
        const midi::TempoMap& tempos = view->output.GetTempoMap();
        const uint16_t ticksPerBeat = clock.GetResolution();
        status.seconds = tempos.SecondsAt(ShownPosition(), ticksPerBeat);
        if (document)
            status.lengthSeconds = tempos.SecondsAt(document->LengthTicks(), ticksPerBeat);
        status.speedPercent = view->practice.SpeedPercent();
        const PracticeControls::Loop& loop = view->practice.GetLoop();
        status.looping = loop.on;
        status.loopFromBar = loop.fromBar;
        status.loopToBar = loop.toBar;
    }
    if (view && view->output.IsOpen()) {
        status.deviceDescription = QString::fromLocal8Bit(view->output.GetDescription());
        status.synthStatus = view->ShownOutputStatus();
        status.deviceFailed = view->OutputDeviceFailed();
    }
    status.mutedTracks = CountTracks(UserSettings.mutedTracks);
    status.transposedTracks = CountTracks(UserSettings.transposedTracks);
    status.transposeAmount = UserSettings.transposeAmount;
    return status;
}

void CMainFrame::RefreshPlayerStatus() {
    if (statusBar_) statusBar_->Show(StatusTextsOf(CurrentStatus()));
    if (positionSlider_) {
        const auto* document = dynamic_cast<const CTabulonDoc*>(GetActiveDocument());
        const uint32_t length = document ? document->LengthTicks() : 0;
        if (positionSlider_->SongLength() != length) positionSlider_->SetSongLength(length);
        positionSlider_->ShowPosition(ShownPosition());
    }
}

void CMainFrame::OnIdleUpdateCmdUI() {
    CFrameWnd::OnIdleUpdateCmdUI();
    RefreshPlayerStatus();
    // The display moves on its own only while the clock runs.
    if (clock.IsRunning() && !playRefresh_.isActive())
        playRefresh_.start();
    else if (!clock.IsRunning() && playRefresh_.isActive())
        playRefresh_.stop();
}

const framework::CommandMap* CMainFrame::GetCommandMap() const {
    static const framework::CommandMap map = framework::CommandMap::Of<CMainFrame>({
        {ID_SETTINGS_MUTE, &CMainFrame::OnMute},
        {ID_TOOLBAR_MUTE, &CMainFrame::OnMute},
        {ID_SETTINGS_TRANSPOSE, &CMainFrame::OnTranspose},
        {ID_TOOLBAR_TRANSPOSE, &CMainFrame::OnTranspose},
        {ID_SETTINGS_SET_TEMPO, &CMainFrame::OnSetTempo},
        {ID_TOOLBAR_SET_TEMPO, &CMainFrame::OnSetTempo},
        {ID_SETTINGS_SET_RESOLUTION, &CMainFrame::OnSetResolution},
        {ID_TIMER_PERIOD_1, &CMainFrame::OnTimerPeriod1, &CMainFrame::OnUpdateTimerPeriod1},
        {ID_TIMER_PERIOD_10, &CMainFrame::OnTimerPeriod10, &CMainFrame::OnUpdateTimerPeriod10},
        {ID_SETTINGS_LOGGING, &CMainFrame::OnLogging},
        {ID_TOOLBAR_LOGGING, &CMainFrame::OnLogging},
        {ID_MONITOR_CHANNELS, &CMainFrame::OnMonitorChannels},
        {ID_TOOLBAR_MONITOR_CHANNELS, &CMainFrame::OnMonitorChannels},
        {ID_MONITOR_TRACKS, &CMainFrame::OnMonitorTracks},
        {ID_TOOLBAR_MONITOR_TRACKS, &CMainFrame::OnMonitorTracks},
        {ID_CHORDS_GUITARIST_VIEW, &CMainFrame::OnGuitaristView,
         &CMainFrame::OnUpdateGuitaristView},
        {ID_TOOLBAR_GUITARIST_VIEW, &CMainFrame::OnGuitaristView,
         &CMainFrame::OnUpdateGuitaristView},
        {ID_CHORDS_LARGE_VIEW, &CMainFrame::OnLargeView, &CMainFrame::OnUpdateLargeView},
        {ID_CHORDS_ALL_FINGERINGS, &CMainFrame::OnAllFingerings,
         &CMainFrame::OnUpdateAllFingerings},
        {ID_CHORDS_STEADY, &CMainFrame::OnSteadyChords, &CMainFrame::OnUpdateSteadyChords},
        {ID_CHORDS_GUITAR_NAMES, &CMainFrame::OnGuitarNames, &CMainFrame::OnUpdateGuitarNames},
        {ID_CHORDS_MORE_TYPES, &CMainFrame::OnMoreTypes, &CMainFrame::OnUpdateMoreTypes},
        {ID_CHORDS_MIN_LENGTH_OFF, &CMainFrame::OnMinLengthOff, &CMainFrame::OnUpdateMinLength},
        {ID_CHORDS_MIN_LENGTH_HALF_BEAT, &CMainFrame::OnMinLengthHalfBeat,
         &CMainFrame::OnUpdateMinLength},
        {ID_CHORDS_MIN_LENGTH_BEAT, &CMainFrame::OnMinLengthBeat, &CMainFrame::OnUpdateMinLength},
        {ID_CHORDS_MIN_LENGTH_TWO_BEATS, &CMainFrame::OnMinLengthTwoBeats,
         &CMainFrame::OnUpdateMinLength},
        {ID_CHORDS_MIN_LENGTH_BAR, &CMainFrame::OnMinLengthBar, &CMainFrame::OnUpdateMinLength},
    });
    return &map;
}
