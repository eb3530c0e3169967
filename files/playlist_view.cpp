// Command 7, the current playlist view: the host's playlist titles in pages of
// 50, asked of the host one by one, with the drive list, the folder browser,
// the playlist files, jump, clear and save available without leaving it.

#include <cstdint>

#include "core/context.h"
#include "core/host_requests.h"
#include "core/wire.h"
#include "protocol/file_commands.h"
#include "protocol/list_vocabulary.h"
#include "protocol/paged_list.h"

namespace {

// Asked once when the view opens; later pages follow this length even when
// the playlist changes meanwhile.
std::int32_t askPlaylistLength(const HostHandles& handles) {
    return hostNumber(hostRequest(handles, host::requestPlaylistLength, 0));
}

// The host's title of entry `index`, or null when it has none. The list never
// sends one past the length read at the start, whatever the host answers.
const char* askEntryTitle(const HostHandles& handles, std::int32_t index) {
    const platform::LResult answer = hostRequestNumber(handles, host::requestEntryTitle, index);
    return reinterpret_cast<const char*>(static_cast<std::uintptr_t>(answer));
}

// The folder browser, the playlist files, jump, the drives, clear and save,
// each as at top level.

}  // namespace

namespace commands {

void listCurrentPlaylist(const Request& request, Reply& reply) {
    runList(List<HostHandles>{.shape = {.listCode = wire::replyPlaylistEntry,
                                        .headerCode = wire::replyPlaylistBegins,
                                        .itemCode = wire::itemPlaylistEntry,
                                        .pastLastPage = PastLastPage::asked,
                                        .takes = listSelections::currentPlaylist},
                              .source = request.context.host,
                              .itemText = askEntryTitle,
                              .obtainRecords = askPlaylistLength},
            request.context, reply);
}

}  // namespace commands
