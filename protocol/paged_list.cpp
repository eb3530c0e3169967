#include "protocol/paged_list.h"

#include <cstdio>
#include <cstring>

#include "core/context.h"
#include "core/wire.h"
#include "link/link.h"

namespace {

constexpr std::size_t lineBufferSize = wire::replyTextLimit + 1;
constexpr int commandNextPage = 53;
constexpr int commandPreviousPage = 54;

// One list while it runs: the description, and where sending stands.
struct ListRun {
    const PagedList& list;
    std::int32_t count;
    std::size_t textLimit;  // item text bytes that fit the item line
    std::int32_t next = 0;  // the record read next
    std::int32_t pageStart = 0;
    std::int32_t itemsOnPage = 0;
    // Skipping lists: the text of the last item sent, as sent.
    char lastValue[lineBufferSize] = {};
};

enum class WaitResult { nextPage, pastLastPage, previousPage, leave };

std::size_t itemTextLimit(const PagedList& list) {
    std::size_t size = list.itemLineSize < lineBufferSize ? list.itemLineSize : lineBufferSize;
    return size > 3 ? size - 3 : 0;
}

bool sameItem(const char* text, const char* lastValue, std::size_t limit) {
    return std::strncmp(text, lastValue, limit) == 0;
}

void copyItemText(char* out, const char* text, std::size_t limit) {
    std::size_t length = 0;
    while (length < limit && text[length] != '\0') ++length;
    std::memcpy(out, text, length);
    out[length] = '\0';
}

void sendItem(const ListRun& run, const char* text) {
    char line[lineBufferSize];
    std::snprintf(line, run.textLimit + 3, "%c%c%s", run.list.listCode, run.list.itemCode, text);
    sendReply(line);
}

void sendNextLine(char listCode, std::int32_t count) {
    char line[64];
    std::snprintf(line, sizeof line, "%c%c%s%d", listCode, wire::pageNext, wire::pageNextText, static_cast<int>(count));
    sendReply(line);
}

void sendPositionLine(char listCode, std::int32_t position) {
    char line[64];
    std::snprintf(line, sizeof line, "%c%c%d", listCode, wire::pagePosition, static_cast<int>(position));
    sendReply(line);
}

void sendPreviousLine(char listCode) { sendListReply(listCode, wire::pagePrevious, wire::pagePreviousText); }

const ListSelection* findSelection(const PagedList& list, int number) {
    for (int i = 0; i < list.selectionCount; ++i)
        if (list.selections[i].number == number) return &list.selections[i];
    return nullptr;
}

// Sends record run.next and moves past it. False when the record is gone.
bool sendRecord(ListRun& run) {
    const char* text = run.list.itemText(run.list.source, run.next);
    if (text == nullptr) return false;
    if (!(run.list.skipsRepeats && sameItem(text, run.lastValue, run.textLimit))) {
        sendItem(run, text);
        if (run.list.skipsRepeats) copyItemText(run.lastValue, text, run.textLimit);
        ++run.itemsOnPage;
    }
    ++run.next;
    return true;
}

// Whether record `index` of a skipping list produced an item: its text differs
// from the record's before it (the first record's from the empty text). The
// last value while sending is always the text of the record before, so this
// holds whichever way the phone paged.
bool producesItem(const ListRun& run, std::int32_t index) {
    char before[lineBufferSize] = {};
    if (index > 0) {
        const char* text = run.list.itemText(run.list.source, index - 1);
        if (text != nullptr) copyItemText(before, text, run.textLimit);
    }
    const char* text = run.list.itemText(run.list.source, index);
    return !sameItem(text != nullptr ? text : "", before, run.textLimit);
}

// The first record of the page before the one that starts at run.pageStart.
// That page is full (50 items), since a page followed it.
std::int32_t previousPageStart(const ListRun& run) {
    if (!run.list.skipsRepeats) {
        std::int32_t start = run.pageStart - wire::pageSize;
        return start > 0 ? start : 0;
    }
    // Walk back over the page's 50 items to its first one, then over the
    // repeats of the item before it, which the page began by skipping.
    std::int32_t index = run.pageStart - 1;
    int items = 0;
    for (; index >= 0; --index) {
        if (producesItem(run, index) && ++items == wire::pageSize) break;
    }
    if (index <= 0) return 0;
    for (--index; index >= 0 && !producesItem(run, index); --index) {
    }
    return index + 1;
}

// The page-end wait. Each pass reads once; a line that waits is taken or left
// for whoever runs next, so no pass reads the same line twice.
WaitResult waitAtPageEnd(const PagedList& list, bool nextOffered, bool previousOffered) {
    PluginContext& context = *pluginContext;
    while (stopFlag == 0) {
        // A line that a list opened from this one ended on still waits, and
        // receiveLine hands it back here before reading anything new.
        const int number = receiveLine();
        if (context.lineConsumed != 0) continue;
        if (number == 0) {
            takeLine();
            continue;
        }
        if (const ListSelection* selection = findSelection(list, number)) {
            takeLine();
            splitCommandLine();
            selection->action(context.argument, selection->mode);
            continue;
        }
        if (list.paged && (number == commandNextPage || number == commandPreviousPage)) {
            takeLine();
            // Only a page turn the list offered moves; any other is taken and
            // changes nothing, so no record outside the list is read.
            if (number == commandNextPage && nextOffered) return WaitResult::nextPage;
            if (number == commandNextPage && list.asksPastLastPage) return WaitResult::pastLastPage;
            if (number == commandPreviousPage && previousOffered) return WaitResult::previousPage;
            continue;
        }
        return WaitResult::leave;
    }
    return WaitResult::leave;
}

void runUnpaged(ListRun& run) {
    while (run.next < run.count) {
        if (stopFlag != 0 || !sendRecord(run)) return;
    }
    waitAtPageEnd(run.list, false, false);
}

void runPaged(ListRun& run) {
    const char code = run.list.listCode;
    for (;;) {
        run.itemsOnPage = 0;
        do {
            if (stopFlag != 0 || !sendRecord(run)) return;
        } while (run.itemsOnPage < wire::pageSize && run.next < run.count);

        const std::int32_t remaining = run.count - run.next;
        if (remaining != 0) sendNextLine(code, remaining > wire::pageSize ? wire::pageSize : remaining);

        switch (waitAtPageEnd(run.list, remaining != 0, run.pageStart != 0)) {
            case WaitResult::leave:
                return;
            case WaitResult::nextPage:
                run.pageStart = run.next;
                sendPositionLine(code, run.next);
                sendPreviousLine(code);
                break;
            case WaitResult::pastLastPage:
                sendPositionLine(code, run.next);
                sendPreviousLine(code);
                // The source answers for the end itself (the current playlist
                // asks its host); whatever it says, no record lies there.
                if (stopFlag == 0) run.list.itemText(run.list.source, run.next);
                return;
            case WaitResult::previousPage: {
                run.pageStart = previousPageStart(run);
                run.next = run.pageStart;
                run.lastValue[0] = '\0';
                if (run.list.skipsRepeats && run.next > 0) {
                    const char* text = run.list.itemText(run.list.source, run.next - 1);
                    if (text != nullptr) copyItemText(run.lastValue, text, run.textLimit);
                }
                sendPositionLine(code, run.next);
                if (run.next != 0) sendPreviousLine(code);
                break;
            }
        }
    }
}

}  // namespace

int runPagedList(const PagedList& list) {
    sendReply(list.header);
    for (int i = 0; i < list.fixedLineCount; ++i) sendReply(list.fixedLines[i]);

    ListRun run{list, list.obtainRecords != nullptr ? list.obtainRecords(list.source) : list.recordCount,
                itemTextLimit(list)};
    if (list.itemText == nullptr) return 0;
    if (run.count <= 0) {
        if (!list.paged && list.waitsWithoutRecords) waitAtPageEnd(list, false, false);
        return 0;
    }
    if (list.paged) {
        runPaged(run);
    } else {
        runUnpaged(run);
    }
    return 0;
}
