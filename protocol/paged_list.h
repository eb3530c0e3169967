// The paged list dialogue: every list the phone browses is a description
// handed to runList, which sends it in pages of 50 and keeps the conversation
// to itself at each page end, until a line it does not take.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

#include "protocol/command_table.h"

class Reply;
struct PluginContext;

// How a list goes out and whether it waits.
enum class ListKind {
    // Pages of 50; at each page end the wait (53, 54, the numbers it takes).
    paged,
    // Every item at once, then the wait, with no paging lines. The wait runs
    // even without records: the list's selections do not depend on the items
    // shown.
    wholeThenWait,
    // Every item at once and no wait: the list ends with its last item.
    whole,
};

// A record whose item text equals the last item sent: sent again, or no line
// (the pages still count records).
enum class Repeats { sent, skipped };

// Paged lists: whether 102 and a prefix move the list to the first item that
// begins with it, and how the item is found: by going through every record, or
// by halving, for item texts in byte order (as the library sorts them).
enum class Jumps { no, throughEveryRecord, inByteOrder };

// Paged lists: 53 on the last page, where no Next line offered it, is ignored;
// or it still turns the page: the position and Previous lines go out, the
// source is asked for the record at the record count (it has none), and the
// list ends. Nothing past the last record is ever sent.
enum class PastLastPage { ignored, asked };

// Whole lists without records: the header still goes out, or nothing at all.
enum class WithoutRecords { header, silent };

// A line sent after the header, before the records: an item of its own code.
struct FixedItem {
    char itemCode;
    const char* text;
};

// What a list is, apart from its source.
struct ListShape {
    char listCode = '\0';
    // A header that is a code alone ('N' for the current playlist); without
    // one, the list begins with its code and 'A'.
    char headerCode = '\0';
    const FixedItem* fixedItem = nullptr;
    // The number of records, unless the list obtains them from its source
    // after the header and the fixed item have gone out.
    std::int32_t recordCount = 0;
    // The item code of every record, unless the list names one per record.
    char itemCode = '\0';
    ListKind kind = ListKind::paged;
    Repeats repeats = Repeats::sent;
    Jumps jumps = Jumps::no;
    PastLastPage pastLastPage = PastLastPage::ignored;
    WithoutRecords withoutRecords = WithoutRecords::header;
    // The command numbers the list takes while it waits, each doing what its
    // row of the command table does (the list's own rows come before them).
    std::span<const int> takes = {};
    // The buffer an item line is composed in (two code characters, the text and
    // a NUL); longer texts are cut. At most one reply line.
    std::size_t itemLineSize = 1024;
};

// A row a list gives a meaning of its own while it waits: its action acts on
// what the list shows.
template <typename Source>
struct ListRow {
    int number;
    void (*action)(const Source& source, const Request& request, Reply& reply);
    Argument argument = Argument::none;
    PickMode mode = PickMode::play;
};

// A list over records of one source type; a function of another source does
// not fit it.
template <typename Source>
struct List {
    ListShape shape;
    const Source& source;
    // The text of record `index` (0 <= index < the record count; a list that
    // asks past its last page is also asked for the index equal to the count,
    // and what it answers then is not sent). A null result means the record is
    // gone, and the list ends there. The text need only stay valid until the
    // next call.
    const char* (*itemText)(const Source& source, std::int32_t index);
    // Obtains the records and returns their count, for a list whose count is
    // not known before it starts.
    std::int32_t (*obtainRecords)(const Source& source) = nullptr;
    // Lists whose items differ in their code (the drives) name it per record.
    char (*itemCodeOf)(const Source& source, std::int32_t index) = nullptr;
    std::span<const ListRow<Source>> ownRows = {};
};

// A list's records as the runner reads them, whatever their source.
class ListRecords {
public:
    virtual std::int32_t obtain() const = 0;
    virtual const char* itemText(std::int32_t index) const = 0;
    virtual char itemCode(std::int32_t index) const = 0;
    // Whether the list has an own row for `number`; running it.
    virtual bool hasOwnRow(int number) const = 0;
    virtual void runOwnRow(int number, const char* argument, PluginContext& context, Reply& reply) const = 0;

protected:
    ~ListRecords() = default;
};

// Runs the list to its end: a line it does not take (left waiting, lineConsumed
// 0, for the conversation loop or an outer list), the stop flag, no records, or
// a record that is gone.
void runListRecords(const ListShape& shape, const ListRecords& records, PluginContext& context, Reply& reply);

// The typed front of the runner: the one place a list's source is put aside.
template <typename Source>
void runList(const List<Source>& list, PluginContext& context, Reply& reply) {
    class Records final : public ListRecords {
    public:
        explicit Records(const List<Source>& list) : list_(list) {}
        std::int32_t obtain() const override {
            return list_.obtainRecords != nullptr ? list_.obtainRecords(list_.source) : list_.shape.recordCount;
        }
        const char* itemText(std::int32_t index) const override { return list_.itemText(list_.source, index); }
        char itemCode(std::int32_t index) const override {
            return list_.itemCodeOf != nullptr ? list_.itemCodeOf(list_.source, index) : list_.shape.itemCode;
        }
        bool hasOwnRow(int number) const override { return ownRow(number) != nullptr; }
        void runOwnRow(int number, const char* argument, PluginContext& context, Reply& reply) const override {
            const ListRow<Source>& row = *ownRow(number);
            row.action(list_.source, requestFor(context, row.argument, row.mode, argument), reply);
        }

    private:
        const ListRow<Source>* ownRow(int number) const {
            for (const ListRow<Source>& row : list_.ownRows)
                if (row.number == number) return &row;
            return nullptr;
        }
        const List<Source>& list_;
    };
    runListRecords(list.shape, Records{list}, context, reply);
}
