#include "Misc/GuitarTimeline.h"

// With the analysis pass, whose timeline it works on: compiled into the same library.

namespace {

// The designed timeline of the last pass and the options' timeline made from it.
struct TimelineInForce {
    std::vector<ChordEvent> designed;
    std::vector<GuitarChordEvent> guitar;  // empty while the designed one is in force
    uint32_t generation = UINT32_MAX;      // chordTimeline's generation once this was put in
};

TimelineInForce& InForce() {
    static TimelineInForce inForce;
    return inForce;
}

}  // namespace

void PutChordOptionsInForce(const SongSignatures& song) {
    TimelineInForce& inForce = InForce();
    if (chordTimeline.Generation() != inForce.generation) {
        // A pass made the timeline since: it is the designed one.
        inForce.designed.assign(chordTimeline.begin(), chordTimeline.end());
    }
    const ChordOptions& options = UserSettings.chordOptions;
    inForce.guitar.clear();
    if (options.ChangeTimeline())
        inForce.guitar = BuildGuitarTimeline(monitoredEvents, options, song);
    chordTimeline.Clear();
    if (options.ChangeTimeline()) {
        for (const GuitarChordEvent& e : inForce.guitar)
            chordTimeline.Append(e.time, e.reading.chord);
    } else {
        for (const ChordEvent& e : inForce.designed)
            chordTimeline.Append(e.time, e.chord);
    }
    inForce.generation = chordTimeline.Generation();
}

const GuitarChordEvent* GuitarChordAt(std::size_t position) {
    const TimelineInForce& inForce = InForce();
    if (inForce.generation != chordTimeline.Generation() || position >= inForce.guitar.size())
        return nullptr;
    return &inForce.guitar[position];
}
