#include "protocol/paged_list.h"

#include <cstring>

#include "core/context.h"
#include "core/wire.h"
#include "link/link.h"
#include "link/reply.h"
#include "protocol/status.h"

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
    // Where the last 102 asked the list to go on from.
    std::int32_t jumpTo = 0;
    // Skipping lists: the text of the last item sent, as sent.
    char lastValue[lineBufferSize] = {};
    // A now-playing line is owed at the next turn of the wait (see endWaitTurn).
    bool nowPlayingOwedAgain = false;
};

enum class WaitResult { nextPage, pastLastPage, previousPage, jump, leave };

// A jump's prefix holds at least one byte and at most this many.
constexpr std::size_t jumpPrefixLimit = 255;

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

// The first record of the page that ends just before record `end`: 50 items
// back, or the list's start when there are fewer.
std::int32_t pageStartBefore(const ListRun& run, std::int32_t end) {
    if (!run.list.skipsRepeats) {
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
    if (!run.list.skipsRepeats) return run.count > wire::pageSize ? run.count - wire::pageSize : 0;
    int items = 0;
    for (std::int32_t index = run.count - 1; index > 0; --index) {
        if (producesItem(run, index) && ++items == wire::pageSize) return index;
    }
    return 0;
}

// Letters compare without regard to case in a jump; every other byte as it is.
unsigned char foldedByte(char c) {
    const unsigned char byte = static_cast<unsigned char>(c);
    return byte >= 'A' && byte <= 'Z' ? static_cast<unsigned char>(byte - 'A' + 'a') : byte;
}

// 0 when `text` begins with `prefix`; otherwise below or above 0 as `text`
// sorts before or after it.
int comparePrefix(const char* text, const char* prefix) {
    for (; *prefix != '\0'; ++text, ++prefix) {
        const int difference = foldedByte(*text) - foldedByte(*prefix);
        if (difference != 0) return difference;
    }
    return 0;
}

bool isLetter(unsigned char byte) { return (byte >= 'A' && byte <= 'Z') || (byte >= 'a' && byte <= 'z'); }

// The first byte of record `index`'s item text; 0 for an empty or missing one.
unsigned char leadByte(const ListRun& run, std::int32_t index) {
    const char* text = run.list.itemText(run.list.source, index);
    return text != nullptr ? static_cast<unsigned char>(text[0]) : 0;
}

// Lists in byte order: the first record whose item text begins with a byte of
// `byte` or more (the record count when there is none), found by halving.
std::int32_t firstLeadFrom(const ListRun& run, unsigned byte) {
    std::int32_t low = 0;
    std::int32_t high = run.count;
    while (low < high) {
        const std::int32_t middle = low + (high - low) / 2;
        if (leadByte(run, middle) < byte) {
            low = middle + 1;
        } else {
            high = middle;
        }
    }
    return low;
}

// Lists in byte order: the first record whose item text begins with a byte
// from `first` to `last`; -1 when there is none.
std::int32_t firstLeadIn(const ListRun& run, unsigned first, unsigned last) {
    const std::int32_t index = firstLeadFrom(run, first);
    return index < run.count && leadByte(run, index) <= last ? index : -1;
}

std::int32_t earlier(std::int32_t a, std::int32_t b) { return a < 0 ? b : (b < 0 || a < b ? a : b); }

struct JumpFound {
    std::int32_t begins = -1;  // the first record that begins with the prefix
    std::int32_t after = -1;   // the first that sorts after it
};

// Goes through records [begin, end) in order, until one begins with `prefix`.
void scanForPrefix(const ListRun& run, const char* prefix, std::int32_t begin, std::int32_t end, JumpFound& found) {
    for (std::int32_t index = begin; index < end; ++index) {
        const char* text = run.list.itemText(run.list.source, index);
        const int order = comparePrefix(text != nullptr ? text : "", prefix);
        if (order == 0) {
            found.begins = index;
            return;
        }
        if (order > 0) found.after = earlier(found.after, index);
    }
}

// The records that "#" names: those that do not begin with a letter.
std::int32_t firstNonLetter(const ListRun& run) {
    if (!run.list.inByteOrder) {
        for (std::int32_t index = 0; index < run.count; ++index)
            if (!isLetter(leadByte(run, index))) return index;
        return -1;
    }
    // In byte order the letters are two runs of first bytes, with others
    // before, between and after them.
    std::int32_t found = firstLeadIn(run, 0, 'A' - 1);
    if (found < 0) found = firstLeadIn(run, 'Z' + 1, 'a' - 1);
    if (found < 0) found = firstLeadIn(run, 'z' + 1, 255);
    return found;
}

// Rules 1 and 2 in a list in byte order: the records that can begin with the
// prefix are those whose first byte folds to the prefix's, one or two runs;
// only they are gone through. Of the first bytes that fold higher, the first
// record of each run of them is found by halving.
JumpFound findInByteOrder(const ListRun& run, const char* prefix) {
    JumpFound found;
    const unsigned char lead = foldedByte(prefix[0]);
    const bool letter = lead >= 'a' && lead <= 'z';
    const unsigned char leads[2] = {static_cast<unsigned char>(letter ? lead - 'a' + 'A' : lead), lead};
    for (int i = letter ? 0 : 1; i < 2; ++i) {
        const std::int32_t begin = firstLeadFrom(run, leads[i]);
        scanForPrefix(run, prefix, begin, firstLeadFrom(run, leads[i] + 1u), found);
        if (found.begins >= 0) return found;
    }
    for (unsigned first = 1; first < 256;) {
        if (foldedByte(static_cast<char>(first)) <= lead) {
            ++first;
            continue;
        }
        unsigned last = first;
        while (last + 1 < 256 && foldedByte(static_cast<char>(last + 1)) > lead) ++last;
        found.after = earlier(found.after, firstLeadIn(run, first, last));
        first = last + 1;
    }
    return found;
}

// The record a 102 with `prefix` moves to, going through the list in its own
// order: the first item that begins with the prefix; failing that, the first
// that sorts after it; failing that, the start of the last page. "#" alone
// names the first item that does not begin with a letter, or the first item.
std::int32_t jumpTarget(const ListRun& run, const char* prefix) {
    if (std::strcmp(prefix, "#") == 0) {
        const std::int32_t found = firstNonLetter(run);
        return found >= 0 ? found : 0;
    }
    JumpFound found;
    if (run.list.inByteOrder) {
        found = findInByteOrder(run, prefix);
    } else {
        scanForPrefix(run, prefix, 0, run.count, found);
    }
    if (found.begins >= 0) return found.begins;
    return found.after >= 0 ? found.after : lastItemsStart(run);
}

// The last value a skipping list holds when it sends from run.next: the text
// of the record before, which the page before sent or skipped.
void resumeLastValue(ListRun& run) {
    run.lastValue[0] = '\0';
    if (run.list.skipsRepeats && run.next > 0) {
        const char* text = run.list.itemText(run.list.source, run.next - 1);
        if (text != nullptr) copyItemText(run.lastValue, text, run.textLimit);
    }
}

// While the phone has asked for them (103), each turn of the wait ends as a
// turn of the conversation loop does, with the status lines owed. An action the
// list took owes a now-playing line whatever the hook saw (a library pick
// passes no message through it), and one more on the next turn, since the
// player may start the new track only after the first line was built.
void endWaitTurn(ListRun& run, bool acted) {
    SharedFlags& flags = run.reply.context().flags;
    if (flags.listPushes == 0) return;
    if (acted || run.nowPlayingOwedAgain) flags.playStateChanged = 1;
    run.nowPlayingOwedAgain = acted;
    sendOwedStatusLines(run.reply);
}

// The page-end wait. Each pass reads once; a line that waits is taken or left
// for whoever runs next, so no pass reads the same line twice. A list that
// jumps takes 102 here.
WaitResult waitAtPageEnd(ListRun& run, bool nextOffered, bool previousOffered) {
    const PagedList& list = run.list;
    PluginContext& context = run.reply.context();
    const bool jumps = list.paged && list.jumps;
    while (context.flags.stop == 0) {
        // A line that a list opened from this one ended on still waits, and
        // receiveLine hands it back here before reading anything new.
        int number = 0;
        bool acted = false;
        if (!receiveLine(context, number)) {
            // Nothing came (the phone is silent): the turn still ends below.
        } else if (number == 0) {
            takeLine(context);
        } else if (const Command* row = listRow(list, number)) {
            takeLine(context);
            splitCommandLine(context.link);
            runCommand(*row, context.link.argument, run.reply, list.source);
            acted = true;
        } else if (list.paged && (number == nextPageCommand || number == previousPageCommand)) {
            takeLine(context);
            // Only a page turn the list offered moves; any other is taken and
            // changes nothing, so no record outside the list is read.
            if (number == nextPageCommand && nextOffered) return WaitResult::nextPage;
            if (number == nextPageCommand && list.asksPastLastPage) return WaitResult::pastLastPage;
            if (number == previousPageCommand && previousOffered) return WaitResult::previousPage;
        } else if (jumps && number == jumpCommand) {
            takeLine(context);
            splitCommandLine(context.link);
            // An empty prefix, or one too long to name an item, is ignored.
            const std::size_t length = std::strlen(context.link.argument);
            if (length != 0 && length <= jumpPrefixLimit) {
                run.jumpTo = jumpTarget(run, context.link.argument);
                return WaitResult::jump;
            }
        } else {
            return WaitResult::leave;
        }
        endWaitTurn(run, acted);
    }
    return WaitResult::leave;
}

void runUnpaged(ListRun& run) {
    // A list without a wait was gathered whole before it started (the stop
    // flag ended the gathering, if it came): it goes out whole.
    while (run.next < run.count) {
        if ((run.list.waits && run.reply.context().flags.stop != 0) || !sendRecord(run)) return;
    }
    if (run.list.waits) waitAtPageEnd(run, false, false);
}

void runPaged(ListRun& run) {
    for (;;) {
        run.itemsOnPage = 0;
        do {
            if (run.reply.context().flags.stop != 0 || !sendRecord(run)) return;
        } while (run.itemsOnPage < wire::pageSize && run.next < run.count);

        const std::int32_t remaining = run.count - run.next;
        if (remaining != 0)
            run.reply.listNumber(run.list.listCode, wire::pageNext, wire::pageNextText,
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
                if (run.reply.context().flags.stop == 0) run.list.itemText(run.list.source, run.next);
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
        if (!list.paged && list.waits && list.waitsWithoutRecords) waitAtPageEnd(run, false, false);
        return;
    }
    if (list.paged) {
        runPaged(run);
    } else {
        runUnpaged(run);
    }
}
