// The entries the folder browser shows: the sub-folders of a folder, then its
// files of each playable extension, read in one pass over the folder.
#pragma once

#include <cstdint>

#include "core/context.h"
#include "files/text_list.h"

struct FolderEntries {
    FolderEntries() = default;
    ~FolderEntries() { delete[] order; }
    FolderEntries(const FolderEntries&) = delete;
    FolderEntries& operator=(const FolderEntries&) = delete;

    // Each entry is its mark and its name ("F" and a folder name, "T" and a file
    // name), in the order the file system returned them; the tag is its group.
    TextList texts;
    // Indexes into `texts` in the order the entries are shown.
    std::int32_t* order = nullptr;
    std::int32_t count = 0;

    const char* entry(std::int32_t index) const { return texts.text(order[index]); }
};

// Reads `folder` (a path without a trailing backslash) once and fills
// `entries`: the sub-folders whose names do not begin with '.', then for each
// extension of `extensions` (':'-ended, in that order, each once) the files
// whose names end in '.' and that extension, compared without regard to case;
// each group in file-system order. A directory is never a file here, an empty
// extension matches nothing, and a file goes with the first extension it
// matches. The stop flag ends the pass early. False, with no entries, when the
// folder's search pattern does not fit a path: such a folder is refused, not
// cut to another one.
bool collectFolderEntries(const char* folder, const char* extensions, const SharedFlag& stop, FolderEntries& entries);
