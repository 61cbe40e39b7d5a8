// layering_check SRC_DIR: reads every #include of every source file under SRC_DIR and fails (exit
// status 1, one line per fault) on an include that the layers below do not allow. Run by ctest as
// "layering".
//
// Every file belongs to the first layer whose path prefix matches it. A layer may include its
// own files and those of the layers it lists; any other direction must be an exception below,
// each with the reason the design forces it. Headers of other libraries (Qt, FluidSynth, RtMidi,
// ALSA) are layers too, so that Qt stays out of the core and the device libraries stay inside the
// MIDI library's back-ends. Quoted includes must name a file under SRC_DIR.

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <regex>
#include <set>
#include <string>
#include <string_view>
#include <vector>

namespace fs = std::filesystem;

namespace {

struct Layer {
    std::string_view name;
    std::vector<std::string_view> prefixes;  // paths under src/, or "<Q" for a system header
    std::vector<std::string_view> uses;      // the layers it may include
};

// Ordered: a file belongs to the first layer with a matching prefix.
const std::vector<Layer> kLayers = {
    // The record and the operations of our MIDI library: what every layer may call.
    {"interface", {"midi/MidiEvent.h", "midi/MidiLib.h", "midi/MidiMessages.h"}, {}},
    {"settings-core", {"settings/UserSettings.", "settings/ChordOptions."}, {"interface"}},
    // Test devices of the library: no layer of the program may include them (tests and benchmarks
    // do).
    {"midilib-testing", {"midilib/testing/"}, {"interface", "midilib"}},
    {"midilib", {"midilib/"}, {"interface"}},
    {"Misc", {"Misc/"}, {"interface", "settings-core"}},
    {"midi", {"midi/"}, {"interface", "settings-core"}},
    {"chordsheet", {"chordsheet/"}, {"interface", "settings-core", "Misc", "midi"}},
    {"framework", {"framework/"}, {"interface", "Qt"}},
    {"app",
     {"app/", "settings/", "res/"},
     {"interface", "settings-core", "Misc", "midi", "chordsheet", "framework", "Qt"}},
    // Other libraries' headers.
    {"Qt", {"<Q"}, {}},
    {"devices", {"<fluidsynth", "<rtmidi/", "<RtMidi", "<alsa/"}, {}},
};

// Directions outside the table that the design forces: (from prefix, to prefix, reason).
struct Exception {
    std::string_view from;
    std::string_view to;
    std::string_view reason;
};
const std::vector<Exception> kExceptions = {
    {"midi/", "Misc/LogStream.h", "the tracks, the output and the clock write their log lines"},
    {"midi/", "Misc/LogText.h", "the log lines' text is defined once, in Misc"},
    {"Misc/SongSignatures.h", "midi/SongMeta.h",
     "bars and keys are read from the file's signatures as the file object gives them"},
    {"Misc/ChordAnalysis.cpp", "midi/",
     "the analysis pass is CMidiOut::AnalyzeChords and walks the output's tracks"},
    {"midilib/Synth", "<fluidsynth", "the built-in synth is FluidSynth"},
    {"midilib/AlsaOutputDevice.cpp", "<rtmidi/", "ALSA sequencer ports are reached through RtMidi"},
    {"framework/GuiDispatcher.h", "midi/MessageWindow.h",
     "the framework delivers the library's posted messages on the GUI thread"},
    {"settings/SettingsCommands.cpp", "app/CMainFrame.h",
     "the settings commands are the main frame's command handlers"},
    {"app/", "midilib/LibraryOptions.h",
     "the program chooses the library's run options (WAV recording, the synth's audio driver)"},
    {"app/", "midilib/SynthStatus.h",
     "the window shows the built-in synth's state (driver, silence and why), which only the "
     "library knows"},
};

const Layer* LayerOf(std::string_view path) {
    for (const Layer& layer : kLayers)
        for (std::string_view prefix : layer.prefixes)
            if (path.substr(0, prefix.size()) == prefix) return &layer;
    return nullptr;
}

bool Allowed(std::string_view from, std::string_view to) {
    const Layer* source = LayerOf(from);
    const Layer* target = LayerOf(to);
    if (source != nullptr && target != nullptr &&
        (source == target ||
         std::find(source->uses.begin(), source->uses.end(), target->name) != source->uses.end()))
        return true;
    return std::any_of(kExceptions.begin(), kExceptions.end(), [&](const Exception& e) {
        return from.substr(0, e.from.size()) == e.from && to.substr(0, e.to.size()) == e.to;
    });
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::cerr << "usage: layering_check SRC_DIR\n";
        return 2;
    }
    const fs::path root = fs::path(argv[1]);
    const std::regex include(R"(^\s*#\s*include\s*([<"])([^">]+)[">])");
    int faults = 0;
    int checked = 0;
    for (const auto& entry : fs::recursive_directory_iterator(root)) {
        const std::string extension = entry.path().extension().string();
        if (!entry.is_regular_file() || (extension != ".h" && extension != ".cpp")) continue;
        const std::string from = entry.path().lexically_relative(root).generic_string();
        if (LayerOf(from) == nullptr) {
            std::cout << from << ": in no layer of the table\n";
            ++faults;
        }
        std::ifstream in(entry.path());
        std::string line;
        for (int number = 1; std::getline(in, line); ++number) {
            std::smatch match;
            if (!std::regex_search(line, match, include)) continue;
            ++checked;
            const bool quoted = match[1] == "\"";
            const std::string to = quoted ? match[2].str() : "<" + match[2].str();
            // A header that CMake writes from a template (res/Version.h.in) counts as a file.
            if (quoted && !fs::exists(root / to) && !fs::exists(root / (to + ".in"))) {
                std::cout << from << ":" << number << ": " << to << " is not a file of src/\n";
                ++faults;
            } else if (LayerOf(to) != nullptr && !Allowed(from, to)) {
                std::cout << from << ":" << number << ": may not include " << to << "\n";
                ++faults;
            }
        }
    }
    if (checked == 0) {
        std::cout << "no include found under " << root << "\n";
        return 1;
    }
    std::cout << checked << " includes checked, " << faults << " not allowed\n";
    return faults == 0 ? 0 : 1;
}
