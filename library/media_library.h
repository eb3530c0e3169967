// The host's media library as the plug-in uses it: queries run through the
// library window, their records sorted and released, and record lists handed
// back to the host to play or enqueue.
#pragma once

#include <cstddef>
#include <cstdint>

#include "core/host_interface.h"

struct BrowseMemory;
struct HostHandles;
struct PluginContext;

// The fields the records are listed and sorted by.
enum class LibraryField { artist, album, genre, title };

// Composes the query text (the browse memory's, at most 511 characters) from `format` (one "%s" per value, in order)
// and the values, inserted unchanged. False, with no query text, when it does not fit: a cut query would ask for
// something else.
bool composeQueryText(BrowseMemory& browse, const char* format, const char* first, const char* second = nullptr);

// Runs the composed query text in `query`; afterwards libraryResultCount tells
// how many records it found.
void runLibraryQuery(PluginContext& context, host::LibraryQuery& query);
// Has the host free the records of `query`, which then holds none.
void releaseLibraryResults(const HostHandles& handles, host::LibraryQuery& query);
// The number of records `query` holds; 0 when the host handed none.
std::int32_t libraryResultCount(const host::LibraryQuery& query);
// The browse records that 36 and 52 pick from by index: a search's matches,
// or every record of another list.
std::int32_t pickableBrowseRecords(const BrowseMemory& browse);
// Has the host play (mode 0) or enqueue (mode 1) the records of `list`.
void playLibraryRecords(PluginContext& context, host::LibraryRecordList& list, std::int32_t mode);

// The text of one field of a record; a null text reads as the empty text.
const char* libraryFieldText(const host::LibraryRecord& record, LibraryField field);
