#include "files/folder_browser.h"

#include <cstdio>
#include <cstring>

#include "core/context.h"
#include "core/wire.h"
#include "files/folder_entries.h"
#include "link/link.h"
#include "protocol/file_commands.h"
#include "protocol/paged_list.h"
#include "protocol/playback.h"

namespace {

// Every drive letter in use: 26 roots of four bytes ("C:\" and its NUL) and
// the NUL that ends the list.
constexpr std::size_t driveRootsSize = 26 * 4 + 1;
// A label as long as the system can hand one back (MAX_PATH + 1).
constexpr std::size_t volumeLabelSize = 261;

// 'D' for a fixed or removable drive, 'M' for a CD-ROM drive, 0 for any other.
char driveKind(const char* root) {
    switch (platform::driveType(root)) {
        case platform::driveFixed:
        case platform::driveRemovable:
            return wire::itemDrive;
        case platform::driveCdRom:
            return wire::itemCdRomDrive;
        default:
            return 0;
    }
}

const char* folderEntryText(const void* source, std::int32_t index) {
    return static_cast<const FolderEntries*>(source)->entry(index);
}

void playOrEnqueueFile(const char* path, int mode) {
    if (mode == 0) {
        playFileNow(path);
    } else {
        addFileToPlaylist(path);
    }
}

constexpr ListSelection folderSelections[] = {{2, 0, playOrEnqueueFile}, {3, 1, playOrEnqueueFile}};

}  // namespace

void sendDriveList() {
    sendReply(fileListHeader);
    char roots[driveRootsSize] = {};
    const std::uint32_t length = platform::logicalDriveStrings(roots, sizeof roots);
    // A list that did not fit came back empty; one that did is read no further
    // than the buffer, whatever it holds.
    if (length >= sizeof roots) return;
    roots[sizeof roots - 1] = '\0';
    const char* root = roots;
    while (root < roots + sizeof roots - 1 && *root != '\0') {
        const std::size_t rootLength = std::strlen(root);
        const char kind = driveKind(root);
        char label[volumeLabelSize];
        if (kind != 0 && platform::volumeLabel(root, label, sizeof label)) {
            label[sizeof label - 1] = '\0';
            // The label is only shown: one that does not fit the line is cut.
            char line[wire::replyTextLimit + 1];
            std::snprintf(line, sizeof line, "%c%c%s (%.2s)", wire::replyFileList, kind, label, root);
            sendReply(line);
        }
        root += rootLength + 1;
    }
}

void runFolderBrowser(const char* folder) {
    FolderEntries entries;
    // A folder whose path does not fit is refused: the header alone goes out.
    collectFolderEntries(folder, extensionList, entries);

    PagedList list;
    list.listCode = wire::replyFileList;
    list.header = fileListHeader;
    list.recordCount = entries.count;
    list.itemCode = wire::itemFolderEntry;
    list.itemText = folderEntryText;
    list.source = &entries;
    list.selections = folderSelections;
    list.selectionCount = 2;
    runPagedList(list);
}

namespace commands {

int listFolder(const char* argument) {
    runFolderBrowser(argument);
    return 0;
}

int listDrives(const char*) {
    sendDriveList();
    return 0;
}

}  // namespace commands
