#include "app/ShownChord.h"

bool ShowChord(const ChordEvent& entry, const GuitarChordEvent* read, const ChordOptions& options,
               ShownChord& shown) {
    const std::optional<guitar::ChordReading> reading =
        read ? std::optional(read->reading) : guitar::ReadChord(entry.chord, -1, {});
    if (!reading) return false;
    const bool flats = read && read->flats;
    shown.reading = *reading;
    shown.name = QString::fromStdString(guitar::WrittenName(*reading, flats, options.moreTypes));
    const guitar::TypeTexts texts = guitar::TextsOf(reading->type, options.moreTypes);
    shown.title = QString::fromLatin1(guitar::PitchName(reading->root, flats));
    if (texts.name) shown.title += QLatin1Char(' ') + QString::fromUtf8(texts.name);
    if (options.guitarNames)
        shown.title += QStringLiteral(" (") + shown.name + QLatin1Char(')');
    else if (texts.abbreviation)
        shown.title +=
            QStringLiteral(" (") + QString::fromUtf8(texts.abbreviation) + QLatin1Char(')');
    shown.shape = guitar::ShapeFor(reading->type, reading->root, options.allFingerings);
    return true;
}
