#include "app/CTabulonDoc.h"

#include <QFile>
#include <QFileInfo>
#include <QStringList>
#include <algorithm>
#include <array>
#include <utility>

#include "Misc/ChordAnalysis.h"
#include "Misc/GuitarTimeline.h"
#include "Misc/LogStream.h"
#include "Misc/LogText.h"
#include "Misc/notelist.h"
#include "app/CMainFrame.h"
#include "app/CTabulonApp.h"
#include "app/CTabulonView.h"
#include "chordsheet/ChordSheet.h"
#include "framework/CCmdUI.h"
#include "settings/PlayerSettingsStore.h"
#include "settings/UserSettings.h"

namespace {

constexpr uint16_t kNewDocumentResolution = 480;
constexpr double kNewDocumentBpm = 120.0;

// The log flags that the analysis pass reads, off while it lives and restored afterwards.
class AnalysisLogOff {
  public:
    AnalysisLogOff() {
        for (std::size_t i = 0; i < flags.size(); ++i)
            saved[i] = std::exchange(*flags[i], 0);
    }
    ~AnalysisLogOff() {
        for (std::size_t i = 0; i < flags.size(); ++i)
            *flags[i] = saved[i];
    }
    AnalysisLogOff(const AnalysisLogOff&) = delete;
    AnalysisLogOff& operator=(const AnalysisLogOff&) = delete;

  private:
    const std::array<int32_t*, 4> flags{&UserSettings.loggingEnabled, &UserSettings.logNotes,
                                        &UserSettings.logChords, &UserSettings.logMidiEvents};
    std::array<int32_t, 4> saved{};
};

// The chords of a freshly opened file, found with the settings in force, so that the display
// shows the new song at once instead of the last one played. The log's sections belong to Play
// and are not written; the notes the pass leaves sounding are forgotten, as a file change leaves
// none.
void FindChordsOfOpenedFile(CMidiOut& output, const CTabulonDoc& document) {
    {
        const AnalysisLogOff quiet;
        output.AnalyzeChords();
    }
    soundingNotes.Clear();
    document.UpdateChordTimeline();
}

// The folder the next File Open starts in. Scripted runs without a window leave the profile alone.
void RememberFolder(const QString& folder) {
    const CTabulonApp* app = TabulonApp();
    if (app && app->Options().headless) return;
    settings::PlayerSettings settings = settings::LoadPlayerSettings();
    settings.lastFolder = folder;
    settings::SavePlayerSettings(settings);
}

// No song, no chords: the display goes blank (File New, a file that could not be opened).
void ForgetChords() {
    chordTimeline.Clear();
    monitoredEvents.clear();
}

}  // namespace

CTabulonDoc::CTabulonDoc() = default;

CTabulonDoc::~CTabulonDoc() = default;

CTabulonView* CTabulonDoc::FirstView() const {
    return dynamic_cast<CTabulonView*>(GetFirstView());
}

CMainFrame* CTabulonDoc::Frame() const {
    const CTabulonView* view = FirstView();
    return view ? dynamic_cast<CMainFrame*>(view->GetParentFrame()) : nullptr;
}

void CTabulonDoc::StopForFileChange() {
    if (CMainFrame* frame = Frame()) frame->clock.playUnderWay = false;
    if (CTabulonView* view = FirstView()) {
        if (view->sync) view->sync->Stop();
        view->output.Silence();
        view->output.ForgetPosition();
    }
    soundingNotes.Clear();
}

bool CTabulonDoc::OnNewDocument() {
    if (!CDocument::OnNewDocument()) return false;
    StopForFileChange();
    song.Unload();
    UserSettings.trackCount = 0;
    lastOpenSucceeded = false;
    ReadSongShape();
    ForgetChords();
    if (CMainFrame* frame = Frame()) {
        frame->clock.SetResolution(kNewDocumentResolution);
        frame->clock.SetTempo(CMidiSync::BpmToTempo(kNewDocumentBpm));
    }
    return true;
}

bool CTabulonDoc::OnOpenDocument(const QString& path) {
    StopForFileChange();
    song.Unload();
    UserSettings.ResetTrackSettings();
    UserSettings.ClearMutedTracks();
    const std::string localPath = QFile::encodeName(path).toStdString();
    CTabulonView* view = FirstView();
    lastOpenSucceeded = song.Load(localPath, view ? &view->output : nullptr);
    song.Describe(UserSettings, localPath);
    ReadSongShape();
    if (lastOpenSucceeded && view)
        FindChordsOfOpenedFile(view->output, *this);
    else
        ForgetChords();

    const QFileInfo file(path);
    const QString fileName = file.fileName();
    if (lastOpenSucceeded) RememberFolder(file.absolutePath());
    const QString reason = QString::fromLocal8Bit(song.ErrorText().c_str());
    // What is worth knowing about a sound file (its SMPTE time division, tracks the settings do
    // not reach) is said once, when it opens.
    QStringList notices;
    for (const std::string& notice : song.Notices())
        notices << QString::fromLocal8Bit(notice.c_str());
    const QString noticeText = notices.isEmpty() ? QString() : "; " + notices.join("; ");
    if (!lastOpenSucceeded) {
        CTabulonApp::TellUser(QStringLiteral("Cannot open %1: %2")
                                  .arg(fileName, reason.isEmpty() ? "unknown error" : reason),
                              MB_ICONERROR);
    } else if (!reason.isEmpty()) {
        CTabulonApp::TellUser(QStringLiteral("%1 is damaged; playing what could be read: %2%3")
                                  .arg(fileName, reason, noticeText),
                              MB_ICONWARNING);
    } else if (!notices.isEmpty()) {
        CTabulonApp::TellUser(QStringLiteral("%1: %2").arg(fileName, notices.join("; ")),
                              MB_ICONINFORMATION);
    }
    return true;
}

void CTabulonDoc::ReadSongShape() {
    signatures = SignaturesOf(GetSMF());
    if (CTabulonView* view = FirstView()) {
        // The output learns the song's tempo map and end, and the clock starts at its first tempo.
        view->output.PrepareSong();
        // A loop set in the last song means nothing in this one; a count-in takes this one's meter.
        view->practice.ForgetSong();
    }
}

uint32_t CTabulonDoc::LengthTicks() const {
    const CTabulonView* view = FirstView();
    return view ? view->output.GetSongEndTick() : 0;
}

void CTabulonDoc::UpdateChordTimeline() const {
    PutChordOptionsInForce(signatures);
}

bool CTabulonDoc::HasEvents() const {
    return song.HasEvents();
}

void CTabulonDoc::OnUpdateFileSave(CCmdUI* cmdUI) {
    // Saving would replace the opened MIDI file with an empty one: never offered.
    cmdUI->Enable(false);
}

void CTabulonDoc::OnUpdateFileSaveAs(CCmdUI* cmdUI) {
    cmdUI->Enable(false);
}

const framework::CommandMap* CTabulonDoc::GetCommandMap() const {
    static const framework::CommandMap map = framework::CommandMap::Of<CTabulonDoc>({
        {ID_FILE_SAVE, &CTabulonDoc::OnFileSave, &CTabulonDoc::OnUpdateFileSave},
        {ID_FILE_SAVE_AS, &CTabulonDoc::OnFileSaveAs, &CTabulonDoc::OnUpdateFileSaveAs},
    });
    return &map;
}
