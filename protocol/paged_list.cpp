#include "protocol/paged_list.h"

#include <cstring>

#include "core/context.h"
#include "core/wire.h"
#include "link/link.h"
#include "link/reply.h"
#include "protocol/list_jump.h"
#include "protocol/status.h"

namespace {

constexpr std::size_t lineBufferSize = wire::replyTextLimit + 1;

// One list while it runs: the description, and where sending stands.
struct ListRun {
    const ListShape& shape;
    const ListRecords& records;
    PluginContext& context;
    Reply& reply;
    std::int32_t count;
    std::size_t textLimit;  // item text bytes that fit the item line
    std::int32_t next = 0;  // the record read next
    std::int32_t pageStart = 0;
    std::int32_t itemsOnPage = 0;
    // Where the last 102 asked the list to go on from.
    std::int32_t jumpTo = 0;
    // Skipping lists: the text of the last item sent, as sent.
    char lastValue[lineBufferSize] = {};
    // A now-playing line is owed at the next turn of the wait (see endWaitTurn).
    bool nowPlayingOwedAgain = false;
};

enum class WaitResult { nextPage, pastLastPage, previousPage, jump, leave };

std::size_t itemTextLimit(const ListShape& shape) {
    std::size_t size = shape.itemLineSize < lineBufferSize ? shape.itemLineSize : lineBufferSize;
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

bool skipsRepeats(const ListRun& run) { return run.shape.repeats == Repeats::skipped; }

void sendItem(const ListRun& run, const char* text) {
    run.reply.listLine(run.shape.listCode, run.records.itemCode(run.next), text, run.textLimit);
}

void sendPositionLine(const ListRun& run) {
    run.reply.listNumber(run.shape.listCode, wire::pagePosition, "", run.next);
}

void sendPreviousLine(const ListRun& run) {
    run.reply.listLine(run.shape.listCode, wire::pagePrevious, wire::pagePreviousText);
}

// The command table's row for a number the list takes; nullptr for one it
// does not take.
const Command* takenRow(const ListShape& shape, int number) {
    for (int taken : shape.takes)
        if (taken == number) return findCommand(number);
    return nullptr;
}

// Sends record run.next and moves past it. False when the record is gone.
bool sendRecord(ListRun& run) {
    const char* text = run.records.itemText(run.next);
    if (text == nullptr) return false;
    if (!(skipsRepeats(run) && sameItem(text, run.lastValue, run.textLimit))) {
        sendItem(run, text);
        if (skipsRepeats(run)) copyItemText(run.lastValue, text, run.textLimit);
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
        const char* text = run.records.itemText(index - 1);
        if (text != nullptr) copyItemText(before, text, run.textLimit);
    }
    const char* text = run.records.itemText(index);
    return !sameItem(text != nullptr ? text : "", before, run.textLimit);
}

// The first record of the page that ends just before record `end`: 50 items
// back, or the list's start when there are fewer.
std::int32_t pageStartBefore(const ListRun& run, std::int32_t end) {
    if (!skipsRepeats(run)) {
        std::int32_t start = end - wire::pageSize;
        return start > 0 ? start : 0;
    }
    // Walk back over the page's 50 items to its first one, then over the
    // repeats of the item before it, which the page began by skipping.
    std::int32_t index = end - 1;
    int items = 0;
    for (; index >= 0; --index) {
        if (producesItem(run, index) && ++items == wire::pageSize) break;
    }
    if (index <= 0) return 0;
    for (--index; index >= 0 && !producesItem(run, index); --index) {
    }
    return index + 1;
}

// The record of the first of the list's last 50 items: where its last page
// shows them all from.
std::int32_t lastItemsStart(const ListRun& run) {
    if (!skipsRepeats(run)) return run.count > wire::pageSize ? run.count - wire::pageSize : 0;
    int items = 0;
    for (std::int32_t index = run.count - 1; index > 0; --index) {
        if (producesItem(run, index) && ++items == wire::pageSize) return index;
    }
    return 0;
}

// The last value a skipping list holds when it sends from run.next: the text
// of the record before, which the page before sent or skipped.
void resumeLastValue(ListRun& run) {
    run.lastValue[0] = '\0';
    if (skipsRepeats(run) && run.next > 0) {
        const char* text = run.records.itemText(run.next - 1);
        if (text != nullptr) copyItemText(run.lastValue, text, run.textLimit);
    }
}

// While the phone has asked for them (103), each turn of the wait ends as a
// turn of the conversation loop does, with the status lines owed. An action the
// list took owes a now-playing line whatever the hook saw (a library pick
// passes no message through it), and one more on the next turn, since the
// player may start the new track only after the first line was built.
void endWaitTurn(ListRun& run, bool acted) {
    SharedFlags& flags = run.context.flags;
    if (flags.listPushes == 0) return;
    if (acted || run.nowPlayingOwedAgain) flags.playStateChanged = 1;
    run.nowPlayingOwedAgain = acted;
    sendOwedStatusLines(run.context, run.reply);
}

// The record a jump to `prefix` moves to: the one the prefix names, or the
// start of the last page.
std::int32_t jumpTo(const ListRun& run, const char* prefix) {
    const std::int32_t target = jumpTarget({run.records, run.count, run.shape.jumps == Jumps::inByteOrder}, prefix);
    return target >= 0 ? target : lastItemsStart(run);
}

// The page-end wait. Each pass reads once; a line that waits is taken or left
// for whoever runs next, so no pass reads the same line twice. A list that
// jumps takes 102 here.
WaitResult waitAtPageEnd(ListRun& run, bool nextOffered, bool previousOffered) {
    const ListShape& shape = run.shape;
    PluginContext& context = run.context;
    const bool paged = shape.kind == ListKind::paged;
    const bool jumps = paged && shape.jumps != Jumps::no;
    while (context.flags.stop == 0) {
        // A line that a list opened from this one ended on still waits, and
        // receiveLine hands it back here before reading anything new.
        int number = 0;
        bool acted = false;
        if (!receiveLine(context, number)) {
            // Nothing came (the phone is silent): the turn still ends below.
        } else if (number == 0) {
            takeLine(context);
        } else if (run.records.hasOwnRow(number)) {
            takeLine(context);
            splitCommandLine(context.link);
            run.records.runOwnRow(number, context.link.argument, context, run.reply);
            acted = true;
        } else if (const Command* row = takenRow(shape, number)) {
            takeLine(context);
            splitCommandLine(context.link);
            runCommand(*row, context.link.argument, context, run.reply);
            acted = true;
        } else if (paged && (number == nextPageCommand || number == previousPageCommand)) {
            takeLine(context);
            // Only a page turn the list offered moves; any other is taken and
            // changes nothing, so no record outside the list is read.
            if (number == nextPageCommand && nextOffered) return WaitResult::nextPage;
            if (number == nextPageCommand && shape.pastLastPage == PastLastPage::asked) return WaitResult::pastLastPage;
            if (number == previousPageCommand && previousOffered) return WaitResult::previousPage;
        } else if (jumps && number == jumpCommand) {
            takeLine(context);
            splitCommandLine(context.link);
            // The prefix is what the row of 102 reads from its line. An empty
            // one, or one too long to name an item, is ignored.
            const Command& jump = *findCommand(jumpCommand);
            const char* prefix = requestFor(context, jump.argument, jump.mode, context.link.argument).text;
            const std::size_t length = std::strlen(prefix);
            if (length != 0 && length <= jumpPrefixLimit) {
                run.jumpTo = jumpTo(run, prefix);
                return WaitResult::jump;
            }
        } else {
            return WaitResult::leave;
        }
        endWaitTurn(run, acted);
    }
    return WaitResult::leave;
}

void runWhole(ListRun& run) {
    // A list without a wait was gathered whole before it started (the stop
    // flag ended the gathering, if it came): it goes out whole.
    const bool waits = run.shape.kind == ListKind::wholeThenWait;
    while (run.next < run.count) {
        if ((waits && run.context.flags.stop != 0) || !sendRecord(run)) return;
    }
    if (waits) waitAtPageEnd(run, false, false);
}

void runPaged(ListRun& run) {
    for (;;) {
        run.itemsOnPage = 0;
        do {
            if (run.context.flags.stop != 0 || !sendRecord(run)) return;
        } while (run.itemsOnPage < wire::pageSize && run.next < run.count);

        const std::int32_t remaining = run.count - run.next;
        if (remaining != 0)
            run.reply.listNumber(run.shape.listCode, wire::pageNext, wire::pageNextText,
                                 remaining > wire::pageSize ? wire::pageSize : remaining);

        const WaitResult result = waitAtPageEnd(run, remaining != 0, run.pageStart != 0);
        switch (result) {
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
                if (run.context.flags.stop == 0) run.records.itemText(run.next);
                return;
            case WaitResult::previousPage:
            case WaitResult::jump:
                // Both send from a new page start, as 53 does, with the
                // Previous line when there is a page before it.
                run.pageStart = result == WaitResult::jump ? run.jumpTo : pageStartBefore(run, run.pageStart);
                run.next = run.pageStart;
                resumeLastValue(run);
                sendPositionLine(run);
                if (run.next != 0) sendPreviousLine(run);
                break;
        }
    }
}

}  // namespace

void runListRecords(const ListShape& shape, const ListRecords& records, PluginContext& context, Reply& reply) {
    // Only a list whose count is known before it starts can be silent.
    if (shape.kind == ListKind::whole && shape.withoutRecords == WithoutRecords::silent && shape.recordCount <= 0)
        return;
    if (shape.headerCode != '\0') {
        reply.coded(shape.headerCode, "");
    } else {
        reply.listHeader(shape.listCode);
    }
    if (shape.fixedItem != nullptr) reply.listLine(shape.listCode, shape.fixedItem->itemCode, shape.fixedItem->text);

    ListRun run{shape, records, context, reply, records.obtain(), itemTextLimit(shape)};
    if (run.count <= 0) {
        if (shape.kind == ListKind::wholeThenWait) waitAtPageEnd(run, false, false);
        return;
    }
    if (shape.kind == ListKind::paged) {
        runPaged(run);
    } else {
        runWhole(run);
    }
}
