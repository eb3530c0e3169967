// A growing list of texts kept in one block: the folder browser's entries and
// the playlist catalog's file names. Nothing throws: a text that finds no room
// is not added, and the caller decides what that means for its list.
#pragma once

#include <cstddef>
#include <cstdint>

struct TextList {
    TextList() = default;
    ~TextList();
    TextList(const TextList&) = delete;
    TextList& operator=(const TextList&) = delete;

    // Adds the `length` bytes at `text` as the next text (NUL-terminated in the
    // list), with a number the caller keeps beside it. False, with the list
    // unchanged, when there is no room.
    bool append(const char* text, std::size_t length, std::int32_t tag = 0);
    // The text at `index` (0 <= index < count()), and the number kept with it.
    const char* text(std::int32_t index) const { return bytes_ + starts_[index].start; }
    std::int32_t tag(std::int32_t index) const { return starts_[index].tag; }
    std::int32_t count() const { return count_; }
    // Forgets every text and gives the memory back.
    void release();

private:
    char* bytes_ = nullptr;
    std::size_t bytesUsed_ = 0;
    std::size_t bytesCapacity_ = 0;
    struct Start {
        std::uint32_t start;
        std::int32_t tag;
    };
    Start* starts_ = nullptr;
    std::int32_t count_ = 0;
    std::int32_t startsCapacity_ = 0;
};
