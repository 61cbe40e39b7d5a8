#include "midilib/WavWriter.h"

#include <algorithm>
#include <array>

namespace midilib {

namespace {
constexpr uint64_t kMaxDataBytes = 0xFFFFFFFFull - 36;

void PutLe(uint8_t* at, uint32_t value, int bytes) {
    for (int i = 0; i < bytes; ++i)
        at[i] = uint8_t(value >> (8 * i));
}
}  // namespace

WavWriter::~WavWriter() {
    Close();
}

bool WavWriter::Open(const std::string& path, uint32_t sampleRate, uint16_t channels) {
    Close();
    file_ = std::fopen(path.c_str(), "wb");
    if (!file_) return false;
    sampleRate_ = sampleRate;
    channels_ = channels == 0 ? 1 : channels;
    dataBytes_ = 0;
    ok_ = WriteHeader();
    return ok_;
}

bool WavWriter::WriteHeader() {
    std::array<uint8_t, 44> header{};
    const uint32_t data = uint32_t(dataBytes_);
    const uint16_t blockAlign = uint16_t(channels_ * 2);
    std::copy_n("RIFF", 4, header.begin());
    PutLe(&header[4], 36 + data, 4);
    std::copy_n("WAVEfmt ", 8, header.begin() + 8);
    PutLe(&header[16], 16, 4);  // format chunk size
    PutLe(&header[20], 1, 2);   // PCM
    PutLe(&header[22], channels_, 2);
    PutLe(&header[24], sampleRate_, 4);
    PutLe(&header[28], sampleRate_ * blockAlign, 4);
    PutLe(&header[32], blockAlign, 2);
    PutLe(&header[34], 16, 2);  // bits per sample
    std::copy_n("data", 4, header.begin() + 36);
    PutLe(&header[40], data, 4);
    return std::fseek(file_, 0, SEEK_SET) == 0 &&
           std::fwrite(header.data(), 1, header.size(), file_) == header.size();
}

void WavWriter::Write(std::span<const int16_t> samples) {
    if (!file_) return;
    const uint64_t bytes = samples.size() * 2;
    if (dataBytes_ + bytes > kMaxDataBytes) return;
    // Little-endian samples, whatever the machine's byte order.
    std::array<uint8_t, 4096> chunk;
    size_t done = 0;
    while (done < samples.size()) {
        const size_t count = std::min(samples.size() - done, chunk.size() / 2);
        for (size_t i = 0; i < count; ++i)
            PutLe(&chunk[2 * i], uint16_t(samples[done + i]), 2);
        if (std::fwrite(chunk.data(), 1, count * 2, file_) != count * 2) ok_ = false;
        done += count;
    }
    dataBytes_ += bytes;
}

bool WavWriter::Close() {
    if (!file_) return ok_;
    if (!WriteHeader()) ok_ = false;
    if (std::fclose(file_) != 0) ok_ = false;
    file_ = nullptr;
    return ok_;
}

}  // namespace midilib
