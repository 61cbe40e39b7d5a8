// The file object: writing tracks with the library's writer and reading them back.
#include <gtest/gtest.h>

#include <cstdio>
#include <deque>

#include "Misc/LogStream.h"
#include "midi/CMidiOut.h"
#include "midi/CMidiSMF.h"
#include "midi/CMidiSync.h"
#include "midi/CMidiTrack.h"
#include "midi/MidiTestSupport.h"

using namespace miditest;

namespace {

class CMidiSMFTest : public ::testing::Test {
  protected:
    void SetUp() override { UserSettings = UserSettingsRecord{}; }
    void TearDown() override {
        CloseLogStream();
        std::remove(path.c_str());
        std::remove(logPath.c_str());
    }

    // Writes one track per entry; tracks with a name get it as meta event 3.
    void WriteFile(const std::vector<std::vector<MidiEvent>>& songs,
                   const std::vector<const char*>& names, uint32_t format = 1) {
        std::deque<CMidiTrack> tracks;
        CMidiSMF file;
        ASSERT_EQ(file.Open(path.c_str(), 'w', format), 1);
        for (size_t i = 0; i < songs.size(); ++i) {
            tracks.emplace_back();
            Fill(tracks.back(), songs[i]);
            if (names[i]) tracks.back().SetName(names[i]);
            file.AddTrack(&tracks.back());
        }
        ASSERT_EQ(file.WriteAllTracks(), 1);
        file.Close();
    }

    // Opens `path` for reading into one new track per track of the file.
    void Load() {
        ASSERT_EQ(file.Open(path.c_str(), 'r', 1), 1) << file.GetErrorText();
        for (uint32_t i = 0; i < file.GetTrackCountInFile(); ++i) {
            tracks.emplace_back();
            file.AddTrack(&tracks.back());
        }
    }

    const std::string path = ScratchPath("file.mid");
    const std::string logPath = ScratchPath("file.log");
    std::deque<CMidiTrack> tracks;  // outlive the file object
    CMidiSMF file;
};

TEST_F(CMidiSMFTest, ReadsBackWhatWasWrittenAndLogsEveryTrack) {
    const std::vector<MidiEvent> lead = {At(0, 0x90, 60), At(240, 0x80, 60, 0), At(480, 0xB1, 7)};
    WriteFile({lead, {At(10, 0x99, 36)}}, {"Lead", nullptr});
    ASSERT_TRUE(OpenLogStream(logPath));
    Load();
    ASSERT_EQ(tracks.size(), 2u);
    EXPECT_EQ(file.ReadAllTracks(), 1);
    CloseLogStream();
    ASSERT_EQ(tracks[0].GetCount(), 3u);
    for (uint32_t i = 0; i < 3; ++i) {
        EXPECT_EQ(tracks[0].GetAbsoluteTime(i), lead[i].time);
        EXPECT_EQ(tracks[0].GetEvents()[i].MessageWord(), lead[i].MessageWord());
    }
    EXPECT_STREQ(tracks[0].GetName(), "Lead");
    EXPECT_EQ(tracks[1].GetName(), nullptr);
    EXPECT_EQ(ReadFile(logPath), "Track 0 (Lead), 3 events\nTrack 1 (no name), 1 events\n");
}

TEST_F(CMidiSMFTest, LongTracksReadBackWholeAndStayEditable) {
    // 8192 events fill a track's first storage block exactly, 8193 spill one event past it,
    // 20000 span several of the reader's chunks; every event has its own time and bytes.
    const std::vector<uint32_t> sizes = {8192, 8193, 20000};
    std::vector<std::vector<MidiEvent>> songs;
    for (const uint32_t size : sizes) {
        songs.emplace_back();
        for (uint32_t i = 0; i < size; ++i)
            songs.back().push_back(At(i * 3, kNoteOn, i % 128, static_cast<uint8_t>(1 + i % 127)));
    }
    songs.emplace_back();  // an empty track
    WriteFile(songs, {nullptr, nullptr, nullptr, nullptr});
    Load();
    ASSERT_EQ(tracks.size(), 4u);
    ASSERT_EQ(file.ReadAllTracks(), 1);
    for (size_t t = 0; t < sizes.size(); ++t) {
        SCOPED_TRACE(sizes[t]);
        CMidiTrack& track = tracks[t];
        ASSERT_EQ(track.GetCount(), sizes[t]);
        uint32_t n = sizes[t];
        const std::vector<MidiEvent> block = track.ReadBlock(0, n);
        ASSERT_EQ(n, sizes[t]);
        uint32_t wrong = 0;
        for (uint32_t i = 0; i < n; ++i)
            if (!(block[i] == songs[t][i])) ++wrong;
        EXPECT_EQ(wrong, 0u);

        // The room the reader left after the events holds no stray data.
        const std::vector<MidiEvent>& storage = track.GetEventStorage();
        ASSERT_GE(storage.size(), n);
        uint32_t stray = 0;
        for (size_t i = n; i < storage.size(); ++i)
            if (!(storage[i] == MidiEvent{})) ++stray;
        EXPECT_EQ(stray, 0u);

        // An event appended after reading goes last and every event read stays in place.
        ASSERT_TRUE(track.InsertEvent(At(5, 0x80, 1, 0), -1));
        EXPECT_EQ(track.GetCount(), n + 1);
        EXPECT_EQ(track.GetAbsoluteTime(n - 1), songs[t].back().time);
        EXPECT_EQ(track.GetAbsoluteTime(n), songs[t].back().time + 5);
    }
    EXPECT_EQ(file.ReadTrack(&tracks[3]), 0);  // an empty track reads as 0 events
    EXPECT_EQ(tracks[3].GetCount(), 0u);

    // Reading again replaces what the edits left.
    ASSERT_EQ(file.ReadAllTracks(), 1);
    for (size_t t = 0; t < sizes.size(); ++t)
        EXPECT_EQ(tracks[t].GetCount(), sizes[t]);
}

TEST_F(CMidiSMFTest, FileResolutionGoesToTheClockOfTheFirstTracksOutput) {
    WriteFile({{At(0, 0x90, 60)}}, {nullptr});
    CMidiSync clock;
    ASSERT_EQ(clock.Open(0, 10), 1);
    clock.SetResolution(96);
    Load();
    file.ReadAllTracks();
    EXPECT_EQ(clock.GetResolution(), 96);  // first track attached to no output
    CMidiOut out;
    out.SetSync(&clock);
    out.AddTrack(&tracks[0]);
    file.ReadAllTracks();
    EXPECT_EQ(clock.GetResolution(), file.GetResolution());
    EXPECT_NE(clock.GetResolution(), 96);
}

TEST_F(CMidiSMFTest, SecondTrackMakesTheFormatOne) {
    WriteFile({{At(0, 0x90, 60)}}, {nullptr}, 0);
    Load();
    EXPECT_EQ(file.GetFormat(), 0u);
    CMidiTrack second;
    file.AddTrack(&second);
    EXPECT_EQ(file.GetFormat(), 1u);
    EXPECT_EQ(file.RemoveTrack(&second), 1);
    EXPECT_EQ(second.owner, nullptr);
    EXPECT_EQ(file.RemoveTrack(&second), 0);
}

TEST_F(CMidiSMFTest, CallsInTheWrongModeOrForUnlistedTracksChangeNothing) {
    WriteFile({{At(0, 0x90, 60)}}, {"Solo"});
    Load();
    CMidiTrack stranger;
    std::vector<char> data;
    uint32_t length = 9;
    EXPECT_EQ(file.ReadTrack(&stranger), 0);
    EXPECT_EQ(file.ReadMeta(&stranger, 3, data, length), -1);
    EXPECT_EQ(length, 0u);
    EXPECT_EQ(file.WriteAllTracks(), 0);
    EXPECT_EQ(file.WriteTrack(&tracks[0]), 0);
    EXPECT_EQ(file.ReadMeta(&tracks[0], 3, data, length), 0);
    EXPECT_EQ(std::string(data.data()), "Solo");
    EXPECT_EQ(length, 4u);

    CMidiSMF writer;
    ASSERT_EQ(writer.Open(path.c_str(), 'w', 1), 1);
    EXPECT_EQ(writer.ReadAllTracks(), 0);  // empty list, wrong mode
    CMidiTrack written;
    writer.AddTrack(&written);
    EXPECT_EQ(writer.ReadAllTracks(), 0);
    EXPECT_EQ(writer.ReadMeta(&written, 3, data, length), -1);
}

TEST_F(CMidiSMFTest, WritesEveryEventAndReportsAFailedWrite) {
    {
        CMidiTrack track;
        Fill(track, {At(0, 0x90, 60), At(5, 0x90, 61), At(9, 0x90, 62)});
        track.GetNextEvent();
        track.GetNextEvent();  // a reader's cursor does not shorten what is written
        CMidiSMF writer;
        ASSERT_EQ(writer.Open(path.c_str(), 'w', 1), 1);
        writer.AddTrack(&track);
        EXPECT_EQ(writer.WriteAllTracks(), 1);
    }
    Load();
    file.ReadAllTracks();
    EXPECT_EQ(tracks[0].GetCount(), 3u);

    CMidiTrack track;
    CMidiSMF unwritable;
    ASSERT_EQ(unwritable.Open("/dev/full", 'w', 1), 1);  // every write fails
    unwritable.AddTrack(&track);
    EXPECT_EQ(unwritable.WriteAllTracks(), 0);
}

TEST_F(CMidiSMFTest, ClosingUnlinksTracksAndAFailedOpenReportsWhy) {
    WriteFile({{At(0, 0x90, 60)}}, {nullptr});
    Load();
    file.Close();
    EXPECT_EQ(file.GetNumTracks(), 0);
    EXPECT_EQ(tracks[0].owner, nullptr);
    EXPECT_EQ(file.GetTrackCountInFile(), 0u);

    EXPECT_EQ(file.Open("/nonexistent-dir/none.mid", 'r', 1), 0);
    EXPECT_STRNE(file.GetErrorText(), "");
    file.AddTrack(&tracks[0]);
    file.Close();  // closed: the list stays
    EXPECT_EQ(file.GetNumTracks(), 1);
    {
        CMidiSMF shortLived;
        shortLived.AddTrack(&tracks[0]);
    }
    EXPECT_EQ(tracks[0].owner, nullptr);  // no link to a destroyed file object is left
}

TEST_F(CMidiSMFTest, ReadsARealWorldFile) {
    CMidiSMF real(TABULON_TESTDATA_DIR "/jazzsoft-test-2-tracks-type-0.mid", 'r');
    ASSERT_EQ(real.IsOpen(), 1) << real.GetErrorText();
    ASSERT_GT(real.GetTrackCountInFile(), 0u);
    std::deque<CMidiTrack> realTracks(real.GetTrackCountInFile());
    for (CMidiTrack& t : realTracks)
        real.AddTrack(&t);
    EXPECT_EQ(real.ReadAllTracks(), 1);
    EXPECT_GT(realTracks[0].GetCount(), 0u);
    real.Close();
}

TEST_F(CMidiSMFTest, TimeAndKeySignaturesComeWithTheirTicksInSongOrder) {
    {
        uint32_t format = 1, count = 0;
        const uint32_t h = OpenSMF(path.c_str(), &format, 'w', &count);
        ASSERT_NE(h, 0u);
        const uint8_t threeFour[] = {3, 2, 24, 8}, sixEight[] = {6, 3, 36, 8};
        const uint8_t cMinor[] = {0xFD, 1}, cutShort[] = {2, 2};
        const MidiEvent first = At(0, 0x90, 60), later = At(960, 0x80, 60, 0);
        WriteSMF(h, 0, &first, 1);
        WriteMetaEvent(h, 0, midi::kTimeSignatureMeta, threeFour, 4);
        WriteSMF(h, 0, &later, 1);
        WriteMetaEvent(h, 0, midi::kTimeSignatureMeta, sixEight, 4);
        const MidiEvent bass = At(480, 0x91, 36);
        WriteSMF(h, 1, &bass, 1);
        WriteMetaEvent(h, 1, midi::kKeySignatureMeta, cMinor, 2);
        WriteMetaEvent(h, 1, midi::kTimeSignatureMeta, cutShort, 2);
        ASSERT_EQ(CloseSMF(h), 0);
    }
    EXPECT_TRUE(file.GetSongMetaEvents(midi::kTimeSignatureMeta).empty()) << "closed";
    Load();
    const auto times = file.GetSongMetaEvents(midi::kTimeSignatureMeta);
    ASSERT_EQ(times.size(), 3u);
    EXPECT_EQ(std::vector<uint32_t>({times[0].time, times[1].time, times[2].time}),
              std::vector<uint32_t>({0, 480, 960}));
    EXPECT_EQ(times[1].track, 1u);
    const auto threeFour = midi::TimeSignatureOf(times[0]);
    ASSERT_TRUE(threeFour);
    EXPECT_EQ(threeFour->numerator, 3);
    EXPECT_EQ(threeFour->denominator, 4u);
    EXPECT_FALSE(midi::TimeSignatureOf(times[1])) << "two bytes are not a time signature";
    EXPECT_EQ(midi::TimeSignatureOf(times[2])->denominator, 8u);

    const auto keys = file.GetSongMetaEvents(midi::kKeySignatureMeta);
    ASSERT_EQ(keys.size(), 1u);
    const auto key = midi::KeySignatureOf(keys[0]);
    ASSERT_TRUE(key);
    EXPECT_EQ(key->time, 480u);
    EXPECT_EQ(key->sharps, -3);
    EXPECT_TRUE(key->minor);
    EXPECT_FALSE(midi::KeySignatureOf(times[0])) << "not a key signature";
}

}  // namespace
