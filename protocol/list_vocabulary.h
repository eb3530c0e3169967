// What the phone must know of each list a command opens: its list code, the
// numbers it takes while it waits, whether it waits, turns pages and jumps,
// and how its items are counted. The phone console and the web remote are
// checked against this table (the vocabulary tool prints it).
#pragma once

#include <cstddef>
#include <span>

#include "core/wire.h"
#include "protocol/command_table.h"

// How the phone counts a list's items.
enum class ItemIndex {
    // An item's index is its record index, counted from 0 at the header and
    // from the record a position line names after a page turn; that index
    // picks it (36, 52, 8, 5, 56).
    record,
    // Repeated names are skipped, so an item stands for a run of records: it
    // is picked by its name and has no index.
    name,
};

struct ListVocabulary {
    int opener;
    char listCode;
    // The code of its items; 0 where it differs by record (the drives).
    char itemCode;
    // The numbers it takes while it waits besides its page turns and the
    // jump, ascending: each does what its row does, or what the list makes of
    // it (47 in the albums of a genre, 5 and 56 in the library's playlists).
    std::span<const int> selections;
    bool waits;
    // Takes 53 and 54.
    bool paged;
    // Takes 102.
    bool jumps;
    ItemIndex indexes;
    // An "All Tracks" line, which is no record, may open the list.
    bool fixedItem = false;
};

namespace listSelections {
inline constexpr int folder[] = {2, 3};
inline constexpr int currentPlaylist[] = {1, 4, 8, 20, 22, 23};
inline constexpr int genre[] = {40, 47};
inline constexpr int artist[] = {41, 48};
inline constexpr int album[] = {42, 49};
inline constexpr int title[] = {36, 52};
inline constexpr int artistAlbum[] = {45, 50};
inline constexpr int genreAlbum[] = {46, 51};
// In the albums of a genre, 47 enqueues the chosen album.
inline constexpr int albumOfGenre[] = {46, 47};
inline constexpr int libraryPlaylist[] = {5, 56};
}  // namespace listSelections

// One row per command that opens a list, ascending by number.
inline constexpr ListVocabulary listVocabulary[] = {
    {1, wire::replyFileList, wire::itemFolderEntry, listSelections::folder, true, true, false, ItemIndex::record},
    {4, wire::replyFileList, wire::itemPlaylistFile, {}, false, false, false, ItemIndex::record},
    {7, wire::replyPlaylistEntry, wire::itemPlaylistEntry, listSelections::currentPlaylist, true, true, false,
     ItemIndex::record},
    {20, wire::replyFileList, '\0', {}, false, false, false, ItemIndex::record},
    {30, wire::replyLibraryList, wire::itemAlbum, listSelections::album, true, true, true, ItemIndex::name},
    {31, wire::replyLibraryList, wire::itemArtist, listSelections::artist, true, true, true, ItemIndex::name},
    {32, wire::replyLibraryList, wire::itemGenre, listSelections::genre, true, true, true, ItemIndex::name},
    {33, wire::replyLibraryList, wire::itemTitle, listSelections::album, true, true, true, ItemIndex::record},
    {34, wire::replyLibraryList, wire::itemAlbum, listSelections::artistAlbum, true, true, true, ItemIndex::name,
     true},
    {35, wire::replyLibraryList, wire::itemAlbum, listSelections::albumOfGenre, true, true, true, ItemIndex::name,
     true},
    {37, wire::replyLibraryList, wire::itemTitle, listSelections::genre, true, true, true, ItemIndex::record},
    {38, wire::replyLibraryList, wire::itemTitle, listSelections::artist, true, true, true, ItemIndex::record},
    {39, wire::replyLibraryList, wire::itemTitle, listSelections::title, true, true, true, ItemIndex::record},
    {43, wire::replyLibraryList, wire::itemTitle, listSelections::artistAlbum, true, true, true, ItemIndex::record},
    {44, wire::replyLibraryList, wire::itemTitle, listSelections::genreAlbum, true, true, true, ItemIndex::record},
    {55, wire::replyLibraryList, wire::itemLibraryPlaylist, listSelections::libraryPlaylist, true, false, false,
     ItemIndex::record},
    {searchCommand, wire::replyLibraryList, wire::itemTitle, listSelections::title, true, true, true,
     ItemIndex::record},
};

// Every number a list takes while it waits fits in this many.
constexpr std::size_t mostTakenNumbers = 12;

// The row of the list `opener` opens; nullptr for a command that opens none.
const ListVocabulary* findListVocabulary(int opener);

// Every number the list takes while it waits, ascending: its selections, 53
// and 54 when it turns pages, 102 when it jumps. Writes them to `out` (at
// least mostTakenNumbers long) and returns how many.
std::size_t takenNumbers(const ListVocabulary& list, std::span<int> out);
