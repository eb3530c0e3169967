// A list's functions take its own source type: built as it stands this file
// compiles; with OTHER_ITEM_SOURCE or OTHER_ROW_SOURCE defined, a list of
// folder entries is handed a function of the drives, and it must not.

#include "protocol/paged_list.h"

namespace {

struct FolderEntries {
    const char* names[2];
};
struct Drives {
    const char* labels[2];
};

const char* entryText(const FolderEntries& entries, std::int32_t index) { return entries.names[index]; }
const char* driveText(const Drives& drives, std::int32_t index) { return drives.labels[index]; }
void pickEntry(const FolderEntries&, const Request&, Reply&) {}
void pickDrive(const Drives&, const Request&, Reply&) {}

#ifdef OTHER_ROW_SOURCE
constexpr ListRow<Drives> rows[] = {{2, pickDrive}};
#else
constexpr ListRow<FolderEntries> rows[] = {{2, pickEntry}};
#endif

}  // namespace

void listEntries(const FolderEntries& entries, PluginContext& context, Reply& reply) {
    (void)driveText;
    (void)pickDrive;
    runList(List<FolderEntries>{.shape = {.listCode = 'B', .recordCount = 2, .itemCode = 'B'},
                                .source = entries,
#ifdef OTHER_ITEM_SOURCE
                                .itemText = driveText,
#else
                                .itemText = entryText,
#endif
                                .ownRows = rows},
            context, reply);
}
