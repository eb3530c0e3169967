// The eleven media-library browse lists: one query each, its records sorted and
// sent as a paged list with list code 'P', and two selections inside each.

#include <cstdio>
#include <cstring>

#include "core/context.h"
#include "core/wire.h"
#include "library/media_library.h"
#include "library/record_sort.h"
#include "library/selection_playback.h"
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
    Remembers remembers;
    ListSelection selections[2];
};

// Whether a list shows one item per run of equal values, or one per record.
constexpr bool skipsRepeats = true;
constexpr bool everyRecord = false;

// Each list composes its lines in a buffer of this size, so an item shows at
// most 509 characters.
constexpr std::size_t itemLineSize = 512;

constexpr BrowseList artists{"artist != \"\" & !artist isempty",
                             QueryValues::none,
                             LibraryField::artist,
                             wire::itemArtist,
                             skipsRepeats,
                             Remembers::nothing,
                             {{41, 0, selectArtist}, {48, 1, selectArtist}}};
constexpr BrowseList albums{"album != \"\" & !album isempty",
                            QueryValues::none,
                            LibraryField::album,
                            wire::itemAlbum,
                            skipsRepeats,
                            Remembers::nothing,
                            {{42, 0, selectAlbum}, {49, 1, selectAlbum}}};
constexpr BrowseList genres{"genre != \"\" & !genre isempty",
                            QueryValues::none,
                            LibraryField::genre,
                            wire::itemGenre,
                            skipsRepeats,
                            Remembers::nothing,
                            {{40, 0, selectGenre}, {47, 1, selectGenre}}};
constexpr BrowseList titles{"title != \"\" & !title isempty",
                            QueryValues::none,
                            LibraryField::title,
                            wire::itemTitle,
                            everyRecord,
                            Remembers::nothing,
                            {{36, 0, selectTitleByIndex}, {52, 1, selectTitleByIndex}}};
constexpr BrowseList artistAlbums{"artist == \"%s\" & album != \"\" & !album isempty",
                                  QueryValues::argument,
                                  LibraryField::album,
                                  wire::itemAlbum,
                                  skipsRepeats,
                                  Remembers::artist,
                                  {{45, 0, selectArtistAlbum}, {50, 1, selectArtistAlbum}}};
// Here 47 enqueues the chosen album of the genre, not the whole genre.
constexpr BrowseList genreAlbums{"genre == \"%s\" & album != \"\" & !album isempty",
                                 QueryValues::argument,
                                 LibraryField::album,
                                 wire::itemAlbum,
                                 skipsRepeats,
                                 Remembers::genre,
                                 {{46, 0, selectGenreAlbum}, {47, 1, selectGenreAlbum}}};
constexpr BrowseList artistTitles{"artist == \"%s\"",
                                  QueryValues::argument,
                                  LibraryField::title,
                                  wire::itemTitle,
                                  everyRecord,
                                  Remembers::nothing,
                                  {{41, 0, selectArtist}, {48, 1, selectArtist}}};
constexpr BrowseList albumTitles{"album == \"%s\"",
                                 QueryValues::argument,
                                 LibraryField::title,
                                 wire::itemTitle,
                                 everyRecord,
                                 Remembers::nothing,
                                 {{42, 0, selectAlbum}, {49, 1, selectAlbum}}};
constexpr BrowseList genreTitles{"genre == \"%s\"",
                                 QueryValues::argument,
                                 LibraryField::title,
                                 wire::itemTitle,
                                 everyRecord,
                                 Remembers::nothing,
                                 {{40, 0, selectGenre}, {47, 1, selectGenre}}};
constexpr BrowseList artistAlbumTitles{"artist == \"%s\" & album == \"%s\"",
                                       QueryValues::artistAndArgument,
                                       LibraryField::title,
                                       wire::itemTitle,
                                       everyRecord,
                                       Remembers::nothing,
                                       {{45, 0, selectArtistAlbum}, {50, 1, selectArtistAlbum}}};
constexpr BrowseList genreAlbumTitles{"genre == \"%s\" & album == \"%s\"",
                                      QueryValues::genreAndArgument,
                                      LibraryField::title,
                                      wire::itemTitle,
                                      everyRecord,
                                      Remembers::nothing,
                                      {{46, 0, selectGenreAlbum}, {51, 1, selectGenreAlbum}}};

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
            return composeQueryText(list.queryFormat, context.selectedArtist, argument);
        case QueryValues::genreAndArgument:
            return composeQueryText(list.queryFormat, context.selectedGenre, argument);
    }
    return false;
}

// Remembers the argument of 34 or 35. One that does not fit is refused: the
// remembered value is left empty, and the list runs no query.
bool rememberArgument(const BrowseList& list, const char* argument) {
    if (list.remembers == Remembers::nothing) return true;
    PluginContext& context = *pluginContext;
    char* remembered = list.remembers == Remembers::artist ? context.selectedArtist : context.selectedGenre;
    constexpr std::size_t size = sizeof context.selectedArtist;
    static_assert(size == sizeof context.selectedGenre);
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
    runLibraryQuery(browseQuery);
    const std::int32_t count = libraryResultCount(browseQuery);
    if (count > 1) sortLibraryRecords(browseQuery.results, run.list.field);
    return count;
}

const char* browseItemText(const void* source, std::int32_t index) {
    const BrowseRun& run = *static_cast<const BrowseRun*>(source);
    return libraryFieldText(browseQuery.results.records[index], run.list.field);
}

int runBrowseList(const BrowseList& list, const char* argument) {
    releaseLibraryResults(browseQuery);
    bool composed = composeBrowseQuery(list, argument);
    composed = rememberArgument(list, argument) && composed;

    char header[3];
    std::snprintf(header, sizeof header, "%c%c", wire::replyLibraryList, wire::listBegins);
    char allTracks[16];
    std::snprintf(allTracks, sizeof allTracks, "%c%c%s", wire::replyLibraryList, wire::itemTitle, "All Tracks");
    const char* const fixedLines[] = {allTracks};

    const BrowseRun run{list, composed};
    PagedList paged;
    paged.listCode = wire::replyLibraryList;
    paged.header = header;
    if (list.remembers != Remembers::nothing) {
        paged.fixedLines = fixedLines;
        paged.fixedLineCount = 1;
    }
    paged.obtainRecords = obtainBrowseRecords;
    paged.itemCode = list.itemCode;
    paged.itemText = browseItemText;
    paged.source = &run;
    paged.skipsRepeats = list.skipsRepeats;
    paged.selections = list.selections;
    paged.selectionCount = 2;
    paged.itemLineSize = itemLineSize;
    return runPagedList(paged);
}

}  // namespace

namespace commands {

int listAlbums(const char* argument) { return runBrowseList(albums, argument); }
int listArtists(const char* argument) { return runBrowseList(artists, argument); }
int listGenres(const char* argument) { return runBrowseList(genres, argument); }
int listAlbumTitles(const char* argument) { return runBrowseList(albumTitles, argument); }
int listArtistAlbums(const char* argument) { return runBrowseList(artistAlbums, argument); }
int listGenreAlbums(const char* argument) { return runBrowseList(genreAlbums, argument); }
int listGenreTitles(const char* argument) { return runBrowseList(genreTitles, argument); }
int listArtistTitles(const char* argument) { return runBrowseList(artistTitles, argument); }
int listTitles(const char* argument) { return runBrowseList(titles, argument); }
int listArtistAlbumTitles(const char* argument) { return runBrowseList(artistAlbumTitles, argument); }
int listGenreAlbumTitles(const char* argument) { return runBrowseList(genreAlbumTitles, argument); }

}  // namespace commands
