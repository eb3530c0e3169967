// The drive list and the folder browser: the phone walks the computer's drives
// and folders in one browser screen and plays or enqueues the files it finds.
// Command 20 lists the drives (no paging, no wait); command 1 lists a folder
// as a paged list that takes 2 (play a file) and 3 (enqueue it).

#include <cstring>

#include "core/context.h"
#include "core/text.h"
#include "core/wire.h"
#include "files/folder_entries.h"
#include "protocol/file_commands.h"
#include "protocol/list_vocabulary.h"
#include "protocol/paged_list.h"

namespace {

// Every drive letter in use: 26 roots of four bytes ("C:\" and its NUL) and
// the NUL that ends the list.
constexpr std::size_t driveRootsSize = 26 * 4 + 1;
// A label as long as the system can hand one back (MAX_PATH + 1).
constexpr std::size_t volumeLabelSize = 261;
// Roots of at least one character and its NUL.
constexpr int mostDrives = driveRootsSize / 2;

// 'D' for a fixed or removable drive, 'M' for a CD-ROM drive; false for any
// other kind, which the list leaves out.
bool driveKind(const char* root, char& kind) {
    switch (platform::driveType(root)) {
        case platform::driveFixed:
        case platform::driveRemovable:
            kind = wire::itemDrive;
            return true;
        case platform::driveCdRom:
            kind = wire::itemCdRomDrive;
            return true;
        default:
            return false;
    }
}

// The ready drives of the list, each with its kind and its shown text, the
// label and the letter ("System (C:)").
struct Drives {
    char kinds[mostDrives] = {};
    char texts[mostDrives][volumeLabelSize + 8] = {};
    std::int32_t count = 0;
};

void collectDrives(Drives& drives) {
    char roots[driveRootsSize] = {};
    const std::uint32_t length = platform::logicalDriveStrings(roots, sizeof roots);
    // A list that did not fit came back empty; one that did is read no further
    // than the buffer, whatever it holds.
    if (length >= sizeof roots) return;
    roots[sizeof roots - 1] = '\0';
    const char* root = roots;
    while (root < roots + sizeof roots - 1 && *root != '\0' && drives.count < mostDrives) {
        const std::size_t rootLength = std::strlen(root);
        char kind = '\0';
        char label[volumeLabelSize];
        if (driveKind(root, kind) && platform::volumeLabel(root, label, sizeof label)) {
            label[sizeof label - 1] = '\0';
            drives.kinds[drives.count] = kind;
            formatText(drives.texts[drives.count], sizeof drives.texts[0], "%s (%.2s)", label, root);
            ++drives.count;
        }
        root += rootLength + 1;
    }
}

char driveCode(const Drives& drives, std::int32_t index) { return drives.kinds[index]; }
const char* driveText(const Drives& drives, std::int32_t index) { return drives.texts[index]; }

const char* folderEntryText(const FolderEntries& entries, std::int32_t index) { return entries.entry(index); }


}  // namespace

namespace commands {

void listFolder(const Request& request, Reply& reply) {
    FolderEntries entries;
    // A folder whose path does not fit is refused: the header alone goes out.
    collectFolderEntries(request.text, request.context.settings.extensionList, request.context.flags.stop, entries);
    runList(List<FolderEntries>{.shape = {.listCode = wire::replyFileList,
                                          .recordCount = entries.count,
                                          .itemCode = wire::itemFolderEntry,
                                          .takes = listSelections::folder},
                                .source = entries,
                                .itemText = folderEntryText},
            request.context, reply);
}

void listDrives(const Request& request, Reply& reply) {
    Drives drives;
    collectDrives(drives);
    runList(
        List<Drives>{.shape = {.listCode = wire::replyFileList, .recordCount = drives.count, .kind = ListKind::whole},
                     .source = drives,
                     .itemText = driveText,
                     .itemCodeOf = driveCode},
        request.context, reply);
}

}  // namespace commands
