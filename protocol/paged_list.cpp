#include "protocol/paged_list.h"

#include <cstring>

#include "core/context.h"
#include "core/wire.h"
#include "link/link.h"
#include "link/reply.h"

namespace {

constexpr std::size_t lineBufferSize = wire::replyTextLimit + 1;

// One list while it runs: the description, and where sending stands.
struct ListRun {
    const PagedList& list;
    Reply& reply;
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
    const PagedList& list = run.list;
    const char itemCode = list.itemCodeOf != nullptr ? list.itemCodeOf(list.source, run.next) : list.itemCode;
    run.reply.listLine(list.listCode, itemCode, text, run.textLimit);
}

void sendPositionLine(const ListRun& run) { run.reply.listNumber(run.list.listCode, wire::pagePosition, "", run.next); }

void sendPreviousLine(const ListRun& run) {
    run.reply.listLine(run.list.listCode, wire::pagePrevious, wire::pagePreviousText);
}

// The row the list runs for `number`: its own, or the command table's for a
// number it takes; nullptr for a number it does not take.
const Command* listRow(const PagedList& list, int number) {
    for (const Command& row : list.ownRows)
        if (row.number == number) return &row;
    for (int taken : list.takes)
        if (taken == number) return findCommand(number);
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
WaitResult waitAtPageEnd(const PagedList& list, Reply& reply, bool nextOffered, bool previousOffered) {
    PluginContext& context = *pluginContext;
    while (pluginContext->flags.stop == 0) {
        // A line that a list opened from this one ended on still waits, and
        // receiveLine hands it back here before reading anything new.
        int number = 0;
        if (!receiveLine(number)) continue;
        if (number == 0) {
            takeLine();
            continue;
        }
        if (const Command* row = listRow(list, number)) {
            takeLine();
            splitCommandLine();
            runCommand(*row, context.link.argument, reply, list.source);
            continue;
        }
        if (list.paged && (number == nextPageCommand || number == previousPageCommand)) {
            takeLine();
            // Only a page turn the list offered moves; any other is taken and
            // changes nothing, so no record outside the list is read.
            if (number == nextPageCommand && nextOffered) return WaitResult::nextPage;
            if (number == nextPageCommand && list.asksPastLastPage) return WaitResult::pastLastPage;
            if (number == previousPageCommand && previousOffered) return WaitResult::previousPage;
            continue;
        }
        return WaitResult::leave;
    }
    return WaitResult::leave;
}

void runUnpaged(ListRun& run) {
    // A list without a wait was gathered whole before it started (the stop
    // flag ended the gathering, if it came): it goes out whole.
    while (run.next < run.count) {
        if ((run.list.waits && pluginContext->flags.stop != 0) || !sendRecord(run)) return;
    }
    if (run.list.waits) waitAtPageEnd(run.list, run.reply, false, false);
}

void runPaged(ListRun& run) {
    for (;;) {
        run.itemsOnPage = 0;
        do {
            if (pluginContext->flags.stop != 0 || !sendRecord(run)) return;
        } while (run.itemsOnPage < wire::pageSize && run.next < run.count);

        const std::int32_t remaining = run.count - run.next;
        if (remaining != 0)
            run.reply.listNumber(run.list.listCode, wire::pageNext, wire::pageNextText,
                                 remaining > wire::pageSize ? wire::pageSize : remaining);

        switch (waitAtPageEnd(run.list, run.reply, remaining != 0, run.pageStart != 0)) {
            case WaitResult::leave:
                return;
            case WaitResult::nextPage:
                run.pageStart = run.next;
                sendPositionLine(run);
                sendPreviousLine(run);
                break;
            case WaitResult::pastLastPage:
                sendPositionLine(run);
                sendPreviousLine(run);
                // The source answers for the end itself (the current playlist
                // asks its host); whatever it says, no record lies there.
                if (pluginContext->flags.stop == 0) run.list.itemText(run.list.source, run.next);
                return;
            case WaitResult::previousPage: {
                run.pageStart = previousPageStart(run);
                run.next = run.pageStart;
                run.lastValue[0] = '\0';
                if (run.list.skipsRepeats && run.next > 0) {
                    const char* text = run.list.itemText(run.list.source, run.next - 1);
                    if (text != nullptr) copyItemText(run.lastValue, text, run.textLimit);
                }
                sendPositionLine(run);
                if (run.next != 0) sendPreviousLine(run);
                break;
            }
        }
    }
}

}  // namespace

void runPagedList(const PagedList& list, Reply& reply) {
    if (list.silentWithoutRecords && list.obtainRecords == nullptr && list.recordCount <= 0) return;
    if (list.headerCode != '\0') {
        reply.coded(list.headerCode, "");
    } else {
        reply.listHeader(list.listCode);
    }
    if (list.fixedItem != nullptr) reply.listLine(list.listCode, list.fixedItem->itemCode, list.fixedItem->text);

    ListRun run{list, reply, list.obtainRecords != nullptr ? list.obtainRecords(list.source) : list.recordCount,
                itemTextLimit(list)};
    if (list.itemText == nullptr) return;
    if (run.count <= 0) {
        if (!list.paged && list.waits && list.waitsWithoutRecords) waitAtPageEnd(list, reply, false, false);
        return;
    }
    if (list.paged) {
        runPaged(run);
    } else {
        runUnpaged(run);
    }
}
