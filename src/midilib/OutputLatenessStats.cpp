#include "midilib/OutputLatenessStats.h"

#include <algorithm>

namespace midilib {

void OutputLatenessStats::Add(int64_t latenessNs) {
    const int64_t late = std::max<int64_t>(latenessNs, 0);
    const int64_t bin = std::min<int64_t>(late / 1000, kBins - 1);
    ++bins_[size_t(bin)];
    if (count_ == 0 || late > max_) max_ = late;
    ++count_;
}

int64_t OutputLatenessStats::Percentile(uint64_t rank) const {
    uint64_t seen = 0;
    for (int bin = 0; bin < kBins; ++bin) {
        seen += bins_[size_t(bin)];
        if (seen > rank) return std::min<int64_t>(int64_t(bin) * 1000 + 500, max_);
    }
    return max_;
}

LatenessSummary OutputLatenessStats::Summary() const {
    if (count_ == 0) return {};
    return {count_, Percentile(count_ / 2), Percentile(count_ * 99 / 100), max_};
}

void OutputLatenessStats::Clear() {
    bins_.fill(0);
    count_ = 0;
    max_ = 0;
}

}  // namespace midilib
