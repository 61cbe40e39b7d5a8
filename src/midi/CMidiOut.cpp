#include "midi/CMidiOut.h"

#include <algorithm>
#include <iterator>

#include "Misc/LogStream.h"
#include "Misc/LogText.h"
#include "midi/CMidiSync.h"
#include "midi/CMidiTrack.h"
#include "settings/UserSettings.h"

CMidiOut::CMidiOut() = default;

CMidiOut::~CMidiOut() {
    Close();
    for (TrackPlayState& s : states)
        if (s.track->output == this) s.track->output = nullptr;
    states.clear();
}

void CMidiOut::Create(MessageDispatcher& parent) {
    parentWnd = &parent;
    window = std::make_unique<MessageWindow>(
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
    }
    if (hMidiOut > MIDIERR_MAXERR)
        isOpen = 1;
    else
        hMidiOut = 0;
    // A device opened in the middle of a play takes over the pending events; without this call
    // nothing would ever ask for them again.
    if (!wasOpen && isOpen && sendIndex < outCount) SendEvents();
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
}

int CMidiOut::RemoveTrack(CMidiTrack* track) {
    // Searched from the back: tracks are destroyed the last first, and a track is listed once.
    const auto found = std::find_if(states.rbegin(), states.rend(),
                                    [track](const TrackPlayState& s) { return s.track == track; });
    if (found == states.rend()) return 0;
    states.erase(std::next(found).base());
    // A track taken out must not keep a link that outlives this object.
    if (track->output == this) track->output = nullptr;
    return 1;
}

void CMidiOut::ApplyMutes() {
    for (size_t i = 0; i < states.size(); ++i)
        states[i].track->SetMute(TrackFlag(UserSettings.mutedTracks, static_cast<int64_t>(i)) ? 1
                                                                                              : 0);
}

const MidiEvent* CMidiOut::FillBuffer() {
    if (outBuffer.empty()) outBuffer.assign(kOutBufferEvents, MidiEvent{});
    ApplyMutes();
    outCount = MergeTracks(states, outBuffer.data(), lastTime, mergeStrategy);
    return outBuffer.data();
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

void CMidiOut::StartPlayback() {
    // Whatever the device still queues belongs to the previous play.
    Reset();
    // The analysis pass and the first fill see the same mutes.
    ApplyMutes();
    for (TrackPlayState& s : states)
        s.Rewind();
    lastTime = 0;
    sendIndex = 0;
    outCount = 0;
    AnalyzeChords();
    SendEvents();
}

void CMidiOut::ForgetPosition() {
    outCount = 0;
    sendIndex = 0;
}

int CMidiOut::OnOutputReady() {
    SendEvents();
    OnOutputDone();
    return 0;
}
