// Command 55, the media library's own playlists: their titles from the
// library's "Playlists" menu, their files from the catalog beside it, matched
// by position, and a wait in which 5 plays and 56 enqueues one by its index.

#include <cstdint>
#include <cstring>

#include "core/context.h"
#include "core/host_interface.h"
#include "core/wire.h"
#include "files/paths.h"
#include "files/playlist_catalog.h"
#include "files/text_list.h"
#include "protocol/file_commands.h"
#include "protocol/paged_list.h"
#include "protocol/playback.h"

namespace {

constexpr const char* catalogFolder = "\\Plugins\\ml\\";
constexpr const char* catalogName = "playlists.xml";
// The sub-menu's first two items are the library's own commands, not playlists.
constexpr int firstPlaylistItem = 2;

// What the list shows and what its picks read: the titles of the menu and the
// catalog's file names, matched by position.
struct PlaylistSource {
    TextList titles;
    TextList names;
};

// Collects the titles of the "Playlists" sub-menu, from its third item on.
// False when the stop flag cut the walk short.
bool collectPlaylistTitles(PluginContext& context, TextList& titles) {
    // The host reads it only while the menu request lasts.
    host::MenuRequest& menuRequest = context.browse.menuRequest;
    menuRequest = {{0, 0, -1}};
    const platform::LResult answer =
        platform::sendMessage(context.host.libraryWindow, host::libraryMessage,
                              reinterpret_cast<platform::WParam>(&menuRequest), host::libraryPlaylistsMenu);
    const auto menu = reinterpret_cast<platform::MenuHandle>(static_cast<std::uintptr_t>(answer));
    if (menu == nullptr) return true;

    bool whole = true;
    char text[1024];
    const int items = platform::menuItemCount(menu);
    for (int position = 0; position < items; ++position) {
        platform::menuItemText(menu, position, text, sizeof text);
        if (std::strcmp(text, "Playlists") == 0) {
            const platform::MenuHandle playlists = platform::subMenu(menu, position);
            const int count = playlists != nullptr ? platform::menuItemCount(playlists) : 0;
            for (int item = firstPlaylistItem; item < count && whole; ++item) {
                const int length = platform::menuItemText(playlists, item, text, sizeof text);
                // A title is only shown: one that finds no room is shown empty,
                // so the titles after it still match their files.
                const std::size_t shown = length > 0 ? std::strlen(text) : 0;
                if (!titles.append(text, shown) && !titles.append("", 0)) break;
                whole = context.flags.stop == 0;
            }
            break;
        }
        if (context.flags.stop != 0) {
            whole = false;
            break;
        }
    }
    platform::destroyMenu(menu);
    return whole;
}

const char* titleText(const PlaylistSource& source, std::int32_t index) { return source.titles.text(index); }

// 5 plays and 56 enqueues the catalog's playlist at the argument's index. An
// index with no file behind it, or whose path does not fit, picks nothing.
void pickPlaylist(const PlaylistSource& source, const Request& request, Reply&) {
    const TextList& names = source.names;
    const std::int32_t index = request.number;
    if (index < 0 || index >= names.count()) return;
    const char* name = names.text(index);
    char path[pathSize];
    if (name[0] == '\0' || !joinPath(path, {request.context.settings.hostDirectory, catalogFolder, name})) return;
    playOrEnqueue(request.context, path, request.mode);
}

constexpr ListRow<PlaylistSource> playlistPicks[] = {{5, pickPlaylist, Argument::number, PickMode::play},
                                                     {56, pickPlaylist, Argument::number, PickMode::enqueue}};

}  // namespace

namespace commands {

void listLibraryPlaylists(const Request& request, Reply& reply) {
    char catalogPath[pathSize];
    std::FILE* catalog = nullptr;
    if (joinPath(catalogPath, {request.context.settings.hostDirectory, catalogFolder, catalogName}))
        catalog = platform::openSharedForReading(catalogPath);
    if (catalog == nullptr) return;
    PlaylistSource source;
    readPlaylistCatalog(catalog, source.names);
    std::fclose(catalog);

    if (collectPlaylistTitles(request.context, source.titles)) {
        // Without titles the catalog's files can still be picked by index.
        runList(List<PlaylistSource>{.shape = {.listCode = wire::replyLibraryList,
                                               .recordCount = source.titles.count(),
                                               .itemCode = wire::itemLibraryPlaylist,
                                               .kind = ListKind::wholeThenWait},
                                     .source = source,
                                     .itemText = titleText,
                                     .ownRows = playlistPicks},
                request.context, reply);
    }
}

}  // namespace commands
