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
#include <optional>

#include "Misc/LogStream.h"
#include "app/CMainFrame.h"
#include "app/CTabulonApp.h"
#include "app/CommandLine.h"
#include "app/HeadlessPlay.h"
#include "app/LogScope.h"
#include "chordsheet/ChordSheet.h"
#include "midilib/LibraryOptions.h"
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

void LogEverythingInto(const std::string& path) {
    UserSettings.loggingEnabled = 1;
    UserSettings.logNotes = 1;
    UserSettings.logChords = 1;
    UserSettings.logMidiEvents = 1;
    UserSettings.logTrackInfo = 1;
    UserSettings.logFileName = path;
}

// What the command line asks of the library and the log before the application starts; the exit
// status when it cannot be done.
std::optional<int> ApplyStartupOptions(ParsedCommandLine& commandLine) {
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
    return std::nullopt;
}

// The window application (shown, or headless) from start to end; its exit status.
int RunApplication(int argc, char** argv, ParsedCommandLine& commandLine,
                   const QElapsedTimer& sinceStart) {
    if (const auto refused = ApplyStartupOptions(commandLine)) return *refused;
    const StartupOptions& options = commandLine.options;
    if (options.headless) PrepareHeadless();
    QApplication qt(argc, argv);
    QCoreApplication::setOrganizationName(QStringLiteral("Tabulon"));
    QCoreApplication::setApplicationName(QStringLiteral("Tabulon"));
    SignalQuit signalQuit;

    int exitCode = kExitOk;
    {
        CTabulonApp app(options);
        if (!app.InitInstance()) {
            app.ExitInstance();
            return kExitFailed;
        }
        auto* frame = dynamic_cast<CMainFrame*>(app.GetMainWnd());
        const char* probeSetting = std::getenv("TABULON_STARTUP_PROBE");
        FirstPaintProbe probe(sinceStart, probeSetting ? std::atoll(probeSetting) : 0);
        if (probeSetting && frame && frame->GetActiveView())
            frame->GetActiveView()->installEventFilter(&probe);
        if (options.headless) {
            if (const auto refused = WireHeadlessPlay(frame, options)) return *refused;
        }
        exitCode = app.Run();
    }
    if (signalQuit.Received() != 0) exitCode = 128 + signalQuit.Received();
    return exitCode;
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
            return RunChordSheet(commandLine.chordSheet, std::cout, std::cerr);
        case ParsedCommandLine::Action::RunWindow:
            break;
    }
    // The log, opened by --log or later from the Logging dialog, is closed and checked however
    // the run ends.
    LogScope log;
    return log.Finish(RunApplication(argc, argv, commandLine, sinceStart));
}
