#include "app/CommandLine.h"

#include <QCommandLineParser>
#include <algorithm>
#include <cstring>
#include <deque>
#include <string_view>

#include "app/CAboutDlg.h"
#include "midi/MidiLib.h"
#include "midilib/SynthStatus.h"
#include "res/MainFrameResources.h"

namespace {

// The program's options, each declared once, in the order --help lists them.
class OptionTable {
  public:
    explicit OptionTable(QCommandLineParser& parser) : parser_(parser) {}
    const QCommandLineOption& Flag(const char* name, const char* help) {
        return Add(QCommandLineOption(QString::fromLatin1(name), QString::fromUtf8(help)));
    }
    const QCommandLineOption& Value(const char* name, const char* help, const char* valueName) {
        return Add(QCommandLineOption(QString::fromLatin1(name), QString::fromUtf8(help),
                                      QString::fromLatin1(valueName)));
    }

  private:
    const QCommandLineOption& Add(QCommandLineOption option) {
        parser_.addOption(option);
        return options_.emplace_back(std::move(option));
    }
    QCommandLineParser& parser_;
    std::deque<QCommandLineOption> options_;  // stable addresses
};

std::string Local(const QString& text) {
    return text.toLocal8Bit().toStdString();
}

// "--a, --b and --c"
std::string Names(const std::vector<const QCommandLineOption*>& options) {
    std::string text;
    for (size_t i = 0; i < options.size(); ++i) {
        if (i > 0) text += i + 1 == options.size() ? " and " : ", ";
        text += "--" + Local(options[i]->names().front());
    }
    return text;
}

std::string_view OptionName(std::string_view argument) {
    return argument.substr(0, argument.find('='));
}

// True when `argument` is `option` (alone or with "=value").
bool IsOption(const QCommandLineOption& option, std::string_view argument) {
    return OptionName(argument) == "--" + Local(option.names().front());
}

// `tabulon --chords FILE ...` is the chord sheet's command line: every argument but --chords goes
// to the chord sheet's own parser, the value of --chords first; the options that play do not
// apply.
ParsedCommandLine ParseChordSheetCommandLine(
    const std::vector<std::string>& arguments,
    const std::vector<const QCommandLineOption*>& playing) {
    ParsedCommandLine result;
    result.action = ParsedCommandLine::Action::Error;
    std::vector<std::string> sheet;
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        const std::string_view argument = arguments[i];
        if (OptionName(argument) == "--chords") {
            if (const std::size_t equals = argument.find('='); equals != std::string_view::npos)
                sheet.insert(sheet.begin(), std::string(argument.substr(equals + 1)));
            else if (i + 1 < arguments.size())
                sheet.insert(sheet.begin(), arguments[++i]);
            continue;
        }
        for (const QCommandLineOption* option : playing) {
            if (!IsOption(*option, argument)) continue;
            result.text =
                "--chords does not play: " + std::string(OptionName(argument)) + " does not apply";
            return result;
        }
        sheet.push_back(arguments[i]);
    }
    std::string error;
    if (!chordsheet::ParseArguments(sheet, result.chordSheet, error)) {
        result.text = "--chords: " + error;
        return result;
    }
    if (result.chordSheet.files.size() > 1) {
        result.text = "--chords takes one FILE (tabulon-chords takes several)";
        return result;
    }
    result.action = ParsedCommandLine::Action::Chords;
    return result;
}

}  // namespace

ParsedCommandLine ParseCommandLine(const QStringList& arguments) {
    ParsedCommandLine result;
    QCommandLineParser parser;
    parser.setApplicationDescription("Tabulon: a MIDI file player that shows the guitar chords.");
    const QCommandLineOption help = parser.addHelpOption();
    const QCommandLineOption version = parser.addVersionOption();
    OptionTable table(parser);
    const auto& headless =
        table.Flag("headless", "Play FILE once without showing a window, then exit.");
    const auto& log = table.Value("log", "Log everything into LOGFILE from the start.", "LOGFILE");
    const auto& device = table.Value(
        "device", "Output device: a number, or text found in its description (\"null\").",
        "N|TEXT");
    const auto& audioDriver = table.Value(
        "audio-driver",
        "The built-in synth plays through this audio driver only (pipewire, pulseaudio, alsa, "
        "sdl2, ...); by default the first of those that opens.",
        "NAME");
    const auto& wav =
        table.Value("wav", "The built-in synth also records into WAVFILE.", "WAVFILE");
    const auto& period =
        table.Value("period", "The clock's timer period in milliseconds: 1 or 10.", "MS");
    const auto& stats =
        table.Flag("stats", "With --headless: print how late the events reached the device.");
    const auto& speed = table.Value(
        "speed", "With --headless: play at PERCENT (25 to 200) of the file's tempos.", "PERCENT");
    const auto& from =
        table.Value("from", "With --headless: start the play at bar BAR (from 1).", "BAR");
    const auto& to = table.Value("to", "With --headless: end the play after bar BAR.", "BAR");
    const auto& countIn =
        table.Flag("count-in", "With --headless: one bar of clicks before the play starts.");
    table.Value("chords", "Print the chord sheet of FILE and exit; with the options below.",
                "FILE");
    parser.addPositionalArgument("FILE", "The MIDI file to open.", "[FILE]");
    // Options that play, which the chord sheet refuses; options that only a headless play takes.
    const std::vector<const QCommandLineOption*> playing = {
        &headless, &device, &audioDriver, &wav, &period, &stats, &speed, &from, &to, &countIn};
    const std::vector<const QCommandLineOption*> headlessOnly = {&stats, &speed, &from, &to,
                                                                 &countIn};

    auto fail = [&result](std::string text) {
        result.action = ParsedCommandLine::Action::Error;
        result.text = std::move(text);
        return result;
    };
    std::vector<std::string> given;
    for (qsizetype i = 1; i < arguments.size(); ++i)
        given.push_back(Local(arguments[i]));
    const auto isChords = [](const std::string& a) { return OptionName(a) == "--chords"; };
    if (std::any_of(given.begin(), given.end(), isChords))
        return ParseChordSheetCommandLine(given, playing);
    // The chord sheet's own options make sense only with --chords.
    for (const std::string& argument : given) {
        const chordsheet::OptionSpec* option = chordsheet::FindOption(OptionName(argument));
        if (option != nullptr && option->name != "--log" && option->name != "--help")
            return fail(std::string(option->name) + " goes with --chords");
    }

    if (!parser.parse(arguments)) return fail(Local(parser.errorText()));
    if (parser.isSet(help)) {
        result.action = ParsedCommandLine::Action::Help;
        result.text = Local(parser.helpText().replace(QStringLiteral("<executable_name>"),
                                                      QStringLiteral("tabulon"))) +
                      "\nWith --chords FILE:\n" + chordsheet::OptionsHelp();
        return result;
    }
    if (parser.isSet(version)) {
        result.action = ParsedCommandLine::Action::Version;
        result.text = VersionText();
        return result;
    }

    const QStringList files = parser.positionalArguments();
    if (files.size() > 1) return fail("only one FILE can be opened");

    StartupOptions& options = result.options;
    options.files = files;
    options.headless = parser.isSet(headless);
    if (options.headless && files.isEmpty()) return fail("--headless needs a FILE to play");
    for (const QCommandLineOption* option : headlessOnly)
        if (parser.isSet(*option) && !options.headless)
            return fail(Names({option}) + " goes with --headless");
    if (parser.isSet(log)) {
        options.logFile = Local(parser.value(log));
        if (options.logFile.empty()) return fail("--log needs a file name");
    }
    if (parser.isSet(device)) {
        result.deviceText = Local(parser.value(device));
        if (result.deviceText.empty()) return fail("--device needs a number or a name");
    }
    if (parser.isSet(audioDriver)) {
        options.audioDriver = Local(parser.value(audioDriver));
        if (const std::string problem = AudioDriverProblem(options.audioDriver); !problem.empty())
            return fail("--audio-driver: " + problem);
    }
    if (parser.isSet(wav)) {
        result.wavFile = Local(parser.value(wav));
        if (result.wavFile.empty()) return fail("--wav needs a file name");
    }
    if (parser.isSet(period)) {
        const QString value = parser.value(period);
        if (value != QStringLiteral("1") && value != QStringLiteral("10"))
            return fail("--period takes 1 or 10 (milliseconds), not " + Local(value));
        options.timerPeriod = static_cast<uint16_t>(value.toUInt());
    }
    options.printLateness = parser.isSet(stats);
    if (parser.isSet(speed)) {
        bool isNumber = false;
        const double percent = parser.value(speed).toDouble(&isNumber);
        if (!isNumber || !(percent >= 25.0 && percent <= 200.0))
            return fail("--speed takes a percentage from 25 to 200, not " +
                        Local(parser.value(speed)));
        options.speedPercent = percent;
    }
    const auto bar = [&parser](const QCommandLineOption& option, uint32_t& out) {
        if (!parser.isSet(option)) return true;
        bool isNumber = false;
        const uint32_t value = parser.value(option).toUInt(&isNumber, 10);
        out = value;
        return isNumber && value >= 1;
    };
    if (!bar(from, options.fromBar))
        return fail("--from takes a bar number from 1, not " + Local(parser.value(from)));
    if (!bar(to, options.toBar))
        return fail("--to takes a bar number from 1, not " + Local(parser.value(to)));
    if (options.toBar != 0 && options.toBar < std::max<uint32_t>(options.fromBar, 1))
        return fail("--to " + std::to_string(options.toBar) + " comes before --from " +
                    std::to_string(options.fromBar));
    options.countIn = parser.isSet(countIn);
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

std::string AudioDriverProblem(const std::string& name) {
    const std::vector<std::string> drivers = midilib::SynthAudioDrivers();
    if (std::find(drivers.begin(), drivers.end(), name) != drivers.end()) return {};
    std::string known;
    for (const std::string& driver : drivers)
        known += (known.empty() ? "" : ", ") + driver;
    return "no audio driver \"" + name + "\" here; the built-in synth has " +
           (known.empty() ? std::string("none") : known);
}

std::string VersionText() {
    return std::string("Tabulon ") + kTabulonVersion + "\n" +
           Local(FormatLibraryVersion(GetMidiLibraryVersion())) + "\n";
}
