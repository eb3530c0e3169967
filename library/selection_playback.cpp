// Playing or enqueuing what the library lists show: one title of the last
// browse list by its index, or every track of an artist, album, genre, or
// album of the artist or genre chosen before. Each runs from the command table
// and from inside the browse lists, and sends no reply.

#include "core/context.h"
#include "library/media_library.h"
#include "library/record_sort.h"
#include "protocol/library_commands.h"
#include "protocol/playback.h"

namespace {

// Hands the host every track the query finds, in title order.
void playQueryResults(PluginContext& context, const char* format, const char* first, const char* second,
                      PickMode mode) {
    if (!composeQueryText(context.browse, format, first, second)) return;
    host::LibraryQuery& query = context.browse.selectionQuery;
    releaseLibraryResults(context.host, query);
    runLibraryQuery(context, query);
    if (libraryResultCount(query) <= 0) return;
    // The list sorted is the list handed over.
    sortLibraryRecords(query.results, LibraryField::title);
    playLibraryRecords(context, query.results, mode == PickMode::enqueue ? 1 : 0);
}

}  // namespace

namespace commands {

void pickTitle(const Request& request, Reply&) {
    const std::int32_t index = request.number;
    // The browse results as the last browse list sorted them (after a search,
    // its matches); an index outside them, or no browse list yet, names no
    // record.
    if (index < 0 || index >= pickableBrowseRecords(request.context.browse)) return;
    const char* fileName = request.context.browse.browseQuery.results.records[index].fileName;
    if (fileName == nullptr) return;
    playOrEnqueue(request.context, fileName, request.mode);
}

void pickArtist(const Request& request, Reply&) {
    playQueryResults(request.context, "artist == \"%s\"", request.text, nullptr, request.mode);
}

void pickAlbum(const Request& request, Reply&) {
    playQueryResults(request.context, "album == \"%s\"", request.text, nullptr, request.mode);
}

void pickGenre(const Request& request, Reply&) {
    playQueryResults(request.context, "genre == \"%s\"", request.text, nullptr, request.mode);
}

void pickArtistAlbum(const Request& request, Reply&) {
    playQueryResults(request.context, "artist == \"%s\" & album == \"%s\"", request.context.browse.selectedArtist,
                     request.text, request.mode);
}

void pickGenreAlbum(const Request& request, Reply&) {
    playQueryResults(request.context, "genre == \"%s\" & album == \"%s\"", request.context.browse.selectedGenre,
                     request.text, request.mode);
}

}  // namespace commands
