// Sorting a query's records without moving them while deciding the order: the
// keys (eight bytes of the field at a time, and the record's index) are sorted
// by radix, and only then is each 40-byte record moved once, to its place.

#include "library/record_sort.h"

#include <algorithm>
#include <cstring>
#include <new>

namespace {

struct SortKey {
    std::uint64_t chunk;  // eight bytes of the field from the current depth, big-endian
    std::uint32_t index;  // the record's place in the host's order
};

// Runs shorter than this are ordered by insertion, longer ones by radix.
constexpr std::uint32_t shortRun = 32;

struct SortJob {
    const host::LibraryRecord* records;
    LibraryField field;
    SortKey* keys;
    SortKey* spare;         // as many keys again, for the radix passes
    std::uint64_t* second;  // bytes 8 to 15 of each record's field, by record index
};

const char* fieldOf(const SortJob& job, std::uint32_t index) { return libraryFieldText(job.records[index], job.field); }

// Eight bytes of `text` from `depth`, zero after its end. The caller knows the
// text has at least `depth` bytes before its NUL.
std::uint64_t chunkAt(const char* text, std::size_t depth) {
    const unsigned char* p = reinterpret_cast<const unsigned char*>(text) + depth;
    std::uint64_t chunk = 0;
    int i = 0;
    for (; i < 8 && p[i] != 0; ++i) chunk = (chunk << 8) | p[i];
    for (; i < 8; ++i) chunk <<= 8;
    return chunk;
}

// A chunk whose last byte is not NUL leaves more of the text to compare.
bool textGoesOn(std::uint64_t chunk) { return (chunk & 0xff) != 0; }

// The keys' chunks at `depth`. The first eight bytes are read in the host's
// order, one pass along the texts, and the next eight with them; only deeper
// bytes are read in sorted order, from texts all over memory.
void loadChunks(const SortJob& job, SortKey* keys, std::uint32_t count, std::size_t depth) {
    if (depth == 0) {
        constexpr std::uint32_t ahead = 16;
        for (std::uint32_t i = 0; i < count; ++i) {
            // The texts lie apart in memory; asking for them early lets the
            // waits for them overlap.
            if (i + ahead < count) __builtin_prefetch(fieldOf(job, keys[i + ahead].index));
            const char* text = fieldOf(job, keys[i].index);
            keys[i].chunk = chunkAt(text, 0);
            job.second[keys[i].index] = textGoesOn(keys[i].chunk) ? chunkAt(text, 8) : 0;
        }
    } else if (depth == 8) {
        for (std::uint32_t i = 0; i < count; ++i) keys[i].chunk = job.second[keys[i].index];
    } else {
        for (std::uint32_t i = 0; i < count; ++i) keys[i].chunk = chunkAt(fieldOf(job, keys[i].index), depth);
    }
}

// Stable: keys with equal chunks keep their order.
void insertionSort(SortKey* keys, std::uint32_t count) {
    for (std::uint32_t i = 1; i < count; ++i) {
        const SortKey key = keys[i];
        std::uint32_t j = i;
        for (; j > 0 && keys[j - 1].chunk > key.chunk; --j) keys[j] = keys[j - 1];
        keys[j] = key;
    }
}

// Stable least-significant-digit radix sort of keys by chunk; passes over a
// byte that every key shares are skipped.
void radixSort(SortKey* keys, SortKey* spare, std::uint32_t count) {
    std::uint32_t counts[8][256] = {};
    for (std::uint32_t i = 0; i < count; ++i) {
        std::uint64_t chunk = keys[i].chunk;
        for (int b = 0; b < 8; ++b, chunk >>= 8) ++counts[b][chunk & 0xff];
    }
    SortKey* from = keys;
    SortKey* to = spare;
    for (int b = 0; b < 8; ++b) {
        std::uint32_t* bucket = counts[b];
        if (bucket[(from[0].chunk >> (8 * b)) & 0xff] == count) continue;
        std::uint32_t offset = 0;
        for (int v = 0; v < 256; ++v) {
            const std::uint32_t n = bucket[v];
            bucket[v] = offset;
            offset += n;
        }
        for (std::uint32_t i = 0; i < count; ++i) to[bucket[(from[i].chunk >> (8 * b)) & 0xff]++] = from[i];
        std::swap(from, to);
    }
    if (from != keys) std::memcpy(keys, from, count * sizeof(SortKey));
}

// Orders keys [begin, end), which agree on their texts' first `depth` bytes
// and are in the host's order among themselves. Groups that still agree go on
// eight bytes deeper: the largest in this loop, the others by recursion, so
// the stack stays shallow.
void sortRun(const SortJob& job, std::uint32_t begin, std::uint32_t end, std::size_t depth) {
    for (;;) {
        const std::uint32_t count = end - begin;
        SortKey* keys = job.keys + begin;
        loadChunks(job, keys, count, depth);
        if (count < shortRun) {
            insertionSort(keys, count);
        } else {
            radixSort(keys, job.spare + begin, count);
        }

        std::uint32_t largestBegin = 0;
        std::uint32_t largestEnd = 0;
        for (std::uint32_t first = 0; first < count;) {
            std::uint32_t last = first + 1;
            while (last < count && keys[last].chunk == keys[first].chunk) ++last;
            if (last - first > 1 && textGoesOn(keys[first].chunk)) {
                if (last - first > largestEnd - largestBegin) {
                    if (largestEnd > largestBegin) sortRun(job, largestBegin, largestEnd, depth + 8);
                    largestBegin = begin + first;
                    largestEnd = begin + last;
                } else {
                    sortRun(job, begin + first, begin + last, depth + 8);
                }
            }
            first = last;
        }
        if (largestEnd == largestBegin) return;
        begin = largestBegin;
        end = largestEnd;
        depth += 8;
    }
}

// The sort's working memory, kept from one sort to the next: touching fresh
// memory costs more than the sort itself. Only the worker thread sorts.
template <typename T>
struct Workspace {
    T* items = nullptr;
    std::size_t capacity = 0;

    // Room for `count` items; nullptr when there is none to be had.
    T* reserve(std::size_t count) {
        if (count <= capacity) return items;
        T* larger = new (std::nothrow) T[count];
        if (larger == nullptr) return nullptr;
        delete[] items;
        items = larger;
        capacity = count;
        return items;
    }
};

Workspace<SortKey> keySpace;  // the keys, then as many again for the radix passes
Workspace<std::uint64_t> secondSpace;
Workspace<host::LibraryRecord> recordSpace;

}  // namespace

int compareLibraryRecords(const host::LibraryRecord& a, const host::LibraryRecord& b, LibraryField field) {
    return std::strcmp(libraryFieldText(a, field), libraryFieldText(b, field));
}

void sortLibraryRecords(host::LibraryRecordList& list, LibraryField field) {
    if (list.records == nullptr || list.count <= 1) return;
    const std::uint32_t count = static_cast<std::uint32_t>(list.count);

    SortKey* keys = keySpace.reserve(2 * static_cast<std::size_t>(count));
    std::uint64_t* second = secondSpace.reserve(count);
    host::LibraryRecord* sorted = recordSpace.reserve(count);
    if (keys == nullptr || second == nullptr || sorted == nullptr) {
        // No room for keys: sort the records themselves, slower but in place.
        std::stable_sort(list.records, list.records + count,
                         [field](const host::LibraryRecord& a, const host::LibraryRecord& b) {
                             return compareLibraryRecords(a, b, field) < 0;
                         });
        return;
    }
    for (std::uint32_t i = 0; i < count; ++i) keys[i] = {0, i};
    const SortJob job{list.records, field, keys, keys + count, second};
    sortRun(job, 0, count, 0);

    // Each record is read once from where it was and written once to its
    // place: the reads do not wait on one another.
    for (std::uint32_t i = 0; i < count; ++i) sorted[i] = list.records[keys[i].index];
    std::memcpy(list.records, sorted, static_cast<std::size_t>(count) * sizeof(host::LibraryRecord));
}
