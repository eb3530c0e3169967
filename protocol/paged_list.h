// The paged list dialogue: every list the phone browses is a description
// handed to runPagedList, which sends it in pages of 50 and keeps the
// conversation to itself at each page end, until a line it does not take.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

#include "protocol/command_table.h"

class Reply;

// The text of record `index` (0 <= index < the record count; a list that
// asksPastLastPage is also asked for the index equal to the count, and what it
// answers then is not sent). A null result means the record is gone, and the
// list ends there. The text need only stay valid until the next call.
using ListItemText = const char* (*)(const void* source, std::int32_t index);

// A line sent after the header, before the records: an item of its own code.
struct FixedItem {
    char itemCode;
    const char* text;
};

struct PagedList {
    char listCode = '\0';
    // A header that is a code alone ('N' for the current playlist); without
    // one, the list begins with its code and 'A'.
    char headerCode = '\0';
    const FixedItem* fixedItem = nullptr;
    // The number of records, or, when obtainRecords is set, what it returns;
    // it runs after the header and the fixed item have gone out.
    std::int32_t recordCount = 0;
    std::int32_t (*obtainRecords)(const void* source) = nullptr;
    char itemCode = '\0';
    // Lists whose items differ in their code (the drives) name it per record.
    char (*itemCodeOf)(const void* source, std::int32_t index) = nullptr;
    ListItemText itemText = nullptr;
    const void* source = nullptr;
    // A record whose item text equals the last item sent produces no line; the
    // pages still count records.
    bool skipsRepeats = false;
    // The command numbers the list takes while it waits, each doing what its
    // row of the command table does; and the rows the list gives a meaning of
    // its own, which come first.
    std::span<const int> takes = {};
    std::span<const Command> ownRows = {};
    // False: every item at once, then the wait, with no paging lines.
    bool paged = true;
    // False: no wait at all; the list ends with its last item.
    bool waits = true;
    // Unpaged lists: the wait runs even when there are no records, for lists
    // whose selections do not depend on the items shown.
    bool waitsWithoutRecords = false;
    // Nothing at all, not even the header, when there are no records.
    bool silentWithoutRecords = false;
    // Paged lists: 53 on the last page, where no Next line offered it, still
    // turns the page: the position and Previous lines go out, the source is
    // asked for the record at the record count (it has none), and the list
    // ends. Nothing past the last record is ever sent.
    bool asksPastLastPage = false;
    // The buffer an item line is composed in (two code characters, the text and
    // a NUL); longer texts are cut. At most one reply line.
    std::size_t itemLineSize = 1024;
};

// Runs the list to its end: a line it does not take (left waiting, lineConsumed
// 0, for the conversation loop or an outer list), the stop flag, no records, or
// a record that is gone.
void runPagedList(const PagedList& list, Reply& reply);
