#include "tools/phone/phone_link.h"

#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <utility>

#include "core/wire.h"

namespace phone {

namespace {

using Clock = std::chrono::steady_clock;

int millisecondsLeft(Clock::time_point deadline) {
    auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
    return left.count() > 0 ? static_cast<int>(left.count()) : 0;
}

// A whole signed decimal number, nothing before or after it.
bool parseNumber(const std::string& text, int& out) {
    if (text.empty()) return false;
    char* end = nullptr;
    errno = 0;
    long value = std::strtol(text.c_str(), &end, 10);
    if (errno != 0 || *end != '\0' || end == text.c_str()) return false;
    out = static_cast<int>(value);
    return true;
}

// Splits the text after the code character at ':'; every field, the last one
// included, must be followed by a colon.
bool splitColonFields(const std::string& body, std::vector<std::string>& fields) {
    fields.clear();
    if (body.empty() || body.back() != ':') return false;
    std::size_t start = 0;
    while (start < body.size()) {
        std::size_t colon = body.find(':', start);
        fields.push_back(body.substr(start, colon - start));
        start = colon + 1;
    }
    return true;
}

std::string minutesAndSeconds(int ms) {
    if (ms < 0) return "-";
    char text[32];
    std::snprintf(text, sizeof text, "%d:%02d", ms / 60000, (ms / 1000) % 60);
    return text;
}

const char* playStateName(int state) {
    switch (state) {
        case 0:
            return "stopped";
        case 1:
            return "playing";
        case 3:
            return "paused";
        default:
            return "unknown";
    }
}

const char* itemKind(char listCode, char itemCode, const std::string& text) {
    if (listCode == wire::replyLibraryList) {
        switch (itemCode) {
            case wire::itemArtist:
                return "artist";
            case wire::itemAlbum:
                return "album";
            case wire::itemGenre:
                return "genre";
            case wire::itemTitle:
                return "title";
            case wire::itemLibraryPlaylist:
                return "library playlist";
        }
    } else if (listCode == wire::replyFileList) {
        switch (itemCode) {
            case wire::itemDrive:
                return "drive";
            case wire::itemCdRomDrive:
                return "CD-ROM drive";
            case wire::itemPlaylistFile:
                return "playlist file";
            case wire::itemFolderEntry:
                if (!text.empty() && text[0] == 'F') return "folder";
                if (!text.empty() && text[0] == 'T') return "file";
                return "entry";
        }
    } else if (listCode == wire::replyPlaylistEntry && itemCode == wire::itemPlaylistEntry) {
        return "playlist entry";
    }
    return nullptr;
}

std::string describeItem(const ListLine& list) {
    std::string shown = list.text;
    if (list.listCode == wire::replyFileList && list.itemCode == wire::itemFolderEntry && !shown.empty())
        shown.erase(0, 1);
    return std::string(itemKind(list.listCode, list.itemCode, list.text)) + ": " + shown;
}

// Items of the lists that skip repeated values stand for runs of records.
bool itemIsAName(const ListLine& list) {
    return list.listCode == wire::replyLibraryList &&
           (list.itemCode == wire::itemArtist || list.itemCode == wire::itemAlbum || list.itemCode == wire::itemGenre);
}

// The two library lists whose header is followed by the "All Tracks" line.
constexpr int albumsOfAnArtist = 34;
constexpr int albumsOfAGenre = 35;
constexpr const char* allTracks = "All Tracks";
// Inside a list: next page, previous page.
constexpr const char* nextPageCommand = "53";
constexpr const char* previousPageCommand = "54";
// Typed words that stand for the library search and the jump to a letter.
constexpr const char* searchWord = "find";
constexpr const char* searchCommand = "101";
constexpr const char* jumpWord = "jump";
constexpr const char* jumpCommand = "102";

}  // namespace

bool makeRaw(int fd) {
    termios settings{};
    if (tcgetattr(fd, &settings) != 0) return false;
    cfmakeraw(&settings);
    settings.c_cc[VMIN] = 1;
    settings.c_cc[VTIME] = 0;
    return tcsetattr(fd, TCSANOW, &settings) == 0;
}

int openSerialDevice(const char* path) {
    int fd = ::open(path, O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) return -1;
    if (!makeRaw(fd)) {
        ::close(fd);
        return -1;
    }
    return fd;
}

bool writeAll(int fd, const char* data, std::size_t size) {
    while (size > 0) {
        ssize_t written = ::write(fd, data, size);
        if (written < 0) {
            if (errno == EINTR) continue;
            if (errno == EAGAIN) {
                pollfd wait{fd, POLLOUT, 0};
                ::poll(&wait, 1, 100);
                continue;
            }
            return false;
        }
        data += written;
        size -= static_cast<std::size_t>(written);
    }
    return true;
}

bool sendLine(int fd, const std::string& text) {
    std::string line = text + '\n';
    return writeAll(fd, line.data(), line.size());
}

ReadResult readLine(LineReader& reader, std::string& line, int timeoutMs) {
    Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
    for (;;) {
        std::size_t end = reader.pending.find('\n');
        if (end != std::string::npos) {
            line = reader.pending.substr(0, end);
            reader.pending.erase(0, end + 1);
            return ReadResult::line;
        }
        pollfd wait{reader.fd, POLLIN, 0};
        int ready = ::poll(&wait, 1, millisecondsLeft(deadline));
        if (ready < 0 && errno == EINTR) continue;
        if (ready <= 0) return ready == 0 ? ReadResult::timeout : ReadResult::closed;
        char bytes[512];
        ssize_t count = ::read(reader.fd, bytes, sizeof bytes);
        if (count < 0 && (errno == EINTR || errno == EAGAIN)) continue;
        // A pseudo-terminal whose other end is closed reports EIO.
        if (count <= 0) return ReadResult::closed;
        reader.pending.append(bytes, static_cast<std::size_t>(count));
        if (millisecondsLeft(deadline) == 0 && reader.pending.find('\n') == std::string::npos)
            return ReadResult::timeout;
    }
}

std::vector<std::string> readLinesUntilQuiet(LineReader& reader, int quietMs, int limitMs) {
    std::vector<std::string> lines;
    Clock::time_point limit = Clock::now() + std::chrono::milliseconds(limitMs);
    std::string line;
    for (;;) {
        int wait = std::min(quietMs, millisecondsLeft(limit));
        if (wait <= 0 || readLine(reader, line, wait) != ReadResult::line) break;
        lines.push_back(line);
    }
    return lines;
}

bool decodeNowPlaying(const std::string& line, NowPlaying& out) {
    if (line.empty() || line[0] != wire::replyNowPlaying) return false;
    std::vector<std::string> fields;
    if (!splitColonFields(line.substr(1), fields) || fields.size() != 8) return false;
    NowPlaying decoded;
    decoded.title = fields[1];
    if (!parseNumber(fields[0], decoded.playState) || !parseNumber(fields[2], decoded.sampleRate) ||
        !parseNumber(fields[3], decoded.channels) || !parseNumber(fields[4], decoded.lengthMs) ||
        !parseNumber(fields[5], decoded.positionMs) || !parseNumber(fields[6], decoded.shuffle) ||
        !parseNumber(fields[7], decoded.repeat))
        return false;
    out = decoded;
    return true;
}

bool decodeVolume(const std::string& line, int& volume) {
    if (line.empty() || line[0] != wire::replyVolume) return false;
    return parseNumber(line.substr(1), volume);
}

bool decodeEqualizer(const std::string& line, int values[10]) {
    if (line.empty() || line[0] != wire::replyEqualizer) return false;
    std::vector<std::string> fields;
    if (!splitColonFields(line.substr(1), fields) || fields.size() != 10) return false;
    int decoded[10];
    for (int band = 0; band < 10; ++band)
        if (!parseNumber(fields[band], decoded[band])) return false;
    std::memcpy(values, decoded, sizeof decoded);
    return true;
}

ListLine decodeListLine(const std::string& line) {
    ListLine result;
    if (line == std::string(1, wire::replyPlaylistBegins)) {
        result.kind = ListLine::begins;
        result.listCode = wire::replyPlaylistEntry;
        return result;
    }
    if (line.size() < 2 ||
        (line[0] != wire::replyFileList && line[0] != wire::replyPlaylistEntry && line[0] != wire::replyLibraryList))
        return result;
    result.listCode = line[0];
    char second = line[1];
    std::string rest = line.substr(2);
    if (second == wire::listBegins && rest.empty()) {
        result.kind = ListLine::begins;
    } else if (second == wire::pageNext && rest.rfind("Next ", 0) == 0 && parseNumber(rest.substr(5), result.number)) {
        result.kind = ListLine::next;
    } else if (second == wire::pagePosition && parseNumber(rest, result.number)) {
        result.kind = ListLine::position;
    } else if (second == wire::pagePrevious && rest == "Previous 50") {
        result.kind = ListLine::previous;
    } else if (itemKind(result.listCode, second, rest) != nullptr) {
        result.kind = ListLine::item;
        result.itemCode = second;
        result.text = rest;
    }
    return result;
}

std::string describeReply(const std::string& line) {
    if (line.empty()) return "(empty line)";
    char text[2048];
    NowPlaying playing;
    int volume = 0;
    int bands[10];
    if (decodeNowPlaying(line, playing)) {
        std::snprintf(text, sizeof text, "now playing: %s \"%s\" %s/%s, %d kHz, %d channels, shuffle %s, repeat %s",
                      playStateName(playing.playState), playing.title.c_str(),
                      minutesAndSeconds(playing.positionMs).c_str(), minutesAndSeconds(playing.lengthMs).c_str(),
                      playing.sampleRate, playing.channels, playing.shuffle ? "on" : "off",
                      playing.repeat ? "on" : "off");
        return text;
    }
    if (decodeVolume(line, volume)) {
        std::snprintf(text, sizeof text, "volume: %d", volume);
        return text;
    }
    if (decodeEqualizer(line, bands)) {
        std::string result = "equalizer:";
        for (int value : bands) result += " " + std::to_string(value);
        return result;
    }
    ListLine list = decodeListLine(line);
    switch (list.kind) {
        case ListLine::begins:
            return line.size() == 1 ? "current playlist begins" : std::string(wire::replyMeaning(line[0])) + " begins";
        case ListLine::next:
            return "more: " + std::to_string(list.number) + " records follow (n or 53: next page)";
        case ListLine::position:
            return "page from record " + std::to_string(list.number);
        case ListLine::previous:
            return "p or 54: previous page";
        case ListLine::item:
            return describeItem(list);
        case ListLine::notList:
            break;
    }
    // Lines that are the code alone, and codes followed by a plain text.
    const char* meaning = wire::replyMeaning(line[0]);
    if (meaning == nullptr) return "unknown: " + line;
    if (line[0] == wire::replyEndOfConversation) return line.size() == 1 ? meaning : "unknown: " + line;
    return std::string(meaning) + ": " + line.substr(1);
}

void ListFollower::sent(const std::string& commandLine) { lastCommand_ = std::atoi(commandLine.c_str()); }

std::string ListFollower::describe(const std::string& reply) {
    ListLine list = decodeListLine(reply);
    const bool allTracksMayFollow = allTracksMayFollow_;
    if (list.kind != ListLine::notList) allTracksMayFollow_ = false;
    switch (list.kind) {
        case ListLine::begins:
            nextIndex_ = 0;
            allTracksMayFollow_ = list.listCode == wire::replyLibraryList &&
                                  (lastCommand_ == albumsOfAnArtist || lastCommand_ == albumsOfAGenre);
            break;
        case ListLine::position:
            nextIndex_ = list.number;
            break;
        case ListLine::item: {
            if (allTracksMayFollow && list.itemCode == wire::itemTitle && list.text == allTracks)
                return "all tracks (not a record)";
            if (itemIsAName(list)) break;
            return "[" + std::to_string(nextIndex_++) + "] " + describeItem(list);
        }
        default:
            break;
    }
    return describeReply(reply);
}

std::string commandForTyped(const std::string& typed) {
    std::size_t first = typed.find_first_not_of(' ');
    std::size_t last = typed.find_last_not_of(' ');
    if (first != std::string::npos && first == last) {
        if (typed[first] == nextPageKey) return nextPageCommand;
        if (typed[first] == previousPageKey) return previousPageCommand;
    }
    // "find WORDS" and "jump PREFIX": the rest goes as it was typed.
    for (const auto& [word, command] : {std::pair{searchWord, searchCommand}, std::pair{jumpWord, jumpCommand}}) {
        const std::size_t length = std::strlen(word);
        if (typed.compare(0, length, word) == 0 && (typed.size() == length || typed[length] == ' '))
            return command + typed.substr(length);
    }
    return typed;
}

}  // namespace phone
