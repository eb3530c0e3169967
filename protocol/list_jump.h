// The jump of the library lists (102 and a prefix): which record a prefix
// names, going through the list in its own order.
#pragma once

#include <cstddef>
#include <cstdint>

#include "protocol/paged_list.h"

// A jump's prefix holds at least one byte and at most this many.
constexpr std::size_t jumpPrefixLimit = 255;

// The records of a list a jump goes through: the first `count` of `records`,
// in byte order or not.
struct JumpRecords {
    const ListRecords& records;
    std::int32_t count;
    bool inByteOrder;
};

// The first item that begins with `prefix`, letters compared without regard
// to case; failing that, the first that sorts after it; -1 when there is
// neither (the list then goes to its last page). "#" alone names the first
// item that does not begin with a letter, or the first item.
std::int32_t jumpTarget(const JumpRecords& list, const char* prefix);
