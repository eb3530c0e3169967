#include "library/media_library.h"


#include "core/context.h"
#include "core/text.h"

namespace {

platform::WParam addressParam(const void* record) {
    return static_cast<platform::WParam>(reinterpret_cast<std::uintptr_t>(record));
}

void sendLibraryRequest(const void* record, platform::LParam operation) {
    platform::sendMessage(pluginContext->host.libraryWindow, host::libraryMessage, addressParam(record), operation);
}

}  // namespace

bool composeQueryText(const char* format, const char* first, const char* second) {
    char (&queryText)[sizeof BrowseMemory::queryText] = pluginContext->browse.queryText;
    if (!formatText(queryText, sizeof queryText, format, first, second)) {
        queryText[0] = '\0';
        return false;
    }
    return true;
}

void runLibraryQuery(host::LibraryQuery& query) {
    query.maxResults = 0;
    query.queryText = pluginContext->browse.queryText;
    sendLibraryRequest(&query, host::libraryRunQuery);
}

void releaseLibraryResults(host::LibraryQuery& query) {
    sendLibraryRequest(&query, host::libraryReleaseResults);
    // The host has freed them: nothing may read them again before the next run.
    query.results = {nullptr, 0, 0};
}

std::int32_t libraryResultCount(const host::LibraryQuery& query) {
    if (query.results.records == nullptr || query.results.count < 0) return 0;
    // The host allocated `capacity` records; a count beyond it names records
    // that are not there.
    if (query.results.capacity >= 0 && query.results.count > query.results.capacity) return query.results.capacity;
    return query.results.count;
}

void playLibraryRecords(host::LibraryRecordList& list, std::int32_t mode) {
    host::LibraryPlayRequest& playRequest = pluginContext->browse.playRequest;
    playRequest.kind = 0;
    playRequest.list = &list;
    playRequest.enqueue = mode;
    sendLibraryRequest(&playRequest, host::libraryPlayRecords);
}

const char* libraryFieldText(const host::LibraryRecord& record, LibraryField field) {
    const char* text = nullptr;
    switch (field) {
        case LibraryField::artist:
            text = record.artist;
            break;
        case LibraryField::album:
            text = record.album;
            break;
        case LibraryField::genre:
            text = record.genre;
            break;
        case LibraryField::title:
            text = record.title;
            break;
    }
    return text != nullptr ? text : "";
}
