#include "midi/CMidiSync.h"

#include <cmath>

#include "Misc/LogStream.h"
#include "Misc/LogText.h"

namespace {

constexpr uint16_t kUnchanged = 0xFFFF;
constexpr double kMicrosecondsPerMinute = 60000000.0;
constexpr double kDefaultBpm = 120.0;
constexpr double kMaxTempo = 4294967295.0;

}  // namespace

CMidiSync::CMidiSync() = default;

CMidiSync::~CMidiSync() {
    Stop();
    Close();
}

void CMidiSync::Create(midi::MessageDispatcher& parent) {
    parentWnd = &parent;
    window = std::make_unique<midi::MessageWindow>(
        parent, "CMidiSyncWnd",
        [this](uint32_t message, uint32_t generation) { HandleMessage(message, generation); });
}

void CMidiSync::HandleMessage(uint32_t message, uint32_t generation) {
    // A message of a clock that has since been closed, restarted or reconfigured belongs to an
    // earlier play.
    if (!isOpen || generation != GetSyncGeneration(hSync)) return;
    if (message == MSG_SYNC_BEAT)
        OnBeat();
    else if (message == MSG_SYNC_DONE)
        OnSyncDone();
}

int CMidiSync::Open(uint16_t newMode, uint16_t newPeriod) {
    // An open clock is not opened twice; its mode and period stay the ones applied.
    if (isOpen) return isOpen;
    hSync = OpenSync(0, window.get(), newMode, newPeriod);
    if (hSync > MIDIERR_MAXERR) {
        WriteClockOpenedLine(LogStream, __FILE__, hSync);
        isOpen = 1;
        mode = newMode;
        period = newPeriod;
    } else {
        hSync = 0;
    }
    return isOpen;
}

void CMidiSync::Close() {
    if (isOpen) CloseSync(hSync);
    hSync = 0;
    running = 0;
    isOpen = 0;
}

int CMidiSync::SetPeriod(uint16_t milliseconds) {
    if (!isOpen) return 0;
    const uint32_t previous = hSync;
    hSync = OpenSync(previous, window.get(), kUnchanged, milliseconds);
    if (hSync > MIDIERR_MAXERR) {
        period = milliseconds;
        return 1;
    }
    // The library kept the old clock: close it so that it does not go on running unowned.
    CloseSync(previous);
    hSync = 0;
    isOpen = 0;
    running = 0;
    return 0;
}

void CMidiSync::Start() {
    if (!isOpen) return;
    StartSync(hSync);
    running = 1;
}

void CMidiSync::ReStart() {
    if (!isOpen) return;
    ReStartSync(hSync);
    running = 1;
}

void CMidiSync::Stop() {
    if (!isOpen) return;
    StopSync(hSync);
    running = 0;
}

void CMidiSync::Pause(uint32_t flag) {
    if (!isOpen) return;
    PauseSync(hSync, flag);
    running = 0;
}

uint32_t CMidiSync::GetTempo() const {
    return ::GetTempo(hSync);
}

bool CMidiSync::SetTempo(uint32_t microsecondsPerBeat) {
    return ::SetTempo(hSync, microsecondsPerBeat) == 0;
}

uint16_t CMidiSync::GetResolution() const {
    return ::GetResolution(hSync);
}

void CMidiSync::SetResolution(uint16_t ticksPerBeat) {
    ::SetResolution(hSync, ticksPerBeat);
}

uint32_t CMidiSync::GetPosition(uint16_t selector) const {
    return ::GetPosition(hSync, selector);
}

bool CMidiSync::SetSpeed(double speed) {
    return isOpen && ::SetSyncSpeed(hSync, speed) == 0;
}

double CMidiSync::GetSpeed() const {
    return isOpen ? ::GetSyncSpeed(hSync) : 1.0;
}

uint32_t CMidiSync::GetPlayedTempo() const {
    const double played = std::round(GetTempo() / GetSpeed());
    return played >= kMaxTempo ? static_cast<uint32_t>(kMaxTempo) : static_cast<uint32_t>(played);
}

bool CMidiSync::SetPlayedTempo(uint32_t microsecondsPerBeat) {
    const uint32_t tempo = GetTempo();
    if (tempo == 0 || microsecondsPerBeat == 0) return false;
    return SetSpeed(double(tempo) / double(microsecondsPerBeat));
}

void CMidiSync::SetPosition(uint32_t tick, uint32_t microsecondsPerBeat) {
    if (isOpen) SetSyncPosition(hSync, tick, microsecondsPerBeat);
}

void CMidiSync::StartAt(uint32_t tick, bool countIn) {
    if (!isOpen) return;
    StartSyncAt(hSync, tick, countIn ? 1 : 0);
    running = 1;
}

uint32_t CMidiSync::BpmToTempo(double beatsPerMinute) {
    if (!std::isfinite(beatsPerMinute) || beatsPerMinute <= 0.0) beatsPerMinute = kDefaultBpm;
    const double tempo = kMicrosecondsPerMinute / beatsPerMinute;
    if (!(tempo >= 1.0)) return 1;
    if (tempo >= kMaxTempo) return static_cast<uint32_t>(kMaxTempo);
    return static_cast<uint32_t>(tempo);  // truncates toward zero
}

double CMidiSync::TempoToBpm(uint32_t microsecondsPerBeat) {
    // A closed clock reports tempo 0; show 0 rather than an infinite number of beats.
    if (microsecondsPerBeat == 0) return 0.0;
    return kMicrosecondsPerMinute / microsecondsPerBeat;
}

void CBeatSync::OnBeat() {
    ++beatCount;
    if (onBeat) onBeat();
}

void CBeatSync::OnSyncDone() {
    Stop();
}
