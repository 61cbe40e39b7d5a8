// Writes Tabulon's demo songs with our own MIDI library:
//   demo-progression.mid  a I-vi-IV-V progression in C, G, D and A: strummed chords, bass and a
//                         melody of chord tones, 100 beats per minute
//   demo-tempo-change.mid the progression in E and F, starting at 84 and moving to 132 beats per
//                         minute half-way
//   demo-blues.mid        a twelve-bar blues in A with seventh chords, 112 beats per minute
// Usage: make_demo_songs [OUTPUT_FOLDER]   (default: the current folder)
//
// The melody only plays notes of the chord that sounds, so the chords of every channel together
// are still recognised when all channels are listened to.

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "midi/MidiLib.h"
#include "midilib/EventEncoding.h"

namespace {

constexpr uint32_t kTicksPerBeat = 480;

struct Timed {
    uint32_t tick;
    MidiEvent event;
};

struct ChordStep {
    int root;                // MIDI note of the chord's root near middle C
    std::vector<int> tones;  // semitones above the root
};

class TrackBuilder {
  public:
    void Add(uint32_t tick, uint8_t status, uint8_t data1, uint8_t data2) {
        events_.push_back({tick, MidiEvent{0, status, data1, data2, 0}});
    }
    void Note(uint32_t tick, uint32_t length, uint8_t channel, int note, uint8_t velocity) {
        Add(tick, uint8_t(0x90 | channel), uint8_t(note), velocity);
        // A note ends just before the next beat's notes start, so chords change cleanly.
        Add(tick + length - 1, uint8_t(0x80 | channel), uint8_t(note), 0);
    }
    void Tempo(uint32_t tick, double beatsPerMinute) {
        events_.push_back(
            {tick, midilib::MakeTempoEvent(0, uint32_t(60000000.0 / beatsPerMinute))});
    }
    // Delta times in time order; events of one tick keep the order in which they were added.
    std::vector<MidiEvent> Deltas() const {
        std::vector<Timed> sorted = events_;
        std::stable_sort(sorted.begin(), sorted.end(),
                         [](const Timed& a, const Timed& b) { return a.tick < b.tick; });
        std::vector<MidiEvent> out;
        uint32_t last = 0;
        for (const Timed& t : sorted) {
            MidiEvent e = t.event;
            e.time = t.tick - last;
            last = t.tick;
            out.push_back(e);
        }
        return out;
    }

  private:
    std::vector<Timed> events_;
};

struct Song {
    std::string fileName;
    std::vector<std::pair<std::string, TrackBuilder>> tracks;
};

// One bar of four beats per chord: the chord strummed on beats 1 and 3, the root in the bass on
// every beat, the melody walking through the chord tones in eighths.
Song MakeProgression(const std::string& fileName, const std::vector<ChordStep>& steps,
                     const std::vector<std::pair<uint32_t, double>>& tempi) {
    Song song{fileName, {}};
    TrackBuilder conductor, guitar, bass, melody;
    for (const auto& [bar, bpm] : tempi)
        conductor.Tempo(bar * 4 * kTicksPerBeat, bpm);
    guitar.Add(0, 0xC0, 25, 0);  // steel-string guitar
    bass.Add(0, 0xC1, 33, 0);    // finger bass
    melody.Add(0, 0xC2, 73, 0);  // flute
    uint32_t tick = 0;
    for (const ChordStep& step : steps) {
        for (uint32_t half = 0; half < 2; ++half) {
            const uint32_t start = tick + half * 2 * kTicksPerBeat;
            uint32_t strum = 0;
            for (int tone : step.tones) {
                guitar.Note(start + strum, 2 * kTicksPerBeat - strum, 0, step.root + tone, 80);
                strum += 10;
            }
        }
        for (uint32_t beat = 0; beat < 4; ++beat)
            bass.Note(tick + beat * kTicksPerBeat, kTicksPerBeat, 1, step.root - 24, 96);
        for (uint32_t eighth = 0; eighth < 8; ++eighth) {
            const int tone = step.tones[eighth % step.tones.size()];
            melody.Note(tick + eighth * kTicksPerBeat / 2, kTicksPerBeat / 2, 2,
                        step.root + 12 + tone, 70);
        }
        tick += 4 * kTicksPerBeat;
    }
    song.tracks = {
        {"Conductor", conductor}, {"Guitar", guitar}, {"Bass", bass}, {"Melody", melody}};
    return song;
}

std::vector<ChordStep> OneFourFiveSix(int root) {
    const std::vector<int> major{0, 4, 7}, minor{0, 3, 7};
    return {{root, major}, {root + 9 - 12, minor}, {root + 5, major}, {root + 7 - 12, major}};
}

bool Write(const std::string& folder, const Song& song) {
    const std::string path = folder + "/" + song.fileName;
    uint32_t format = 1, numTracks = 0;
    const uint32_t h = OpenSMF(path.c_str(), &format, 'w', &numTracks);
    if (h == 0) {
        std::fprintf(stderr, "make_demo_songs: %s: %s\n", path.c_str(), GetSMFErrorText(0));
        return false;
    }
    uint32_t index = 0;
    for (const auto& [name, track] : song.tracks) {
        WriteMetaEvent(h, index, 3, reinterpret_cast<const uint8_t*>(name.c_str()), 0);
        const std::vector<MidiEvent> events = track.Deltas();
        WriteSMF(h, index, events.data(), uint32_t(events.size()));
        ++index;
    }
    if (CloseSMF(h) != 0) {
        std::fprintf(stderr, "make_demo_songs: cannot write %s\n", path.c_str());
        return false;
    }
    std::printf("wrote %s\n", path.c_str());
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    const std::string folder = argc > 1 ? argv[1] : ".";
    std::vector<ChordStep> progression;
    for (int root : {60, 67, 62, 69})
        for (const ChordStep& s : OneFourFiveSix(root))
            progression.push_back(s);

    std::vector<ChordStep> keyChange;
    for (int root : {64, 65})
        for (const ChordStep& s : OneFourFiveSix(root))
            keyChange.push_back(s);

    const std::vector<int> seventh{0, 4, 7, 10};
    std::vector<ChordStep> blues;
    for (int root : {57, 57, 57, 57, 62, 62, 57, 57, 64, 62, 57, 64})
        blues.push_back({root, seventh});

    bool ok = Write(folder, MakeProgression("demo-progression.mid", progression, {{0, 100.0}}));
    ok &=
        Write(folder, MakeProgression("demo-tempo-change.mid", keyChange, {{0, 84.0}, {4, 132.0}}));
    ok &= Write(folder, MakeProgression("demo-blues.mid", blues, {{0, 112.0}}));
    return ok ? 0 : 1;
}
