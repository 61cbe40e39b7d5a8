#include "settings/ChordOptions.h"

#include <array>
#include <utility>

namespace {

// Each length with its word and the short forms the command line also takes.
struct LengthWords {
    MinChordLength length;
    std::string_view word;
    std::string_view shortWord;
};

constexpr std::array<LengthWords, 5> kLengthWords = {{
    {MinChordLength::Off, "off", "0"},
    {MinChordLength::HalfBeat, "half-beat", "1/2beat"},
    {MinChordLength::Beat, "beat", "1beat"},
    {MinChordLength::TwoBeats, "two-beats", "2beats"},
    {MinChordLength::Bar, "bar", "1bar"},
}};

}  // namespace

std::string_view MinChordLengthWord(MinChordLength length) {
    for (const LengthWords& entry : kLengthWords)
        if (entry.length == length) return entry.word;
    return "off";
}

std::optional<MinChordLength> MinChordLengthFromWord(std::string_view word) {
    for (const LengthWords& entry : kLengthWords)
        if (word == entry.word || word == entry.shortWord) return entry.length;
    return std::nullopt;
}
