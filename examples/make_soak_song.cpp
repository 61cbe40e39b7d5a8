// make_soak_song OUT.mid SECONDS [TRACKS=32]: writes a dense format-1 song that plays for SECONDS
// at its own tempos, for long playback runs. Track 0 holds the tempo map (a change every two bars,
// cycling through six tempos); every other track plays notes on its own channel (the drum channel
// 10 is left out): block chords, sixteenth-note arpeggios, a bass line and a melody, all made of
// the tones of one chord per bar, so that the chord of each bar is recognised. Every note ends
// before its bar does. Written with the library's Standard MIDI File writer, 480 ticks per beat.

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "midi/MidiEvent.h"
#include "midi/MidiLib.h"
#include "midilib/EventEncoding.h"

namespace {

constexpr uint32_t kTicksPerBeat = 480;  // what the library's writer writes
constexpr uint32_t kBeatsPerBar = 4;
constexpr uint32_t kBarsPerTempo = 2;
constexpr double kTempos[] = {120.0, 96.0, 150.0, 108.0, 180.0, 84.0};  // beats per minute

// One chord per bar, as pitch classes from the root (C = 0).
const std::vector<std::vector<int>> kProgression = {
    {0, 4, 7},      // C major
    {9, 0, 4},      // A minor
    {5, 9, 0},      // F major
    {7, 11, 2, 5},  // G seventh
    {2, 5, 9, 0},   // D minor seventh
    {4, 7, 11},     // E minor
    {0, 4, 7, 11},  // C major seventh
    {9, 1, 4, 7},   // A seventh
};
const uint8_t kChannels[] = {0, 1, 2, 3, 4, 5, 6, 7, 8, 10, 11, 12, 13, 14, 15};

struct Timed {
    uint32_t tick;
    MidiEvent event;  // time unused until the track is written
};

void Note(std::vector<Timed>& track, uint32_t tick, uint32_t length, uint8_t channel,
          int pitchClass, int octave, uint8_t velocity) {
    const uint8_t note = uint8_t(std::clamp(12 * (octave + 1) + pitchClass % 12, 0, 127));
    track.push_back({tick, {0, uint8_t(0x90 | channel), note, velocity, 0}});
    track.push_back({tick + length, {0, uint8_t(0x80 | channel), note, 0, 0}});
}

// The notes of one bar of track `role` (0 chords, 1 arpeggio, 2 bass, 3 melody).
void Bar(std::vector<Timed>& track, int role, uint32_t barTick, uint32_t bar, uint8_t channel,
         const std::vector<int>& chord) {
    const uint8_t velocity = uint8_t(60 + (bar * 7 + channel * 3) % 50);
    switch (role) {
        case 0:  // a block chord on every beat
            for (uint32_t beat = 0; beat < kBeatsPerBar; ++beat)
                for (int pc : chord)
                    Note(track, barTick + beat * kTicksPerBeat, kTicksPerBeat - 40, channel, pc, 4,
                         velocity);
            break;
        case 1:  // sixteenths up and down the chord
            for (uint32_t k = 0; k < kBeatsPerBar * 4; ++k) {
                const size_t n = chord.size();
                const size_t at = (k / n) % 2 ? n - 1 - k % n : k % n;
                Note(track, barTick + k * kTicksPerBeat / 4, kTicksPerBeat / 4 - 20, channel,
                     chord[at], 5, uint8_t(velocity - 10));
            }
            break;
        case 2:  // eighths on the root, the fifth above it on the off-beats
            for (uint32_t k = 0; k < kBeatsPerBar * 2; ++k)
                Note(track, barTick + k * kTicksPerBeat / 2, kTicksPerBeat / 2 - 20, channel,
                     chord[0] + (k % 2 ? 7 : 0), 2, velocity);
            break;
        default:  // eighths walking through the chord tones
            for (uint32_t k = 0; k < kBeatsPerBar * 2; ++k)
                Note(track, barTick + k * kTicksPerBeat / 2, kTicksPerBeat / 2 - 30, channel,
                     chord[(k + bar + channel) % chord.size()], 6, uint8_t(velocity + 10));
            break;
    }
}

// Absolute ticks to delta times, in time order; at equal ticks note-offs go first.
std::vector<MidiEvent> ToDeltas(std::vector<Timed> timed) {
    std::stable_sort(timed.begin(), timed.end(), [](const Timed& a, const Timed& b) {
        if (a.tick != b.tick) return a.tick < b.tick;
        return (a.event.status & 0xF0) == 0x80 && (b.event.status & 0xF0) != 0x80;
    });
    std::vector<MidiEvent> events;
    uint32_t previous = 0;
    for (const Timed& t : timed) {
        MidiEvent e = t.event;
        e.time = t.tick - previous;
        previous = t.tick;
        events.push_back(e);
    }
    return events;
}

int Usage() {
    std::fputs("usage: make_soak_song OUT.mid SECONDS [TRACKS=32]\n", stderr);
    return 2;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 3 || argc > 4) return Usage();
    char* end = nullptr;
    const double seconds = std::strtod(argv[2], &end);
    if (*end != 0 || !(seconds > 0.0) || seconds > 24 * 3600.0) return Usage();
    const long trackCount = argc == 4 ? std::strtol(argv[3], &end, 10) : 32;
    if ((argc == 4 && *end != 0) || trackCount < 2 || trackCount > 1000) return Usage();

    // The tempo map: beats until the song has lasted `seconds`.
    std::vector<Timed> tempoTrack;
    uint32_t beats = 0;
    double elapsed = 0.0;
    size_t tempoChanges = 0;
    while (elapsed < seconds || beats % kBeatsPerBar != 0) {  // whole bars
        if (beats % (kBarsPerTempo * kBeatsPerBar) == 0) {
            const double bpm =
                kTempos[(beats / (kBarsPerTempo * kBeatsPerBar)) % std::size(kTempos)];
            tempoTrack.push_back({beats * kTicksPerBeat,
                                  midilib::MakeTempoEvent(0, uint32_t(std::lround(6e7 / bpm)))});
            ++tempoChanges;
        }
        const double bpm = kTempos[(beats / (kBarsPerTempo * kBeatsPerBar)) % std::size(kTempos)];
        elapsed += 60.0 / bpm;
        ++beats;
    }
    const uint32_t bars = (beats + kBeatsPerBar - 1) / kBeatsPerBar;

    uint32_t format = 1;
    uint32_t ignored = 0;
    const uint32_t file = OpenSMF(argv[1], &format, 'w', &ignored);
    if (file == 0) {
        std::fprintf(stderr, "make_soak_song: %s: %s\n", argv[1], GetSMFErrorText(0));
        return 1;
    }
    const std::vector<MidiEvent> tempos = ToDeltas(tempoTrack);
    WriteMetaEvent(file, 0, 0x03, reinterpret_cast<const uint8_t*>("Soak tempo map"), 0);
    WriteSMF(file, 0, tempos.data(), uint32_t(tempos.size()));
    size_t eventCount = tempos.size();
    for (uint32_t t = 1; t < uint32_t(trackCount); ++t) {
        const uint8_t channel = kChannels[(t - 1) % std::size(kChannels)];
        const int role = int((t - 1) % 4);
        std::vector<Timed> notes;
        // Sound and level first, as songs do.
        notes.push_back({0, {0, uint8_t(0xC0 | channel), uint8_t((t * 5) % 128), 0, 0}});
        notes.push_back({0, {0, uint8_t(0xB0 | channel), 7, uint8_t(70 + t % 40), 0}});
        notes.push_back({0, {0, uint8_t(0xB0 | channel), 10, uint8_t((t * 17) % 128), 0}});
        for (uint32_t bar = 0; bar < bars; ++bar)
            Bar(notes, role, bar * kBeatsPerBar * kTicksPerBeat, bar, channel,
                kProgression[bar % kProgression.size()]);
        const std::vector<MidiEvent> events = ToDeltas(notes);
        const std::string name = "Soak " + std::to_string(t) + " ch " + std::to_string(channel + 1);
        WriteMetaEvent(file, t, 0x03, reinterpret_cast<const uint8_t*>(name.c_str()), 0);
        eventCount += WriteSMF(file, t, events.data(), uint32_t(events.size()));
    }
    if (CloseSMF(file) != 0) {
        std::fprintf(stderr, "make_soak_song: cannot write %s\n", argv[1]);
        return 1;
    }
    std::printf("%s: %ld tracks, %zu events, %u bars, %zu tempo changes, %.1f s\n", argv[1],
                trackCount, eventCount, bars, tempoChanges, elapsed);
    return 0;
}
