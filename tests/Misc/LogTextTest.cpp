#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <iomanip>
#include <iterator>
#include <sstream>

#include "Misc/LogStream.h"
#include "Misc/LogText.h"

namespace {

uint32_t Message(uint8_t status, uint8_t data1, uint8_t data2, uint8_t data3 = 0) {
    return uint32_t{status} | (uint32_t{data1} << 8) | (uint32_t{data2} << 16) |
           (uint32_t{data3} << 24);
}

std::string EventText(uint32_t time, uint32_t message) {
    std::ostringstream out;
    WriteEventText(out, time, message);
    return out.str();
}

std::string FileText(const std::string& path) {
    std::ifstream in(path);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

UserSettingsRecord FreshSettings(const std::string& path) {
    UserSettingsRecord settings;
    settings.ResetTrackSettings();
    settings.loadedFilePath = path;
    return settings;
}

std::string Header(const UserSettingsRecord& settings,
                   const std::vector<std::optional<std::string>>& names) {
    std::ostringstream out;
    WriteFileHeaderSection(out, settings, names);
    return out.str();
}

const std::string kAllChannels =
    "\nthe following midi channels are being monitored: \n"
    "\t1\n\t2\n\t3\n\t4\n\t5\n\t6\n\t7\n\t8\n\t9\n\t10\n\t11\n\t12\n\t13\n\t14\n\t15\n\t16\n";

}  // namespace

TEST(EventText, ChannelMessagesNameTheirKindNoteAndChannelFromZero) {
    EXPECT_EQ(EventText(480, Message(0x90, 60, 100)),
              "time=00000480, message=0x90(3c,64,00): Note On (C), channel 0");
    EXPECT_EQ(EventText(7, Message(0x99, 61, 0)),
              "time=00000007, message=0x99(3d,00,00): Note Off (C#), channel 9");
    EXPECT_EQ(EventText(12345678, Message(0x8F, 71, 0x40)),
              "time=12345678, message=0x8f(47,40,00): Note Off (B), channel 15");
    EXPECT_EQ(EventText(0, Message(0xA2, 0x7F, 0x10)),
              "time=00000000, message=0xa2(7f,10,00): Key Aftertouch, channel 2");
    EXPECT_EQ(EventText(0, Message(0xB3, 0x7B, 0x00)),
              "time=00000000, message=0xb3(7b,00,00): Control Change, channel 3");
    EXPECT_EQ(EventText(0, Message(0xC4, 0x19, 0)),
              "time=00000000, message=0xc4(19,00,00): Program Change, channel 4");
    EXPECT_EQ(EventText(0, Message(0xDA, 0x05, 0)),
              "time=00000000, message=0xda(05,00,00): Channel Aftertouch, channel 10");
    EXPECT_EQ(EventText(0, Message(0xEE, 0x00, 0x40)),
              "time=00000000, message=0xee(00,40,00): Pitch Bend, channel 14");
}

TEST(EventText, OtherStatusesHaveNoDescriptionExceptAllNotesOff) {
    EXPECT_EQ(EventText(96, Message(0xFF, 0x07, 0xA1, 0x20)),
              "time=00000096, message=0xff(07,a1,20): ");
    EXPECT_EQ(EventText(0, Message(0xF0, 0xF7, 0x01)), "time=00000000, message=0xf0(f7,01,00): ");
    EXPECT_EQ(EventText(0, Message(0x7B, 0, 0)),
              "time=00000000, message=0x7b(00,00,00): All Notes Off");
    EXPECT_EQ(EventText(0, Message(0x7A, 0, 0)), "time=00000000, message=0x7a(00,00,00): ");
}

TEST(EventText, LongTimesTakeMoreDigitsAndTheStreamEndsDecimalWithSpaceFill) {
    EXPECT_EQ(EventText(100000000, Message(0xFF, 0, 0)),
              "time=100000000, message=0xff(00,00,00): ");
    EXPECT_EQ(EventText(4294967295u, Message(0xFF, 0, 0)),
              "time=4294967295, message=0xff(00,00,00): ");

    std::ostringstream out;
    out << std::hex << std::setfill('0') << std::uppercase;
    WriteEventText(out, 0xAB, Message(0xBC, 0xDE, 0xF1));
    out << "|" << std::setw(5) << 255;
    EXPECT_EQ(out.str(), "time=00000171, message=0xbc(de,f1,00): Control Change, channel 12|  255");
}

TEST(LogLines, LoadClockAndPlaybackLines) {
    std::ostringstream out;
    WriteClockOpenedLine(out, "src/midi/CMidiSync.cpp", 4096);
    WriteFileTrackCountLine(out, 3);
    WriteTrackReadLine(out, 0, "Piano", 1234);
    WriteTrackReadLine(out, 1, nullptr, 0);
    WriteMonitoredEventLine(out, 12, 480, Message(0x90, 64, 80));
    WriteSentEventLine(out, 0, 1, 0, Message(0xC0, 0x18, 0));
    WriteSentEventLine(out, 4294967295u, 2, 4294967295u, Message(0x80, 64, 0));
    WriteBeatLine(out, 7, 3360);
    EXPECT_EQ(out.str(),
              "line 77, file src/midi/CMidiSync.cpp, hDevice is 4096, MIDIERR_MAXERR is 32\n"
              "file contains 3 tracks\n"
              "Track 0 (Piano), 1234 events\n"
              "Track 1 (no name), 0 events\n"
              "event # 12, time=00000480, message=0x90(40,50,00): Note On (E), channel 0\n"
              "0: Event 1 sent: time=00000000, message=0xc0(18,00,00): Program Change, channel 0\n"
              "4294967295: Event 2 sent: time=4294967295, message=0x80(40,00,00): Note Off (E), "
              "channel 0\n"
              "Beat = 7, Position = 3360\n");
}

TEST(LogLines, HeadingsAndChordEntries) {
    const std::string stars(73, '*');
    std::ostringstream out;
    WriteMonitoredEventsHeading(out);
    WriteRecognizedChordsHeading(out);
    WriteChordEntryLine(out, 0, "C", "", "major");
    WriteChordEntryLine(out, 4294967295u, "F#", "m7", "minor seventh");
    WriteChordEntryLine(out, 5, "D", nullptr, nullptr);
    WriteSentEventsHeading(out);
    EXPECT_EQ(out.str(),
              "\n" + stars + "\n\nThe following lists each event that is being monitored:\n" +
                  "\n" + stars + "\n\nThe following lists each chord that is recognized:\n" +
                  "time=0, C  major\n"
                  "time=4294967295, F# m7 minor seventh\n"
                  "time=5, D\n"
                  "\n" +
                  stars +
                  "\n\nThe following lists each event as it is sent to the MIDI interface:\n");
}

TEST(FileHeader, ListsChannelsFromOneAndTracksWithNamesOrNoName) {
    const auto settings = FreshSettings("/home/user/song.mid");
    EXPECT_EQ(Header(settings, {"Piano", std::nullopt, "Guitar"}),
              "\nMidi File: /home/user/song.mid\n"
              "\nMidi File contains 3 tracks\n" +
                  kAllChannels +
                  "\nthe following tracks are being monitored: \n"
                  "\t1 Piano\n\tNO NAME\n\t3 Guitar\n");
}

TEST(FileHeader, NothingMonitoredGivesBothWarnings) {
    auto settings = FreshSettings("a.mid");
    settings.monitoredChannels.fill(0);
    settings.monitoredTracks.fill(0);
    EXPECT_EQ(Header(settings, {"Bass"}),
              "\nMidi File: a.mid\n"
              "\nMidi File contains 1 tracks\n"
              "\nthe following midi channels are being monitored: \n"
              "\tWARNING: NO CHANNELS ARE BEING MONITORED\n\tNo chords will be recognized!\n\n"
              "\nthe following tracks are being monitored: \n"
              "\tWARNING: NO TRACKS ARE BEING MONITORED\n\tNo chords will be recognized!\n\n");
}

TEST(FileHeader, NoFileLoadedNamesTheEmptyPathAndWarnsAboutTracks) {
    auto settings = FreshSettings("");
    settings.monitoredChannels.fill(0);
    settings.monitoredChannels[9] = 1;
    EXPECT_EQ(Header(settings, {}),
              "\nMidi File: \n"
              "\nMidi File contains 0 tracks\n"
              "\nthe following midi channels are being monitored: \n\t10\n"
              "\nthe following tracks are being monitored: \n"
              "\tWARNING: NO TRACKS ARE BEING MONITORED\n\tNo chords will be recognized!\n\n");
}

TEST(FileHeader, TransposedTracksAreListedOnlyForANonZeroAmount) {
    auto settings = FreshSettings("b.mid");
    settings.monitoredTracks[1] = 0;
    settings.transposedTracks[0] = 1;
    settings.transposedTracks[2] = 1;
    const std::vector<std::optional<std::string>> names = {"Lead", "Drums", std::nullopt};
    const std::string monitored =
        "\nMidi File: b.mid\n\nMidi File contains 3 tracks\n" + kAllChannels +
        "\nthe following tracks are being monitored: \n\t1 Lead\n\tNO NAME\n";

    EXPECT_EQ(Header(settings, names), monitored);

    settings.transposeAmount = -3;
    EXPECT_EQ(Header(settings, names),
              monitored +
                  "\n\nThe following tracks are being trasposed by -3 semitones\n"
                  "\t1 Lead\n\tNO NAME\n\n");
}

TEST(FileHeader, TracksBeyondTheSettingsArraysCountAsUnflagged) {
    auto settings = FreshSettings("big.mid");
    settings.transposedTracks.fill(1);
    settings.transposeAmount = 2;
    int asked = 0;
    std::ostringstream out;
    WriteFileHeaderSection(out, settings, 205, [&](int32_t track) -> const char* {
        ++asked;
        return track == 199 ? "last" : nullptr;
    });
    std::string tracks;
    for (int t = 0; t < 199; ++t)
        tracks += "\tNO NAME\n";
    tracks += "\t200 last\n";
    EXPECT_EQ(out.str(), "\nMidi File: big.mid\n\nMidi File contains 205 tracks\n" + kAllChannels +
                             "\nthe following tracks are being monitored: \n" + tracks +
                             "\n\nThe following tracks are being trasposed by 2 semitones\n" +
                             tracks + "\n");
    EXPECT_EQ(asked, 400);
}

TEST(LogStreamFile, WritesWhileClosedAreLostAndAnOpenStartsClean) {
    const std::string path = "/tmp/tabulon-logtext-" + std::to_string(getpid()) + ".log";
    CloseLogStream();
    LogStream << "lost line\n";
    WriteBeatLine(LogStream, 1, 480);
    EXPECT_FALSE(LogStream.good());

    ASSERT_TRUE(OpenLogStream(path));
    WriteBeatLine(LogStream, 2, 960);
    EXPECT_TRUE(LogStream.good());
    CloseLogStream();
    EXPECT_EQ(FileText(path), "Beat = 2, Position = 960\n");

    // Reopening empties the file; a failed open leaves the stream closed and writes harmless.
    ASSERT_TRUE(OpenLogStream(path));
    LogStream << "second\n";
    EXPECT_FALSE(OpenLogStream("/nonexistent-folder/tabulon.log"));
    EXPECT_FALSE(LogStream.is_open());
    EXPECT_EQ(FileText(path), "second\n");
    LogStream << "lost again\n";
    EXPECT_FALSE(OpenLogStream(""));
    EXPECT_EQ(FileText(path), "second\n");
    std::remove(path.c_str());
}
