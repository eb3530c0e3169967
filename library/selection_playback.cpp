#include "library/selection_playback.h"

#include "core/arguments.h"
#include "core/context.h"
#include "library/media_library.h"
#include "library/record_sort.h"
#include "protocol/library_commands.h"
#include "protocol/playback.h"

namespace {

constexpr int modeEnqueue = 1;

// Hands the host every track the query finds, in title order.
void playQueryResults(const char* format, const char* first, const char* second, int mode) {
    if (!composeQueryText(format, first, second)) return;
    releaseLibraryResults(selectionQuery);
    runLibraryQuery(selectionQuery);
    if (libraryResultCount(selectionQuery) <= 0) return;
    // The list sorted is the list handed over.
    sortLibraryRecords(selectionQuery.results, LibraryField::title);
    playLibraryRecords(selectionQuery.results, mode);
}

}  // namespace

void selectTitleByIndex(const char* argument, int mode) {
    const std::int32_t index = readDecimal(argument);
    // The browse results as the last browse list sorted them; an index outside
    // them, or no browse list yet, names no record.
    if (index < 0 || index >= libraryResultCount(browseQuery)) return;
    const char* fileName = browseQuery.results.records[index].fileName;
    if (fileName == nullptr) return;
    if (mode == modeEnqueue) {
        addFileToPlaylist(fileName);
    } else {
        playFileNow(fileName);
    }
}

void selectArtist(const char* argument, int mode) { playQueryResults("artist == \"%s\"", argument, nullptr, mode); }

void selectAlbum(const char* argument, int mode) { playQueryResults("album == \"%s\"", argument, nullptr, mode); }

void selectGenre(const char* argument, int mode) { playQueryResults("genre == \"%s\"", argument, nullptr, mode); }

void selectArtistAlbum(const char* argument, int mode) {
    playQueryResults("artist == \"%s\" & album == \"%s\"", pluginContext->selectedArtist, argument, mode);
}

void selectGenreAlbum(const char* argument, int mode) {
    playQueryResults("genre == \"%s\" & album == \"%s\"", pluginContext->selectedGenre, argument, mode);
}

namespace commands {

int playResult(const char* argument) {
    selectTitleByIndex(argument, 0);
    return 0;
}
int enqueueResult(const char* argument) {
    selectTitleByIndex(argument, 1);
    return 0;
}
int playGenre(const char* argument) {
    selectGenre(argument, 0);
    return 0;
}
int enqueueGenre(const char* argument) {
    selectGenre(argument, 1);
    return 0;
}
int playArtist(const char* argument) {
    selectArtist(argument, 0);
    return 0;
}
int enqueueArtist(const char* argument) {
    selectArtist(argument, 1);
    return 0;
}
int playAlbum(const char* argument) {
    selectAlbum(argument, 0);
    return 0;
}
int enqueueAlbum(const char* argument) {
    selectAlbum(argument, 1);
    return 0;
}
int playArtistAlbum(const char* argument) {
    selectArtistAlbum(argument, 0);
    return 0;
}
int enqueueArtistAlbum(const char* argument) {
    selectArtistAlbum(argument, 1);
    return 0;
}
int playGenreAlbum(const char* argument) {
    selectGenreAlbum(argument, 0);
    return 0;
}
int enqueueGenreAlbum(const char* argument) {
    selectGenreAlbum(argument, 1);
    return 0;
}

}  // namespace commands
