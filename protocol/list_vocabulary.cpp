#include "protocol/list_vocabulary.h"

#include <algorithm>

namespace {

constexpr bool rowsAscend() {
    for (std::size_t i = 1; i < std::size(listVocabulary); ++i)
        if (listVocabulary[i - 1].opener >= listVocabulary[i].opener) return false;
    for (const ListVocabulary& list : listVocabulary) {
        if (list.selections.size() + 3 > mostTakenNumbers) return false;
        if (!std::is_sorted(list.selections.begin(), list.selections.end())) return false;
    }
    return true;
}
static_assert(rowsAscend(), "one row per opener, ascending; selections ascending and few");

}  // namespace

const ListVocabulary* findListVocabulary(int opener) {
    for (const ListVocabulary& list : listVocabulary)
        if (list.opener == opener) return &list;
    return nullptr;
}

std::size_t takenNumbers(const ListVocabulary& list, std::span<int> out) {
    std::size_t count = 0;
    for (int number : list.selections) out[count++] = number;
    if (list.paged) {
        out[count++] = nextPageCommand;
        out[count++] = previousPageCommand;
    }
    if (list.jumps) out[count++] = jumpCommand;
    std::sort(out.begin(), out.begin() + static_cast<std::ptrdiff_t>(count));
    return count;
}
