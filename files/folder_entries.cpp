#include "files/folder_entries.h"

#include <cstring>
#include <new>

#include "core/context.h"
#include "core/text.h"
#include "files/paths.h"
#include "platform/platform.h"

namespace {

constexpr std::int32_t folderGroup = 0;
constexpr std::int32_t noGroup = -1;

struct Extension {
    const char* text;
    std::size_t length;
};

// A 1024-byte extension list holds at most 511 extensions that are not empty.
constexpr std::size_t mostExtensions = 512;

struct Extensions {
    Extension items[mostExtensions];
    std::size_t count = 0;
};

char lowerAscii(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

bool sameIgnoringCase(const char* a, const char* b, std::size_t length) {
    for (std::size_t i = 0; i < length; ++i)
        if (lowerAscii(a[i]) != lowerAscii(b[i])) return false;
    return true;
}

// The ':'-ended extensions in list order, each once; what follows the last ':'
// is not an extension.
void readExtensions(const char* list, Extensions& extensions) {
    const char* start = list;
    for (const char* p = list; *p != '\0'; ++p) {
        if (*p != ':') continue;
        const Extension candidate{start, static_cast<std::size_t>(p - start)};
        start = p + 1;
        if (candidate.length == 0 || extensions.count == mostExtensions) continue;
        bool known = false;
        for (std::size_t i = 0; i < extensions.count && !known; ++i) {
            const Extension& seen = extensions.items[i];
            known = seen.length == candidate.length && sameIgnoringCase(seen.text, candidate.text, seen.length);
        }
        if (!known) extensions.items[extensions.count++] = candidate;
    }
}

std::int32_t groupOf(const platform::FindEntry& found, const Extensions& extensions) {
    const char* name = found.name;
    if ((found.attributes & platform::attributeDirectory) != 0) return name[0] == '.' ? noGroup : folderGroup;
    const std::size_t length = std::strlen(name);
    for (std::size_t i = 0; i < extensions.count; ++i) {
        const Extension& extension = extensions.items[i];
        if (length <= extension.length) continue;
        const char* suffix = name + length - extension.length;
        if (suffix[-1] == '.' && sameIgnoringCase(suffix, extension.text, extension.length))
            return static_cast<std::int32_t>(i) + 1;
    }
    return noGroup;
}

// Puts the entries in group order, each group keeping file-system order.
bool orderByGroup(FolderEntries& entries, std::size_t groupCount) {
    const std::int32_t count = entries.texts.count();
    if (count == 0) return true;
    std::int32_t* order = new (std::nothrow) std::int32_t[static_cast<std::size_t>(count)];
    std::int32_t* firstOfGroup = new (std::nothrow) std::int32_t[groupCount + 1]();
    if (order == nullptr || firstOfGroup == nullptr) {
        delete[] order;
        delete[] firstOfGroup;
        return false;
    }
    for (std::int32_t i = 0; i < count; ++i) ++firstOfGroup[entries.texts.tag(i) + 1];
    for (std::size_t group = 1; group <= groupCount; ++group) firstOfGroup[group] += firstOfGroup[group - 1];
    for (std::int32_t i = 0; i < count; ++i) order[firstOfGroup[entries.texts.tag(i)]++] = i;
    delete[] firstOfGroup;
    entries.order = order;
    entries.count = count;
    return true;
}

}  // namespace

bool collectFolderEntries(const char* folder, const char* extensions, const SharedFlag& stop, FolderEntries& entries) {
    char pattern[pathSize];
    if (!joinPath(pattern, {folder, "\\*"})) return false;

    Extensions wanted;
    readExtensions(extensions, wanted);

    platform::FindEntry found{};
    platform::FindHandle search = platform::findFirstFile(pattern, &found);
    if (search == nullptr) return true;
    do {
        found.name[sizeof found.name - 1] = '\0';
        const std::int32_t group = groupOf(found, wanted);
        if (group != noGroup) {
            char text[1 + sizeof found.name];
            formatText(text, sizeof text, "%s%s", group == folderGroup ? "F" : "T", found.name);
            // An entry that finds no room is left out; the others keep their order.
            entries.texts.append(text, std::strlen(text), group);
        }
    } while (stop == 0 && platform::findNextFile(search, &found));
    platform::findClose(search);

    if (!orderByGroup(entries, wanted.count + 1)) entries.texts.release();
    return true;
}
