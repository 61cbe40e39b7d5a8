// The document's open / new cycle with real files, broken files, many tracks and long paths,
// and the Save commands that must never touch the opened file.
#include <QKeyEvent>
#include <QTest>

#include "AppTestSupport.h"
#include "Misc/ChordAnalysis.h"
#include "Misc/LogStream.h"
#include "Misc/notelist.h"
#include "res/Resource.h"

using namespace apptest;

namespace {

class DocumentTest : public AppFixture {};

TEST_F(DocumentTest, RealFilesLoadAndNewEmptiesTheDocument) {
    const std::string files[] = {TestDataFile("jazzsoft-test-multichannel-chords-1.mid"),
                                 TestDataFile("jazzsoft-test-karaoke-kar.mid"),
                                 TestDataFile("jazzsoft-test-2-tracks-type-0.mid"),
                                 DemoSong("demo-progression.mid")};
    for (const std::string& file : files) {
        ASSERT_TRUE(std::filesystem::exists(file)) << file << " (build the demo_songs target)";
        ASSERT_TRUE(Open(file)) << file;
        EXPECT_TRUE(doc->LastOpenSucceeded()) << file;
        EXPECT_GT(doc->GetTrackCount(), 0) << file;
        EXPECT_EQ(UserSettings.trackCount, doc->GetTrackCount());
        EXPECT_EQ(UserSettings.trackNames.lock().get(), &doc->GetSMF());
        EXPECT_EQ(UserSettings.loadedFilePath, file);
        EXPECT_TRUE(doc->HasEvents()) << file;
        EXPECT_EQ(view->output.GetNumTracks(), doc->GetTrackCount()) << "every track is attached";
        EXPECT_TRUE(Enabled(ID_PLAY_START)) << file;
        EXPECT_TRUE(boxes.Boxes().empty()) << boxes.LastText().toStdString();
    }
    EXPECT_EQ(frame->clock.GetResolution(), 480) << "the demo songs have 480 ticks per beat";
    EXPECT_EQ(doc->GetTitle(), "demo-progression.mid");

    ASSERT_TRUE(Command(ID_FILE_NEW));
    EXPECT_EQ(doc->GetTrackCount(), 0);
    EXPECT_EQ(UserSettings.trackCount, 0);
    EXPECT_EQ(view->output.GetNumTracks(), 0) << "the old tracks left the output";
    EXPECT_FALSE(Enabled(ID_PLAY_START));
    EXPECT_FALSE(Enabled(ID_FILE_SAVE));
    EXPECT_EQ(frame->clock.GetResolution(), 480);
    EXPECT_EQ(frame->clock.GetTempo(), 500000u);
}

TEST_F(DocumentTest, OpeningResetsTheSelectionsButKeepsTheLogSettings) {
    UserSettings.monitoredChannels[3] = 0;
    UserSettings.monitoredTracks[1] = 0;
    UserSettings.transposedTracks[2] = 1;
    UserSettings.transposeAmount = 5;
    UserSettings.mutedTracks[0] = 1;
    UserSettings.logChords = 1;
    ASSERT_TRUE(Open(DemoSong("demo-blues.mid")));
    EXPECT_EQ(UserSettings.monitoredChannels[3], 1);
    EXPECT_EQ(UserSettings.monitoredTracks[1], 1);
    EXPECT_EQ(UserSettings.transposedTracks[2], 0);
    EXPECT_EQ(UserSettings.transposeAmount, 0);
    EXPECT_EQ(UserSettings.mutedTracks[0], 0);
    EXPECT_EQ(UserSettings.logChords, 1);
}

TEST_F(DocumentTest, TrackCountLineIsLoggedWhenAsked) {
    const auto folder = Scratch("track-count-log");
    ASSERT_TRUE(OpenLogStream((folder / "log.txt").string()));
    UserSettings.logTrackInfo = 1;
    ASSERT_TRUE(Open(DemoSong("demo-progression.mid")));
    CloseLogStream();
    const std::vector<char> bytes = ReadBytes(folder / "log.txt");
    const std::string log(bytes.begin(), bytes.end());
    EXPECT_EQ(log.rfind("file contains 4 tracks\n", 0), 0u) << log;
}

TEST_F(DocumentTest, AFileThatCannotBeOpenedEndsEmptyAndTheUserIsToldWhy) {
    ASSERT_TRUE(Open(DemoSong("demo-progression.mid")));
    const auto folder = Scratch("unreadable");
    const std::string garbage = (folder / "not-a-song.mid").string();
    std::ofstream(garbage) << "this is not a MIDI file";
    const std::string cases[] = {garbage, (folder / "missing.mid").string()};
    for (const std::string& file : cases) {
        const size_t before = boxes.Boxes().size();
        ASSERT_TRUE(Open(file)) << "the open itself never fails";
        EXPECT_FALSE(doc->LastOpenSucceeded());
        EXPECT_EQ(doc->GetTrackCount(), 0);
        EXPECT_EQ(view->output.GetNumTracks(), 0);
        EXPECT_FALSE(Enabled(ID_PLAY_START));
        ASSERT_EQ(boxes.Boxes().size(), before + 1) << file;
        const framework::MessageBoxRequest& box = boxes.Boxes().back();
        EXPECT_TRUE(box.text.startsWith("Cannot open ")) << box.text.toStdString();
        EXPECT_GT(box.text.size(), QString("Cannot open x: ").size() + 3) << "a reason is given";
        EXPECT_EQ(box.type & MB_ICONMASK, MB_ICONERROR);
    }
    // The program goes on: a good file opens and plays after the failures.
    ASSERT_TRUE(Open(DemoSong("demo-blues.mid")));
    EXPECT_TRUE(doc->LastOpenSucceeded());
    EXPECT_TRUE(Enabled(ID_PLAY_START));
}

// The display must never show another song's chords: opening finds the new song's chords at
// once (without writing the log, whose sections belong to Play), New and a failed open clear them.
TEST_F(DocumentTest, OpeningFindsTheNewSongsChordsAndNewOrAFailedOpenClearsThem) {
    const auto folder = Scratch("chords-on-open");
    WriteShortSong(folder / "short.mid");  // C major at 0, A minor at 96
    // G major struck and never released.
    WriteSmf(folder / "hanging.mid",
             {TrackChunk({0x00, 0x90, 55, 90, 0x00, 0x90, 59, 90, 0x00, 0x90, 62, 90})});
    std::ofstream(folder / "garbage.mid") << "not a song";
    ASSERT_TRUE(OpenLogStream((folder / "log.txt").string()));
    UserSettings.loggingEnabled = UserSettings.logNotes = UserSettings.logChords = 1;
    UserSettings.logMidiEvents = 1;
    auto timeline = [] {
        std::vector<std::pair<uint32_t, int>> entries;
        for (const ChordEvent& e : chordTimeline)
            entries.emplace_back(e.time, e.chord.Value());
        return entries;
    };
    using Entries = std::vector<std::pair<uint32_t, int>>;

    ASSERT_TRUE(Open((folder / "short.mid").string()));
    EXPECT_EQ(timeline(), (Entries{{0, 0x091}, {96, 0x211}}));
    ASSERT_TRUE(Open((folder / "hanging.mid").string()));
    EXPECT_EQ(timeline(), (Entries{{0, 0x884}}));
    EXPECT_EQ(soundingNotes.Size(), 0u) << "a file change leaves no note sounding";
    ASSERT_TRUE(Open((folder / "garbage.mid").string()));
    EXPECT_TRUE(chordTimeline.IsEmpty());
    ASSERT_TRUE(Open((folder / "short.mid").string()));
    ASSERT_TRUE(Command(ID_FILE_NEW));
    EXPECT_TRUE(chordTimeline.IsEmpty());
    EXPECT_EQ(UserSettings.logChords, 1) << "the log flags are back as they were";
    CloseLogStream();
    const std::vector<char> bytes = ReadBytes(folder / "log.txt");
    const std::string log(bytes.begin(), bytes.end());
    EXPECT_EQ(log,
              "Track 0 (no name), 13 events\nTrack 0 (no name), 3 events\n"
              "Track 0 (no name), 13 events\n")
        << "only the load lines: the analysis sections belong to Play";
}

TEST_F(DocumentTest, ABrokenTrackKeepsTheValidPartAndWarns) {
    for (const char* name : {"jazzsoft-test-corrupt-file-missing-byte.mid",
                             "jazzsoft-test-corrupt-file-extra-byte.mid"}) {
        const size_t before = boxes.Boxes().size();
        ASSERT_TRUE(Open(TestDataFile(name)));
        if (!doc->LastOpenSucceeded()) {
            // Refused as a whole: then the user was told so.
            ASSERT_EQ(boxes.Boxes().size(), before + 1) << name;
            continue;
        }
        if (!doc->GetSMF().GetErrorText()[0]) continue;  // the reader found nothing wrong
        ASSERT_EQ(boxes.Boxes().size(), before + 1) << name;
        EXPECT_EQ(boxes.Boxes().back().type & MB_ICONMASK, MB_ICONWARNING);
        EXPECT_TRUE(
            boxes.LastText().contains(QString::fromLocal8Bit(doc->GetSMF().GetErrorText())));
    }
    // A track cut short inside an event: the events before the cut are kept.
    const auto folder = Scratch("broken-track");
    std::vector<uint8_t> track = TrackChunk({0x00, 0x90, 60, 90, 0x60, 0x80, 60, 0});
    track.resize(track.size() - 6);  // cut inside the note-off, before End of Track
    WriteSmf(folder / "cut.mid", {TrackChunk({0x00, 0x90, 64, 90, 0x60, 0x80, 64, 0}), track});
    const size_t before = boxes.Boxes().size();
    ASSERT_TRUE(Open((folder / "cut.mid").string()));
    if (doc->LastOpenSucceeded()) {
        EXPECT_TRUE(doc->HasEvents());
        EXPECT_GE(boxes.Boxes().size(), before + 1) << "the damage is reported";
    } else {
        EXPECT_EQ(boxes.Boxes().size(), before + 1);
    }
}

TEST_F(DocumentTest, SaveIsNeverOfferedAndCtrlSLeavesTheFileByteIdentical) {
    const auto folder = Scratch("save");
    const auto song = folder / "song.mid";
    std::filesystem::copy_file(DemoSong("demo-progression.mid"), song);
    const std::vector<char> original = ReadBytes(song);
    ASSERT_TRUE(Open(song.string()));
    EXPECT_FALSE(Enabled(ID_FILE_SAVE));
    EXPECT_FALSE(Enabled(ID_FILE_SAVE_AS));
    EXPECT_FALSE(Command(ID_FILE_SAVE));

    frame->show();
    frame->activateWindow();
    QTest::keyClick(frame, Qt::Key_S, Qt::ControlModifier);
    QTest::qWait(20);
    EXPECT_EQ(ReadBytes(song), original);
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(folder),
                            std::filesystem::directory_iterator()),
              1)
        << "no other file was made";
}

TEST_F(DocumentTest, TracksBeyondTheSettingsArraysPlayWithoutTouchingThem) {
    const auto folder = Scratch("many-tracks");
    std::vector<std::vector<uint8_t>> tracks;
    for (int i = 0; i < 205; ++i)
        tracks.push_back(TrackChunk(
            {0x00, 0x90, uint8_t(48 + i % 24), 80, 0x30, 0x80, uint8_t(48 + i % 24), 0}));
    WriteSmf(folder / "many.mid", tracks);
    ASSERT_TRUE(Open((folder / "many.mid").string()));
    ASSERT_EQ(doc->GetTrackCount(), 205);
    UserSettings.mutedTracks[199] = 1;
    ASSERT_TRUE(Command(ID_PLAY_START)) << "the analysis and the merge run over all 205 tracks";
    ASSERT_TRUE(QTest::qWaitFor([this] { return !Running(); }, 10000));
}

TEST_F(DocumentTest, PathsOfAnyLengthAreKeptWhole) {
    auto folder = Scratch("long-path");
    for (int i = 0; i < 6; ++i)
        folder /= std::string(100, char('a' + i));
    std::filesystem::create_directories(folder);
    const auto song = folder / "song.mid";
    std::filesystem::copy_file(DemoSong("demo-blues.mid"), song);
    ASSERT_GT(song.string().size(), 600u);
    ASSERT_TRUE(Open(song.string()));
    EXPECT_TRUE(doc->LastOpenSucceeded());
    EXPECT_EQ(UserSettings.loadedFilePath, song.string());
    EXPECT_TRUE(doc->HasEvents());
}

}  // namespace
