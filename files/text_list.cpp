#include "files/text_list.h"

#include <cstring>
#include <limits>
#include <new>

namespace {

// Where a text starts is kept in 32 bits, so the block stays below 4 GiB.
constexpr std::size_t largestBlock = std::numeric_limits<std::uint32_t>::max();
constexpr std::int32_t mostTexts = std::numeric_limits<std::int32_t>::max() / 2;

// Moves `used` items into a block of `capacity`; nullptr when there is none.
template <typename T>
T* grown(T* items, std::size_t used, std::size_t capacity) {
    T* larger = new (std::nothrow) T[capacity];
    if (larger == nullptr) return nullptr;
    if (used > 0) std::memcpy(larger, items, used * sizeof(T));
    delete[] items;
    return larger;
}

}  // namespace

TextList::~TextList() { release(); }

void TextList::release() {
    delete[] bytes_;
    delete[] starts_;
    bytes_ = nullptr;
    starts_ = nullptr;
    bytesUsed_ = bytesCapacity_ = 0;
    count_ = startsCapacity_ = 0;
}

bool TextList::append(const char* text, std::size_t length, std::int32_t tag) {
    if (length >= largestBlock - bytesUsed_ || count_ >= mostTexts) return false;
    const std::size_t needed = bytesUsed_ + length + 1;
    if (needed > bytesCapacity_) {
        std::size_t capacity = bytesCapacity_ < 4096 ? 4096 : bytesCapacity_;
        while (capacity < needed) capacity = capacity > largestBlock / 2 ? largestBlock : capacity * 2;
        char* larger = grown(bytes_, bytesUsed_, capacity);
        if (larger == nullptr) return false;
        bytes_ = larger;
        bytesCapacity_ = capacity;
    }
    if (count_ == startsCapacity_) {
        const std::int32_t capacity = startsCapacity_ < 256 ? 256 : startsCapacity_ * 2;
        Start* larger = grown(starts_, static_cast<std::size_t>(count_), static_cast<std::size_t>(capacity));
        if (larger == nullptr) return false;
        starts_ = larger;
        startsCapacity_ = capacity;
    }
    if (length > 0) std::memcpy(bytes_ + bytesUsed_, text, length);
    bytes_[bytesUsed_ + length] = '\0';
    starts_[count_++] = {static_cast<std::uint32_t>(bytesUsed_), tag};
    bytesUsed_ = needed;
    return true;
}
