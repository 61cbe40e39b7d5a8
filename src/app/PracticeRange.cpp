#include "app/PracticeRange.h"

#include <algorithm>

namespace {

uint32_t TickOfBar(const SongSignatures& song, uint32_t bar) {
    return static_cast<uint32_t>(std::min<uint64_t>(song.BarStart(bar), UINT32_MAX));
}

}  // namespace

CMidiOut::PracticeOptions PracticeRange(const SongSignatures& song, uint32_t firstBar,
                                        uint32_t lastBar, bool loop, bool countIn) {
    CMidiOut::PracticeOptions options;
    options.from = firstBar > 1 ? TickOfBar(song, firstBar) : 0;
    options.to = lastBar > 0 && lastBar < UINT32_MAX ? TickOfBar(song, lastBar + 1) : 0;
    options.loop = loop && options.to > options.from;
    if (countIn) {
        options.countInBeatTicks = song.BeatTicksAt(options.from);
        options.countInBeats = song.BarTicksAt(options.from) / options.countInBeatTicks;
    }
    return options;
}
