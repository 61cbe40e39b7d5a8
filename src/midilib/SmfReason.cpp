#include "midilib/SmfReason.h"

#include <cstdio>

namespace midilib {

namespace {

// Longer names are cut: a warning names the track, it does not print its whole text.
constexpr size_t kMaxNameBytes = 40;

bool IsUtf8Continuation(char c) {
    return (static_cast<unsigned char>(c) & 0xC0) == 0x80;
}

}  // namespace

std::string GroupedNumber(uint64_t value) {
    std::string digits = std::to_string(value);
    for (size_t i = digits.size(); i > 3; i -= 3)
        digits.insert(i - 3, 1, ',');
    return digits;
}

std::string HexByte(uint8_t value) {
    char text[8];
    std::snprintf(text, sizeof text, "0x%02X", value);
    return text;
}

std::string TrackLabel(uint32_t index, std::string_view name) {
    std::string label = "track " + GroupedNumber(uint64_t{index} + 1);
    if (name.empty()) return label;
    size_t keep = name.size();
    if (keep > kMaxNameBytes) {
        keep = kMaxNameBytes;
        while (keep > 0 && IsUtf8Continuation(name[keep]))
            --keep;  // never split a character
    }
    label += " (";
    for (size_t i = 0; i < keep; ++i)
        label += static_cast<unsigned char>(name[i]) < 0x20 ? '?' : name[i];
    if (keep < name.size()) label += "...";
    label += ")";
    return label;
}

std::string AtTrackByte(std::string_view what, size_t at, uint32_t index, std::string_view name) {
    std::string text(what);
    text += " at byte " + GroupedNumber(at) + " of " + TrackLabel(index, name);
    return text;
}

}  // namespace midilib
