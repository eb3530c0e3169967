#include "library/media_library.h"

#include "core/context.h"
#include "core/text.h"

namespace {

platform::WParam addressParam(const void* record) {
    return static_cast<platform::WParam>(reinterpret_cast<std::uintptr_t>(record));
}

void sendLibraryRequest(const HostHandles& handles, const void* record, platform::LParam operation) {
    platform::sendMessage(handles.libraryWindow, host::libraryMessage, addressParam(record), operation);
}

}  // namespace

bool composeQueryText(BrowseMemory& browse, const char* format, const char* first, const char* second) {
    char(&queryText)[sizeof BrowseMemory::queryText] = browse.queryText;
    if (!formatText(queryText, sizeof queryText, format, first, second)) {
        queryText[0] = '\0';
        return false;
    }
    return true;
}

void runLibraryQuery(PluginContext& context, host::LibraryQuery& query) {
    query.maxResults = 0;
    query.queryText = context.browse.queryText;
    sendLibraryRequest(context.host, &query, host::libraryRunQuery);
}

void releaseLibraryResults(const HostHandles& handles, host::LibraryQuery& query) {
    sendLibraryRequest(handles, &query, host::libraryReleaseResults);
    // The host has freed them: nothing may read them again before the next run.
    query.results = {nullptr, 0, 0};
}

std::int32_t libraryResultCount(const host::LibraryQuery& query) {
    // The count as the host gives it; `capacity` is the host's own business
    // and may be left at anything.
    if (query.results.records == nullptr || query.results.count < 0) return 0;
    return query.results.count;
}

std::int32_t pickableBrowseRecords(const BrowseMemory& browse) {
    const std::int32_t count = libraryResultCount(browse.browseQuery);
    return browse.browseMatchCount >= 0 && browse.browseMatchCount < count ? browse.browseMatchCount : count;
}

void playLibraryRecords(PluginContext& context, host::LibraryRecordList& list, std::int32_t mode) {
    host::LibraryPlayRequest& playRequest = context.browse.playRequest;
    playRequest.kind = 0;
    playRequest.list = &list;
    playRequest.enqueue = mode;
    sendLibraryRequest(context.host, &playRequest, host::libraryPlayRecords);
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
