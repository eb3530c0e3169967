// The eleven media-library browse lists: one query each, its records sorted and
// sent as a paged list with list code 'P', and two selections inside each.

#include <cstring>
#include <span>

#include "core/context.h"
#include "core/wire.h"
#include "library/media_library.h"
#include "library/record_sort.h"
#include "protocol/command_table.h"
#include "protocol/library_commands.h"
#include "protocol/paged_list.h"

namespace {

// What the query text is made of besides its fixed characters.
enum class QueryValues { none, argument, artistAndArgument, genreAndArgument };
// Lists 34 and 35 remember their argument and offer "All Tracks" first.
enum class Remembers { nothing, artist, genre };

struct BrowseList {
    const char* queryFormat;
    QueryValues values;
    LibraryField field;  // sorted by it and shown
    char itemCode;
    bool skipsRepeats;
    Remembers remembers = Remembers::nothing;
    // The play and enqueue commands the list takes while it waits, as at top
    // level, and the one it gives a meaning of its own.
    std::span<const int> takes;
    std::span<const Command> ownRows = {};
};

// Each list composes its lines in a buffer of this size, so an item shows at
// most 509 characters.
constexpr std::size_t itemLineSize = 512;

constexpr int artistPicks[] = {41, 48};
constexpr int albumPicks[] = {42, 49};
constexpr int genrePicks[] = {40, 47};
constexpr int titlePicks[] = {36, 52};
constexpr int artistAlbumPicks[] = {45, 50};
constexpr int genreAlbumPicks[] = {46, 51};
// In the albums of a genre, 47 enqueues the chosen album, not the whole genre.
constexpr int genreAlbumPlay[] = {46};
constexpr Command genreAlbumEnqueue[] = {{47, commands::pickGenreAlbum, Argument::text, PickMode::enqueue}};

constexpr BrowseList artists{.queryFormat = "artist != \"\" & !artist isempty",
                             .values = QueryValues::none,
                             .field = LibraryField::artist,
                             .itemCode = wire::itemArtist,
                             .skipsRepeats = true,
                             .takes = artistPicks};
constexpr BrowseList albums{.queryFormat = "album != \"\" & !album isempty",
                            .values = QueryValues::none,
                            .field = LibraryField::album,
                            .itemCode = wire::itemAlbum,
                            .skipsRepeats = true,
                            .takes = albumPicks};
constexpr BrowseList genres{.queryFormat = "genre != \"\" & !genre isempty",
                            .values = QueryValues::none,
                            .field = LibraryField::genre,
                            .itemCode = wire::itemGenre,
                            .skipsRepeats = true,
                            .takes = genrePicks};
constexpr BrowseList titles{.queryFormat = "title != \"\" & !title isempty",
                            .values = QueryValues::none,
                            .field = LibraryField::title,
                            .itemCode = wire::itemTitle,
                            .skipsRepeats = false,
                            .takes = titlePicks};
constexpr BrowseList artistAlbums{.queryFormat = "artist == \"%s\" & album != \"\" & !album isempty",
                                  .values = QueryValues::argument,
                                  .field = LibraryField::album,
                                  .itemCode = wire::itemAlbum,
                                  .skipsRepeats = true,
                                  .remembers = Remembers::artist,
                                  .takes = artistAlbumPicks};
constexpr BrowseList genreAlbums{.queryFormat = "genre == \"%s\" & album != \"\" & !album isempty",
                                 .values = QueryValues::argument,
                                 .field = LibraryField::album,
                                 .itemCode = wire::itemAlbum,
                                 .skipsRepeats = true,
                                 .remembers = Remembers::genre,
                                 .takes = genreAlbumPlay,
                                 .ownRows = genreAlbumEnqueue};
constexpr BrowseList artistTitles{.queryFormat = "artist == \"%s\"",
                                  .values = QueryValues::argument,
                                  .field = LibraryField::title,
                                  .itemCode = wire::itemTitle,
                                  .skipsRepeats = false,
                                  .takes = artistPicks};
constexpr BrowseList albumTitles{.queryFormat = "album == \"%s\"",
                                 .values = QueryValues::argument,
                                 .field = LibraryField::title,
                                 .itemCode = wire::itemTitle,
                                 .skipsRepeats = false,
                                 .takes = albumPicks};
constexpr BrowseList genreTitles{.queryFormat = "genre == \"%s\"",
                                 .values = QueryValues::argument,
                                 .field = LibraryField::title,
                                 .itemCode = wire::itemTitle,
                                 .skipsRepeats = false,
                                 .takes = genrePicks};
constexpr BrowseList artistAlbumTitles{.queryFormat = "artist == \"%s\" & album == \"%s\"",
                                       .values = QueryValues::artistAndArgument,
                                       .field = LibraryField::title,
                                       .itemCode = wire::itemTitle,
                                       .skipsRepeats = false,
                                       .takes = artistAlbumPicks};
constexpr BrowseList genreAlbumTitles{.queryFormat = "genre == \"%s\" & album == \"%s\"",
                                      .values = QueryValues::genreAndArgument,
                                      .field = LibraryField::title,
                                      .itemCode = wire::itemTitle,
                                      .skipsRepeats = false,
                                      .takes = genreAlbumPicks};

struct BrowseRun {
    const BrowseList& list;
    bool queryComposed;
};

bool composeBrowseQuery(const BrowseList& list, const char* argument) {
    const PluginContext& context = *pluginContext;
    switch (list.values) {
        case QueryValues::none:
            return composeQueryText(list.queryFormat, "");
        case QueryValues::argument:
            return composeQueryText(list.queryFormat, argument);
        case QueryValues::artistAndArgument:
            return composeQueryText(list.queryFormat, context.browse.selectedArtist, argument);
        case QueryValues::genreAndArgument:
            return composeQueryText(list.queryFormat, context.browse.selectedGenre, argument);
    }
    return false;
}

// Remembers the argument of 34 or 35. One that does not fit is refused: the
// remembered value is left empty, and the list runs no query.
bool rememberArgument(const BrowseList& list, const char* argument) {
    if (list.remembers == Remembers::nothing) return true;
    PluginContext& context = *pluginContext;
    char* remembered = list.remembers == Remembers::artist ? context.browse.selectedArtist : context.browse.selectedGenre;
    constexpr std::size_t size = sizeof context.browse.selectedArtist;
    static_assert(size == sizeof context.browse.selectedGenre);
    const std::size_t length = std::strlen(argument);
    if (length >= size) {
        remembered[0] = '\0';
        return false;
    }
    std::memcpy(remembered, argument, length + 1);
    return true;
}

std::int32_t obtainBrowseRecords(const void* source) {
    const BrowseRun& run = *static_cast<const BrowseRun*>(source);
    if (!run.queryComposed) return 0;
    host::LibraryQuery& query = pluginContext->browse.browseQuery;
    runLibraryQuery(query);
    const std::int32_t count = libraryResultCount(query);
    if (count > 1) sortLibraryRecords(query.results, run.list.field);
    return count;
}

const char* browseItemText(const void* source, std::int32_t index) {
    const BrowseRun& run = *static_cast<const BrowseRun*>(source);
    return libraryFieldText(pluginContext->browse.browseQuery.results.records[index], run.list.field);
}

void runBrowseList(const BrowseList& list, const Request& request, Reply& reply) {
    releaseLibraryResults(pluginContext->browse.browseQuery);
    bool composed = composeBrowseQuery(list, request.text);
    composed = rememberArgument(list, request.text) && composed;

    static constexpr FixedItem allTracks{wire::itemTitle, "All Tracks"};
    const BrowseRun run{list, composed};
    runPagedList({.listCode = wire::replyLibraryList,
                  .fixedItem = list.remembers != Remembers::nothing ? &allTracks : nullptr,
                  .obtainRecords = obtainBrowseRecords,
                  .itemCode = list.itemCode,
                  .itemText = browseItemText,
                  .source = &run,
                  .skipsRepeats = list.skipsRepeats,
                  .takes = list.takes,
                  .ownRows = list.ownRows,
                  .itemLineSize = itemLineSize},
                 reply);
}

}  // namespace

namespace commands {

void listAlbums(const Request& request, Reply& reply) { runBrowseList(albums, request, reply); }
void listArtists(const Request& request, Reply& reply) { runBrowseList(artists, request, reply); }
void listGenres(const Request& request, Reply& reply) { runBrowseList(genres, request, reply); }
void listAlbumTitles(const Request& request, Reply& reply) { runBrowseList(albumTitles, request, reply); }
void listArtistAlbums(const Request& request, Reply& reply) { runBrowseList(artistAlbums, request, reply); }
void listGenreAlbums(const Request& request, Reply& reply) { runBrowseList(genreAlbums, request, reply); }
void listGenreTitles(const Request& request, Reply& reply) { runBrowseList(genreTitles, request, reply); }
void listArtistTitles(const Request& request, Reply& reply) { runBrowseList(artistTitles, request, reply); }
void listTitles(const Request& request, Reply& reply) { runBrowseList(titles, request, reply); }
void listArtistAlbumTitles(const Request& request, Reply& reply) { runBrowseList(artistAlbumTitles, request, reply); }
void listGenreAlbumTitles(const Request& request, Reply& reply) { runBrowseList(genreAlbumTitles, request, reply); }

}  // namespace commands
