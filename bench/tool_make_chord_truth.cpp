// make_chord_truth: writes a truth set for chord recognition: songs whose chords are known, and
// beside each song its truth (bench/score_chord_truth.py scores a chord sheet against it).
//
//   make_chord_truth FOLDER [SEED]
//
// Every quality below appears on all 12 roots in each of four ways of playing: a block chord, a
// strum (one note every 3 to 6 ticks, low to high), a let-ring arpeggio (the notes one after
// another, all of them sounding by half the chord's length) and an inversion (a strum over the
// third, fifth or seventh, where that bass leaves one reading of the notes; qualities without
// such an inversion are strummed in root position instead). Each chord lasts one or two beats,
// in a random order, 48 chords a song at 100 beats per minute and 480 ticks per beat, on channel
// 1. Channel 2 plays a legato melody in eighths over it: chord tones, with a scale step that is
// not one on every third note; channel 10 plays kick or snare on every beat and the hi-hat
// between, each held until just before the next beat, as many files write drums. As players do, the
// parts are not exactly together: a chord starts up to 10 ticks late, melody and drum notes up to 8
// ticks early or late.
//
// FOLDER/truth-NN.mid and FOLDER/truth-NN.truth, one line per chord:
//   start \t end \t root \t quality \t roots \t style
// with the ticks, the root's pitch class, the quality's symbol, every root that names the same
// notes (one, or three for aug and four for dim7, whose notes repeat) and the way it is played.

#include <algorithm>
#include <cstdio>
#include <random>
#include <string>
#include <vector>

#include "midi/MidiLib.h"
#include "midilib/EventEncoding.h"

namespace {

constexpr uint32_t kTicksPerBeat = 480;
constexpr int kChordsPerSong = 48;

struct Quality {
    const char* symbol;
    std::vector<int> tones;       // semitones above the root, lowest first
    std::vector<int> inversions;  // indexes into tones that may be the bass
    int period;                   // the notes repeat every `period` semitones (12: never)
};

// The bass notes allowed for inversions leave one root: Cm7 over Eb would be Eb6, C6 over A is
// Am7, so those are played in root position only.
const std::vector<Quality> kQualities = {
    {"", {0, 4, 7}, {1, 2}, 12},          {"m", {0, 3, 7}, {1, 2}, 12},
    {"7", {0, 4, 7, 10}, {1, 2, 3}, 12},  {"m7", {0, 3, 7, 10}, {3}, 12},
    {"maj7", {0, 4, 7, 11}, {1, 2}, 12},  {"sus2", {0, 2, 7}, {}, 12},
    {"sus4", {0, 5, 7}, {}, 12},          {"dim", {0, 3, 6}, {1, 2}, 12},
    {"aug", {0, 4, 8}, {1, 2}, 4},        {"m7b5", {0, 3, 6, 10}, {2, 3}, 12},
    {"dim7", {0, 3, 6, 9}, {1, 2, 3}, 3}, {"6", {0, 4, 7, 9}, {}, 12},
    {"m6", {0, 3, 7, 9}, {}, 12},         {"9", {0, 4, 7, 10, 14}, {}, 12},
    {"add9", {0, 4, 7, 14}, {}, 12},      {"5", {0, 7}, {}, 12},
};

enum class Style { Block, Strum, Arpeggio, Inversion };
const char* StyleName(Style s) {
    switch (s) {
        case Style::Block:
            return "block";
        case Style::Strum:
            return "strum";
        case Style::Arpeggio:
            return "arpeggio";
        case Style::Inversion:
            return "inversion";
    }
    return "";
}

struct PlannedChord {
    int root;
    const Quality* quality;
    Style style;
};

struct Timed {
    uint32_t tick;
    MidiEvent event;
};

class Track {
  public:
    void Note(uint32_t start, uint32_t end, int channel, int note, int velocity) {
        events.push_back(
            {start, MidiEvent{0, uint8_t(0x90 | channel), uint8_t(note), uint8_t(velocity), 0}});
        events.push_back({end, MidiEvent{0, uint8_t(0x80 | channel), uint8_t(note), 0, 0}});
    }
    void Add(uint32_t tick, const MidiEvent& e) { events.push_back({tick, e}); }
    // Delta times in time order; at one tick, note-offs before note-ons.
    std::vector<MidiEvent> Deltas() const {
        std::vector<Timed> sorted = events;
        std::stable_sort(sorted.begin(), sorted.end(), [](const Timed& a, const Timed& b) {
            const bool aOff = (a.event.status & 0xF0) == 0x80;
            const bool bOff = (b.event.status & 0xF0) == 0x80;
            return a.tick != b.tick ? a.tick < b.tick : aOff && !bOff;
        });
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
    std::vector<Timed> events;
};

// The notes of a chord as a guitarist might voice it: the bass between E2 and D#3, the other
// tones stacked above it, the root or fifth doubled on top now and then.
std::vector<int> Voicing(int root, const Quality& q, int bassIndex, std::mt19937& random) {
    const int bassTone = q.tones[static_cast<std::size_t>(bassIndex)];
    int bass = 40 + ((root + bassTone) % 12 + 12 - 4) % 12;
    std::vector<int> notes{bass};
    int previous = bass;
    for (std::size_t k = 1; k <= q.tones.size(); ++k) {
        const std::size_t index = (static_cast<std::size_t>(bassIndex) + k) % q.tones.size();
        if (static_cast<int>(index) == bassIndex) break;
        const int pc = (root + q.tones[index]) % 12;
        int note = previous + 1;
        while (note % 12 != pc)
            ++note;
        notes.push_back(note);
        previous = note;
    }
    if (random() % 2 == 0 && q.tones.size() < 5) {
        int top = previous + 1;
        while (top % 12 != root % 12)
            ++top;
        notes.push_back(top);
    }
    return notes;
}

void PlayChord(Track& chords, const PlannedChord& c, uint32_t start, uint32_t length,
               std::mt19937& random, int& bassTone) {
    int bassIndex = 0;
    if (c.style == Style::Inversion && !c.quality->inversions.empty())
        bassIndex = c.quality->inversions[random() % c.quality->inversions.size()];
    bassTone = c.quality->tones[static_cast<std::size_t>(bassIndex)];
    const std::vector<int> notes = Voicing(c.root, *c.quality, bassIndex, random);
    const uint32_t end = start + length - 1;
    uint32_t at = start + random() % 11;
    for (int note : notes) {
        chords.Note(at, end, 0, note, 70 + static_cast<int>(random() % 30));
        switch (c.style) {
            case Style::Block:
                break;
            case Style::Strum:
            case Style::Inversion:
                at += 3 + random() % 4;
                break;
            case Style::Arpeggio:
                at += std::min<uint32_t>(kTicksPerBeat / 8,
                                         length / 2 / static_cast<uint32_t>(notes.size()));
                break;
        }
    }
}

// Eighths over the chord: chord tones, every third note a scale step that is not one.
void PlayMelody(Track& melody, const PlannedChord& c, uint32_t start, uint32_t length,
                std::mt19937& random) {
    static constexpr int kMajorScale[] = {0, 2, 4, 5, 7, 9, 11};
    const uint32_t eighth = kTicksPerBeat / 2;
    int n = 0;
    auto loose = [&random](uint32_t tick) { return tick + 8 - random() % 17; };
    uint32_t next = loose(start);
    for (uint32_t at = start; at + eighth <= start + length; at += eighth, ++n) {
        int pc = 0;
        if (n % 3 == 2) {
            do {
                pc = (c.root + kMajorScale[random() % 7]) % 12;
            } while (std::any_of(c.quality->tones.begin(), c.quality->tones.end(),
                                 [&](int t) { return (c.root + t) % 12 == pc; }));
        } else {
            pc = (c.root + c.quality->tones[random() % c.quality->tones.size()]) % 12;
        }
        const uint32_t from = next;
        next = loose(at + eighth);
        melody.Note(from, next, 1, 72 + pc, 80);
    }
}

void PlayDrums(Track& drums, uint32_t start, uint32_t length, std::mt19937& random) {
    for (uint32_t at = start; at < start + length; at += kTicksPerBeat) {
        const bool backBeat = (at / kTicksPerBeat) % 2 == 1;
        const uint32_t hit = at + 8 - random() % 17;
        // Held until the next hit, as many files write drum notes.
        drums.Note(hit, hit + kTicksPerBeat - 20, 9, backBeat ? 38 : 36, 100);
        drums.Note(hit + kTicksPerBeat / 2, hit + kTicksPerBeat - 20, 9, 42, 70);
    }
}

std::string RootsOf(const PlannedChord& c) {
    std::string roots;
    for (int r = c.root % c.quality->period; r < 12; r += c.quality->period)
        roots += (roots.empty() ? "" : ",") + std::to_string(r);
    return roots;
}

bool WriteSong(const std::string& path, const std::vector<Track>& tracks) {
    uint32_t format = 1, numTracks = 0;
    const uint32_t h = OpenSMF(path.c_str(), &format, 'w', &numTracks);
    if (h == 0) {
        std::fprintf(stderr, "make_chord_truth: %s: %s\n", path.c_str(), GetSMFErrorText(0));
        return false;
    }
    const char* names[] = {"Conductor", "Chords", "Melody", "Drums"};
    for (uint32_t i = 0; i < tracks.size(); ++i) {
        WriteMetaEvent(h, i, 3, reinterpret_cast<const uint8_t*>(names[i]), 0);
        const std::vector<MidiEvent> events = tracks[i].Deltas();
        WriteSMF(h, i, events.data(), static_cast<uint32_t>(events.size()));
    }
    return CloseSMF(h) == 0;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: make_chord_truth FOLDER [SEED]\n");
        return 2;
    }
    const std::string folder = argv[1];
    std::mt19937 random(argc > 2 ? static_cast<unsigned>(std::stoul(argv[2])) : 17u);

    std::vector<PlannedChord> plan;
    for (const Quality& q : kQualities)
        for (int root = 0; root < 12; ++root)
            for (Style s : {Style::Block, Style::Strum, Style::Arpeggio, Style::Inversion})
                plan.push_back({root, &q, s});
    std::shuffle(plan.begin(), plan.end(), random);

    int song = 0;
    for (std::size_t first = 0; first < plan.size(); first += kChordsPerSong, ++song) {
        std::vector<Track> tracks(4);
        tracks[0].Add(0, midilib::MakeTempoEvent(0, 600000));  // 100 beats per minute
        char base[64];
        std::snprintf(base, sizeof base, "%s/truth-%02d", folder.c_str(), song);
        std::FILE* truth = std::fopen((std::string(base) + ".truth").c_str(), "w");
        if (!truth) {
            std::fprintf(stderr, "make_chord_truth: cannot write %s.truth\n", base);
            return 1;
        }
        uint32_t tick = kTicksPerBeat;  // room for the first notes that come early
        const std::size_t last = std::min(plan.size(), first + kChordsPerSong);
        for (std::size_t i = first; i < last; ++i) {
            const PlannedChord& c = plan[i];
            const uint32_t length = kTicksPerBeat * (1 + random() % 2);
            int bassTone = 0;
            PlayChord(tracks[1], c, tick, length, random, bassTone);
            PlayMelody(tracks[2], c, tick, length, random);
            PlayDrums(tracks[3], tick, length, random);
            const bool inverted = c.style == Style::Inversion && bassTone != 0;
            std::fprintf(truth, "%u\t%u\t%d\t%s\t%s\t%s\n", tick, tick + length, c.root,
                         c.quality->symbol, RootsOf(c).c_str(),
                         inverted
                             ? "inversion"
                             : StyleName(c.style == Style::Inversion ? Style::Strum : c.style));
            tick += length;
        }
        std::fclose(truth);
        if (!WriteSong(std::string(base) + ".mid", tracks)) return 1;
    }
    std::printf("wrote %d songs of %zu chords into %s\n", song, plan.size(), folder.c_str());
    return 0;
}
