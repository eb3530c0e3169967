#include "protocol/list_jump.h"

#include <cstring>

namespace {

// Letters compare without regard to case in a jump; every other byte as it is.
unsigned char foldedByte(char c) {
    const unsigned char byte = static_cast<unsigned char>(c);
    return byte >= 'A' && byte <= 'Z' ? static_cast<unsigned char>(byte - 'A' + 'a') : byte;
}

// 0 when `text` begins with `prefix`; otherwise below or above 0 as `text`
// sorts before or after it.
int comparePrefix(const char* text, const char* prefix) {
    for (; *prefix != '\0'; ++text, ++prefix) {
        const int difference = foldedByte(*text) - foldedByte(*prefix);
        if (difference != 0) return difference;
    }
    return 0;
}

bool isLetter(unsigned char byte) { return (byte >= 'A' && byte <= 'Z') || (byte >= 'a' && byte <= 'z'); }

// The first byte of record `index`'s item text; 0 for an empty or missing one.
unsigned char leadByte(const JumpRecords& list, std::int32_t index) {
    const char* text = list.records.itemText(index);
    return text != nullptr ? static_cast<unsigned char>(text[0]) : 0;
}

// Lists in byte order: the first record whose item text begins with a byte of
// `byte` or more (the record count when there is none), found by halving.
std::int32_t firstLeadFrom(const JumpRecords& list, unsigned byte) {
    std::int32_t low = 0;
    std::int32_t high = list.count;
    while (low < high) {
        const std::int32_t middle = low + (high - low) / 2;
        if (leadByte(list, middle) < byte) {
            low = middle + 1;
        } else {
            high = middle;
        }
    }
    return low;
}

// Lists in byte order: the first record whose item text begins with a byte
// from `first` to `last`; -1 when there is none.
std::int32_t firstLeadIn(const JumpRecords& list, unsigned first, unsigned last) {
    const std::int32_t index = firstLeadFrom(list, first);
    return index < list.count && leadByte(list, index) <= last ? index : -1;
}

std::int32_t earlier(std::int32_t a, std::int32_t b) { return a < 0 ? b : (b < 0 || a < b ? a : b); }

struct JumpFound {
    std::int32_t begins = -1;  // the first record that begins with the prefix
    std::int32_t after = -1;   // the first that sorts after it
};

// Goes through records [begin, end) in order, until one begins with `prefix`.
void scanForPrefix(const JumpRecords& list, const char* prefix, std::int32_t begin, std::int32_t end,
                   JumpFound& found) {
    for (std::int32_t index = begin; index < end; ++index) {
        const char* text = list.records.itemText(index);
        const int order = comparePrefix(text != nullptr ? text : "", prefix);
        if (order == 0) {
            found.begins = index;
            return;
        }
        if (order > 0) found.after = earlier(found.after, index);
    }
}

// The records that "#" names: those that do not begin with a letter.
std::int32_t firstNonLetter(const JumpRecords& list) {
    if (!list.inByteOrder) {
        for (std::int32_t index = 0; index < list.count; ++index)
            if (!isLetter(leadByte(list, index))) return index;
        return -1;
    }
    // In byte order the letters are two runs of first bytes, with others
    // before, between and after them.
    std::int32_t found = firstLeadIn(list, 0, 'A' - 1);
    if (found < 0) found = firstLeadIn(list, 'Z' + 1, 'a' - 1);
    if (found < 0) found = firstLeadIn(list, 'z' + 1, 255);
    return found;
}

// Rules 1 and 2 in a list in byte order: the records that can begin with the
// prefix are those whose first byte folds to the prefix's, one or two runs;
// only they are gone through. Of the first bytes that fold higher, the first
// record of each run of them is found by halving.
JumpFound findInByteOrder(const JumpRecords& list, const char* prefix) {
    JumpFound found;
    const unsigned char lead = foldedByte(prefix[0]);
    const bool letter = lead >= 'a' && lead <= 'z';
    const unsigned char leads[2] = {static_cast<unsigned char>(letter ? lead - 'a' + 'A' : lead), lead};
    for (int i = letter ? 0 : 1; i < 2; ++i) {
        const std::int32_t begin = firstLeadFrom(list, leads[i]);
        scanForPrefix(list, prefix, begin, firstLeadFrom(list, leads[i] + 1u), found);
        if (found.begins >= 0) return found;
    }
    for (unsigned first = 1; first < 256;) {
        if (foldedByte(static_cast<char>(first)) <= lead) {
            ++first;
            continue;
        }
        unsigned last = first;
        while (last + 1 < 256 && foldedByte(static_cast<char>(last + 1)) > lead) ++last;
        found.after = earlier(found.after, firstLeadIn(list, first, last));
        first = last + 1;
    }
    return found;
}

}  // namespace

std::int32_t jumpTarget(const JumpRecords& list, const char* prefix) {
    if (std::strcmp(prefix, "#") == 0) {
        const std::int32_t found = firstNonLetter(list);
        return found >= 0 ? found : 0;
    }
    JumpFound found;
    if (list.inByteOrder) {
        found = findInByteOrder(list, prefix);
    } else {
        scanForPrefix(list, prefix, 0, list.count, found);
    }
    if (found.begins >= 0) return found.begins;
    return found.after;
}
