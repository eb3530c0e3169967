// Command 7, the current playlist view: the host's playlist titles in pages of
// 50, asked of the host one by one, with the drive list, the folder browser,
// the playlist files, jump, clear and save available without leaving it.

#include <cstdint>

#include "core/context.h"
#include "core/host_requests.h"
#include "core/wire.h"
#include "files/folder_browser.h"
#include "files/playlist_files.h"
#include "protocol/file_commands.h"
#include "protocol/paged_list.h"
#include "protocol/playback.h"

namespace {

// Asked once when the view opens; later pages follow this length even when
// the playlist changes meanwhile.
std::int32_t askPlaylistLength(const void*) { return hostNumber(hostRequest(host::requestPlaylistLength, 0)); }

// The host's title of entry `index`, or null when it has none. The list never
// sends one past the length read at the start, whatever the host answers.
const char* askEntryTitle(const void*, std::int32_t index) {
    const platform::LResult answer = hostRequestNumber(host::requestEntryTitle, index);
    return reinterpret_cast<const char*>(static_cast<std::uintptr_t>(answer));
}

// What the view does for each number it takes, as at top level.
void selectFolder(const char* argument, int) { runFolderBrowser(argument); }
void selectPlaylistFiles(const char*, int) { sendPlaylistFileList(); }
void selectEntry(const char* argument, int) { playPlaylistPosition(argument); }
void selectDrives(const char*, int) { sendDriveList(); }
void selectClear(const char*, int) { clearPlaylist(); }
void selectSave(const char* argument, int) { saveCurrentPlaylist(argument); }

constexpr ListSelection viewSelections[] = {
    {1, 0, selectFolder},  {4, 0, selectPlaylistFiles}, {8, 0, selectEntry},
    {20, 0, selectDrives}, {22, 0, selectClear},        {23, 0, selectSave},
};

}  // namespace

namespace commands {

int listCurrentPlaylist(const char*) {
    constexpr char header[] = {wire::replyPlaylistBegins, '\0'};
    PagedList list;
    list.listCode = wire::replyPlaylistEntry;
    list.header = header;
    list.obtainRecords = askPlaylistLength;
    list.itemCode = wire::itemPlaylistEntry;
    list.itemText = askEntryTitle;
    list.selections = viewSelections;
    list.selectionCount = sizeof viewSelections / sizeof viewSelections[0];
    list.asksPastLastPage = true;
    return runPagedList(list);
}

}  // namespace commands
