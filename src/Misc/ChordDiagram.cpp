#include "Misc/ChordDiagram.h"

#include <algorithm>
#include <string>

namespace {

constexpr char kStringLetters[] = "EADGBE";
constexpr int kShownFrets = 4;

std::string RightAligned(int value, std::size_t width) {
    std::string text = std::to_string(value);
    if (text.size() < width) text.insert(0, width - text.size(), ' ');
    return text;
}

// One four-character cell of a string line.
std::string Cell(const Fingering& fingering, int string, int fret, bool firstCell) {
    const int stopped = fingering.frets[string];
    if (stopped == -1) return firstCell ? "-X-|" : "---|";
    if (stopped != fret) return "---|";
    const int mark = fingering.fingers[string];
    if (mark < 0) return "-O-|";
    if (mark == 0) return "---|";
    // Appended rather than "-" + ...: GCC 12 warns falsely (-Wrestrict) on a literal put before a
    // temporary string in optimised builds.
    std::string cell = "-";
    cell += std::to_string(mark);
    cell += "-|";
    return cell;
}

}  // namespace

bool LookupChord(Chord set, const char*& abbreviation, const char*& name,
                 const FingeringList*& fingerings, const char*& rootName) {
    const std::optional<ChordMatch> match = chordDictionary.Match(set);
    if (!match) return false;
    abbreviation = match->type->AbbreviationText();
    name = match->type->NameText();
    fingerings = &match->type->fingerings[match->root];
    rootName = Chord::NoteName(match->root);
    return true;
}

std::ostream& WriteChord(std::ostream& stream, Chord set) {
    const std::optional<ChordMatch> match = chordDictionary.Match(set);
    if (!match) return stream;
    stream << Chord::NoteName(match->root);
    if (const char* abbreviation = match->type->AbbreviationText()) stream << abbreviation;
    if (const char* name = match->type->NameText()) stream << ' ' << name;
    stream << '\n';
    return WriteChordDiagrams(stream, match->type->fingerings[match->root]);
}

std::ostream& WriteChordDiagrams(std::ostream& stream, const FingeringList& fingerings) {
    for (const Fingering& fingering : fingerings)
        WriteChordDiagram(stream, fingering);
    return stream;
}

std::ostream& WriteChordDiagram(std::ostream& stream, const Fingering& fingering) {
    int highest = 0;
    for (int fret : fingering.frets)
        highest = std::max(highest, fret);
    highest = std::max(highest, kShownFrets);
    const int first = highest <= kShownFrets ? 1 : highest - (kShownFrets - 1);

    std::string text = "\n";
    for (int string = kGuitarStrings - 1; string >= 0; --string) {
        text += '(';
        text += kStringLetters[string];
        text += ")  |";
        for (int fret = first; fret < first + kShownFrets; ++fret)
            text += Cell(fingering, string, fret, fret == first);
        text += '\n';
    }
    text += "     ";
    for (int fret = first; fret < first + kShownFrets; ++fret)
        text += RightAligned(fret, 4);
    text += '\n';
    return stream << text;
}
