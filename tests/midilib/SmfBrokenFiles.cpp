#include "midilib/SmfBrokenFiles.h"

namespace smftest {

namespace {

using Outcome = BrokenFile::Outcome;

Bytes FileOf(uint16_t format, uint16_t declared, const std::vector<Bytes>& chunks) {
    Bytes file = Header(format, declared, 96);
    for (const Bytes& chunk : chunks)
        Append(file, chunk);
    return file;
}

Bytes Notes(int count) {
    Bytes body;
    for (int i = 0; i < count; ++i)
        Append(body, {0x10, 0x90, uint8_t(0x30 + i % 40), 0x40});
    return body;
}

Bytes Ended(Bytes body) {
    Append(body, kEndOfTrack);
    return body;
}

}  // namespace

Bytes MakeSoundFile() {
    Bytes first = {0x00, 0xFF, 0x03, 0x05, 'S',  'o',  'u',  'n',  'd',  0x00, 0xFF, 0x51, 0x03,
                   0x07, 0xA1, 0x20, 0x00, 0xC0, 0x19, 0x00, 0x90, 0x3C, 0x64, 0x60, 0x3C, 0x00,
                   0x00, 0xF0, 0x04, 0x7E, 0x7F, 0x09, 0xF7, 0x00, 0x40, 0x64, 0x83, 0x60, 0xB0,
                   0x07, 0x50, 0x00, 0xF7, 0x02, 0xF3, 0x01, 0x10, 0x80, 0x40, 0x00};
    Bytes second = {0x00, 0xFF, 0x03, 0x04, 'B',  'a',  's',  's',  0x81, 0x00,
                    0x91, 0x28, 0x70, 0x30, 0x28, 0x00, 0x00, 0xE1, 0x00, 0x40};
    return FileOf(1, 2, {Track(Ended(first)), Track(Ended(second))});
}

std::vector<BrokenFile> MakeBrokenFiles() {
    std::vector<BrokenFile> files;
    const Bytes sound = MakeSoundFile();
    auto add = [&files](std::string name, Bytes bytes, Outcome outcome, std::string reason,
                        size_t tracks = 0) {
        files.push_back({std::move(name), std::move(bytes), outcome, std::move(reason), tracks});
    };

    add("empty file", {}, Outcome::kRefused, "not a MIDI file");
    add("header cut in its tag", Bytes(sound.begin(), sound.begin() + 2), Outcome::kRefused,
        "truncated header");
    add("header cut in its fields", Bytes(sound.begin(), sound.begin() + 13), Outcome::kRefused,
        "truncated header");
    Bytes hugeHeader = sound;
    hugeHeader[4] = hugeHeader[5] = hugeHeader[6] = hugeHeader[7] = 0xFF;
    add("header length past the end", hugeHeader, Outcome::kRefused, "truncated header");
    add("header only", Header(1, 1, 96), Outcome::kRefused, "no track chunk found");
    add("no tracks declared", FileOf(1, 0, {Track(Ended(Notes(3)))}), Outcome::kRefused,
        "declares no tracks");
    Bytes noTicksPerFrame = Header(1, 1, 0xE700);
    Append(noTicksPerFrame, Track(Ended(Notes(2))));
    add("SMPTE division of 0 ticks per frame", noTicksPerFrame, Outcome::kRefused,
        "0 ticks per frame");
    add("65535 tracks declared, 2 present",
        FileOf(1, 65535, {Track(Ended(Notes(2))), Track(Ended(Notes(2)))}), Outcome::kPartlyRead,
        "only 2 of 65535", 2);
    std::vector<Bytes> tiny(65535, Track(kEndOfTrack));
    add("65535 empty tracks", FileOf(1, 65535, tiny), Outcome::kRead, "", 65535);
    add("track chunk length past the end",
        FileOf(1, 2, {Track(Ended(Notes(3))), Chunk("MTrk", Notes(2), 0xFFFFFFFF)}),
        Outcome::kPartlyRead, "track 2 claims 4,294,967,295 bytes; the file ends at byte 54", 2);
    add("unknown chunk length past the end",
        FileOf(1, 2, {Track(Ended(Notes(3))), Chunk("JUNK", {1, 2}, 0xFFFFFFF0)}),
        Outcome::kPartlyRead, "chunk at byte 38 claims 4,294,967,280 bytes", 1);
    add("chunk header cut", FileOf(1, 2, {Track(Ended(Notes(3))), Bytes{'M', 'T', 'r'}}),
        Outcome::kPartlyRead, "chunk header at byte 38 is cut off", 1);
    add("delta of five bytes",
        FileOf(0, 1, {Track({0x81, 0x82, 0x83, 0x84, 0x05, 0x90, 0x30, 0x40})}),
        Outcome::kPartlyRead, "longer than 4 bytes", 1);
    add("meta length of five bytes",
        FileOf(0, 1, {Track({0x00, 0xFF, 0x01, 0xFF, 0xFF, 0xFF, 0xFF, 0x7F})}),
        Outcome::kPartlyRead, "longer than 4 bytes", 1);
    add("sysex length of five bytes",
        FileOf(0, 1, {Track({0x00, 0xF0, 0xFF, 0xFF, 0xFF, 0xFF, 0x7F})}), Outcome::kPartlyRead,
        "longer than 4 bytes", 1);
    add("running status with no status", FileOf(0, 1, {Track(Ended({0x00, 0x30, 0x40}))}),
        Outcome::kPartlyRead, "data byte 0x30 at byte 23 of track 1 follows no status byte", 1);
    add("sysex with no end", FileOf(0, 1, {Track(Ended({0x00, 0xF0, 0x03, 0x41, 0x10, 0x42}))}),
        Outcome::kPartlyRead, "system-exclusive message at byte 23 of track 1 is not closed", 1);
    add("sysex length past the end", FileOf(0, 1, {Track({0x00, 0xF0, 0x8F, 0xFF, 0xFF, 0x7F, 1})}),
        Outcome::kPartlyRead, "system-exclusive message at byte 23 of track 1 claims", 1);
    add("meta length past the end",
        FileOf(1, 2,
               {Track(Ended(Notes(4))),
                Chunk("MTrk", {0x00, 0x90, 0x30, 0x40, 0x00, 0xFF, 0x03, 0x8F, 0xFF, 0xFF, 0x7F})}),
        Outcome::kPartlyRead, "meta event at byte 55 of track 2 claims 33,554,431 bytes", 2);
    add("status byte F5 in a track",
        FileOf(0, 1, {Track(Ended({0x00, 0x90, 0x30, 0x40, 0x00, 0xF5}))}), Outcome::kPartlyRead,
        "byte 0xF5 at byte 27 of track 1 is a status", 1);
    add("data byte 0x9F", FileOf(0, 1, {Track(Ended({0x00, 0x90, 0x9F, 0x40}))}),
        Outcome::kPartlyRead, "note-on at byte 23 of track 1 has data byte 0x9F", 1);
    Bytes longName = {0x00, 0xFF, 0x03, 0xCE, 0x10};  // 10,000 bytes
    longName.resize(longName.size() + 10000, 'n');
    add("10,000-byte name", FileOf(0, 1, {Track(Ended(longName))}), Outcome::kRead, "", 1);
    add("10,000-byte name cut",
        FileOf(0, 1, {Chunk("MTrk", Bytes(longName.begin(), longName.begin() + 5000), 10005)}),
        Outcome::kPartlyRead, "meta event at byte 23 of track 1 claims 10,000 bytes", 1);
    add("RIFF without data", {'R', 'I', 'F', 'F', 4, 0, 0, 0, 'R', 'M', 'I', 'D'},
        Outcome::kRefused, "without a data chunk");
    Bytes riff = {'R', 'I', 'F', 'F', 0,   0,   0,    0,    'R',  'M',
                  'I', 'D', 'd', 'a', 't', 'a', 0xFF, 0xFF, 0xFF, 0x7F};
    Append(riff, sound);
    add("RIFF data length past the end", riff, Outcome::kRead, "", 2);
    Bytes riffOddChunk = {'R', 'I', 'F', 'F', 0,   0,   0,    0,    'R',  'M',
                          'I', 'D', 'L', 'I', 'S', 'T', 0xFF, 0xFF, 0xFF, 0xFF};
    add("RIFF chunk length past the end", riffOddChunk, Outcome::kRefused, "without a data chunk");
    return files;
}

}  // namespace smftest
