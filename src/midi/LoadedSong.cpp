#include "midi/LoadedSong.h"

#include <algorithm>

#include "Misc/LogStream.h"
#include "Misc/LogText.h"
#include "midi/CMidiOut.h"
#include "settings/UserSettings.h"

LoadedSong::LoadedSong() : file(std::make_shared<CMidiSMF>()) {}

LoadedSong::~LoadedSong() {
    Unload();
}

void LoadedSong::Unload() {
    file->Close();
    // Each track leaves its output's list; the last first, so that no list closes a gap.
    while (!tracks.empty())
        tracks.pop_back();
    problem.clear();
    notices.clear();
}

bool LoadedSong::Load(const std::string& path, CMidiOut* output) {
    Unload();
    const bool opened = file->Open(path.c_str(), 'r', 1) != 0;
    problem = file->GetErrorText();
    const auto count = static_cast<int32_t>(file->GetTrackCountInFile());
    if (UserSettings.logTrackInfo != 0) WriteFileTrackCountLine(LogStream, count);
    tracks.reserve(static_cast<size_t>(count));
    for (int32_t i = 0; i < count; ++i) {
        tracks.push_back(std::make_unique<CMidiTrack>());
        file->AddTrack(tracks.back().get());
        if (output != nullptr) output->AddTrack(tracks.back().get());
    }
    if (opened) {
        file->ReadAllTracks();
        problem = file->GetErrorText();
        for (const auto& track : tracks)
            track->GetName();
        uint8_t ticksPerFrame = 0;
        if (const uint8_t frames = file->GetSmpteDivision(ticksPerFrame))
            notices.push_back(SmpteDivisionText(frames, ticksPerFrame));
        if (std::string unlisted = UnlistedTracksText(count); !unlisted.empty())
            notices.push_back(std::move(unlisted));
        if (LogStream.is_open())
            for (const std::string& notice : notices)
                WriteFileNoticeLine(LogStream, notice);
    }
    return opened;
}

CMidiTrack* LoadedSong::Track(int32_t index) const {
    return index >= 0 && index < TrackCount() ? tracks[static_cast<size_t>(index)].get() : nullptr;
}

bool LoadedSong::HasEvents() const {
    return std::any_of(tracks.begin(), tracks.end(),
                       [](const std::unique_ptr<CMidiTrack>& t) { return !t->IsEmpty(); });
}

void LoadedSong::Describe(UserSettingsRecord& settings, const std::string& path) const {
    settings.trackCount = TrackCount();
    settings.trackNames = file;
    settings.loadedFilePath = path;
}
