#include "midilib/SynthAudioDrivers.h"

#include <dlfcn.h>
#include <fluidsynth.h>

#include <algorithm>
#include <mutex>

namespace midilib::synth_audio {

namespace {
constexpr unsigned kSdlInitAudio = 0x10;  // SDL_INIT_AUDIO

bool Contains(const std::vector<std::string>& names, std::string_view name) {
    return std::find(names.begin(), names.end(), name) != names.end();
}

// Looked up at run time: the libraries come in through FluidSynth (when it was built with them),
// not linked by us.
template <typename Function>
Function Symbol(const char* name) {
    return reinterpret_cast<Function>(dlsym(RTLD_DEFAULT, name));
}
}  // namespace

std::vector<std::string> Available() {
    std::vector<std::string> names;
    fluid_settings_t* settings = new_fluid_settings();
    if (!settings) return names;
    fluid_settings_foreach_option(
        settings, "audio.driver", &names, [](void* data, const char*, const char* option) {
            if (std::string_view(option) != "file")
                static_cast<std::vector<std::string>*>(data)->push_back(option);
        });
    delete_fluid_settings(settings);
    // The automatic order first, the rest as FluidSynth lists them.
    std::vector<std::string> ordered;
    for (const char* name : kAutomaticOrder)
        if (Contains(names, name)) ordered.push_back(name);
    for (const std::string& name : names)
        if (!Contains(ordered, name)) ordered.push_back(name);
    return ordered;
}

std::vector<std::string> ToTry(const std::string& chosen,
                               const std::vector<std::string>& available) {
    if (!chosen.empty()) {
        if (Contains(available, chosen)) return {chosen};
        return {};
    }
    std::vector<std::string> order;
    for (const char* name : kAutomaticOrder)
        if (Contains(available, name)) order.push_back(name);
    return order;
}

void Prepare(std::string_view driver) {
    if (driver == "sdl2") {
        // Counted by SDL: each attempt takes a reference of its own, given back by Release (a
        // surplus release, should FluidSynth give one back itself, does nothing).
        if (auto init = Symbol<int (*)(unsigned)>("SDL_InitSubSystem")) init(kSdlInitAudio);
    } else if (driver == "pipewire") {
        static std::once_flag once;
        std::call_once(once, [] {
            if (auto init = Symbol<void (*)(int*, char***)>("pw_init")) init(nullptr, nullptr);
        });
    }
}

void Release(std::string_view driver) {
    // PipeWire stays initialised for the whole run, as pw_init is meant to be used.
    if (driver == "sdl2")
        if (auto quit = Symbol<void (*)(unsigned)>("SDL_QuitSubSystem")) quit(kSdlInitAudio);
}

}  // namespace midilib::synth_audio
