#include "hostsim/library_query.h"

#include <cstddef>

namespace hostsim {

namespace {

// Longer texts are refused (the parse takes time quadratic in the length); the
// plug-in never writes more than 511 characters.
constexpr std::size_t longestQuery = 4096;

constexpr std::string_view joiner = " & ";

struct FieldName {
    std::string_view name;
    QueryField field;
};
constexpr FieldName fieldNames[] = {
    {"artist", QueryField::artist},
    {"album", QueryField::album},
    {"genre", QueryField::genre},
    {"title", QueryField::title},
};

// The field named at `at`, with the position after its name.
bool readField(std::string_view text, std::size_t at, QueryField* field, std::size_t* after) {
    for (const FieldName& f : fieldNames) {
        if (text.substr(at, f.name.size()) == f.name) {
            *field = f.field;
            *after = at + f.name.size();
            return true;
        }
    }
    return false;
}

// One condition starting at `at`. Its possible ends (positions after it) go to
// `ends` in increasing order; for a quoted value each quote that may close it
// gives one end.
bool readCondition(std::string_view text, std::size_t at, QueryCondition* condition, std::vector<std::size_t>* ends,
                   std::size_t* valueStart) {
    ends->clear();
    if (text.substr(at, 1) == "!") {
        std::size_t after = 0;
        if (!readField(text, at + 1, &condition->field, &after)) return false;
        constexpr std::string_view isEmpty = " isempty";
        if (text.substr(after, isEmpty.size()) != isEmpty) return false;
        condition->test = QueryTest::notEmpty;
        ends->push_back(after + isEmpty.size());
        *valueStart = 0;
        return true;
    }
    std::size_t after = 0;
    if (!readField(text, at, &condition->field, &after)) return false;
    constexpr std::string_view equalsOpen = " == \"";
    constexpr std::string_view differsOpen = " != \"";
    std::string_view opening = text.substr(after, equalsOpen.size());
    if (opening == equalsOpen) {
        condition->test = QueryTest::equals;
    } else if (opening == differsOpen) {
        condition->test = QueryTest::differs;
    } else {
        return false;
    }
    *valueStart = after + equalsOpen.size();
    for (std::size_t q = *valueStart; q < text.size(); ++q) {
        if (text[q] != '"') continue;
        std::size_t end = q + 1;
        if (end == text.size() || text.substr(end, joiner.size()) == joiner) ends->push_back(end);
    }
    return !ends->empty();
}

}  // namespace

bool parseLibraryQuery(std::string_view text, std::vector<QueryCondition>* conditions) {
    conditions->clear();
    if (text.empty() || text.size() > longestQuery) return false;

    // wellFormedFrom[p]: the text from p on is one or more joined conditions.
    // Filled from the back, so each condition can pick the first closing quote
    // that leaves a well-formed rest.
    const std::size_t size = text.size();
    std::vector<char> wellFormedFrom(size + 1, 0);
    std::vector<std::size_t> ends;
    QueryCondition condition{};
    std::size_t valueStart = 0;
    auto restIsGood = [&](std::size_t end) {
        if (end == size) return true;
        return end + joiner.size() < size && wellFormedFrom[end + joiner.size()] != 0;
    };
    for (std::size_t p = size; p-- > 0;) {
        if (!readCondition(text, p, &condition, &ends, &valueStart)) continue;
        for (std::size_t end : ends) {
            if (restIsGood(end)) {
                wellFormedFrom[p] = 1;
                break;
            }
        }
    }
    if (wellFormedFrom[0] == 0) return false;

    std::size_t p = 0;
    while (true) {
        readCondition(text, p, &condition, &ends, &valueStart);
        std::size_t chosen = 0;
        for (std::size_t end : ends) {
            if (restIsGood(end)) {
                chosen = end;
                break;
            }
        }
        condition.value.clear();
        if (condition.test != QueryTest::notEmpty) {
            condition.value.assign(text.substr(valueStart, chosen - 1 - valueStart));
        }
        conditions->push_back(condition);
        if (chosen == size) return true;
        p = chosen + joiner.size();
    }
}

namespace {

std::string_view fieldOf(const LibraryEntry& entry, QueryField field) {
    switch (field) {
        case QueryField::artist:
            return entry.artistAbsent ? std::string_view() : entry.artist;
        case QueryField::album:
            return entry.albumAbsent ? std::string_view() : entry.album;
        case QueryField::genre:
            return entry.genreAbsent ? std::string_view() : entry.genre;
        case QueryField::title:
            return entry.titleAbsent ? std::string_view() : entry.title;
    }
    return {};
}

}  // namespace

bool entryMatches(const LibraryEntry& entry, const std::vector<QueryCondition>& conditions) {
    for (const QueryCondition& c : conditions) {
        std::string_view value = fieldOf(entry, c.field);
        bool holds = false;
        switch (c.test) {
            case QueryTest::equals:
                holds = value == c.value;
                break;
            case QueryTest::differs:
                holds = value != c.value;
                break;
            case QueryTest::notEmpty:
                holds = !value.empty();
                break;
        }
        if (!holds) return false;
    }
    return true;
}

}  // namespace hostsim
