#pragma once
// ByteCursor: the one way the file reader looks at file bytes. It reads forward inside a window
// [begin, end) of a byte buffer that it does not own, knows how many bytes remain, and returns
// "nothing" (an empty optional, or false) instead of reading past the window's end. A failed read
// does not move the cursor. Positions are offsets into the whole buffer, so that error texts can
// name the byte of the file where something went wrong.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>

namespace midilib {

enum class VarLenFault { kNone, kTruncated, kTooLong };

class ByteCursor {
  public:
    // A variable-length quantity of a MIDI file has at most four bytes (28 bits).
    static constexpr int kMaxVarLenBytes = 4;

    ByteCursor(std::span<const uint8_t> buffer, size_t begin, size_t windowEnd)
        : data_(buffer.data()),
          position_(begin < buffer.size() ? begin : buffer.size()),
          end_(windowEnd < position_ ? position_
                                     : (windowEnd < buffer.size() ? windowEnd : buffer.size())) {}
    explicit ByteCursor(std::span<const uint8_t> buffer) : ByteCursor(buffer, 0, buffer.size()) {}

    size_t Position() const { return position_; }
    size_t End() const { return end_; }
    size_t Remaining() const { return end_ - position_; }
    bool AtEnd() const { return position_ == end_; }

    std::optional<uint8_t> Peek() const {
        if (position_ == end_) return std::nullopt;
        return data_[position_];
    }
    std::optional<uint8_t> ReadByte() {
        if (position_ == end_) return std::nullopt;
        return data_[position_++];
    }
    std::optional<uint16_t> ReadU16BE() {
        if (Remaining() < 2) return std::nullopt;
        const uint16_t v = uint16_t(data_[position_] << 8 | data_[position_ + 1]);
        position_ += 2;
        return v;
    }
    std::optional<uint32_t> ReadU32BE() {
        if (Remaining() < 4) return std::nullopt;
        const uint8_t* p = data_ + position_;
        position_ += 4;
        return uint32_t{p[0]} << 24 | uint32_t{p[1]} << 16 | uint32_t{p[2]} << 8 | p[3];
    }
    std::optional<uint32_t> ReadU32LE() {
        if (Remaining() < 4) return std::nullopt;
        const uint8_t* p = data_ + position_;
        position_ += 4;
        return uint32_t{p[3]} << 24 | uint32_t{p[2]} << 16 | uint32_t{p[1]} << 8 | p[0];
    }
    // The next n bytes, or nothing when fewer remain.
    std::optional<std::span<const uint8_t>> ReadBytes(size_t n) {
        if (Remaining() < n) return std::nullopt;
        std::span<const uint8_t> bytes(data_ + position_, n);
        position_ += n;
        return bytes;
    }
    // True when the four bytes ahead spell `tag`.
    bool LooksAt(const char (&tag)[5]) const {
        if (Remaining() < 4) return false;
        for (size_t i = 0; i < 4; ++i)
            if (data_[position_ + i] != uint8_t(tag[i])) return false;
        return true;
    }
    bool Skip(size_t n) {
        if (Remaining() < n) return false;
        position_ += n;
        return true;
    }
    // A variable-length quantity of at most four bytes. On failure `fault` says whether the window
    // ended first or a fourth byte still had its continuation bit set.
    std::optional<uint32_t> ReadVarLen(VarLenFault* fault = nullptr) {
        uint32_t value = 0;
        size_t p = position_;
        for (int i = 0; i < kMaxVarLenBytes; ++i) {
            if (p == end_) {
                if (fault) *fault = VarLenFault::kTruncated;
                return std::nullopt;
            }
            const uint8_t b = data_[p++];
            value = (value << 7) | (b & 0x7F);
            if ((b & 0x80) == 0) {
                position_ = p;
                if (fault) *fault = VarLenFault::kNone;
                return value;
            }
        }
        if (fault) *fault = VarLenFault::kTooLong;
        return std::nullopt;
    }

  private:
    const uint8_t* data_;
    size_t position_;
    size_t end_;
};

}  // namespace midilib
