#include "midi/CMidiSMF.h"

#include <algorithm>
#include <cstring>
#include <iterator>
#include <unordered_map>

#include "Misc/LogStream.h"
#include "Misc/LogText.h"
#include "midi/CMidiOut.h"
#include "midi/CMidiSync.h"
#include "midi/CMidiTrack.h"
#include "midi/MidiLib.h"
#include "midi/MidiMessages.h"

namespace {

constexpr uint32_t kReadChunk = 8192;

}  // namespace

CMidiSMF::CMidiSMF() = default;

CMidiSMF::CMidiSMF(const char* path, char openMode) {
    Open(path, openMode, 1);
}

CMidiSMF::~CMidiSMF() {
    Close();
    // Tracks listed while no file was open would otherwise keep a link to a destroyed object.
    for (CMidiTrack* track : tracks)
        if (track->owner == this) track->owner = nullptr;
}

int CMidiSMF::Open(const char* path, char openMode, uint32_t smfFormat) {
    Close();
    mode = openMode;
    format = smfFormat;
    hSMF = path ? OpenSMF(path, &format, mode, &numTracksInFile) : 0;
    isOpen = hSMF != 0 ? 1 : 0;
    if (!isOpen) numTracksInFile = 0;
    return isOpen;
}

void CMidiSMF::Close() {
    if (isOpen) {
        CloseSMF(hSMF);
        for (CMidiTrack* track : tracks)
            if (track->owner == this) track->owner = nullptr;
        tracks.clear();
        positions.clear();
        numTracksInFile = 0;
    }
    hSMF = 0;
    isOpen = 0;
}

void CMidiSMF::AddTrack(CMidiTrack* track) {
    InsertTrack(track, -1);
}

void CMidiSMF::InsertTrack(CMidiTrack* track, int index) {
    if (!track) return;
    if (index < 0 || static_cast<size_t>(index) > tracks.size())
        tracks.push_back(track);
    else
        tracks.insert(tracks.begin() + index, track);
    positions.clear();
    if (tracks.size() > 1) format = 1;
    track->owner = this;
}

int CMidiSMF::RemoveTrack(CMidiTrack* track) {
    // Searched from the back: tracks are destroyed the last first, and a track is listed once.
    const auto found = std::find(tracks.rbegin(), tracks.rend(), track);
    if (found == tracks.rend()) return 0;
    tracks.erase(std::next(found).base());
    positions.clear();
    // A track taken out must not keep a link that outlives this object.
    if (track->owner == this) track->owner = nullptr;
    return 1;
}

uint16_t CMidiSMF::GetResolution() const {
    return GetSMFResolution(hSMF);
}

CMidiTrack* CMidiSMF::GetTrack(int position) const {
    if (position < 0 || static_cast<size_t>(position) >= tracks.size()) return nullptr;
    return tracks[static_cast<size_t>(position)];
}

std::vector<midi::SongMetaEvent> CMidiSMF::GetSongMetaEvents(uint8_t type) const {
    std::vector<midi::SongMetaEvent> found;
    if (!isOpen || mode != 'r') return found;
    std::vector<SmfSongMeta> all(ReadSongMetaEvents(hSMF, nullptr, 0));
    const uint32_t read = ReadSongMetaEvents(hSMF, all.data(), static_cast<uint32_t>(all.size()));
    all.resize(std::min<size_t>(read, all.size()));
    for (const SmfSongMeta& meta : all) {
        if (meta.type != type) continue;
        found.push_back({meta.time, meta.track, meta.type,
                         std::vector<uint8_t>(meta.data, meta.data + meta.length)});
    }
    return found;
}

uint8_t CMidiSMF::GetSmpteDivision(uint8_t& ticksPerFrame) const {
    ticksPerFrame = 0;
    return isOpen && mode == 'r' ? GetSMFSmpteDivision(hSMF, &ticksPerFrame) : 0;
}

const char* CMidiSMF::GetErrorText() const {
    return GetSMFErrorText(hSMF);
}

int CMidiSMF::PositionOf(const CMidiTrack* track) const {
    // Names are asked for every track of files with thousands of them: the positions are indexed
    // once the list stops changing.
    if (positions.empty() && !tracks.empty()) {
        positions.reserve(tracks.size());
        for (size_t i = 0; i < tracks.size(); ++i)
            positions.emplace(tracks[i], static_cast<int>(i));  // the first entry wins
    }
    const auto found = positions.find(track);
    return found == positions.end() ? -1 : found->second;
}

int CMidiSMF::ReadTrack(CMidiTrack* track) {
    if (mode != 'r' || !isOpen || tracks.empty()) return 0;
    const int position = PositionOf(track);
    if (position < 0) return 0;
    return ReadTrackAt(track, static_cast<uint32_t>(position));
}

int CMidiSMF::ReadTrackAt(CMidiTrack* track, uint32_t position) {
    // The library hands the decoded events over without a copy. The track's capacity is what
    // reading them chunk by chunk into its array would have grown it to; a track with no events
    // keeps its storage untaken.
    std::vector<MidiEvent> events;
    const uint32_t n = TakeSMFTrack(hSMF, position, events);
    if (n == 0) {
        track->Clear();
    } else {
        track->AdoptEvents(std::move(events), CapacityAfterReading(track->GetCapacity(), n));
    }
    if (LogStream.is_open()) WriteTrackReadLine(LogStream, position, track->GetName(), n);
    return n > 0 ? 1 : 0;
}

uint32_t CMidiSMF::CapacityAfterReading(uint32_t capacity, uint32_t total) {
    // Before every chunk of up to kReadChunk events, the array grows by the events read so far
    // whenever fewer than a chunk's slots are free after them (and by enough for one chunk when
    // it started out smaller); the chunk after the last one reads nothing.
    uint64_t slots = capacity;
    uint64_t n = 0;
    for (;;) {
        if (slots - n < kReadChunk) slots += std::max<uint64_t>(n, kReadChunk - (slots - n));
        const uint64_t k = std::min<uint64_t>(kReadChunk, total - n);
        if (k == 0) break;
        n += k;
    }
    return static_cast<uint32_t>(std::min<uint64_t>(slots, UINT32_MAX));
}

int CMidiSMF::ReadAllTracks() {
    if (mode != 'r' || !isOpen || tracks.empty()) return 0;
    RewindSMF(hSMF);
    for (size_t position = 0; position < tracks.size(); ++position) {
        tracks[position]->Clear();
        ReadTrackAt(tracks[position], static_cast<uint32_t>(position));
    }
    const CMidiTrack* first = tracks.front();
    if (first->output && first->output->GetSync())
        first->output->GetSync()->SetResolution(GetSMFResolution(hSMF));
    return 1;
}

int CMidiSMF::ReadMeta(CMidiTrack* track, uint8_t type, std::vector<char>& data, uint32_t& length) {
    length = 0;
    data.clear();
    if (mode != 'r' || !isOpen || tracks.empty()) return -1;
    const int position = PositionOf(track);
    if (position < 0) return -1;

    const uint8_t* bytes = nullptr;
    uint32_t size = 0;
    const int result = ReadMetaEvent(hSMF, static_cast<uint32_t>(position), type, &bytes, &size);
    if (result != -1) {
        if (!bytes) size = 0;
        data.assign(size_t{size} + 1, '\0');
        if (size > 0) std::memcpy(data.data(), bytes, size);
        length = size;
    }
    return result;
}

int CMidiSMF::WriteTrack(CMidiTrack* track) {
    if (mode != 'w' || !isOpen || tracks.empty()) return 0;
    const int position = PositionOf(track);
    if (position < 0) return 0;

    bool ok = true;
    if (const char* name = track->GetName())
        ok = WriteMeta(track, midi::kTrackNameMeta, reinterpret_cast<const uint8_t*>(name), 0) == 1;
    // Every event of the track, whatever a sequential reader has consumed.
    const uint32_t count = track->GetCount();
    const uint32_t written =
        WriteSMF(hSMF, static_cast<uint32_t>(position), track->GetEvents(), count);
    return ok && written == count ? 1 : 0;
}

int CMidiSMF::WriteAllTracks() {
    if (mode != 'w' || !isOpen || tracks.empty()) return 0;
    bool ok = true;
    for (CMidiTrack* track : tracks)
        ok = WriteTrack(track) == 1 && ok;
    ok = FlushSMF(hSMF) == 0 && ok;
    return ok ? 1 : 0;
}

int CMidiSMF::WriteMeta(CMidiTrack* track, uint8_t type, const uint8_t* data, uint32_t length) {
    if (mode != 'w' || !isOpen || tracks.empty()) return 0;
    const int position = PositionOf(track);
    if (position < 0) return 0;
    return WriteMetaEvent(hSMF, static_cast<uint32_t>(position), type, data, length) == 0 ? 1 : 0;
}
