// The command line: parsing, device names, and the built program end to end in headless mode.
#include <QProcess>
#include <QProcessEnvironment>
#include <algorithm>
#include <sstream>

#include "AppTestSupport.h"
#include "app/CommandLine.h"

using namespace apptest;

namespace {

ParsedCommandLine Parse(QStringList arguments) {
    arguments.prepend("tabulon");
    return ParseCommandLine(arguments);
}

TEST(CommandLineParse, OptionsReachTheStartupOptions) {
    const ParsedCommandLine c =
        Parse({"--headless", "--log", "/tmp/x.log", "--device", "null", "--wav", "o.wav", "s.mid"});
    ASSERT_EQ(c.action, ParsedCommandLine::Action::RunWindow) << c.text;
    EXPECT_TRUE(c.options.headless);
    EXPECT_EQ(c.options.logFile, "/tmp/x.log");
    EXPECT_EQ(c.deviceText, "null");
    EXPECT_EQ(c.wavFile, "o.wav");
    EXPECT_EQ(c.options.files, QStringList{"s.mid"});
    EXPECT_EQ(Parse({"--period", "1"}).options.timerPeriod, 1);
    EXPECT_EQ(Parse({"--period", "10"}).options.timerPeriod, 10);
    EXPECT_EQ(Parse({"--audio-driver", "alsa"}).options.audioDriver, "alsa");
    EXPECT_EQ(Parse({}).action, ParsedCommandLine::Action::RunWindow);
    EXPECT_EQ(Parse({"--help"}).action, ParsedCommandLine::Action::Help);
    EXPECT_EQ(Parse({"--version"}).action, ParsedCommandLine::Action::Version);
    EXPECT_NE(Parse({"--version"}).text.find("MIDI Library V"), std::string::npos);
}

TEST(CommandLineParse, ChordSheetOptionsAreReadByTheChordSheetsParser) {
    const ParsedCommandLine c = Parse({"--channels", "1,2", "--chords", "s.mid", "--transpose=-3",
                                       "--transpose-tracks", "0", "--log", "x.log"});
    ASSERT_EQ(c.action, ParsedCommandLine::Action::Chords) << c.text;
    EXPECT_EQ(c.chordSheet.files, (std::vector<std::string>{"s.mid"}));
    EXPECT_EQ(c.chordSheet.channels, (std::vector<int>{1, 2}));
    EXPECT_EQ(c.chordSheet.transpose, -3);
    EXPECT_EQ(c.chordSheet.logFile, "x.log");
    EXPECT_EQ(Parse({"--chords=s.mid", "--guitar", "--min-chord", "off"}).chordSheet.files,
              (std::vector<std::string>{"s.mid"}));
    // The same mistake gets the same reason from both programs.
    const ParsedCommandLine bad = Parse({"--chords", "s.mid", "--tracks", "200"});
    ASSERT_EQ(bad.action, ParsedCommandLine::Action::Error);
    EXPECT_NE(bad.text.find("bad value '200' for --tracks"), std::string::npos) << bad.text;
    const ParsedCommandLine help = Parse({"--help"});
    EXPECT_NE(help.text.find("--transpose-tracks"), std::string::npos) << help.text;
}

TEST(CommandLineParse, MistakesAreRefusedNotGuessed) {
    for (const QStringList& bad :
         {QStringList{"--no-such-option"}, QStringList{"a.mid", "b.mid"}, QStringList{"--headless"},
          QStringList{"--log"}, QStringList{"--channels", "1", "a.mid"},
          QStringList{"--chords", "a.mid", "b.mid"}, QStringList{"--chords", "a.mid", "--headless"},
          QStringList{"--period", "0"}, QStringList{"--period", "2"}, QStringList{"--period", "11"},
          QStringList{"--period", "-1"}, QStringList{"--period", "1.0"},
          QStringList{"--period", "010"}, QStringList{"--period="},
          QStringList{"--audio-driver", "file"}, QStringList{"--audio-driver", "nonsense"},
          QStringList{"--chords", "a.mid", "--audio-driver", "alsa"}}) {
        const ParsedCommandLine c = Parse(bad);
        EXPECT_EQ(c.action, ParsedCommandLine::Action::Error) << bad.join(' ').toStdString();
        EXPECT_FALSE(c.text.empty());
    }
}

TEST(CommandLineParse, AnUnknownAudioDriverIsRefusedWithTheDriversThereAre) {
    const ParsedCommandLine c = Parse({"--audio-driver", "nonsense"});
    ASSERT_EQ(c.action, ParsedCommandLine::Action::Error);
    EXPECT_NE(c.text.find("\"nonsense\""), std::string::npos) << c.text;
    EXPECT_NE(c.text.find("alsa"), std::string::npos) << c.text;
}

TEST(CommandLineDevice, NumbersMustExistAndTextMatchesDescriptions) {
    midilib::SetTestOutputDevices(
        {Device("Port A"), Device("Null Output"), Device("Tabulon Synth")});
    std::string error;
    EXPECT_EQ(ResolveOutputDevice("2", error), 2);
    EXPECT_EQ(ResolveOutputDevice("synth", error), 2) << "any case";
    EXPECT_EQ(ResolveOutputDevice("null", error), 1);
    EXPECT_EQ(ResolveOutputDevice("Port", error), 0);
    for (const char* bad : {"3", "-1", "99999999999", "Piano"}) {
        error.clear();
        EXPECT_FALSE(ResolveOutputDevice(bad, error)) << bad;
        EXPECT_FALSE(error.empty()) << bad;
    }
    midilib::SetTestOutputDevices({});
}

// The built program, run as a user would.
class TabulonProgram : public ::testing::Test {
  protected:
    struct Result {
        int exitCode = -1;
        std::string out, err;
    };
    Result Run(const QStringList& arguments, int timeoutMs = 60000) {
        const QString program = TABULON_BINARY_DIR "/src/tabulon";
        EXPECT_TRUE(std::filesystem::exists(program.toStdString())) << "build the tabulon target";
        QProcess process;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("XDG_CONFIG_HOME", QString::fromStdString(Scratch("program-profile").string()));
        const auto runtime = Scratch("program-runtime");
        std::filesystem::permissions(runtime, std::filesystem::perms::owner_all);
        env.insert("XDG_RUNTIME_DIR", QString::fromStdString(runtime.string()));
        process.setProcessEnvironment(env);
        process.start(program, arguments);
        Result result;
        if (!process.waitForFinished(timeoutMs)) {
            process.kill();
            process.waitForFinished();
            ADD_FAILURE() << "timed out: " << arguments.join(' ').toStdString();
            return result;
        }
        result.exitCode = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
        result.out = process.readAllStandardOutput().toStdString();
        result.err = process.readAllStandardError().toStdString();
        return result;
    }
};

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);)
        lines.push_back(line);
    return lines;
}

TEST_F(TabulonProgram, HeadlessPlayWritesTheLogSectionsInOrder) {
    const auto folder = Scratch("headless");
    const std::string song = DemoSong("demo-tempo-change.mid");
    ASSERT_TRUE(std::filesystem::exists(song)) << "build the demo_songs target";
    const std::string log = (folder / "log.txt").string();
    const Result r = Run({"--headless", "--device", "null", "--log", QString::fromStdString(log),
                          QString::fromStdString(song)});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    const std::vector<char> bytes = ReadBytes(log);
    const std::vector<std::string> lines = Lines(std::string(bytes.begin(), bytes.end()));
    ASSERT_GT(lines.size(), 20u);

    auto find = [&lines](const std::string& text, size_t from = 0) {
        for (size_t i = from; i < lines.size(); ++i)
            if (lines[i] == text) return i;
        return lines.size();
    };
    // The clock opens first, then the file is read, then Play writes its header and lists.
    EXPECT_EQ(lines[0].rfind("line 77, file ", 0), 0u) << lines[0];
    EXPECT_EQ(lines[1], "file contains 4 tracks");
    EXPECT_EQ(lines[2].rfind("Track 0 (", 0), 0u) << lines[2];
    const size_t header = find("Midi File: " + song);
    ASSERT_LT(header, lines.size());
    EXPECT_EQ(lines[header + 2], "Midi File contains 4 tracks");
    const size_t channels = find("the following midi channels are being monitored: ", header);
    ASSERT_LT(channels, lines.size());
    for (int c = 1; c <= 16; ++c)
        EXPECT_EQ(lines[channels + c], "\t" + std::to_string(c));
    const size_t monitored =
        find("The following lists each event that is being monitored:", header);
    const size_t chords = find("The following lists each chord that is recognized:", monitored);
    const size_t sent =
        find("The following lists each event as it is sent to the MIDI interface:", chords);
    ASSERT_LT(monitored, chords);
    ASSERT_LT(chords, sent);
    ASSERT_LT(sent, lines.size());
    EXPECT_EQ(lines[chords + 1].rfind("time=20, E  major", 0), 0u)
        << "the strummed E major is complete at tick 20: " << lines[chords + 1];

    // Sent events: numbered from 1 without gaps, their running time never going back.
    int expected = 1;
    long lastSum = -1;
    int beats = 0;
    for (size_t i = sent + 1; i < lines.size(); ++i) {
        if (lines[i].rfind("Beat = ", 0) == 0) {
            ++beats;
            continue;
        }
        const size_t colon = lines[i].find(": Event ");
        ASSERT_NE(colon, std::string::npos) << lines[i];
        const long sum = std::stol(lines[i].substr(0, colon));
        const int number = std::stoi(lines[i].substr(colon + 8));
        EXPECT_EQ(number, expected++) << lines[i];
        EXPECT_GE(sum, lastSum) << lines[i];
        lastSum = sum;
    }
    EXPECT_GT(expected, 200) << "every event of the song was sent";
    EXPECT_GT(beats, 10) << "the beats were drawn and logged";
}

TEST_F(TabulonProgram, UnreadableFilesAndBadValuesExitWithStatusTwo) {
    const auto folder = Scratch("bad-input");
    const std::string garbage = (folder / "garbage.mid").string();
    std::ofstream(garbage) << "garbage";
    for (const QStringList& args :
         {QStringList{"--headless", "--device", "null", QString::fromStdString(garbage)},
          QStringList{"--headless", "--device", "null", "/nonexistent/song.mid"},
          QStringList{"--chords", QString::fromStdString(garbage)},
          QStringList{"--headless", "--device", "999", QString::fromStdString(garbage)},
          QStringList{"--bogus"}}) {
        const Result r = Run(args);
        EXPECT_EQ(r.exitCode, 2) << args.join(' ').toStdString();
        EXPECT_FALSE(r.err.empty()) << args.join(' ').toStdString();
        EXPECT_EQ(std::count(r.err.begin(), r.err.end(), '\n') >= 1, true);
    }
    const Result unreadable = Run({"--headless", "--device", "null", "/nonexistent/song.mid"});
    EXPECT_EQ(Lines(unreadable.err).size(), 1u) << unreadable.err;

    // A run that ends early still closes and checks its log: a log that lost lines is reported.
    if (std::filesystem::exists("/dev/full")) {
        const Result lost = Run({"--headless", "--device", "null", "--log", "/dev/full",
                                 QString::fromStdString(garbage)});
        EXPECT_EQ(lost.exitCode, 2);
        EXPECT_NE(lost.err.find("writing the log file /dev/full failed"), std::string::npos)
            << lost.err;
    }
}

TEST_F(TabulonProgram, ChordSheetPrintsTheTimeline) {
    const Result r = Run({"--chords", QString::fromStdString(DemoSong("demo-progression.mid"))});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    const auto lines = Lines(r.out);
    ASSERT_FALSE(lines.empty());
    EXPECT_EQ(lines[0], "20\tC\t\tmajor");
}

TEST_F(TabulonProgram, TerminationClosesTheLogNormally) {
    const auto folder = Scratch("sigterm");
    const std::string log = (folder / "log.txt").string();
    QProcess process;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("XDG_CONFIG_HOME", QString::fromStdString(folder.string()));
    process.setProcessEnvironment(env);
    process.start(TABULON_BINARY_DIR "/src/tabulon",
                  {"--headless", "--device", "null", "--log", QString::fromStdString(log),
                   QString::fromStdString(DemoSong("demo-progression.mid"))});
    ASSERT_TRUE(process.waitForStarted());
    // Wait until playback has sent events, then ask it to stop.
    ASSERT_TRUE(QTest::qWaitFor(
        [&] { return ReadBytes(log).size() > 0 || process.state() == QProcess::NotRunning; },
        10000));
    QTest::qWait(500);
    process.terminate();
    ASSERT_TRUE(process.waitForFinished(10000));
    EXPECT_EQ(process.exitStatus(), QProcess::NormalExit)
        << "SIGTERM ends the loop, not the process";
    EXPECT_EQ(process.exitCode(), 128 + 15);
    const std::vector<char> bytes = ReadBytes(log);
    const std::string text(bytes.begin(), bytes.end());
    EXPECT_NE(text.find("The following lists each event as it is sent"), std::string::npos);
    EXPECT_EQ(text.back(), '\n') << "the last line was written out whole";
}

}  // namespace
