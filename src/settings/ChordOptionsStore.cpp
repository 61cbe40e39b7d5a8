#include "settings/ChordOptionsStore.h"

#include <QSettings>
#include <QString>

namespace settings {

namespace {

constexpr QLatin1StringView kGroup("Chords");

}  // namespace

ChordOptions LoadChordOptions() {
    QSettings settings;
    settings.beginGroup(kGroup);
    ChordOptions options;
    options.largeView = settings.value("largeView", false).toBool();
    options.allFingerings = settings.value("allFingerings", false).toBool();
    options.steadyChords = settings.value("steadyChords", false).toBool();
    options.guitarNames = settings.value("guitarNames", false).toBool();
    options.moreTypes = settings.value("moreTypes", false).toBool();
    const std::string length = settings.value("minChordLength", "off").toString().toStdString();
    options.minChordLength = MinChordLengthFromWord(length).value_or(MinChordLength::Off);
    return options;
}

void SaveChordOptions(const ChordOptions& options) {
    QSettings settings;
    settings.beginGroup(kGroup);
    settings.setValue("largeView", options.largeView);
    settings.setValue("allFingerings", options.allFingerings);
    settings.setValue("steadyChords", options.steadyChords);
    settings.setValue("guitarNames", options.guitarNames);
    settings.setValue("moreTypes", options.moreTypes);
    const std::string_view length = MinChordLengthWord(options.minChordLength);
    settings.setValue("minChordLength",
                      QString::fromLatin1(length.data(), static_cast<qsizetype>(length.size())));
}

}  // namespace settings
