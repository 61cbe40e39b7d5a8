#include "app/PracticeControls.h"

#include <algorithm>
#include <climits>
#include <cmath>

#include "app/CLoopBarsDlg.h"
#include "app/CMainFrame.h"
#include "app/CTabulonDoc.h"
#include "app/CTabulonView.h"
#include "app/ChordDisplay.h"
#include "app/PracticeRange.h"
#include "framework/CCmdUI.h"
#include "res/Resource.h"
#include "settings/PlayerSettingsStore.h"

namespace {

constexpr int kPresets[][2] = {{ID_PRACTICE_SPEED_50, 50},
                               {ID_PRACTICE_SPEED_75, 75},
                               {ID_PRACTICE_SPEED_100, 100},
                               {ID_PRACTICE_SPEED_125, 125}};

}  // namespace

PracticeControls::PracticeControls(CTabulonView& ownerView) : view(ownerView) {}

void PracticeControls::TakeUp(const settings::PlayerSettings& kept) {
    SetSpeedPercent(kept.speedPercent);
    countIn = kept.countIn;
    ApplyPractice();
}

uint32_t PracticeControls::Position() const {
    const auto* frame = dynamic_cast<const CMainFrame*>(view.GetParentFrame());
    return frame ? frame->ShownPosition() : 0;
}

uint32_t PracticeControls::BarOfPosition() const {
    const CTabulonDoc* document = view.GetDocument();
    return document ? document->Signatures().PositionOf(Position()).bar : 1;
}

uint64_t PracticeControls::BarStart(uint32_t bar) const {
    const CTabulonDoc* document = view.GetDocument();
    return document ? document->Signatures().BarStart(bar) : 0;
}

void PracticeControls::SeekTo(uint32_t tick) {
    CTabulonDoc* document = view.GetDocument();
    if (!document || !document->HasEvents()) return;
    view.output.Reposition(std::min(tick, document->LengthTicks()));
    if (auto* frame = dynamic_cast<CMainFrame*>(view.GetParentFrame())) {
        frame->clock.playUnderWay = true;
        frame->RefreshPlayerStatus();
    }
    ResetChordDisplayCursor();
    document->UpdateAllViews(nullptr);
}

void PracticeControls::SeekToBar(int64_t bar) {
    const CTabulonDoc* document = view.GetDocument();
    const uint64_t start = BarStart(static_cast<uint32_t>(std::clamp<int64_t>(bar, 1, UINT32_MAX)));
    if (!document || start > document->LengthTicks()) return;  // no such bar: stay
    SeekTo(static_cast<uint32_t>(start));
}

void PracticeControls::OnRewind() {
    SeekTo(0);
}

void PracticeControls::OnBarBack() {
    SeekToBar(int64_t{BarOfPosition()} - 1);
}

void PracticeControls::OnBarForward() {
    SeekToBar(int64_t{BarOfPosition()} + 1);
}

int PracticeControls::SpeedPercent() const {
    return view.sync ? static_cast<int>(std::lround(view.sync->GetSpeed() * 100.0)) : 100;
}

void PracticeControls::SetSpeedPercent(int percent) {
    if (!view.sync) return;
    const int clamped = std::clamp(percent, settings::PlayerSettings::kMinSpeedPercent,
                                   settings::PlayerSettings::kMaxSpeedPercent);
    view.sync->SetSpeed(clamped / 100.0);
}

void PracticeControls::ChooseSpeedPercent(int percent) {
    SetSpeedPercent(percent);
    SaveKept();
}

void PracticeControls::OnSlower() {
    // From a speed between the steps (set through the tempo dialog) to the step below it.
    const int percent = SpeedPercent();
    ChooseSpeedPercent((percent - 1) / kSpeedStepPercent * kSpeedStepPercent);
}

void PracticeControls::OnFaster() {
    ChooseSpeedPercent((SpeedPercent() / kSpeedStepPercent + 1) * kSpeedStepPercent);
}

void PracticeControls::OnSpeed50() {
    ChooseSpeedPercent(50);
}

void PracticeControls::OnSpeed75() {
    ChooseSpeedPercent(75);
}

void PracticeControls::OnSpeed100() {
    ChooseSpeedPercent(100);
}

void PracticeControls::OnSpeed125() {
    ChooseSpeedPercent(125);
}

void PracticeControls::OnSetLoopStart() {
    loop.fromBar = BarOfPosition();
    if (loop.toBar != 0 && loop.toBar < loop.fromBar) loop.toBar = 0;
    loop.on = loop.toBar != 0;
    ApplyPractice();
}

void PracticeControls::OnSetLoopEnd() {
    loop.toBar = BarOfPosition();
    if (loop.fromBar == 0 || loop.fromBar > loop.toBar) loop.fromBar = loop.toBar;
    loop.on = true;
    ApplyPractice();
}

void PracticeControls::OnLoopBars() {
    const CTabulonDoc* document = view.GetDocument();
    if (!document || !document->HasEvents()) return;
    const uint32_t songBars = document->Signatures().PositionOf(document->LengthTicks()).bar;
    const int lastBar = static_cast<int>(std::min<uint32_t>(songBars, INT_MAX));
    CLoopBarsDlg dialog(lastBar, view.GetParentFrame());
    // A loop not set yet: four bars from the one playing.
    const int here = static_cast<int>(std::min<uint32_t>(BarOfPosition(), lastBar));
    dialog.fromBar = loop.fromBar != 0 ? static_cast<int>(loop.fromBar) : here;
    dialog.toBar = loop.toBar != 0 ? static_cast<int>(loop.toBar) : std::min(here + 3, lastBar);
    if (dialog.DoModal() != IDOK) return;
    loop = {static_cast<uint32_t>(dialog.fromBar), static_cast<uint32_t>(dialog.toBar), true};
    ApplyPractice();
}

void PracticeControls::OnLoop() {
    if (loop.fromBar == 0 || loop.toBar == 0) return;
    loop.on = !loop.on;
    ApplyPractice();
}

void PracticeControls::OnCountIn() {
    countIn = !countIn;
    ApplyPractice();
    SaveKept();
}

void PracticeControls::ForgetSong() {
    loop = {};
    ApplyPractice();
}

void PracticeControls::ApplyPractice() {
    const CTabulonDoc* document = view.GetDocument();
    if (!document) return;
    CMidiOut::PracticeOptions options =
        PracticeRange(document->Signatures(), loop.on ? loop.fromBar : 0, loop.on ? loop.toBar : 0,
                      loop.on, countIn);
    if (options.loop) {
        // The last bar of a song ends with its last event.
        const uint32_t end = document->LengthTicks();
        options.from = std::min(options.from, end);
        options.to = std::min(options.to, end);
    }
    if (options != view.output.GetPractice()) view.output.SetPractice(options);
}

void PracticeControls::SaveKept() const {
    settings::PlayerSettings kept = settings::LoadPlayerSettings();
    kept.speedPercent = SpeedPercent();
    kept.countIn = countIn;
    settings::SavePlayerSettings(kept);
}

void PracticeControls::OnUpdateSongCommand(CCmdUI* cmdUI) {
    const CTabulonDoc* document = view.GetDocument();
    cmdUI->Enable(document && document->HasEvents());
}

void PracticeControls::OnUpdateSpeedPreset(CCmdUI* cmdUI) {
    const int percent = SpeedPercent();
    for (const auto& [id, presetPercent] : kPresets)
        if (static_cast<unsigned>(id) == cmdUI->m_nID) cmdUI->SetCheck(percent == presetPercent);
}

void PracticeControls::OnUpdateLoop(CCmdUI* cmdUI) {
    cmdUI->Enable(loop.fromBar != 0 && loop.toBar != 0);
    cmdUI->SetCheck(loop.on);
}

void PracticeControls::OnUpdateCountIn(CCmdUI* cmdUI) {
    cmdUI->SetCheck(countIn);
}

const framework::CommandMap* PracticeControls::GetCommandMap() const {
    using P = PracticeControls;
    static const framework::CommandMap map = framework::CommandMap::Of<P>({
        {ID_PRACTICE_REWIND, &P::OnRewind, &P::OnUpdateSongCommand},
        {ID_TOOLBAR_REWIND, &P::OnRewind, &P::OnUpdateSongCommand},
        {ID_PRACTICE_BAR_BACK, &P::OnBarBack, &P::OnUpdateSongCommand},
        {ID_PRACTICE_BAR_FORWARD, &P::OnBarForward, &P::OnUpdateSongCommand},
        {ID_PRACTICE_SLOWER, &P::OnSlower},
        {ID_TOOLBAR_SLOWER, &P::OnSlower},
        {ID_PRACTICE_FASTER, &P::OnFaster},
        {ID_TOOLBAR_FASTER, &P::OnFaster},
        {ID_PRACTICE_SPEED_50, &P::OnSpeed50, &P::OnUpdateSpeedPreset},
        {ID_PRACTICE_SPEED_75, &P::OnSpeed75, &P::OnUpdateSpeedPreset},
        {ID_PRACTICE_SPEED_100, &P::OnSpeed100, &P::OnUpdateSpeedPreset},
        {ID_PRACTICE_SPEED_125, &P::OnSpeed125, &P::OnUpdateSpeedPreset},
        {ID_PRACTICE_LOOP_SET_A, &P::OnSetLoopStart, &P::OnUpdateSongCommand},
        {ID_PRACTICE_LOOP_SET_B, &P::OnSetLoopEnd, &P::OnUpdateSongCommand},
        {ID_PRACTICE_LOOP_BARS, &P::OnLoopBars, &P::OnUpdateSongCommand},
        {ID_PRACTICE_LOOP, &P::OnLoop, &P::OnUpdateLoop},
        {ID_TOOLBAR_LOOP, &P::OnLoop, &P::OnUpdateLoop},
        {ID_PRACTICE_COUNT_IN, &P::OnCountIn, &P::OnUpdateCountIn},
        {ID_TOOLBAR_COUNT_IN, &P::OnCountIn, &P::OnUpdateCountIn},
    });
    return &map;
}
