#pragma once
// WavWriter: writes 16-bit PCM samples into a RIFF/WAVE file. The header is written with sizes of
// 0 at open and patched with the real sizes at Close (or destruction), so the file is valid
// whenever it was closed; a file past 4 GiB of samples stops growing.

#include <cstdint>
#include <cstdio>
#include <span>
#include <string>

namespace midilib {

class WavWriter {
  public:
    WavWriter() = default;
    ~WavWriter();
    WavWriter(const WavWriter&) = delete;
    WavWriter& operator=(const WavWriter&) = delete;

    bool Open(const std::string& path, uint32_t sampleRate, uint16_t channels);
    bool IsOpen() const { return file_ != nullptr; }
    // Interleaved samples, a whole number of frames.
    void Write(std::span<const int16_t> samples);
    // Patches the sizes and closes the file; true when everything was written.
    bool Close();
    uint64_t FramesWritten() const { return dataBytes_ / (uint64_t(channels_) * 2); }

  private:
    bool WriteHeader();

    std::FILE* file_ = nullptr;
    uint32_t sampleRate_ = 0;
    uint16_t channels_ = 0;
    uint64_t dataBytes_ = 0;
    bool ok_ = true;
};

}  // namespace midilib
