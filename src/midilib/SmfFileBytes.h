#pragma once
// SmfFileBytes: the bytes of a MIDI file, owned and read-only once read.
//
// Read fills them from an open file descriptor into memory of their own: anonymous pages, never
// cleared by the program only to be overwritten, and for files of a few megabytes asked to come
// as transparent huge pages, so that reading a large file costs a few page faults instead of one
// every 4 KB. Bytes made in memory (a std::vector) are adopted as they are.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

namespace midilib {

// Asks for transparent huge pages for the whole 2 MB pages inside [start, start + length), memory
// that is about to be filled front to back (a large track's records): a few page faults then
// make it resident instead of one every 4 KB. Advice only; smaller ranges are left as they are.
// Returns the range advised (empty when none).
std::span<std::byte> AdviseHugePages(void* start, size_t length);

// Makes the whole pages inside [start, start + length) resident and writable in one call, what is
// in them kept, where the system can (Linux 5.14 and later): memory about to be written page after
// page then costs no page fault per 4 KB, which on a virtual machine costs twice the time of
// preparing the page itself. Not for huge pages: populating them piecemeal costs several times
// what their faults do. Advice only: where the call is refused, the pages come by faults.
void PopulateForWriting(void* start, size_t length);

class SmfFileBytes {
  public:
    SmfFileBytes() = default;
    SmfFileBytes(std::vector<uint8_t> bytes);  // NOLINT: byte arrays stand for file bytes
    ~SmfFileBytes();
    SmfFileBytes(SmfFileBytes&& other) noexcept;
    SmfFileBytes& operator=(SmfFileBytes&& other) noexcept;
    SmfFileBytes(const SmfFileBytes&) = delete;
    SmfFileBytes& operator=(const SmfFileBytes&) = delete;

    enum class ReadFailure { kNone, kTooLarge, kCannotRead, kNoMemory };
    // Everything `fd` holds from its current offset; `sizeHint` (the size on disk) sizes the
    // first read, and the file may turn out longer or shorter. Nothing, with the reason in
    // `failure`, when the file holds more than `limit` bytes, a read fails or memory runs out.
    static std::optional<SmfFileBytes> Read(int fd, size_t sizeHint, size_t limit,
                                            ReadFailure& failure);

    const uint8_t* data() const { return data_; }
    size_t size() const { return size_; }
    const uint8_t* begin() const { return data_; }
    const uint8_t* end() const { return data_ + size_; }
    operator std::span<const uint8_t>() const { return {data_, size_}; }  // NOLINT

  private:
    // Makes the mapping at least `capacity` bytes long, keeping what it holds; false when the
    // system has no memory for it.
    bool Reserve(size_t capacity);
    void Release();

    std::vector<uint8_t> adopted_;
    uint8_t* mapping_ = nullptr;  // anonymous memory of mappingLength_ bytes, or null
    size_t mappingLength_ = 0;
    const uint8_t* data_ = nullptr;
    size_t size_ = 0;
};

}  // namespace midilib
