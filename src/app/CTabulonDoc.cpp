#include "app/CTabulonDoc.h"

#include <QFile>
#include <QFileInfo>
#include <algorithm>
#include <array>
#include <utility>

#include "Misc/ChordAnalysis.h"
#include "Misc/LogStream.h"
#include "Misc/LogText.h"
#include "Misc/notelist.h"
#include "app/CMainFrame.h"
#include "app/CTabulonApp.h"
#include "app/CTabulonView.h"
#include "framework/CCmdUI.h"
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
void FindChordsOfOpenedFile(CMidiOut& output) {
    {
        const AnalysisLogOff quiet;
        output.AnalyzeChords();
    }
    soundingNotes.Clear();
}

// No song, no chords: the display goes blank (File New, a file that could not be opened).
void ForgetChords() {
    chordTimeline.Clear();
    monitoredEvents.clear();
}

}  // namespace

CTabulonDoc::CTabulonDoc() = default;

CTabulonDoc::~CTabulonDoc() {
    // The tracks go before the file object they are listed in.
    DeleteTracks();
    if (UserSettings.trackNames == &smf) {
        UserSettings.trackNames = nullptr;
        UserSettings.trackCount = 0;
    }
}

CTabulonView* CTabulonDoc::FirstView() const {
    return dynamic_cast<CTabulonView*>(GetFirstView());
}

CMainFrame* CTabulonDoc::Frame() const {
    const CTabulonView* view = FirstView();
    return view ? dynamic_cast<CMainFrame*>(view->GetParentFrame()) : nullptr;
}

void CTabulonDoc::StopForFileChange() {
    if (CTabulonView* view = FirstView()) {
        if (view->sync) view->sync->Stop();
        view->output.Silence();
        view->output.ForgetPosition();
    }
    soundingNotes.Clear();
}

void CTabulonDoc::DeleteTracks() {
    // Each track detaches itself from the file object and the output; the last first, so that
    // neither list closes a gap per track (files can hold thousands of tracks).
    while (!tracks.empty())
        tracks.pop_back();
    trackCount = 0;
}

bool CTabulonDoc::OnNewDocument() {
    if (!CDocument::OnNewDocument()) return false;
    StopForFileChange();
    smf.Close();
    DeleteTracks();
    UserSettings.trackCount = 0;
    lastOpenSucceeded = false;
    ForgetChords();
    if (CMainFrame* frame = Frame()) {
        frame->clock.SetResolution(kNewDocumentResolution);
        frame->clock.SetTempo(CMidiSync::BpmToTempo(kNewDocumentBpm));
    }
    return true;
}

bool CTabulonDoc::OnOpenDocument(const QString& path) {
    StopForFileChange();
    if (smf.IsOpen()) smf.Close();
    UserSettings.ResetTrackSettings();
    UserSettings.ClearMutedTracks();
    DeleteTracks();
    UserSettings.trackNames = &smf;
    const std::string localPath = QFile::encodeName(path).toStdString();
    UserSettings.loadedFilePath = localPath;

    lastOpenSucceeded = smf.Open(localPath.c_str(), 'r', 1) != 0;
    const QString reason = QString::fromLocal8Bit(smf.GetErrorText());
    trackCount = static_cast<int32_t>(smf.GetTrackCountInFile());
    UserSettings.trackCount = trackCount;
    if (UserSettings.logTrackInfo) WriteFileTrackCountLine(LogStream, trackCount);

    tracks.reserve(static_cast<size_t>(std::max(trackCount, 0)));
    CTabulonView* view = FirstView();
    for (int32_t i = 0; i < trackCount; ++i) {
        tracks.push_back(std::make_unique<CMidiTrack>());
        CMidiTrack* track = tracks.back().get();
        smf.AddTrack(track);
        if (view) view->output.AddTrack(track);
    }
    smf.ReadAllTracks();
    if (lastOpenSucceeded && view)
        FindChordsOfOpenedFile(view->output);
    else
        ForgetChords();

    const QString fileName = QFileInfo(path).fileName();
    if (!lastOpenSucceeded) {
        CTabulonApp::TellUser(QStringLiteral("Cannot open %1: %2")
                                  .arg(fileName, reason.isEmpty() ? "unknown error" : reason),
                              MB_ICONERROR);
    } else if (const QString problem = QString::fromLocal8Bit(smf.GetErrorText());
               !problem.isEmpty()) {
        CTabulonApp::TellUser(
            QStringLiteral("%1 is damaged; playing what could be read: %2").arg(fileName, problem),
            MB_ICONWARNING);
    }
    return true;
}

bool CTabulonDoc::HasEvents() const {
    return std::any_of(tracks.begin(), tracks.end(),
                       [](const std::unique_ptr<CMidiTrack>& t) { return !t->IsEmpty(); });
}

CMidiTrack* CTabulonDoc::GetTrack(int index) const {
    return index >= 0 && index < static_cast<int>(tracks.size())
               ? tracks[static_cast<size_t>(index)].get()
               : nullptr;
}

void CTabulonDoc::OnUpdateFileSave(CCmdUI* cmdUI) {
    // Saving would replace the opened MIDI file with an empty one: never offered.
    cmdUI->Enable(false);
}

void CTabulonDoc::OnUpdateFileSaveAs(CCmdUI* cmdUI) {
    cmdUI->Enable(false);
}

const CommandMap* CTabulonDoc::GetCommandMap() const {
    static const CommandMap map = CommandMap::Of<CTabulonDoc>({
        {ID_FILE_SAVE, &CTabulonDoc::OnFileSave, &CTabulonDoc::OnUpdateFileSave},
        {ID_FILE_SAVE_AS, &CTabulonDoc::OnFileSaveAs, &CTabulonDoc::OnUpdateFileSaveAs},
    });
    return &map;
}
