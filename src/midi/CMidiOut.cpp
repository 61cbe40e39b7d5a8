#include "midi/CMidiOut.h"

#include <algorithm>
#include <iterator>

#include "Misc/LogStream.h"
#include "Misc/LogText.h"
#include "midi/CMidiSync.h"
#include "midi/CMidiTrack.h"
#include "midi/MidiMessages.h"
#include "midi/PlaySeek.h"
#include "settings/UserSettings.h"

namespace {

// Position jump records back by `ticks`, split when one record cannot hold it.
void AppendJump(std::vector<MidiEvent>& out, uint32_t delta, uint32_t ticks) {
    do {
        const uint32_t step = std::min(ticks, midi::kMaxRecordValue);
        out.push_back(midi::MakeValueRecord(delta, midi::kPositionJumpStatus, step));
        delta = 0;
        ticks -= step;
    } while (ticks > 0);
}

// One bar of clicks on the percussion channel, each half a beat long, then the jump back to where
// the bar began: the play starts where the count-in started.
void AppendCountIn(std::vector<MidiEvent>& out, uint32_t beats, uint32_t beatTicks) {
    constexpr uint8_t kOn = midi::kNoteOn | midi::kPercussionChannel;
    constexpr uint8_t kOff = midi::kNoteOff | midi::kPercussionChannel;
    const uint32_t sounding = std::max<uint32_t>(1, beatTicks / 2);
    for (uint32_t beat = 0; beat < beats; ++beat) {
        const uint8_t note = beat == 0 ? midi::kHighWoodBlockNote : midi::kSideStickNote;
        const uint8_t velocity = beat == 0 ? 110 : 90;
        out.push_back({beat == 0 ? 0 : beatTicks - sounding, kOn, note, velocity, 0});
        out.push_back({sounding, kOff, note, 0, 0});
    }
    AppendJump(out, beatTicks - sounding, beats * beatTicks);
}

}  // namespace

CMidiOut::CMidiOut() = default;

CMidiOut::~CMidiOut() {
    Close();
    for (TrackPlayState& s : states)
        if (s.track->output == this) s.track->output = nullptr;
    states.clear();
}

void CMidiOut::Create(midi::MessageDispatcher& parent) {
    parentWnd = &parent;
    window = std::make_unique<midi::MessageWindow>(
        parent, "CMidiOutWnd",
        [this](uint32_t message, uint32_t generation) { HandleMessage(message, generation); });
}

void CMidiOut::HandleMessage(uint32_t message, uint32_t generation) {
    // After a reset or a device change the messages of the earlier queue mean nothing.
    if (message != MSG_OUTPUT_READY || !isOpen || generation != GetMidiOutGeneration(hMidiOut))
        return;
    OnOutputReady();
}

int CMidiOut::Open(uint16_t device, uint32_t flags) {
    description.fill('\0');
    GetMidiOutDescription(device, description.data());
    description.back() = '\0';
    const uint32_t hSync = sync ? sync->GetHandle() : 0;
    const bool wasOpen = isOpen != 0;
    if (!wasOpen) {
        openFlags = flags;
        deviceId = device;
        hMidiOut = OpenMidiOut(window.get(), device, hSync, flags);
        linkedSync = hSync;
    }
    if (hMidiOut > MIDIERR_MAXERR)
        isOpen = 1;
    else
        hMidiOut = 0;
    // A device opened in the middle of a play goes on from where the clock stands; the events the
    // previous device had queued up to the merge position were lost with it.
    if (!wasOpen && isOpen && InPlay() && LinkedToClock())
        ContinueFrom(RestartMidiOut(hMidiOut));
    else if (!wasOpen && isOpen && sendIndex < outCount)
        SendEvents();  // the pending events: without this nothing would ever ask for them again
    return isOpen;
}

void CMidiOut::Close() {
    if (isOpen) {
        Reset();
        CloseMidiOut(hMidiOut);
    }
    hMidiOut = 0;
    isOpen = 0;
}

void CMidiOut::Reset() {
    if (isOpen) ResetMidiOut(hMidiOut);
}

void CMidiOut::Silence() {
    if (isOpen) SilenceMidiOut(hMidiOut);
}

bool CMidiOut::Put(const MidiEvent& event) {
    if (!isOpen) return true;
    return PutMidiOut(hMidiOut, event) == 0;
}

void CMidiOut::AddTrack(CMidiTrack* track) {
    if (!track) return;
    TrackPlayState state;
    state.track = track;
    states.push_back(std::move(state));
    track->output = this;
    // Past the settings arrays a track is never muted; ApplyMutes keeps to the arrays, so that a
    // fill costs the same with 200 tracks or 65,535. (Tracks only move down when one is removed.)
    if (states.size() > kMaxSettingsTracks) track->SetMute(0);
    merger.Restart();
}

int CMidiOut::RemoveTrack(CMidiTrack* track) {
    // Searched from the back: tracks are destroyed the last first, and a track is listed once.
    const auto found = std::find_if(states.rbegin(), states.rend(),
                                    [track](const TrackPlayState& s) { return s.track == track; });
    if (found == states.rend()) return 0;
    states.erase(std::next(found).base());
    merger.Restart();
    // A track taken out must not keep a link that outlives this object.
    if (track->output == this) track->output = nullptr;
    return 1;
}

void CMidiOut::ApplyMutes() {
    const size_t flagged = std::min<size_t>(states.size(), kMaxSettingsTracks);
    for (size_t i = 0; i < flagged; ++i)
        states[i].track->SetMute(TrackFlag(UserSettings.mutedTracks, static_cast<int64_t>(i)) ? 1
                                                                                              : 0);
}

const MidiEvent* CMidiOut::FillBuffer() {
    if (outBuffer.empty()) outBuffer.assign(midi::kOutBufferEvents, MidiEvent{});
    ApplyMutes();
    if (!prelude.empty()) {
        TakePrelude();
        return outBuffer.data();
    }
    outCount = 0;
    if (finished) return outBuffer.data();
    bool atLimit = false;
    outCount =
        mergeStrategy == midi::MergeStrategy::Heap
            ? merger.Fill(states, outBuffer.data(), lastTime, limit, &atLimit)
            : midi::MergeTracks(states, outBuffer.data(), lastTime, mergeStrategy, limit, &atLimit);
    // The range ends at its limit, or earlier where the song's last event lies before the limit
    // (a loop of the last bars goes round all the same).
    if (outCount == 0 && (atLimit || limit != midi::kNoMergeLimit)) {
        EndOfRange();
        TakePrelude();
    }
    return outBuffer.data();
}

void CMidiOut::TakePrelude() {
    if (outBuffer.size() < prelude.size()) outBuffer.resize(prelude.size());
    std::copy(prelude.begin(), prelude.end(), outBuffer.begin());
    outCount = static_cast<uint32_t>(prelude.size());
    prelude.clear();
}

void CMidiOut::EndOfRange() {
    const uint32_t end = static_cast<uint32_t>(limit);
    midi::AppendReleaseSentNotes(states, prelude);
    const bool loops = practice.loop && LinkedToClock() && isOpen;
    if (loops) {
        midi::AppendChannelResets(prelude);
        AppendJump(prelude, 0, end - practice.from);
        if (loopStartIndexes.size() != states.size()) {
            loopStartChase = midi::SeekTracks(states, practice.from, &loopStartIndexes);
        } else {
            midi::SeekTracksTo(states, loopStartIndexes);
        }
        merger.Restart();
        prelude.insert(prelude.end(), loopStartChase.begin(), loopStartChase.end());
    } else {
        finished = true;
        if (prelude.empty()) return;
    }
    // The first of these events falls on the range's end; the merge then counts from the start.
    prelude.front().time = end - lastTime;
    lastTime = loops ? practice.from : end;
}

void CMidiOut::SendEvents() {
    if (states.empty()) return;
    if (sendIndex == outCount) {
        FillBuffer();
        sendIndex = 0;
    }
    while (sendIndex < outCount) {
        const MidiEvent& event = outBuffer[sendIndex];
        if (!Put(event)) return;  // offered again at the next MSG_OUTPUT_READY
        eventsSentTime += event.time;
        if (UserSettings.logMidiEvents) {
            ++eventsSentCount;
            WriteSentEventLine(LogStream, eventsSentTime, eventsSentCount, event.time,
                               event.MessageWord());
        }
        if (++sendIndex == outCount) {
            FillBuffer();
            sendIndex = 0;
        }
    }
}

CMidiOut::PlayStart CMidiOut::StartPlayback() {
    // The previous play stops here: its clock would otherwise play the new play's first events
    // while the analysis runs, ahead of the new start. Whatever the device still queues is its.
    if (sync) sync->Stop();
    Reset();
    // The analysis pass and the first fill see the same mutes.
    ApplyMutes();
    for (TrackPlayState& s : states)
        s.Rewind();
    lastTime = 0;
    sendIndex = 0;
    outCount = 0;
    AnalyzeChords();

    DescribeSong();
    PlayStart start;
    start.tick = practice.from;
    start.countIn = practice.countInBeats > 0 && practice.countInBeatTicks > 0;
    prelude.clear();
    loopStartIndexes.clear();
    finished = false;
    playStarted = true;
    if (start.countIn) AppendCountIn(prelude, practice.countInBeats, practice.countInBeatTicks);
    if (start.tick > 0) {
        midi::AppendChannelResets(prelude);
        const std::vector<MidiEvent> chase = midi::SeekTracks(states, start.tick);
        prelude.insert(prelude.end(), chase.begin(), chase.end());
        lastTime = start.tick;
    }
    merger.Restart();
    // A play from inside the song starts with the song's tempo there (the speed applies on top).
    if (sync && start.tick > 0) sync->SetTempo(tempoMap.TempoAt(start.tick));
    limit = start.tick < RangeEnd() ? RangeEnd() : midi::kNoMergeLimit;
    SendEvents();
    return start;
}

void CMidiOut::Reposition(uint32_t tick) {
    if (LinkedToClock())
        sync->SetPosition(tick, tempoMap.TempoAt(tick));
    else
        Reset();
    ContinueFrom(tick);
}

void CMidiOut::ContinueFrom(uint32_t tick) {
    ApplyMutes();
    prelude.clear();
    midi::AppendChannelResets(prelude);
    const std::vector<MidiEvent> chase = midi::SeekTracks(states, tick);
    prelude.insert(prelude.end(), chase.begin(), chase.end());
    merger.Restart();
    lastTime = tick;
    sendIndex = 0;
    outCount = 0;
    finished = false;
    playStarted = true;
    limit = tick < RangeEnd() ? RangeEnd() : midi::kNoMergeLimit;
    SendEvents();
}

bool CMidiOut::InPlay() const {
    if (!playStarted || !sync || !sync->IsOpen()) return false;
    // A loop goes back by the jump queued at its end: until that is played the clock may stand
    // on the end or just past it, and the play goes on all the same.
    if (practice.loop && !finished && limit != midi::kNoMergeLimit && sync->IsRunning())
        return true;
    const uint64_t end = limit != midi::kNoMergeLimit ? limit : songEndTick;
    return sync->GetPosition(0) < end;
}

void CMidiOut::RefreshPlay() {
    if (InPlay()) GoOnInPlay();
}

void CMidiOut::GoOnInPlay() {
    if (isOpen && LinkedToClock())
        ContinueFrom(RestartMidiOut(hMidiOut));
    else
        Reposition(sync->GetPosition(0));
}

void CMidiOut::SetPractice(const PracticeOptions& options) {
    if (options == practice) return;
    // Whether the play goes on is asked of the options it was merged with.
    const bool inPlay = InPlay();
    practice = options;
    loopStartIndexes.clear();
    if (inPlay) GoOnInPlay();
}

uint64_t CMidiOut::RangeEnd() const {
    return practice.to > practice.from ? practice.to : midi::kNoMergeLimit;
}

bool CMidiOut::LinkedToClock() const {
    return sync && sync->IsOpen() && linkedSync != 0 && linkedSync == sync->GetHandle();
}

void CMidiOut::DescribeSong() {
    std::vector<const CMidiTrack*> tracks;
    songEndTick = 0;
    for (const TrackPlayState& s : states) {
        tracks.push_back(s.track);
        if (s.track->GetCount() > 0)
            songEndTick = std::max(songEndTick, s.track->GetAbsoluteTime(s.track->GetCount() - 1));
    }
    tempoMap = midi::TempoMap::Of(tracks);
}

void CMidiOut::PrepareSong() {
    DescribeSong();
    playStarted = false;
    if (sync) sync->SetPosition(0, tempoMap.TempoAt(0));
}

void CMidiOut::ForgetPosition() {
    outCount = 0;
    sendIndex = 0;
    prelude.clear();
    loopStartIndexes.clear();
    playStarted = false;
    finished = false;
    merger.Restart();
}

int CMidiOut::OnOutputReady() {
    SendEvents();
    OnOutputDone();
    return 0;
}
