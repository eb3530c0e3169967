// The host's media library as the plug-in uses it: queries run through the
// library window, their records sorted and released, and record lists handed
// back to the host to play or enqueue.
#pragma once

#include <cstddef>
#include <cstdint>

#include "core/host_interface.h"

// The fields the records are listed and sorted by.
enum class LibraryField { artist, album, genre, title };

// The query of the browse lists; its results stay held after a list ends,
// until the next browse list, for the title selection by index.
extern host::LibraryQuery browseQuery;
// The query of the selections that hand records to the player.
extern host::LibraryQuery selectionQuery;
// After a search, the browse results begin with its matches, this many, in the
// order shown; the rest are held only to be released. -1 after any other list.
extern std::int32_t browseMatchCount;

// Every query text is composed here; it holds at most 511 characters.
constexpr std::size_t queryTextSize = 512;

// Composes the query text from `format` (one "%s" per value, in order) and the
// values, inserted unchanged. False, with no query text, when it does not fit:
// a cut query would ask for something else.
bool composeQueryText(const char* format, const char* first, const char* second = nullptr);

// Runs the composed query text in `query`; afterwards libraryResultCount tells
// how many records it found.
void runLibraryQuery(host::LibraryQuery& query);
// Has the host free the records of `query`, which then holds none.
void releaseLibraryResults(host::LibraryQuery& query);
// The number of records `query` holds; 0 when the host handed none.
std::int32_t libraryResultCount(const host::LibraryQuery& query);
// The browse records that 36 and 52 pick from by index: a search's matches,
// or every record of another list.
std::int32_t pickableBrowseRecords();
// Has the host play (mode 0) or enqueue (mode 1) the records of `list`.
void playLibraryRecords(host::LibraryRecordList& list, std::int32_t mode);

// The text of one field of a record; a null text reads as the empty text.
const char* libraryFieldText(const host::LibraryRecord& record, LibraryField field);

// Forgets the held results and the query text (a freshly loaded library).
void resetLibraryState();
