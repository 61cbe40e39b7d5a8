// The main frame's "&Chords" commands: the guitarist's options, each a check item, and the
// Guitarist View item and button that turn them all on (or, when all are on, all off again).
#include "app/CMainFrame.h"
#include "app/CTabulonDoc.h"
#include "app/ChordDisplay.h"
#include "framework/CCmdUI.h"
#include "framework/CDocument.h"
#include "res/Resource.h"
#include "settings/ChordOptionsStore.h"
#include "settings/UserSettings.h"

namespace {

const ChordOptions& Current() {
    return UserSettings.chordOptions;
}

// The options with one flag turned over.
ChordOptions Toggled(bool ChordOptions::*flag) {
    ChordOptions options = Current();
    options.*flag = !(options.*flag);
    return options;
}

ChordOptions WithMinLength(MinChordLength length) {
    ChordOptions options = Current();
    options.minChordLength = length;
    return options;
}

}  // namespace

void CMainFrame::ApplyChordOptions(const ChordOptions& options) {
    UserSettings.chordOptions = options;
    settings::SaveChordOptions(options);
    if (const auto* document = dynamic_cast<const CTabulonDoc*>(GetActiveDocument()))
        document->UpdateChordTimeline();
    ResetChordDisplayCursor();
    if (CDocument* document = GetActiveDocument()) document->UpdateAllViews(nullptr, 0, nullptr);
}

void CMainFrame::OnGuitaristView() {
    const bool allOn = Current() == ChordOptions::Guitarist();
    ApplyChordOptions(allOn ? ChordOptions{} : ChordOptions::Guitarist());
}

void CMainFrame::OnUpdateGuitaristView(CCmdUI* cmdUI) {
    cmdUI->SetCheck(Current() == ChordOptions::Guitarist());
}

void CMainFrame::OnLargeView() {
    ApplyChordOptions(Toggled(&ChordOptions::largeView));
}

void CMainFrame::OnUpdateLargeView(CCmdUI* cmdUI) {
    cmdUI->SetCheck(Current().largeView);
}

void CMainFrame::OnAllFingerings() {
    ApplyChordOptions(Toggled(&ChordOptions::allFingerings));
}

void CMainFrame::OnUpdateAllFingerings(CCmdUI* cmdUI) {
    cmdUI->SetCheck(Current().allFingerings);
}

void CMainFrame::OnSteadyChords() {
    ApplyChordOptions(Toggled(&ChordOptions::steadyChords));
}

void CMainFrame::OnUpdateSteadyChords(CCmdUI* cmdUI) {
    cmdUI->SetCheck(Current().steadyChords);
}

void CMainFrame::OnGuitarNames() {
    ApplyChordOptions(Toggled(&ChordOptions::guitarNames));
}

void CMainFrame::OnUpdateGuitarNames(CCmdUI* cmdUI) {
    cmdUI->SetCheck(Current().guitarNames);
}

void CMainFrame::OnMoreTypes() {
    ApplyChordOptions(Toggled(&ChordOptions::moreTypes));
}

void CMainFrame::OnUpdateMoreTypes(CCmdUI* cmdUI) {
    cmdUI->SetCheck(Current().moreTypes);
}

void CMainFrame::OnMinLengthOff() {
    ApplyChordOptions(WithMinLength(MinChordLength::Off));
}

void CMainFrame::OnMinLengthHalfBeat() {
    ApplyChordOptions(WithMinLength(MinChordLength::HalfBeat));
}

void CMainFrame::OnMinLengthBeat() {
    ApplyChordOptions(WithMinLength(MinChordLength::Beat));
}

void CMainFrame::OnMinLengthTwoBeats() {
    ApplyChordOptions(WithMinLength(MinChordLength::TwoBeats));
}

void CMainFrame::OnMinLengthBar() {
    ApplyChordOptions(WithMinLength(MinChordLength::Bar));
}

void CMainFrame::OnUpdateMinLength(CCmdUI* cmdUI) {
    const unsigned ids[] = {ID_CHORDS_MIN_LENGTH_OFF, ID_CHORDS_MIN_LENGTH_HALF_BEAT,
                            ID_CHORDS_MIN_LENGTH_BEAT, ID_CHORDS_MIN_LENGTH_TWO_BEATS,
                            ID_CHORDS_MIN_LENGTH_BAR};
    const auto chosen = static_cast<std::size_t>(Current().minChordLength);
    cmdUI->SetCheck(cmdUI->GetID() == ids[chosen]);
}
