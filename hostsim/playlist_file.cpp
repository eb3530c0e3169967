#include "hostsim/playlist_file.h"

#include <cctype>

namespace hostsim {

namespace {

bool endsWithIgnoringCase(std::string_view text, std::string_view ending) {
    if (text.size() < ending.size()) return false;
    std::string_view tail = text.substr(text.size() - ending.size());
    for (std::size_t i = 0; i < ending.size(); ++i) {
        if (std::tolower(static_cast<unsigned char>(tail[i])) != ending[i]) return false;
    }
    return true;
}

std::string_view trimmed(std::string_view text) {
    const char* blanks = " \t\r";
    std::size_t first = text.find_first_not_of(blanks);
    if (first == std::string_view::npos) return {};
    std::size_t last = text.find_last_not_of(blanks);
    return text.substr(first, last - first + 1);
}

}  // namespace

bool isPlaylistFileName(std::string_view name) {
    return endsWithIgnoringCase(name, ".m3u") || endsWithIgnoringCase(name, ".m3u8");
}

std::string titleFromPath(std::string_view path) {
    std::size_t slash = path.find_last_of("\\/");
    std::string_view name = slash == std::string_view::npos ? path : path.substr(slash + 1);
    std::size_t dot = name.rfind('.');
    if (dot != std::string_view::npos && dot > 0) name = name.substr(0, dot);
    return std::string(name);
}

std::vector<PlaylistEntry> parsePlaylistText(std::string_view text) {
    constexpr std::string_view byteOrderMark = "\xEF\xBB\xBF";
    if (text.substr(0, byteOrderMark.size()) == byteOrderMark) text.remove_prefix(byteOrderMark.size());

    std::vector<PlaylistEntry> entries;
    std::string pendingTitle;
    bool haveTitle = false;
    while (!text.empty()) {
        std::size_t lineEnd = text.find('\n');
        std::string_view line = trimmed(lineEnd == std::string_view::npos ? text : text.substr(0, lineEnd));
        text.remove_prefix(lineEnd == std::string_view::npos ? text.size() : lineEnd + 1);

        if (line.empty()) continue;
        if (line.front() == '#') {
            constexpr std::string_view info = "#EXTINF:";
            if (line.substr(0, info.size()) == info) {
                std::size_t comma = line.find(',');
                if (comma != std::string_view::npos) {
                    pendingTitle.assign(line.substr(comma + 1));
                    haveTitle = true;
                }
            }
            continue;
        }
        entries.push_back({std::string(line), haveTitle ? pendingTitle : titleFromPath(line)});
        haveTitle = false;
    }
    return entries;
}

std::string formatPlaylistText(const std::vector<PlaylistEntry>& entries) {
    std::string text = "#EXTM3U\r\n";
    for (const PlaylistEntry& entry : entries) {
        text += "#EXTINF:-1,";
        text += entry.title;
        text += "\r\n";
        text += entry.path;
        text += "\r\n";
    }
    return text;
}

}  // namespace hostsim
