// The eleven media-library browse lists: one query each, its records sorted and
// sent as a paged list with list code 'P', and two selections inside each; and
// the search, a titles list of the records that hold every word it is given,
// compared through the fold of the PC's code page.

#include <cstring>
#include <span>
#include <utility>

#include "core/context.h"
#include "core/text.h"
#include "core/wire.h"
#include "library/media_library.h"
#include "library/record_sort.h"
#include "link/reply.h"
#include "protocol/command_table.h"
#include "protocol/library_commands.h"
#include "protocol/list_vocabulary.h"
#include "protocol/paged_list.h"

namespace {

// What the query text is made of besides its fixed characters.
enum class QueryValues { none, argument, artistAndArgument, genreAndArgument };
// Lists 34 and 35 remember their argument and offer "All Tracks" first.
enum class Remembers { nothing, artist, genre };

struct BrowseRun;

struct BrowseList {
    const char* queryFormat;
    QueryValues values;
    LibraryField field;  // sorted by it and shown
    char itemCode;
    Repeats repeats;
    Remembers remembers = Remembers::nothing;
    // The play and enqueue commands the list takes while it waits, as at top
    // level, and the one it gives a meaning of its own.
    std::span<const int> takes;
    std::span<const ListRow<BrowseRun>> ownRows = {};
};

// Each list composes its lines in a buffer of this size, so an item shows at
// most 509 characters.
constexpr std::size_t itemLineSize = 512;

// In the albums of a genre, 47 enqueues the chosen album, not the whole genre.
constexpr int genreAlbumPlay[] = {46};
void enqueueGenreAlbum(const BrowseRun&, const Request& request, Reply& reply) {
    commands::pickGenreAlbum(request, reply);
}
constexpr ListRow<BrowseRun> genreAlbumEnqueue[] = {{47, enqueueGenreAlbum, Argument::text, PickMode::enqueue}};

constexpr BrowseList artists{.queryFormat = "artist != \"\" & !artist isempty",
                             .values = QueryValues::none,
                             .field = LibraryField::artist,
                             .itemCode = wire::itemArtist,
                             .repeats = Repeats::skipped,
                             .takes = listSelections::artist};
constexpr BrowseList albums{.queryFormat = "album != \"\" & !album isempty",
                            .values = QueryValues::none,
                            .field = LibraryField::album,
                            .itemCode = wire::itemAlbum,
                            .repeats = Repeats::skipped,
                            .takes = listSelections::album};
constexpr BrowseList genres{.queryFormat = "genre != \"\" & !genre isempty",
                            .values = QueryValues::none,
                            .field = LibraryField::genre,
                            .itemCode = wire::itemGenre,
                            .repeats = Repeats::skipped,
                            .takes = listSelections::genre};
constexpr BrowseList titles{.queryFormat = "title != \"\" & !title isempty",
                            .values = QueryValues::none,
                            .field = LibraryField::title,
                            .itemCode = wire::itemTitle,
                            .repeats = Repeats::sent,
                            .takes = listSelections::title};
constexpr BrowseList artistAlbums{.queryFormat = "artist == \"%s\" & album != \"\" & !album isempty",
                                  .values = QueryValues::argument,
                                  .field = LibraryField::album,
                                  .itemCode = wire::itemAlbum,
                                  .repeats = Repeats::skipped,
                                  .remembers = Remembers::artist,
                                  .takes = listSelections::artistAlbum};
constexpr BrowseList genreAlbums{.queryFormat = "genre == \"%s\" & album != \"\" & !album isempty",
                                 .values = QueryValues::argument,
                                 .field = LibraryField::album,
                                 .itemCode = wire::itemAlbum,
                                 .repeats = Repeats::skipped,
                                 .remembers = Remembers::genre,
                                 .takes = genreAlbumPlay,
                                 .ownRows = genreAlbumEnqueue};
constexpr BrowseList artistTitles{.queryFormat = "artist == \"%s\"",
                                  .values = QueryValues::argument,
                                  .field = LibraryField::title,
                                  .itemCode = wire::itemTitle,
                                  .repeats = Repeats::sent,
                                  .takes = listSelections::artist};
constexpr BrowseList albumTitles{.queryFormat = "album == \"%s\"",
                                 .values = QueryValues::argument,
                                 .field = LibraryField::title,
                                 .itemCode = wire::itemTitle,
                                 .repeats = Repeats::sent,
                                 .takes = listSelections::album};
constexpr BrowseList genreTitles{.queryFormat = "genre == \"%s\"",
                                 .values = QueryValues::argument,
                                 .field = LibraryField::title,
                                 .itemCode = wire::itemTitle,
                                 .repeats = Repeats::sent,
                                 .takes = listSelections::genre};
constexpr BrowseList artistAlbumTitles{.queryFormat = "artist == \"%s\" & album == \"%s\"",
                                       .values = QueryValues::artistAndArgument,
                                       .field = LibraryField::title,
                                       .itemCode = wire::itemTitle,
                                       .repeats = Repeats::sent,
                                       .takes = listSelections::artistAlbum};
constexpr BrowseList genreAlbumTitles{.queryFormat = "genre == \"%s\" & album == \"%s\"",
                                      .values = QueryValues::genreAndArgument,
                                      .field = LibraryField::title,
                                      .itemCode = wire::itemTitle,
                                      .repeats = Repeats::sent,
                                      .takes = listSelections::genreAlbum};

struct BrowseRun {
    PluginContext& context;
    const BrowseList& list;
    bool queryComposed;
};

bool composeBrowseQuery(BrowseMemory& browse, const BrowseList& list, const char* argument) {
    switch (list.values) {
        case QueryValues::none:
            return composeQueryText(browse, list.queryFormat, "");
        case QueryValues::argument:
            return composeQueryText(browse, list.queryFormat, argument);
        case QueryValues::artistAndArgument:
            return composeQueryText(browse, list.queryFormat, browse.selectedArtist, argument);
        case QueryValues::genreAndArgument:
            return composeQueryText(browse, list.queryFormat, browse.selectedGenre, argument);
    }
    return false;
}

// Remembers the argument of 34 or 35. One that does not fit is refused: the
// remembered value is left empty, and the list runs no query.
bool rememberArgument(BrowseMemory& browse, const BrowseList& list, const char* argument) {
    if (list.remembers == Remembers::nothing) return true;
    char* remembered = list.remembers == Remembers::artist ? browse.selectedArtist : browse.selectedGenre;
    constexpr std::size_t size = sizeof browse.selectedArtist;
    static_assert(size == sizeof browse.selectedGenre);
    const std::size_t length = std::strlen(argument);
    if (length >= size) {
        remembered[0] = '\0';
        return false;
    }
    std::memcpy(remembered, argument, length + 1);
    return true;
}

std::int32_t obtainBrowseRecords(const BrowseRun& run) {
    if (!run.queryComposed) return 0;
    host::LibraryQuery& query = run.context.browse.browseQuery;
    runLibraryQuery(run.context, query);
    const std::int32_t count = libraryResultCount(query);
    if (count > 1) sortLibraryRecords(query.results, run.list.field);
    return count;
}

const char* browseItemText(const BrowseRun& run, std::int32_t index) {
    return libraryFieldText(run.context.browse.browseQuery.results.records[index], run.list.field);
}

void runBrowseList(const BrowseList& list, const Request& request, Reply& reply) {
    PluginContext& context = request.context;
    releaseLibraryResults(context.host, context.browse.browseQuery);
    context.browse.browseMatchCount = -1;
    bool composed = composeBrowseQuery(context.browse, list, request.text);
    composed = rememberArgument(context.browse, list, request.text) && composed;

    static constexpr FixedItem allTracks{wire::itemTitle, "All Tracks"};
    const BrowseRun run{context, list, composed};
    runList(List<BrowseRun>{.shape = {.listCode = wire::replyLibraryList,
                                      .fixedItem = list.remembers != Remembers::nothing ? &allTracks : nullptr,
                                      .itemCode = list.itemCode,
                                      .repeats = list.repeats,
                                      .jumps = Jumps::inByteOrder,
                                      .takes = list.takes,
                                      .itemLineSize = itemLineSize},
                            .source = run,
                            .itemText = browseItemText,
                            .obtainRecords = obtainBrowseRecords,
                            .ownRows = list.ownRows},
            context, reply);
}

// ---- the search -------------------------------------------------------------

// A search text holds at most this many bytes; a longer one is refused.
constexpr std::size_t searchTextLimit = 255;

struct SearchWord {
    const unsigned char* text;  // folded
    std::size_t length;
};

struct Search {
    PluginContext& context;
    const TextFold& fold;
    // The text folded; a letter written out takes two bytes.
    unsigned char folded[2 * searchTextLimit + 1] = {};
    // Words are at least one byte and one blank apart.
    SearchWord words[(searchTextLimit + 1) / 2] = {};
    std::size_t wordCount = 0;
    // The item text last composed for the runner.
    mutable char item[itemLineSize] = {};
};

// A lead byte and the byte after it are one character (in a double-byte code
// page; no byte is a lead byte in the others).
bool beginsPair(const TextFold& fold, const unsigned char* at) { return fold.leadByte[*at] && at[1] != 0; }

// The words of `text`, split at blanks and folded. False for a text that names
// nothing to search for: no word, or too long to be searched as it was sent.
bool splitWords(const char* text, Search& search) {
    if (std::strlen(text) > searchTextLimit) return false;
    const TextFold& fold = search.fold;
    std::size_t length = 0;
    std::size_t begin = 0;
    const auto endWord = [&] {
        if (length > begin) search.words[search.wordCount++] = {search.folded + begin, length - begin};
        begin = length;
    };
    for (const auto* at = reinterpret_cast<const unsigned char*>(text); *at != 0;) {
        if (*at == ' ') {
            endWord();
            ++at;
        } else if (beginsPair(fold, at)) {
            search.folded[length++] = at[0];
            search.folded[length++] = at[1];
            at += 2;
        } else {
            search.folded[length++] = fold.first[*at];
            if (fold.second[*at] != 0) search.folded[length++] = fold.second[*at];
            ++at;
        }
    }
    endWord();
    return search.wordCount > 0;
}

// Single-byte code pages: whether the folded field, read from the byte at `at`
// (from the second byte of its fold when `secondHalf`), begins with the word.
bool foldedBeginsWith(const TextFold& fold, const unsigned char* at, bool secondHalf, const SearchWord& word) {
    for (std::size_t i = 0; i < word.length; ++i) {
        if (*at == 0) return false;
        if ((secondHalf ? fold.second[*at] : fold.first[*at]) != word.text[i]) return false;
        secondHalf = !secondHalf && fold.second[*at] != 0;
        if (!secondHalf) ++at;
    }
    return true;
}

// Double-byte code pages: whether the field, from the character at `at`, begins
// with the word, character by character: a two-byte character matches only
// the same two bytes.
bool charactersBeginWith(const TextFold& fold, const unsigned char* at, const SearchWord& word) {
    for (std::size_t i = 0; i < word.length;) {
        if (*at == 0) return false;
        if (beginsPair(fold, at)) {
            if (i + 1 >= word.length || at[0] != word.text[i] || at[1] != word.text[i + 1]) return false;
            i += 2;
            at += 2;
        } else {
            if (fold.first[*at] != word.text[i]) return false;
            ++i;
            ++at;
        }
    }
    return true;
}

// Whether the word is found in the folded field: anywhere in a single-byte
// code page, only from a character's first byte in a double-byte one.
bool containsWord(const TextFold& fold, const char* text, const SearchWord& word) {
    if (text == nullptr) return false;
    const auto* field = reinterpret_cast<const unsigned char*>(text);
    if (fold.doubleByte) {
        for (const unsigned char* at = field; *at != 0; at += beginsPair(fold, at) ? 2 : 1)
            if (charactersBeginWith(fold, at, word)) return true;
        return false;
    }
    const unsigned char lead = word.text[0];
    for (const unsigned char* at = field; *at != 0; ++at) {
        if (fold.first[*at] == lead && foldedBeginsWith(fold, at, false, word)) return true;
        if (fold.second[*at] == lead && foldedBeginsWith(fold, at, true, word)) return true;
    }
    return false;
}

// Every word in the title, the artist or the album; each may be in another.
bool matchesSearch(const Search& search, const host::LibraryRecord& record) {
    for (std::size_t i = 0; i < search.wordCount; ++i) {
        const SearchWord& word = search.words[i];
        if (!containsWord(search.fold, record.title, word) && !containsWord(search.fold, record.artist, word) &&
            !containsWord(search.fold, record.album, word))
            return false;
    }
    return true;
}

// Runs the all-titles query and moves the matches to the front of the held
// results, in the host's order, then sorts them as the titles list sorts: the
// matches are what the list shows and what 36 and 52 pick from. The records
// only change places, so the host still releases every one of them.
std::int32_t obtainSearchRecords(const Search& search) {
    host::LibraryQuery& query = search.context.browse.browseQuery;
    runLibraryQuery(search.context, query);
    const std::int32_t count = libraryResultCount(query);
    host::LibraryRecord* records = query.results.records;
    std::int32_t matches = 0;
    for (std::int32_t i = 0; i < count; ++i) {
        if (!matchesSearch(search, records[i])) continue;
        if (i != matches) std::swap(records[matches], records[i]);
        ++matches;
    }
    search.context.browse.browseMatchCount = matches;
    host::LibraryRecordList shown{records, matches, matches};
    sortLibraryRecords(shown, LibraryField::title);
    return matches;
}

// The title, and " - " and the artist when there is one; cut to the line.
const char* searchItemText(const Search& search, std::int32_t index) {
    const host::LibraryRecord& record = search.context.browse.browseQuery.results.records[index];
    const char* title = libraryFieldText(record, LibraryField::title);
    const char* artist = libraryFieldText(record, LibraryField::artist);
    if (artist[0] == '\0') return title;
    formatText(search.item, sizeof search.item, "%s - %s", title, artist);
    return search.item;
}

void runSearch(const Request& request, Reply& reply) {
    Search search{request.context, request.context.textFold};
    if (!splitWords(request.text, search)) {
        // Refused: the header alone, which also tells a phone that asks with
        // no words that searching is known here. The held results stay.
        reply.listHeader(wire::replyLibraryList);
        return;
    }
    BrowseMemory& browse = request.context.browse;
    releaseLibraryResults(request.context.host, browse.browseQuery);
    browse.browseMatchCount = 0;
    composeQueryText(browse, titles.queryFormat, "");
    runList(List<Search>{.shape = {.listCode = wire::replyLibraryList,
                                   .itemCode = wire::itemTitle,
                                   .jumps = Jumps::throughEveryRecord,
                                   .takes = listSelections::title,
                                   .itemLineSize = itemLineSize},
                         .source = search,
                         .itemText = searchItemText,
                         .obtainRecords = obtainSearchRecords},
            request.context, reply);
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
void searchLibrary(const Request& request, Reply& reply) { runSearch(request, reply); }

}  // namespace commands
