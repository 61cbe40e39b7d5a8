// The file reader on tiny hand-written files, grouped by behaviour. Track bodies of
// SingleTrackFile start at byte 22 (14 header bytes, 8 chunk header bytes).

#include <gtest/gtest.h>

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <tuple>

#include "midilib/EventEncoding.h"
#include "midilib/SmfFileBytes.h"
#include "midilib/SmfReader.h"
#include "midilib/SmfReason.h"
#include "midilib/SmfTestSupport.h"
#include "midilib/SmfTrackParser.h"

using namespace smftest;
using midilib::SmfContent;
using midilib::SmfReader;

namespace {

SmfContent Parsed(const Bytes& bytes) {
    std::string reason;
    auto content = SmfReader::Parse(bytes, reason);
    EXPECT_TRUE(content.has_value()) << reason;
    return content ? std::move(*content) : SmfContent{};
}

std::string Refusal(const Bytes& bytes) {
    std::string reason;
    auto content = SmfReader::Parse(bytes, reason);
    EXPECT_FALSE(content.has_value());
    return reason;
}

std::vector<MidiEvent> OnlyTrack(const Bytes& body) {
    SmfContent content = Parsed(SingleTrackFile(body));
    return content.tracks.empty() ? std::vector<MidiEvent>{} : content.tracks[0].events;
}

Bytes WithEnd(Bytes body) {
    Append(body, kEndOfTrack);
    return body;
}

constexpr MidiEvent Note(uint32_t delta, uint8_t status, uint8_t note, uint8_t velocity) {
    return MidiEvent{delta, status, note, velocity, 0};
}

}  // namespace

TEST(SmfRunningStatus, IsRespected) {
    // A note on, then two more with running status, then a program change and its running data.
    const auto events = OnlyTrack(WithEnd({0x00, 0x90, 0x3C, 0x7F, 0x10, 0x3E, 0x7F, 0x10, 0x3C,
                                           0x00, 0x00, 0xC1, 0x05, 0x01, 0x06}));
    ASSERT_EQ(events.size(), 5u);
    EXPECT_EQ(events[0], Note(0, 0x90, 0x3C, 0x7F));
    EXPECT_EQ(events[1], Note(0x10, 0x90, 0x3E, 0x7F));
    EXPECT_EQ(events[2], Note(0x10, 0x90, 0x3C, 0x00));
    EXPECT_EQ(events[3], Note(0, 0xC1, 0x05, 0));
    EXPECT_EQ(events[4], Note(1, 0xC1, 0x06, 0));
}

TEST(SmfRunningStatus, SurvivesMetaAndSysexEvents) {
    const auto events = OnlyTrack(WithEnd({0x00, 0x90, 0x3C, 0x7F,        // note on
                                           0x00, 0xFF, 0x01, 0x01, 'x',   // text
                                           0x00, 0x3E, 0x7F,              // running status
                                           0x00, 0xF0, 0x02, 0x7E, 0xF7,  // sysex
                                           0x00, 0x40, 0x7F}));
    ASSERT_EQ(events.size(), 6u);
    EXPECT_EQ(events[1], Note(0, 0x90, 0x3E, 0x7F));
    EXPECT_EQ(events[5], Note(0, 0x90, 0x40, 0x7F));
}

TEST(SmfRunningStatus, ADataByteWithNoStatusCutsTheTrack) {
    SmfContent content = Parsed(SingleTrackFile(WithEnd({0x00, 0x3C, 0x7F})));
    ASSERT_EQ(content.tracks.size(), 1u);
    EXPECT_TRUE(content.tracks[0].events.empty());
    EXPECT_EQ(content.problem, "data byte 0x3C at byte 23 of track 1 follows no status byte");
}

TEST(SmfMetaEvents, StayOutOfTheTracksAndKeepTheirTime) {
    // Text at 10, note at 15, marker at 20, note at 20: absolute times are kept.
    const auto events = OnlyTrack(WithEnd({0x0A, 0xFF, 0x01, 0x01, 'a', 0x05, 0x90, 0x3C, 0x7F,
                                           0x05, 0xFF, 0x06, 0x00, 0x00, 0x80, 0x3C, 0x00}));
    ASSERT_EQ(events.size(), 2u);
    EXPECT_EQ(AbsoluteTimes(events), (std::vector<uint32_t>{15, 20}));
}

TEST(SmfMetaEvents, TempoBecomesATempoRecordAndZeroTempoIsDropped) {
    const auto events = OnlyTrack(WithEnd({0x00, 0xFF, 0x51, 0x03, 0x07, 0xA1, 0x20,  // 500000
                                           0x08, 0xFF, 0x51, 0x03, 0x00, 0x00, 0x00,  // tempo 0
                                           0x02, 0xFF, 0x51, 0x03, 0xFF, 0xFF, 0xFF}));
    ASSERT_EQ(events.size(), 2u);
    EXPECT_TRUE(midilib::IsTempoEvent(events[0]));
    EXPECT_EQ(midilib::TempoOf(events[0]), 500000u);
    EXPECT_EQ(events[1].time, 10u);  // the dropped tempo's delta is kept
    EXPECT_EQ(midilib::TempoOf(events[1]), midilib::kMaxEncodedTempo);
}

TEST(SmfMetaEvents, EndOfTrackEndsTheTrack) {
    Bytes body = {0x00, 0x90, 0x3C, 0x7F};
    Append(body, kEndOfTrack);
    Append(body, {0x00, 0x90, 0x3E, 0x7F});  // after the end: not part of the track
    SmfContent content = Parsed(SingleTrackFile(body));
    EXPECT_EQ(content.tracks[0].events.size(), 1u);
    EXPECT_EQ(content.problem, "");
}

TEST(SmfMetaEvents, TheFirstOfEachTypeIsKept) {
    SmfContent content = Parsed(SingleTrackFile(WithEnd(
        {0x00, 0xFF, 0x03, 0x02, 'A', 'B', 0x00, 0xFF, 0x03, 0x01, 'C', 0x00, 0xFF, 0x7F, 0x00})));
    const auto& metas = content.tracks[0].metas;
    ASSERT_EQ(metas.size(), 3u);  // name, sequencer-specific, end-of-track
    EXPECT_EQ(metas[0].type, 3);
    EXPECT_EQ(std::string(content.bytes.begin() + metas[0].offset,
                          content.bytes.begin() + metas[0].offset + metas[0].length),
              "AB");
    EXPECT_EQ(metas[1].type, 0x7F);
    EXPECT_EQ(metas[1].length, 0u);
}

TEST(SmfSysex, AMessageBecomesOneRecordPerByte) {
    const auto events = OnlyTrack(WithEnd({0x05, 0xF0, 0x03, 0x43, 0x10, 0xF7}));
    ASSERT_EQ(events.size(), 4u);
    EXPECT_EQ(events[0], (MidiEvent{5, 0xF0, 0xF0, 0, 0}));
    EXPECT_EQ(events[1], (MidiEvent{0, 0xF0, 0x43, 0, 0}));
    EXPECT_EQ(events[2], (MidiEvent{0, 0xF0, 0x10, 0, 0}));
    EXPECT_EQ(events[3], (MidiEvent{0, 0xF0, 0xF7, 1, 0}));
}

TEST(SmfSysex, ContinuationPacketsKeepTheirDeltas) {
    const auto events =
        OnlyTrack(WithEnd({0x00, 0xF0, 0x02, 0x43, 0x12, 0x30, 0xF7, 0x02, 0x00, 0xF7}));
    ASSERT_EQ(events.size(), 5u);
    EXPECT_EQ(events[2], (MidiEvent{0, 0xF0, 0x12, 1, 0}));  // last byte of the first packet
    EXPECT_EQ(events[3], (MidiEvent{0x30, 0xF0, 0x00, 0, 0}));
    EXPECT_EQ(events[4], (MidiEvent{0, 0xF0, 0xF7, 1, 0}));
}

TEST(SmfSysex, AnEscapePacketCarriesItsBytes) {
    const auto events = OnlyTrack(WithEnd({0x01, 0xF7, 0x02, 0xF3, 0x01}));
    ASSERT_EQ(events.size(), 2u);
    EXPECT_EQ(events[0], (MidiEvent{1, 0xF7, 0xF3, 0, 0}));
    EXPECT_EQ(events[1], (MidiEvent{0, 0xF7, 0x01, 1, 0}));
}

TEST(SmfSysex, AnEscapeStartingWithF0OpensAMessage) {
    const auto events = OnlyTrack(WithEnd({0x00, 0xF7, 0x03, 0xF0, 0x7E, 0xF7}));
    ASSERT_EQ(events.size(), 3u);
    EXPECT_EQ(events[0].status, midilib::kSysexStatus);
    EXPECT_EQ(events[0].data1, 0xF0);
    EXPECT_EQ(events[2].data1, 0xF7);
}

TEST(SmfSysex, MessagesThatWouldLeaveARunOpenAreDropped) {
    // Unterminated before a note; a message with a status byte inside; an escape holding F7.
    SmfContent content = Parsed(SingleTrackFile(
        WithEnd({0x02, 0xF0, 0x02, 0x43, 0x10, 0x03, 0x90, 0x3C, 0x7F, 0x01, 0xF0, 0x03,
                 0x43, 0x90, 0xF7, 0x01, 0xF7, 0x01, 0xF7, 0x01, 0x80, 0x3C, 0x00})));
    const auto& events = content.tracks[0].events;
    for (const MidiEvent& e : events) {
        EXPECT_NE(e.data1, 0xF0);
        EXPECT_NE(e.data1, 0xF7);
    }
    ASSERT_EQ(events.size(), 2u);
    EXPECT_EQ(AbsoluteTimes(events), (std::vector<uint32_t>{5, 8}));
    EXPECT_EQ(content.problem,
              "system-exclusive message at byte 23 of track 1 is not closed by 0xF7; dropped");
}

TEST(SmfSysex, AnUnterminatedMessageAtTheEndIsDropped) {
    const auto events = OnlyTrack(WithEnd({0x00, 0x90, 0x3C, 0x7F, 0x00, 0xF0, 0x01, 0x43}));
    EXPECT_EQ(events.size(), 1u);
}

TEST(SmfTruncatedTrack, KeepsWhatWasRead) {
    // The chunk ends in the middle of the second note.
    Bytes file = Header(0, 1, 96);
    Append(file, Track({0x00, 0x90, 0x3C, 0x7F, 0x10, 0x90, 0x3E}));
    SmfContent content = Parsed(file);
    ASSERT_EQ(content.tracks[0].events.size(), 1u);
    EXPECT_EQ(content.problem,
              "note-on at byte 27 of track 1 is cut off: the chunk ends at byte 29");
}

TEST(SmfTruncatedTrack, AChunkLongerThanTheFileKeepsWhatIsThere) {
    Bytes file = Header(1, 2, 96);
    Append(file, Track(WithEnd({0x00, 0x90, 0x3C, 0x7F})));
    Append(file, Chunk("MTrk", {0x00, 0x91, 0x3C, 0x7F, 0x00, 0x91}, 100));
    SmfContent content = Parsed(file);
    ASSERT_EQ(content.tracks.size(), 2u);
    EXPECT_EQ(content.tracks[0].events.size(), 1u);
    EXPECT_EQ(content.tracks[1].events.size(), 1u);
    EXPECT_EQ(content.problem,
              "note-on at byte 43 of track 2 is cut off: the file ends at byte 44");
}

TEST(SmfTruncatedTrack, AMetaLengthPastTheEndKeepsWhatCameBefore) {
    SmfContent content =
        Parsed(SingleTrackFile({0x00, 0x90, 0x3C, 0x7F, 0x00, 0xFF, 0x03, 0x40, 'a'}));
    EXPECT_EQ(content.tracks[0].events.size(), 1u);
    EXPECT_TRUE(content.tracks[0].metas.empty());
    EXPECT_EQ(content.problem,
              "meta event at byte 27 of track 1 claims 64 bytes; the chunk ends at byte 31");
}

TEST(SmfChunkLength, PastTheEndIsRefused) {
    Bytes header = {'M', 'T', 'h', 'd', 0, 0, 0, 60, 0, 0, 0, 1, 0, 96};
    EXPECT_EQ(Refusal(header), "truncated header (its length passes the end of the file)");
    Bytes unknown = Header(0, 1, 96);
    Append(unknown, Chunk("XFIH", {1, 2, 3}, 1000));
    EXPECT_EQ(
        Refusal(unknown),
        "no track chunk found: chunk at byte 14 claims 1,000 bytes; the file ends at byte 25");
}

TEST(SmfFaults, CutTheTrackWithTheBytePosition) {
    struct Case {
        Bytes body;
        size_t kept;
        std::string problem;
    };
    const std::vector<Case> cases = {
        {{0x00, 0x90, 0x3C, 0x7F, 0x00, 0xF4},
         1,
         "byte 0xF4 at byte 27 of track 1 is a status that a MIDI file cannot hold"},
        {{0x00, 0x90, 0x3C, 0x7F, 0x00, 0xF8},
         1,
         "byte 0xF8 at byte 27 of track 1 is a status that a MIDI file cannot hold"},
        {{0x00, 0x90, 0x3C, 0x7F, 0x81, 0x81, 0x81, 0x81, 0x00, 0x3C, 0x00},
         1,
         "delta time at byte 26 of track 1 is longer than 4 bytes"},
        {{0x00, 0x90, 0x3C, 0x7F, 0x00, 0xFF, 0x01, 0x81, 0x81, 0x81, 0x81, 0x00},
         1,
         "meta event at byte 27 of track 1 has a length longer than 4 bytes"},
    };
    for (const Case& c : cases) {
        SmfContent content = Parsed(SingleTrackFile(WithEnd(c.body)));
        EXPECT_EQ(content.tracks[0].events.size(), c.kept) << c.problem;
        EXPECT_EQ(content.problem, c.problem);
    }
}

TEST(SmfFaults, ATimePastTheLargestTickCutsTheTrackInsteadOfWrapping) {
    Bytes body;
    for (int i = 0; i < 16; ++i)
        Append(body, {0xFF, 0xFF, 0xFF, 0x7F, 0x90, 0x3C, 0x7F});
    Append(body, {0x0F, 0x3E, 0x7F});  // exactly 2^32 - 1
    Append(body, {0x01, 0x40, 0x7F});  // one tick too far
    SmfContent content = Parsed(SingleTrackFile(WithEnd(body)));
    const auto& events = content.tracks[0].events;
    ASSERT_EQ(events.size(), 17u);
    EXPECT_EQ(AbsoluteTimes(events).back(), 0xFFFFFFFFu);
    EXPECT_EQ(content.problem,
              "event at byte 137 of track 1 lies past the largest tick time (2^32 - 1)");
}

TEST(SmfHeader, RefusesWhatItCannotRead) {
    EXPECT_EQ(Refusal({}), "not a MIDI file");
    EXPECT_EQ(Refusal({'M', 'T'}), "truncated header");
    EXPECT_EQ(Refusal({'M', 'T', 'h', 'd', 0, 0, 0, 6, 0, 0}), "truncated header");
    EXPECT_EQ(Refusal({'R', 'I', 'F', 'F', 4, 0, 0, 0, 'W', 'A', 'V', 'E'}),
              "not a MIDI file (a RIFF file that is not RMID)");
    EXPECT_EQ(Refusal({'M', 'T', 'h', 'd', 0, 0, 0, 2, 0, 0, 0, 1, 0, 96}),
              "header chunk too short (2 bytes)");
    EXPECT_EQ(Refusal(Header(3, 1, 96)), "unknown MIDI file format 3");
    EXPECT_EQ(Refusal(Header(1, 1, 0xE700)), "SMPTE time division of 0 ticks per frame");
    EXPECT_EQ(Refusal(Header(1, 1, 0)), "time division of 0 ticks per beat");
    EXPECT_EQ(Refusal(Header(1, 0, 96)), "the file declares no tracks");
    EXPECT_EQ(Refusal(Header(1, 2, 96)), "no track chunk found");
}

TEST(SmfHeader, ManyDeclaredTracksGiveTheTracksPresent) {
    Bytes file = Header(1, 65535, 96);
    Append(file, Track(kEndOfTrack));
    SmfContent content = Parsed(file);
    EXPECT_EQ(content.tracks.size(), 1u);
    EXPECT_EQ(content.declaredTracks, 65535);
    EXPECT_EQ(content.problem, "only 1 of 65535 declared tracks present");
}

TEST(SmfChunks, UnknownChunksAreSkippedAndRmidIsAccepted) {
    Bytes smf = Header(2, 2, 480);
    Append(smf, Chunk("XFIH", {1, 2, 3, 4, 5}));
    Append(smf, Track(WithEnd({0x00, 0x90, 0x3C, 0x7F})));
    Append(smf, Track(WithEnd({0x00, 0x91, 0x3C, 0x7F})));
    Bytes riff = {'R', 'I', 'F', 'F', 0, 0, 0, 0, 'R', 'M', 'I', 'D',
                  'L', 'I', 'S', 'T', 3, 0, 0, 0, 'a', 'b', 'c', 0};
    Bytes data = {'d', 'a', 't', 'a', uint8_t(smf.size()), 0, 0, 0};
    Append(riff, data);
    Append(riff, smf);
    for (const Bytes& file : {smf, riff}) {
        SmfContent content = Parsed(file);
        EXPECT_EQ(content.format, 2);
        EXPECT_EQ(content.ticksPerBeat, 480);
        ASSERT_EQ(content.tracks.size(), 2u);
        EXPECT_EQ(content.tracks[1].events[0].status, 0x91);
        EXPECT_EQ(content.problem, "");
    }
}

TEST(SmfFaults, TheRecordLimitCutsTheTrack) {
    const Bytes file = SingleTrackFile(WithEnd({0x00, 0x90, 0x3C, 0x7F, 0x00, 0xF0, 0x01, 0xF7}));
    midilib::SmfTrackParser parser(file, 22, file.size(), false, 0, 2);
    const auto track = parser.Parse();
    EXPECT_EQ(track.events.size(), 1u);  // the message would not fit: it is not kept in part
    ASSERT_EQ(parser.Problems().size(), 1u);
    EXPECT_EQ(parser.Problems()[0],
              "event at byte 27 of track 1 is one more than the file can hold (one event a byte)");
    EXPECT_EQ(CheckRecords(track.events), "");
}

TEST(SmfRecovery, DataBytesOf0x80OrMoreKeepTheirLowBitsWithOneWarningPerTrack) {
    const SmfContent content = Parsed(SingleTrackFile(WithEnd({
        0x00, 0x90, 0x3C, 0x9F,  // velocity 0x9F: read as 0x1F
        0x00, 0x90, 0x40, 0x80,  // velocity 0x80: its low bits would release the note
        0x00, 0x80, 0xBC, 0x40,  // note number 0xBC of a note-off: 0x3C
        0x00, 0x90, 0xC3, 0x80,  // both bytes of a note-on: still struck
    })));
    const auto& events = content.tracks[0].events;
    ASSERT_EQ(events.size(), 4u);
    EXPECT_EQ(events[0], Note(0, 0x90, 0x3C, 0x1F));
    EXPECT_EQ(events[1], Note(0, 0x90, 0x40, 0x7F));
    EXPECT_EQ(events[2], Note(0, 0x80, 0x3C, 0x40));
    EXPECT_EQ(events[3], Note(0, 0x90, 0x43, 0x7F));
    EXPECT_EQ(content.problem,
              "note-on at byte 23 of track 1 has velocity 0x9F (a byte of 0x80 or more); read as "
              "0x1F (and 4 more in this track)");
}

TEST(SmfRecovery, AnSmpteDivisionPlaysAtItsTicksPerSecondWhateverTheTempoSays) {
    for (const auto& [division, framesPerSecond, ticksPerSecond] :
         {std::tuple{0xE728, 25, 1000}, std::tuple{0xE350, 29, 2400}}) {
        Bytes file = Header(1, 2, uint16_t(division));
        Append(file, Track(WithEnd({0x00, 0xFF, 0x51, 0x03, 0x07, 0xA1, 0x20,  // 120 bpm
                                    0x0A, 0x90, 0x3C, 0x40})));
        Append(file, Track(WithEnd({0x05, 0x91, 0x3C, 0x40})));
        const SmfContent content = Parsed(file);
        EXPECT_EQ(content.smpteFramesPerSecond, framesPerSecond);
        EXPECT_EQ(content.ticksPerBeat, ticksPerSecond);
        // One beat a second opens the song; the file's tempo is not followed.
        ASSERT_EQ(content.tracks[0].events.size(), 2u);
        EXPECT_EQ(midilib::TempoOf(content.tracks[0].events[0]), 1000000u);
        EXPECT_EQ(content.tracks[0].events[1], Note(10, 0x90, 0x3C, 0x40));
        EXPECT_EQ(content.tracks[1].events, (std::vector{Note(5, 0x91, 0x3C, 0x40)}));
        EXPECT_EQ(content.problem, "");
    }
}

TEST(SmfRecovery, TrackChunksBeyondTheDeclaredCountAreReadWithAWarning) {
    Bytes file = Header(1, 1, 96);
    for (uint8_t channel = 0; channel < 3; ++channel)
        Append(file, Track(WithEnd({0x00, uint8_t(0x90 + channel), 0x3C, 0x40})));
    const SmfContent content = Parsed(file);
    ASSERT_EQ(content.tracks.size(), 3u);
    EXPECT_EQ(content.tracks[2].events[0].status, 0x92);
    EXPECT_EQ(content.problem, "the file declares 1 track but holds 3; all are read");
}

TEST(SmfReasons, NameTheTrackAsTheWindowDoesAndTheByteWhereTheEventStarts) {
    Bytes file = Header(1, 2, 96);
    Append(file, Track(WithEnd({0x00, 0x90, 0x3C, 0x40})));
    // Track 2 is named, then a meta event claims far more than its chunk holds.
    Append(file, Track({0x00, 0xFF, 0x03, 0x04, 'B',  'a',  's',  's',  0x00, 0x91,
                        0x28, 0x40, 0x00, 0xFF, 0x01, 0x81, 0xF4, 0x92, 0x00, 'x'}));
    EXPECT_EQ(Parsed(file).problem,
              "meta event at byte 51 of track 2 (Bass) claims 4,000,000 bytes; the chunk ends at "
              "byte 58");

    EXPECT_EQ(midilib::TrackLabel(0, std::string_view("\x01Lead\tGuitar", 12)),
              "track 1 (?Lead?Guitar)");
    EXPECT_EQ(midilib::TrackLabel(65534, std::string(60, 'n')),
              "track 65,535 (" + std::string(40, 'n') + "...)");
    EXPECT_EQ(midilib::TrackLabel(2, ""), "track 3");
}

namespace {

// A long track of every kind of event, in or out of running status, with deltas of one to four
// bytes, made together with the records it must give. Most of a chunk is decoded in bulk, the
// rest (its last bytes, everything that is not a plain channel message) event by event: both
// ways must agree wherever an event lies.
struct MixedTrack {
    Bytes body;
    std::vector<MidiEvent> records;
    std::vector<size_t> recordEnds;  // the body's length after each record's event
};

MixedTrack MakeMixedTrack(uint32_t seed, int events) {
    MixedTrack track;
    uint32_t state = seed;
    const auto random = [&state](uint32_t below) {
        state = state * 1664525u + 1013904223u;
        return (state >> 8) % below;
    };
    const auto appendVarLen = [&track](uint32_t value) {
        Bytes bytes{uint8_t(value & 0x7F)};
        while (value >>= 7)
            bytes.insert(bytes.begin(), uint8_t(0x80 | (value & 0x7F)));
        Append(track.body, bytes);
    };
    uint8_t runningStatus = 0;
    uint32_t pending = 0;  // time since the last record
    for (int i = 0; i < events; ++i) {
        const uint32_t deltas[] = {0, random(128), random(16384), 2097152 + random(1000)};
        const uint32_t delta = deltas[random(50) == 0 ? 3 : random(3)];
        appendVarLen(delta);
        pending += delta;
        const uint32_t kind = random(20);
        if (kind == 0) {  // a text meta event: no record, its time goes to the next one
            Append(track.body, {0xFF, 0x01, 0x02, 'h', 'i'});
        } else if (kind == 1) {
            const uint32_t tempo = 1 + random(0x7FFFFF);
            Append(track.body,
                   {0xFF, 0x51, 0x03, uint8_t(tempo >> 16), uint8_t(tempo >> 8), uint8_t(tempo)});
            track.records.push_back(midilib::MakeTempoEvent(pending, tempo));
            pending = 0;
        } else if (kind == 2) {
            const uint8_t data = uint8_t(random(128));
            Append(track.body, {0xF0, 0x02, data, 0xF7});
            track.records.push_back({pending, midilib::kSysexStatus, 0xF0, 0, 0});
            track.records.push_back({0, midilib::kSysexStatus, data, 0, 0});
            track.records.push_back({0, midilib::kSysexStatus, 0xF7, 1, 0});
            pending = 0;
        } else {
            const uint8_t status = random(2) == 0 && runningStatus != 0
                                       ? runningStatus
                                       : uint8_t(0x80 + 0x10 * random(7) + random(16));
            if (status != runningStatus) track.body.push_back(status);
            runningStatus = status;
            const uint8_t first = uint8_t(random(128));
            const uint8_t second =
                midi::ChannelMessageLength(status) == 3 ? uint8_t(random(128)) : 0;
            track.body.push_back(first);
            if (midi::ChannelMessageLength(status) == 3) track.body.push_back(second);
            track.records.push_back({pending, status, first, second, 0});
            pending = 0;
        }
        if (pending == 0) track.recordEnds.resize(track.records.size(), track.body.size());
    }
    Append(track.body, kEndOfTrack);
    return track;
}

}  // namespace

TEST(SmfLongTracks, DecodeEveryKindOfEventTheSameWhereverItLies) {
    for (const uint32_t seed : {1u, 2u, 3u}) {
        const MixedTrack track = MakeMixedTrack(seed, 3000);
        const SmfContent content = Parsed(SingleTrackFile(track.body));
        EXPECT_EQ(content.problem, "");
        EXPECT_EQ(content.tracks[0].events, track.records) << "seed " << seed;
    }
    // Each track of a file ends where its own chunk does, also in the middle of a run.
    const MixedTrack first = MakeMixedTrack(4, 500);
    const MixedTrack second = MakeMixedTrack(5, 500);
    Bytes file = Header(1, 2, 96);
    Append(file, Track(first.body));
    Append(file, Track(second.body));
    const SmfContent content = Parsed(file);
    ASSERT_EQ(content.tracks.size(), 2u);
    EXPECT_EQ(content.tracks[0].events, first.records);
    EXPECT_EQ(content.tracks[1].events, second.records);
}

TEST(SmfLongTracks, AFileOfOverAMegabyteReadsEveryTrackAsAloneWithProblemsInTrackOrder) {
    // Large enough for its tracks to be read side by side: each must come out as read alone, and
    // the problems in the order of the tracks, whichever was read first.
    std::vector<MixedTrack> tracks;
    Bytes file = Header(1, 5, 96);
    for (uint32_t k = 0; k < 5; ++k) {
        tracks.push_back(MakeMixedTrack(10 + k, 60000));
        Bytes body = tracks.back().body;
        body.resize(body.size() - kEndOfTrack.size());
        if (k == 1) Append(body, {0x00, 0x90, 0x3C, 0xC0});  // clipped velocity: a warning
        if (k == 3) Append(body, {0x00, 0xF4});              // undefined status: cut here
        Append(body, kEndOfTrack);
        Append(file, Track(body));
    }
    ASSERT_GT(file.size(), size_t{1} << 20);
    const SmfContent content = Parsed(file);
    ASSERT_EQ(content.tracks.size(), 5u);
    for (uint32_t k = 0; k < 5; ++k) {
        const std::vector<MidiEvent>& events = content.tracks[k].events;
        ASSERT_GE(events.size(), tracks[k].records.size()) << "track " << k;
        EXPECT_TRUE(std::equal(tracks[k].records.begin(), tracks[k].records.end(), events.begin()))
            << "track " << k;
        EXPECT_EQ(events, SmfReader::DecodeTrackAgain(content, k)) << "track " << k;
    }
    const size_t clipped = content.problem.find("of track 2");
    const size_t cut = content.problem.find("of track 4");
    EXPECT_NE(clipped, std::string::npos) << content.problem;
    EXPECT_NE(cut, std::string::npos) << content.problem;
    EXPECT_LT(clipped, cut) << content.problem;
}

TEST(SmfLongTracks, AFaultInTheMiddleOfARunKeepsWhatCameBeforeIt) {
    const MixedTrack track = MakeMixedTrack(6, 2000);
    // Cut after the channel message, meta or sysex event of a record near the middle, then go on
    // with a channel message, so that the fault lies inside a run of them.
    size_t records = track.records.size() / 2;
    while (track.recordEnds[records] == track.recordEnds[records - 1])
        ++records;  // not inside the records of one system-exclusive message
    const Bytes head(track.body.begin(),
                     track.body.begin() + std::ptrdiff_t(track.recordEnds[records - 1]));
    const std::vector<MidiEvent> kept(track.records.begin(),
                                      track.records.begin() + std::ptrdiff_t(records));
    const std::string at = midilib::GroupedNumber(22 + head.size() + 4);

    Bytes tooLong = head;
    Append(tooLong, {0x00, 0x90, 0x3C, 0x40, 0x81, 0x81, 0x81, 0x81, 0x00, 0x3C, 0x00});
    Append(tooLong, track.body);
    SmfContent content = Parsed(SingleTrackFile(tooLong));
    std::vector<MidiEvent> expected = kept;
    expected.push_back(Note(0, 0x90, 0x3C, 0x40));
    EXPECT_EQ(content.tracks[0].events, expected);
    EXPECT_EQ(content.problem, "delta time at byte " + at + " of track 1 is longer than 4 bytes");

    Bytes clipped = head;
    Append(clipped, {0x00, 0x90, 0x3C, 0x40, 0x00, 0x90, 0x3C, 0xC0});
    Append(clipped, kEndOfTrack);
    content = Parsed(SingleTrackFile(clipped));
    expected.push_back(Note(0, 0x90, 0x3C, 0x40));
    EXPECT_EQ(content.tracks[0].events, expected);
    EXPECT_EQ(content.problem, "note-on at byte " + midilib::GroupedNumber(22 + head.size() + 5) +
                                   " of track 1 has velocity 0xC0 (a byte of 0x80 or more); read "
                                   "as 0x40");
}

TEST(SmfFileBytes, ReadWholeFilesWhateverTheSizeOnDiskSaysAndStopPastTheLimit) {
    // Large enough for memory of its own in huge pages; not a multiple of any page size.
    Bytes bytes(5 * 1024 * 1024 + 123);
    for (size_t i = 0; i < bytes.size(); ++i)
        bytes[i] = uint8_t(i * 131 + (i >> 12));
    const ScratchFile file("large-bytes", bytes);
    const auto readWith = [&](size_t sizeHint, size_t limit,
                              midilib::SmfFileBytes::ReadFailure& failure) {
        const int fd = ::open(file.Path(), O_RDONLY);
        auto read = midilib::SmfFileBytes::Read(fd, sizeHint, limit, failure);
        ::close(fd);
        return read;
    };
    using Failure = midilib::SmfFileBytes::ReadFailure;
    // The true size, a size that turned out too small (a file that grew) and one too large.
    for (const size_t hint : {bytes.size(), size_t{100}, size_t{0}, bytes.size() * 2}) {
        Failure failure = Failure::kCannotRead;
        const auto read = readWith(hint, bytes.size(), failure);
        ASSERT_TRUE(read.has_value()) << "hint " << hint;
        EXPECT_EQ(failure, Failure::kNone);
        EXPECT_TRUE(std::equal(read->begin(), read->end(), bytes.begin(), bytes.end()))
            << "hint " << hint;
    }
    Failure failure = Failure::kNone;
    EXPECT_FALSE(readWith(bytes.size(), bytes.size() - 1, failure).has_value());
    EXPECT_EQ(failure, Failure::kTooLarge);
    EXPECT_FALSE(readWith(10, 1000, failure).has_value());
    EXPECT_EQ(failure, Failure::kTooLarge) << "also when the size on disk promised less";
    EXPECT_FALSE(midilib::SmfFileBytes::Read(-1, 10, 1000, failure).has_value());
    EXPECT_EQ(failure, Failure::kCannotRead);
}

TEST(SmfMemoryAdvice, KeepsWhatTheMemoryHoldsWhereverTheRangeStartsAndEnds) {
    // The reader advises the arrays it is filling: the advice must never change their contents,
    // also for ranges that start and end inside a page or are too small to cover one.
    std::vector<uint32_t> values(300000);
    for (size_t i = 0; i < values.size(); ++i)
        values[i] = uint32_t(i * 2654435761u);
    const std::vector<uint32_t> expected = values;
    auto* bytes = reinterpret_cast<uint8_t*>(values.data());
    const size_t length = values.size() * sizeof(uint32_t);
    midilib::PopulateForWriting(bytes + 5, length - 9);
    midilib::PopulateForWriting(bytes + 1, 3);
    midilib::AdviseHugePages(bytes + 7, length - 7);
    EXPECT_EQ(values, expected);
}
