// The media library's query language, as far as the plug-in writes it:
// conditions `field == "value"`, `field != "value"` and `!field isempty`,
// joined by " & ", over the fields artist, album, genre and title.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "hostsim/reference_host.h"

namespace hostsim {

enum class QueryField { artist, album, genre, title };
enum class QueryTest { equals, differs, notEmpty };

struct QueryCondition {
    QueryField field;
    QueryTest test;
    std::string value;  // empty for notEmpty
};

// Values are not escaped, so a value ends at the first quote that is followed
// by the end of the text or by " & " and leaves a well-formed rest; a value may
// therefore hold quotes and " & " itself. False (conditions empty) when the
// text is not a sequence of such conditions.
bool parseLibraryQuery(std::string_view text, std::vector<QueryCondition>* conditions);

// An absent field counts as empty.
bool entryMatches(const LibraryEntry& entry, const std::vector<QueryCondition>& conditions);

}  // namespace hostsim
