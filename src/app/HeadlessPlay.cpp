#include "app/HeadlessPlay.h"

#include <QCoreApplication>
#include <QTimer>
#include <cstdlib>
#include <iostream>

#include "app/CMainFrame.h"
#include "app/CTabulonDoc.h"
#include "app/CTabulonView.h"
#include "app/CommandLine.h"
#include "app/PracticeRange.h"
#include "chordsheet/ChordSheet.h"
#include "midilib/LibraryOptions.h"
#include "res/Resource.h"

namespace {

// The offscreen platform's remarks about window hints and the runtime folder mean nothing here.
void HeadlessMessages(QtMsgType type, const QMessageLogContext& context, const QString& text) {
    if (text.contains(QLatin1String("propagateSizeHints")) ||
        text.startsWith(QLatin1String("QStandardPaths:")))
        return;
    std::cerr << qFormatLogMessage(type, context, text).toLocal8Bit().constData() << '\n';
}

// How late the view's output handed its events to the device, on standard error.
void PrintLateness(const CTabulonView& view) {
    const midilib::LatenessSummary lateness = midilib::GetMidiOutLateness(view.output.GetHandle());
    std::cerr << "tabulon: " << lateness.count << " events, lateness p50 " << lateness.p50Ns / 1000
              << " us, p99 " << lateness.p99Ns / 1000 << " us, max " << lateness.maxNs / 1000
              << " us\n";
}

// The command line's speed, bars and count-in; a play that would start past the song's end is
// refused (status 2) rather than ending at once as a success.
std::optional<int> ApplyPracticeOptions(CMainFrame* frame, const CTabulonDoc& document,
                                        const StartupOptions& options) {
    if (options.speedPercent) frame->clock.SetSpeed(*options.speedPercent / 100.0);
    auto* view = dynamic_cast<CTabulonView*>(frame->GetActiveView());
    if (!view) return std::nullopt;
    const SongSignatures song = SignaturesOf(document.GetSMF());
    const CMidiOut::PracticeOptions practice =
        PracticeRange(song, options.fromBar, options.toBar, false, options.countIn);
    if (options.fromBar > 1 && practice.from >= view->output.GetSongEndTick()) {
        std::cerr << "tabulon: --from " << options.fromBar << " is past the end of the song ("
                  << song.PositionOf(view->output.GetSongEndTick()).bar << " bars)\n";
        return kExitUsage;
    }
    view->output.SetPractice(practice);
    return std::nullopt;
}

}  // namespace

void PrepareHeadless() {
    ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
    qInstallMessageHandler(&HeadlessMessages);
}

std::optional<int> WireHeadlessPlay(CMainFrame* frame, const StartupOptions& options) {
    const auto* document = frame ? dynamic_cast<CTabulonDoc*>(frame->GetActiveDocument()) : nullptr;
    if (!document || !document->LastOpenSucceeded()) return kExitUsage;  // the document said why
    if (!frame->clock.IsOpen()) {
        std::cerr << "tabulon: the playback clock could not be opened\n";
        return kExitFailed;
    }
    if (options.timerPeriod) frame->clock.SetPeriod(*options.timerPeriod);
    if (const std::optional<int> refused = ApplyPracticeOptions(frame, *document, options))
        return refused;
    frame->clock.onDone = [frame, printLateness = options.printLateness] {
        const auto* view = dynamic_cast<const CTabulonView*>(frame->GetActiveView());
        if (printLateness && view) PrintLateness(*view);
        // The library has said on standard error that the device failed; a play that was not
        // heard to its end does not exit as a success.
        QCoreApplication::exit(view && view->OutputDeviceFailed() ? kExitFailed : kExitOk);
    };
    QTimer::singleShot(0, frame, [frame] { frame->OnCommand(ID_TOOLBAR_PLAY); });
    return std::nullopt;
}
