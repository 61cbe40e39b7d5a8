#pragma once
// The guitarist's chord options kept between runs, in the application's QSettings (group
// "Chords"). A missing or unreadable value reads as off, so a fresh install shows the designed
// view.

#include "settings/ChordOptions.h"

namespace settings {

ChordOptions LoadChordOptions();
void SaveChordOptions(const ChordOptions& options);

}  // namespace settings
