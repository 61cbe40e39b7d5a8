// Writes the fuzzers' seed corpus into a folder: the hand-made broken files of the reader tests,
// a sound file with notes, running status, meta events, tempo and sysex, and cuts of it.
// Usage: make_seed_corpus FOLDER

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

#include "midilib/SmfBrokenFiles.h"

namespace {

void WriteSeed(const std::filesystem::path& folder, const std::string& name,
               const smftest::Bytes& bytes) {
    std::ofstream out(folder / (name + ".mid"), std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: make_seed_corpus FOLDER\n");
        return 2;
    }
    const std::filesystem::path folder = argv[1];
    std::filesystem::create_directories(folder);
    int count = 0;
    for (const smftest::BrokenFile& file : smftest::MakeBrokenFiles()) {
        WriteSeed(folder, "broken-" + std::to_string(count++), file.bytes);
    }
    const smftest::Bytes sound = smftest::MakeSoundFile();
    WriteSeed(folder, "sound", sound);
    for (size_t cut = 14; cut < sound.size(); cut += 7) {
        WriteSeed(folder, "cut-" + std::to_string(cut),
                  smftest::Bytes(sound.begin(), sound.begin() + long(cut)));
    }
    std::printf("make_seed_corpus: %d broken files, 1 sound file and its cuts in %s\n", count,
                folder.c_str());
    return 0;
}
