#pragma once
// OutputLatenessStats: how late an output handed its events to the device, against the time at
// which the clock's position reached each event's tick. Kept as a histogram of 1 µs bins up to
// 20 ms (later samples count in the last bin) plus the exact maximum, so it stays small however
// long a play runs.

#include <array>
#include <cstdint>

namespace midilib {

struct LatenessSummary {
    uint64_t count = 0;
    int64_t p50Ns = 0;
    int64_t p99Ns = 0;
    int64_t maxNs = 0;
};

class OutputLatenessStats {
  public:
    void Add(int64_t latenessNs);
    LatenessSummary Summary() const;
    void Clear();

  private:
    static constexpr int kBins = 20000;
    int64_t Percentile(uint64_t rank) const;

    std::array<uint32_t, kBins> bins_{};
    uint64_t count_ = 0;
    int64_t max_ = 0;
};

}  // namespace midilib
