// Prints the phone's vocabulary as JSON, from the command table and the lists'
// table: every command number with what it reads from the rest of its line,
// and every list a command opens with what it takes while it waits. The web
// remote's test and the build compare their own tables with it.

#include <cstdio>

#include "protocol/command_table.h"
#include "protocol/list_vocabulary.h"

namespace {

// Past the extensions; findCommand knows no number above.
constexpr int highestNumberTried = 1000;

const char* argumentName(Argument argument) {
    switch (argument) {
        case Argument::none:
            return "none";
        case Argument::number:
            return "number";
        case Argument::text:
            return "text";
    }
    return "none";
}

const char* yes(bool value) { return value ? "true" : "false"; }

}  // namespace

int main() {
    std::printf("{\"commands\":[");
    const char* separator = "";
    for (int number = 0; number <= highestNumberTried; ++number) {
        const Command* row = findCommand(number);
        if (row == nullptr) continue;
        std::printf("%s{\"number\":%d,\"argument\":\"%s\"}", separator, row->number, argumentName(row->argument));
        separator = ",";
    }
    std::printf("],\n\"lists\":[");
    separator = "";
    for (const ListVocabulary& list : listVocabulary) {
        std::printf("%s\n{\"opener\":%d,\"code\":\"%c\",\"takes\":[", separator, list.opener, list.listCode);
        int taken[mostTakenNumbers];
        const std::size_t count = takenNumbers(list, taken);
        for (std::size_t i = 0; i < count; ++i) std::printf("%s%d", i == 0 ? "" : ",", taken[i]);
        std::printf("],\"waits\":%s,\"paged\":%s,\"jumps\":%s,\"indexes\":\"%s\"", yes(list.waits), yes(list.paged),
                    yes(list.jumps), list.indexes == ItemIndex::record ? "record" : "name");
        if (list.fixedItem) std::printf(",\"fixedItem\":true");
        std::printf("}");
        separator = ",";
    }
    std::printf("]}\n");
    return 0;
}
