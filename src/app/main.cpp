// tabulon: the window application, its headless mode and its chord sheet (see app/CommandLine.h).
#include <sys/socket.h>
#include <unistd.h>
#include <QApplication>
#include <QElapsedTimer>
#include <QEvent>
#include <QSocketNotifier>
#include <QTimer>
#include <csignal>
#include <cstdlib>
#include <ctime>
#include <iostream>

#include "Misc/LogStream.h"
#include "app/CMainFrame.h"
#include "app/CTabulonApp.h"
#include "app/CTabulonDoc.h"
#include "app/CTabulonView.h"
#include "app/CommandLine.h"
#include "chordsheet/ChordSheet.h"
#include "midilib/LibraryOptions.h"
#include "res/Resource.h"
#include "settings/UserSettings.h"

namespace {

// SIGINT and SIGTERM end the event loop from the loop itself (a self-pipe), so that the documents
// close and the log is flushed as on a normal exit.
class SignalQuit {
  public:
    SignalQuit() {
        if (::socketpair(AF_UNIX, SOCK_STREAM, 0, fds) != 0) return;
        notifier = std::make_unique<QSocketNotifier>(fds[1], QSocketNotifier::Read);
        QObject::connect(notifier.get(), &QSocketNotifier::activated, [this] {
            char signal = 0;
            if (::read(fds[1], &signal, 1) == 1) received = signal;
            QCoreApplication::quit();
        });
        writeEnd = fds[0];
        struct sigaction action = {};
        action.sa_handler = &SignalQuit::OnSignal;
        sigemptyset(&action.sa_mask);
        action.sa_flags = SA_RESTART;
        sigaction(SIGINT, &action, nullptr);
        sigaction(SIGTERM, &action, nullptr);
    }
    ~SignalQuit() {
        std::signal(SIGINT, SIG_DFL);
        std::signal(SIGTERM, SIG_DFL);
        writeEnd = -1;
        notifier.reset();
        for (int fd : fds)
            if (fd >= 0) ::close(fd);
    }
    SignalQuit(const SignalQuit&) = delete;
    SignalQuit& operator=(const SignalQuit&) = delete;

    // The signal that ended the loop, or 0.
    int Received() const { return received; }

  private:
    static void OnSignal(int signal) {
        const char byte = static_cast<char>(signal);
        if (writeEnd >= 0) {
            const ssize_t written = ::write(writeEnd, &byte, 1);
            (void)written;
        }
    }

    static inline volatile int writeEnd = -1;
    int fds[2] = {-1, -1};
    std::unique_ptr<QSocketNotifier> notifier;
    int received = 0;
};

// With TABULON_STARTUP_PROBE set, the first paint of the view prints the time since main() began
// and ends the program: the start-up measurement of bench/startup.sh. When the variable holds the
// launch time (nanoseconds since the epoch, as `date +%s%N` gives it), the time since the launch
// is printed too.
class FirstPaintProbe final : public QObject {
  public:
    FirstPaintProbe(const QElapsedTimer& sinceStart, long long launchNs)
        : sinceStart_(sinceStart), launchNs_(launchNs) {}

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Paint && !seen_) {
            seen_ = true;
            // Runs after this paint has been drawn.
            QTimer::singleShot(0, [this] {
                std::cout << "first paint after " << sinceStart_.nsecsElapsed() / 1000
                          << " us since main";
                if (launchNs_ > 0) {
                    timespec now{};
                    clock_gettime(CLOCK_REALTIME, &now);
                    const long long nowNs = now.tv_sec * 1000000000LL + now.tv_nsec;
                    std::cout << ", " << (nowNs - launchNs_) / 1000 << " us since launch";
                }
                std::cout << std::endl;
                QCoreApplication::quit();
            });
        }
        return QObject::eventFilter(watched, event);
    }

  private:
    const QElapsedTimer& sinceStart_;
    long long launchNs_;
    bool seen_ = false;
};

// Headless runs keep standard error for the program's own messages: the offscreen platform's
// remarks about window hints and the runtime folder mean nothing there.
void HeadlessMessages(QtMsgType type, const QMessageLogContext& context, const QString& text) {
    if (text.contains(QLatin1String("propagateSizeHints")) ||
        text.startsWith(QLatin1String("QStandardPaths:")))
        return;
    std::cerr << qFormatLogMessage(type, context, text).toLocal8Bit().constData() << '\n';
}

void LogEverythingInto(const std::string& path) {
    UserSettings.loggingEnabled = 1;
    UserSettings.logNotes = 1;
    UserSettings.logChords = 1;
    UserSettings.logMidiEvents = 1;
    UserSettings.logTrackInfo = 1;
    UserSettings.logFileName = path;
}

// How late the view's output handed its events to the device, on standard error.
void PrintLateness(CMainFrame& frame) {
    const auto* view = dynamic_cast<CTabulonView*>(frame.GetActiveView());
    if (!view) return;
    const midilib::LatenessSummary lateness = midilib::GetMidiOutLateness(view->output.GetHandle());
    std::cerr << "tabulon: " << lateness.count << " events, lateness p50 " << lateness.p50Ns / 1000
              << " us, p99 " << lateness.p99Ns / 1000 << " us, max " << lateness.maxNs / 1000
              << " us\n";
}

}  // namespace

int main(int argc, char** argv) {
    QElapsedTimer sinceStart;
    sinceStart.start();

    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments << QString::fromLocal8Bit(argv[i]);
    ParsedCommandLine commandLine = ParseCommandLine(arguments);
    switch (commandLine.action) {
        case ParsedCommandLine::Action::Error:
            std::cerr << "tabulon: " << commandLine.text << "\n(try tabulon --help)\n";
            return kExitUsage;
        case ParsedCommandLine::Action::Help:
        case ParsedCommandLine::Action::Version:
            std::cout << commandLine.text;
            return kExitOk;
        case ParsedCommandLine::Action::Chords:
            return RunChordSheet(commandLine.chordSheetArguments, std::cout, std::cerr);
        case ParsedCommandLine::Action::RunWindow:
            break;
    }

    StartupOptions& options = commandLine.options;
    if (!commandLine.wavFile.empty()) midilib::SetSynthWavFile(commandLine.wavFile);
    if (!commandLine.deviceText.empty()) {
        std::string error;
        options.device = ResolveOutputDevice(commandLine.deviceText, error);
        if (!options.device) {
            std::cerr << "tabulon: " << error << '\n';
            return kExitUsage;
        }
    }
    if (!options.logFile.empty()) {
        if (!OpenLogStream(options.logFile)) {
            std::cerr << "tabulon: cannot write the log file " << options.logFile << '\n';
            return kExitUsage;
        }
        LogEverythingInto(options.logFile);
    }

    if (options.headless) {
        ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
        qInstallMessageHandler(&HeadlessMessages);
    }
    QApplication qt(argc, argv);
    QCoreApplication::setOrganizationName(QStringLiteral("Tabulon"));
    QCoreApplication::setApplicationName(QStringLiteral("Tabulon"));
    SignalQuit signalQuit;

    int exitCode = kExitOk;
    {
        CTabulonApp app(options);
        if (!app.InitInstance()) {
            app.ExitInstance();
            CloseLogStream();
            return kExitFailed;
        }
        auto* frame = dynamic_cast<CMainFrame*>(app.GetMainWnd());
        const char* probeSetting = std::getenv("TABULON_STARTUP_PROBE");
        FirstPaintProbe probe(sinceStart, probeSetting ? std::atoll(probeSetting) : 0);
        if (probeSetting && frame && frame->GetActiveView())
            frame->GetActiveView()->installEventFilter(&probe);

        if (options.headless) {
            const auto* document =
                frame ? dynamic_cast<CTabulonDoc*>(frame->GetActiveDocument()) : nullptr;
            if (!document || !document->LastOpenSucceeded()) {
                // The document has said why on standard error.
                CloseLogStream();
                return kExitUsage;
            }
            if (!frame->clock.IsOpen()) {
                std::cerr << "tabulon: the playback clock could not be opened\n";
                CloseLogStream();
                return kExitFailed;
            }
            if (options.timerPeriod) frame->clock.SetPeriod(*options.timerPeriod);
            frame->clock.onDone = [frame, printLateness = options.printLateness] {
                if (printLateness) PrintLateness(*frame);
                // The library has said on standard error that the device failed; a play that
                // was not heard to its end does not exit as a success.
                const auto* view = dynamic_cast<const CTabulonView*>(frame->GetActiveView());
                QCoreApplication::exit(view && view->OutputDeviceFailed() ? kExitFailed : kExitOk);
            };
            // The toolbar's Play runs whatever the Start rule says, as a click on it would.
            QTimer::singleShot(0, frame, [frame] { frame->OnCommand(ID_TOOLBAR_PLAY); });
        }
        exitCode = app.Run();
    }
    if (signalQuit.Received() != 0) exitCode = 128 + signalQuit.Received();
    if (!CloseLogStream()) {
        std::cerr << "tabulon: writing the log file " << UserSettings.logFileName
                  << " failed (is the disk full?); it lacks the latest lines\n";
        if (exitCode == kExitOk) exitCode = kExitFailed;
    }
    return exitCode;
}
