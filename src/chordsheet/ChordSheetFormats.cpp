#include "chordsheet/ChordSheetFormats.h"

#include <algorithm>
#include <cstdio>

namespace {

void WriteTsv(std::ostream& out, const SheetFile& file) {
    for (const SheetEntry& e : file.entries) {
        std::string line;
        if (file.named) line += file.path + '\t';
        line += std::to_string(e.tick) + '\t' + e.root + '\t' + e.abbreviation.value_or("") + '\t' +
                e.name.value_or("");
        if (file.guitarist) line += '\t' + e.chord + '\t' + e.bass + '\t' + e.fingering;
        out << line << '\n';
    }
}

std::string JsonText(const std::optional<std::string>& text) {
    return text ? JsonString(*text) : "null";
}

void WriteJson(std::ostream& out, const SheetFile& file) {
    std::string line = "{\"file\":" + JsonString(file.path) +
                       ",\"ticksPerBeat\":" + std::to_string(file.song.ticksPerQuarter) +
                       ",\"chords\":[";
    for (std::size_t k = 0; k < file.entries.size(); ++k) {
        const SheetEntry& e = file.entries[k];
        if (k > 0) line += ',';
        line += "{\"tick\":" + std::to_string(e.tick) + ",\"root\":" + JsonString(e.root) +
                ",\"abbreviation\":" + JsonText(e.abbreviation) + ",\"name\":" + JsonText(e.name) +
                ",\"chord\":" + JsonString(e.chord) + ",\"bass\":" + JsonString(e.bass) +
                ",\"fingering\":" + JsonString(e.fingering) + "}";
    }
    out << line << "]}\n";
}

// The entry in force for the longest part of [from, to), or -1 when none sounds for most of it.
int InForceOver(const std::vector<SheetEntry>& entries, uint64_t from, uint64_t to) {
    int best = -1;
    uint64_t bestShare = 0;
    uint64_t silent = 0;
    if (entries.empty() || entries.front().tick >= to) return -1;
    if (entries.front().tick > from) silent = entries.front().tick - from;
    for (std::size_t k = 0; k < entries.size(); ++k) {
        const uint64_t start = std::max<uint64_t>(entries[k].tick, from);
        const uint64_t end =
            std::min<uint64_t>(k + 1 < entries.size() ? entries[k + 1].tick : to, to);
        if (end > start && end - start > bestShare) {
            bestShare = end - start;
            best = static_cast<int>(k);
        }
    }
    return silent > bestShare ? -1 : best;
}

void WriteChart(std::ostream& out, const SheetFile& file) {
    if (file.named) out << file.path << '\n';
    std::size_t width = 4;  // "N.C."
    for (const SheetEntry& e : file.entries)
        width = std::max(width, e.chord.size());
    const uint32_t lastBar = file.song.PositionOf(file.endTick).bar;
    std::string previous;
    for (uint32_t bar = 1; bar <= lastBar; ++bar) {
        const uint64_t start = file.song.BarStart(bar);
        const uint64_t end = bar < lastBar ? file.song.BarStart(bar + 1)
                                           : start + file.song.BarTicksAt(uint32_t(start));
        const uint32_t beat = file.song.BeatTicksAt(static_cast<uint32_t>(start));
        char number[16];
        std::snprintf(number, sizeof number, "%4u |", bar);
        std::string line = number;
        for (uint64_t at = start; at < end; at += beat) {
            const int k = InForceOver(file.entries, at, at + beat);
            const std::string cell =
                k < 0 ? "N.C." : file.entries[static_cast<std::size_t>(k)].chord;
            std::string shown = cell == previous ? "." : cell;
            previous = cell;
            shown.resize(width, ' ');
            line += ' ' + shown;
        }
        out << line << " |\n";
    }
}

}  // namespace

std::string JsonString(const std::string& text) {
    std::string quoted = "\"";
    for (const char c : text) {
        switch (c) {
            case '"':
                quoted += "\\\"";
                break;
            case '\\':
                quoted += "\\\\";
                break;
            case '\n':
                quoted += "\\n";
                break;
            case '\t':
                quoted += "\\t";
                break;
            default:
                if (static_cast<unsigned char>(c) < 0x20) {
                    char escaped[8];
                    std::snprintf(escaped, sizeof escaped, "\\u%04x", c);
                    quoted += escaped;
                } else {
                    quoted += c;
                }
        }
    }
    return quoted + "\"";
}

std::string FingeringText(const std::array<int32_t, 6>& frets) {
    const bool twoDigits = std::any_of(frets.begin(), frets.end(), [](int f) { return f >= 10; });
    std::string text;
    for (int s = 0; s < 6; ++s) {
        if (twoDigits && s > 0) text += '-';
        text += frets[s] < 0 ? std::string("x") : std::to_string(frets[s]);
    }
    return text;
}

void WriteSheet(std::ostream& out, SheetFormat format, const SheetFile& file) {
    switch (format) {
        case SheetFormat::Tsv:
            return WriteTsv(out, file);
        case SheetFormat::Json:
            return WriteJson(out, file);
        case SheetFormat::Sheet:
            return WriteChart(out, file);
    }
}

void WriteJsonError(std::ostream& out, const std::string& path, const std::string& error) {
    out << "{\"file\":" << JsonString(path) << ",\"error\":" << JsonString(error) << "}\n";
}
