#include "midilib/SmfFileBytes.h"

#include <sys/mman.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <utility>

namespace midilib {

namespace {

constexpr size_t kPage = 4096;
constexpr size_t kHugePage = size_t{2} << 20;
// Below one huge page a file would only waste memory in one.
constexpr size_t kHugePagesFrom = kHugePage;

size_t RoundUp(size_t n, size_t to) {
    return (n + to - 1) / to * to;
}

// The whole pages of `page` bytes inside [start, start + length); empty when there is none.
std::span<std::byte> WholePagesInside(void* start, size_t length, size_t page) {
    const auto begin = reinterpret_cast<uintptr_t>(start);
    const uintptr_t first = RoundUp(begin, page);
    const uintptr_t last = (begin + length) / page * page;
    if (last <= first) return {};
    return {reinterpret_cast<std::byte*>(first), last - first};
}

}  // namespace

std::span<std::byte> AdviseHugePages(void* start, size_t length) {
    const std::span<std::byte> pages = WholePagesInside(start, length, kHugePage);
    if (!pages.empty()) madvise(pages.data(), pages.size(), MADV_HUGEPAGE);
    return pages;
}

void PopulateForWriting(void* start, size_t length) {
#ifdef MADV_POPULATE_WRITE
    const std::span<std::byte> pages = WholePagesInside(start, length, kPage);
    if (!pages.empty()) madvise(pages.data(), pages.size(), MADV_POPULATE_WRITE);
#else
    (void)start;
    (void)length;
#endif
}

SmfFileBytes::SmfFileBytes(std::vector<uint8_t> bytes)
    : adopted_(std::move(bytes)), data_(adopted_.data()), size_(adopted_.size()) {}

SmfFileBytes::~SmfFileBytes() {
    Release();
}

SmfFileBytes::SmfFileBytes(SmfFileBytes&& other) noexcept {
    *this = std::move(other);
}

SmfFileBytes& SmfFileBytes::operator=(SmfFileBytes&& other) noexcept {
    if (this == &other) return *this;
    Release();
    // A vector's buffer stays where it is when the vector is moved, so data_ stays valid.
    adopted_ = std::move(other.adopted_);
    mapping_ = std::exchange(other.mapping_, nullptr);
    mappingLength_ = std::exchange(other.mappingLength_, 0);
    data_ = std::exchange(other.data_, nullptr);
    size_ = std::exchange(other.size_, 0);
    return *this;
}

void SmfFileBytes::Release() {
    if (mapping_ != nullptr) munmap(mapping_, mappingLength_);
    mapping_ = nullptr;
    mappingLength_ = 0;
    adopted_.clear();
    data_ = nullptr;
    size_ = 0;
}

bool SmfFileBytes::Reserve(size_t capacity) {
    // Whole huge pages, so that none of the file falls in plain pages after the last one.
    const size_t length = RoundUp(capacity, capacity >= kHugePagesFrom ? kHugePage : kPage);
    if (length <= mappingLength_) return true;
    if (mapping_ != nullptr) {
        // The file grew while it was read: rare, so the mapping simply moves.
        void* moved = mremap(mapping_, mappingLength_, length, MREMAP_MAYMOVE);
        if (moved == MAP_FAILED) return false;
        mapping_ = static_cast<uint8_t*>(moved);
        mappingLength_ = length;
        return true;
    }
    const bool huge = length >= kHugePagesFrom;
    // Huge pages need 2 MB alignment: map a little more and give back the ragged ends.
    const size_t mapped = huge ? length + kHugePage : length;
    void* address =
        mmap(nullptr, mapped, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (address == MAP_FAILED) return false;
    auto* start = static_cast<uint8_t*>(address);
    if (huge) {
        auto* aligned =
            reinterpret_cast<uint8_t*>(RoundUp(reinterpret_cast<uintptr_t>(start), kHugePage));
        if (aligned > start) munmap(start, size_t(aligned - start));
        const size_t tail = mapped - size_t(aligned - start) - length;
        if (tail > 0) munmap(aligned + length, tail);
        start = aligned;
        madvise(start, length, MADV_HUGEPAGE);  // advice only: without it, plain pages
    }
    mapping_ = start;
    mappingLength_ = length;
    return true;
}

std::optional<SmfFileBytes> SmfFileBytes::Read(int fd, size_t sizeHint, size_t limit,
                                               ReadFailure& failure) {
    failure = ReadFailure::kNone;
    SmfFileBytes bytes;
    size_t filled = 0;
    for (;;) {
        if (filled == bytes.mappingLength_) {
            // A byte past the size on disk, so that a file that ends there is read in one pass;
            // a file that goes on doubles its room.
            const size_t first = (sizeHint < limit ? sizeHint : limit) + 1;
            if (!bytes.Reserve(filled == 0 ? first : 2 * filled)) {
                failure = ReadFailure::kNoMemory;
                return std::nullopt;
            }
        }
        const ssize_t n = ::read(fd, bytes.mapping_ + filled, bytes.mappingLength_ - filled);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) {
            failure = ReadFailure::kCannotRead;
            return std::nullopt;
        }
        if (n == 0) break;
        filled += size_t(n);
        if (filled > limit) {
            failure = ReadFailure::kTooLarge;
            return std::nullopt;
        }
    }
    bytes.data_ = bytes.mapping_;
    bytes.size_ = filled;
    return bytes;
}

}  // namespace midilib
