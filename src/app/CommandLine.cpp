#include "app/CommandLine.h"

#include <QCommandLineParser>
#include <cstring>

#include "app/CAboutDlg.h"
#include "midi/MidiLib.h"
#include "res/MainFrameResources.h"

namespace {

struct Options {
    QCommandLineOption headless{"headless", "Play FILE once without showing a window, then exit."};
    QCommandLineOption log{"log", "Log everything into LOGFILE from the start.", "LOGFILE"};
    QCommandLineOption device{
        "device", "Output device: a number, or text found in its description (\"null\").",
        "N|TEXT"};
    QCommandLineOption wav{"wav", "The built-in synth also records into WAVFILE.", "WAVFILE"};
    QCommandLineOption period{"period", "The clock's timer period in milliseconds: 1 or 10.", "MS"};
    QCommandLineOption stats{"stats",
                             "With --headless: print how late the events reached the device."};
    QCommandLineOption chords{"chords", "Print the chord sheet of FILE and exit.", "FILE"};
    QCommandLineOption channels{"channels", "With --chords: the channels to listen to (1-16).",
                                "LIST"};
    QCommandLineOption tracks{"tracks", "With --chords: the tracks to listen to (from 0).", "LIST"};
    QCommandLineOption transpose{"transpose", "With --chords: semitones, -12 to 12.", "N"};
    QCommandLineOption transposeTracks{"transpose-tracks", "With --chords: the tracks transposed.",
                                       "LIST"};
};

std::string Local(const QString& text) {
    return text.toLocal8Bit().toStdString();
}

}  // namespace

ParsedCommandLine ParseCommandLine(const QStringList& arguments) {
    ParsedCommandLine result;
    Options o;
    QCommandLineParser parser;
    parser.setApplicationDescription("Tabulon: a MIDI file player that shows the guitar chords.");
    const QCommandLineOption help = parser.addHelpOption();
    const QCommandLineOption version = parser.addVersionOption();
    parser.addOptions({o.headless, o.log, o.device, o.wav, o.period, o.stats, o.chords, o.channels,
                       o.tracks, o.transpose, o.transposeTracks});
    parser.addPositionalArgument("FILE", "The MIDI file to open.", "[FILE]");

    auto fail = [&result](std::string text) {
        result.action = ParsedCommandLine::Action::Error;
        result.text = std::move(text);
        return result;
    };
    if (!parser.parse(arguments)) return fail(Local(parser.errorText()));
    if (parser.isSet(help)) {
        result.action = ParsedCommandLine::Action::Help;
        result.text = Local(parser.helpText().replace(QStringLiteral("<executable_name>"),
                                                      QStringLiteral("tabulon")));
        return result;
    }
    if (parser.isSet(version)) {
        result.action = ParsedCommandLine::Action::Version;
        result.text = VersionText();
        return result;
    }

    const QStringList files = parser.positionalArguments();
    const bool chordOptions = parser.isSet(o.channels) || parser.isSet(o.tracks) ||
                              parser.isSet(o.transpose) || parser.isSet(o.transposeTracks);
    if (parser.isSet(o.chords)) {
        if (!files.isEmpty())
            return fail("--chords takes its file as its value, not a second FILE");
        if (parser.isSet(o.headless) || parser.isSet(o.device) || parser.isSet(o.wav) ||
            parser.isSet(o.period) || parser.isSet(o.stats))
            return fail(
                "--chords does not play: --headless, --device, --wav, --period and --stats do not "
                "apply");
        result.action = ParsedCommandLine::Action::Chords;
        auto& args = result.chordSheetArguments;
        args.push_back(Local(parser.value(o.chords)));
        const std::pair<const QCommandLineOption*, const char*> forwarded[] = {
            {&o.channels, "--channels"},
            {&o.tracks, "--tracks"},
            {&o.transpose, "--transpose"},
            {&o.transposeTracks, "--transpose-tracks"},
            {&o.log, "--log"}};
        for (const auto& [option, name] : forwarded) {
            if (!parser.isSet(*option)) continue;
            args.push_back(name);
            args.push_back(Local(parser.value(*option)));
        }
        return result;
    }
    if (chordOptions) return fail("--channels, --tracks and --transpose go with --chords");
    if (files.size() > 1) return fail("only one FILE can be opened");

    StartupOptions& options = result.options;
    options.files = files;
    options.headless = parser.isSet(o.headless);
    if (options.headless && files.isEmpty()) return fail("--headless needs a FILE to play");
    if (parser.isSet(o.log)) {
        options.logFile = Local(parser.value(o.log));
        if (options.logFile.empty()) return fail("--log needs a file name");
    }
    if (parser.isSet(o.device)) {
        result.deviceText = Local(parser.value(o.device));
        if (result.deviceText.empty()) return fail("--device needs a number or a name");
    }
    if (parser.isSet(o.wav)) {
        result.wavFile = Local(parser.value(o.wav));
        if (result.wavFile.empty()) return fail("--wav needs a file name");
    }
    if (parser.isSet(o.period)) {
        const QString value = parser.value(o.period);
        if (value != QStringLiteral("1") && value != QStringLiteral("10"))
            return fail("--period takes 1 or 10 (milliseconds), not " + Local(value));
        options.timerPeriod = static_cast<uint16_t>(value.toUInt());
    }
    options.printLateness = parser.isSet(o.stats);
    if (options.printLateness && !options.headless) return fail("--stats goes with --headless");
    return result;
}

std::optional<int> ResolveOutputDevice(const std::string& text, std::string& error) {
    const int count = GetNumOutDevices();
    bool isNumber = false;
    const qlonglong number = QString::fromStdString(text).toLongLong(&isNumber, 10);
    if (isNumber) {
        if (number < 0 || number >= count) {
            error = "device " + text + " does not exist: there are " + std::to_string(count) +
                    " output devices, numbered from 0";
            return std::nullopt;
        }
        return static_cast<int>(number);
    }
    const QString wanted = QString::fromLocal8Bit(text.c_str());
    // "null" names the null device itself, whatever other descriptions contain.
    const bool nullDevice = wanted.compare(QLatin1String("null"), Qt::CaseInsensitive) == 0;
    std::string known;
    for (int d = 0; d < count; ++d) {
        char description[32] = {};
        GetMidiOutDescription(static_cast<uint16_t>(d), description);
        description[31] = '\0';
        const QString name = QString::fromLocal8Bit(description);
        if (nullDevice ? name == QLatin1String(kNullOutputDescription)
                       : name.contains(wanted, Qt::CaseInsensitive))
            return d;
        known += (known.empty() ? "" : ", ") + std::to_string(d) + " \"" + description + "\"";
    }
    error = "no output device matches \"" + text +
            "\" (devices: " + (known.empty() ? std::string("none") : known) + ")";
    return std::nullopt;
}

std::string VersionText() {
    return std::string("Tabulon ") + kTabulonVersion + "\n" +
           Local(FormatLibraryVersion(GetMidiLibraryVersion())) + "\n";
}
