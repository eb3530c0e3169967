#include "hostsim/library_source.h"

namespace hostsim {

namespace {

constexpr std::size_t fieldCount = 5;

bool readCount(std::string_view text, int lowest, int* out) {
    if (text.empty()) return false;
    long long value = 0;
    for (char c : text) {
        if (c < '0' || c > '9') return false;
        value = value * 10 + (c - '0');
        if (value > largestLibraryShape) return false;
    }
    if (value < lowest) return false;
    *out = static_cast<int>(value);
    return true;
}

void setField(std::string_view text, std::string* value, bool* absent) {
    *absent = text == absentLibraryField;
    value->assign(*absent ? std::string_view() : text);
}

}  // namespace

bool parseLibraryLine(std::string_view line, LibraryEntry* entry) {
    std::string_view fields[fieldCount];
    std::size_t found = 0;
    std::size_t start = 0;
    for (;;) {
        std::size_t bar = line.find('|', start);
        if (found == fieldCount) return false;
        fields[found++] = line.substr(start, bar == std::string_view::npos ? std::string_view::npos : bar - start);
        if (bar == std::string_view::npos) break;
        start = bar + 1;
    }
    if (found != fieldCount) return false;
    LibraryEntry parsed;
    setField(fields[0], &parsed.fileName, &parsed.fileNameAbsent);
    setField(fields[1], &parsed.title, &parsed.titleAbsent);
    setField(fields[2], &parsed.album, &parsed.albumAbsent);
    setField(fields[3], &parsed.artist, &parsed.artistAbsent);
    setField(fields[4], &parsed.genre, &parsed.genreAbsent);
    *entry = std::move(parsed);
    return true;
}

bool parseLibraryText(std::string_view text, std::vector<LibraryEntry>* entries, std::string* error) {
    entries->clear();
    std::size_t start = 0;
    int lineNumber = 0;
    while (start < text.size()) {
        std::size_t end = text.find('\n', start);
        std::string_view line =
            text.substr(start, end == std::string_view::npos ? std::string_view::npos : end - start);
        start = end == std::string_view::npos ? text.size() : end + 1;
        ++lineNumber;
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        if (line.empty() || line.front() == '#') continue;
        LibraryEntry entry;
        if (!parseLibraryLine(line, &entry)) {
            entries->clear();
            *error = "line " + std::to_string(lineNumber) + ": not FILE|TITLE|ALBUM|ARTIST|GENRE";
            return false;
        }
        entries->push_back(std::move(entry));
    }
    return true;
}

bool parseLibraryShape(std::string_view text, LibraryShape* shape) {
    int counts[4] = {};
    for (int i = 0; i < 4; ++i) {
        const bool last = i == 3;
        std::size_t comma = last ? std::string_view::npos : text.find(',');
        if (!last && comma == std::string_view::npos) return false;
        if (!readCount(text.substr(0, comma), i == 0 ? 0 : 1, &counts[i])) return false;
        text = last ? std::string_view() : text.substr(comma + 1);
    }
    *shape = {counts[0], counts[1], counts[2], counts[3]};
    return true;
}

}  // namespace hostsim
