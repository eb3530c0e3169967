#include "hostsim/reference_host.h"

#include <algorithm>
#include <climits>
#include <cstdio>
#include <cstring>

#if defined(__has_feature)
#if __has_feature(address_sanitizer)
#define QUILLON_ADDRESS_SANITIZER 1
#endif
#endif
#if !defined(QUILLON_ADDRESS_SANITIZER) && defined(__SANITIZE_ADDRESS__)
#define QUILLON_ADDRESS_SANITIZER 1
#endif
#if QUILLON_ADDRESS_SANITIZER
#include <sanitizer/asan_interface.h>
#endif

#include "hostsim/library_query.h"
#include "hostsim/playlist_file.h"

namespace hostsim {

namespace {

// The host is a 32-bit program: numbers it receives are 32-bit signed values.
std::int32_t number(platform::WParam wParam) { return static_cast<std::int32_t>(wParam); }
std::int32_t number(platform::LParam lParam) { return static_cast<std::int32_t>(lParam); }

std::string userLine(platform::LParam code, platform::WParam wParam) {
    return "user " + std::to_string(number(code)) + " " + std::to_string(number(wParam));
}

template <typename T>
T* recordAt(platform::WParam wParam) {
    return reinterpret_cast<T*>(static_cast<std::uintptr_t>(wParam));
}

platform::LResult addressOf(const void* pointer) {
    return static_cast<platform::LResult>(reinterpret_cast<std::uintptr_t>(pointer));
}

int clampTo(int value, int low, int high) { return std::max(low, std::min(value, high)); }

// Room for one text handed out with query results: the text and its zero,
// rounded up to 8 bytes, and 8 more that nothing may read.
std::size_t heldTextSpace(std::size_t length) { return (length + 1 + 7) / 8 * 8 + 8; }

// Marks [begin, end) as unreadable where AddressSanitizer watches.
void poisonGap(const char* begin, const char* end) {
#if QUILLON_ADDRESS_SANITIZER
    __asan_poison_memory_region(begin, static_cast<std::size_t>(end - begin));
#else
    (void)begin;
    (void)end;
#endif
}

// The largest playlist file the model loads.
constexpr std::size_t largestPlaylistFile = 4 * 1024 * 1024;

}  // namespace

ReferenceHost::ReferenceHost() = default;

void ReferenceHost::attach(platform::WindowHandle main, platform::WindowHandle library) {
    mainWindow = main;
    libraryWindow = library;
}

// ---- the main window --------------------------------------------------------

platform::LResult ReferenceHost::mainWindowMessage(unsigned int message, platform::WParam wParam,
                                                   platform::LParam lParam) {
    if (message == platform::messageUser) {
        for (std::size_t i = ownMessages_.size(); i-- > 0;) {
            if (ownMessages_[i].code == lParam && ownMessages_[i].wParam == wParam) {
                // Our own notification came back through the window: the model
                // already did what it announces.
                ownMessages_.erase(ownMessages_.begin() + static_cast<std::ptrdiff_t>(i));
                return 0;
            }
        }
        return userRequest(wParam, lParam);
    }
    if (message == platform::messageCommand) return command(wParam);
    return 0;
}

platform::LResult ReferenceHost::userRequest(platform::WParam wParam, platform::LParam code) {
    const std::int32_t value = number(wParam);
    const int size = static_cast<int>(playlist.size());
    if (const auto forced = forcedAnswers.find(number(code)); forced != forcedAnswers.end()) {
        requestLog.push_back(userLine(code, wParam));
        return forced->second;
    }
    if (titleInSharedBuffer && code != host::requestEntryTitle)
        std::snprintf(sharedTitle_, sizeof sharedTitle_, "%s", "(overwritten)");

    switch (number(code)) {
        case host::requestAddFile: {
            const auto* record = recordAt<const host::AddFileRecord>(wParam);
            if (record == nullptr) {
                requestLog.push_back(userLine(code, wParam));
                return 0;
            }
            const char* name = record->fileName != nullptr ? record->fileName : "";
            requestLog.push_back(std::string("user 100 file=") + name);
            if (*name != '\0') {
                addFile(name, nullptr);
                announceChange();
            }
            return 0;
        }
        case host::requestPassNumber: {
            const auto* integer = recordAt<const std::int32_t>(wParam);
            if (integer == nullptr) {
                requestLog.push_back(userLine(code, wParam));
                return 0;
            }
            std::memcpy(&lastPassedNumber, integer, sizeof lastPassedNumber);
            requestLog.push_back("user 1002 value=" + std::to_string(lastPassedNumber));
            return 0;
        }
        default:
            break;
    }

    requestLog.push_back(userLine(code, wParam));
    switch (number(code)) {
        case host::requestVersion:
            if (delayVersionMs > 0) platform::sleepMs(static_cast<std::uint32_t>(delayVersionMs));
            return version;
        case host::requestClearPlaylist:
            clearPlaylist();
            announceChange();
            return 0;
        case host::requestStartPlayback:
            if (size > 0) {
                playCurrent();
                announceFileStart();
            }
            return 0;
        case host::requestPlayState:
            return playState;
        case host::requestTrackTime:
            if (size == 0) return -1;
            if (value == 0) return positionMs;
            if (value == 1) return lengthSeconds;
            return 0;
        case host::requestSeek:
            positionMs = std::max(0, value);
            if (lengthSeconds > 0)
                positionMs =
                    static_cast<int>(std::min<long long>(positionMs, static_cast<long long>(lengthSeconds) * 1000));
            return 0;
        case host::requestWritePlaylist:
            writePlaylistFile();
            return 0;
        case host::requestSetPlaylistPosition:
            if (value >= 0 && value < size) {
                current = value;
                announceChange();
            }
            return 0;
        case host::requestSetVolume:
            volume = clampTo(value, 0, 255);
            return 0;
        case host::requestPlaylistLength:
            return size;
        case host::requestPlaylistPosition:
            return current;
        case host::requestStreamInfo:
            if (value == 0) return sampleRate;
            if (value == 2) return channels;
            return 0;
        case host::requestEqualizerBand:
            if (value < 0 || value > 9) {
                namedBand = -1;
                return 0;
            }
            namedBand = value;
            return bands[value];
        case host::requestSetEqualizerBand:
            if (namedBand >= 0 && namedBand <= 9) bands[namedBand] = clampTo(value, 0, 63);
            return 0;
        case host::requestEntryTitle:
            // The text lives in the playlist entry, so the address holds until
            // the playlist changes.
            if (value < 0 || value >= size) return 0;
            if (titleInSharedBuffer) {
                std::snprintf(sharedTitle_, sizeof sharedTitle_, "%s",
                              playlist[static_cast<std::size_t>(value)].title.c_str());
                return addressOf(sharedTitle_);
            }
            return addressOf(playlist[static_cast<std::size_t>(value)].title.c_str());
        case host::requestShuffle:
            return shuffle;
        case host::requestRepeat:
            return repeat;
        case host::requestSetShuffle:
            shuffle = value != 0 ? 1 : 0;
            return 0;
        case host::requestSetRepeat:
            repeat = value != 0 ? 1 : 0;
            return 0;
        case host::requestIniPath:
            return answerIniPath ? addressOf(iniPath.c_str()) : 1;
        default:
            return 0;
    }
}

platform::LResult ReferenceHost::command(platform::WParam wParam) {
    requestLog.push_back("command " + std::to_string(number(wParam)));
    const bool havePlaylist = !playlist.empty();
    switch (wParam & 0xFFFF) {
        case host::commandPrevious:
            stepTrack(-1);
            break;
        case host::commandNext:
            stepTrack(1);
            break;
        case host::commandPlay:
            // Like the host's play button: a paused track starts over too.
            if (havePlaylist) {
                playCurrent();
                announceFileStart();
            }
            break;
        case host::commandPause:
            if (playState == 1 || playState == 3) {
                playState = playState == 1 ? 3 : 1;
                announceChange();
            }
            break;
        case host::commandStop:
            if (playState != 0) {
                playState = 0;
                positionMs = 0;
                announceChange();
            }
            break;
        case host::commandVolumeUp:
            volume = clampTo(volume + volumeStep, 0, 255);
            break;
        case host::commandVolumeDown:
            volume = clampTo(volume - volumeStep, 0, 255);
            break;
        case host::commandForward5s: {
            // A seek may have put the position anywhere: step in 64 bits.
            long long moved = static_cast<long long>(positionMs) + 5000;
            if (lengthSeconds > 0) moved = std::min(moved, static_cast<long long>(lengthSeconds) * 1000);
            positionMs = static_cast<int>(std::min<long long>(moved, INT_MAX));
            break;
        }
        case host::commandBack5s:
            positionMs = static_cast<int>(std::max(0LL, static_cast<long long>(positionMs) - 5000));
            break;
        default:
            break;
    }
    return 0;
}

// ---- the player model -------------------------------------------------------

void ReferenceHost::addFile(const std::string& name, const char* title) {
    if (isPlaylistFileName(name)) {
        loadPlaylistFile(name);
        return;
    }
    playlist.push_back({name, title != nullptr ? std::string(title) : titleFromPath(name)});
}

void ReferenceHost::loadPlaylistFile(const std::string& path) {
    // Most playlists fit the small buffer; only a larger one (or a missing
    // file) costs the large one.
    constexpr std::size_t usualPlaylistFile = 64 * 1024;
    std::unique_ptr<char[]> buffer(new char[usualPlaylistFile]);
    std::size_t capacity = usualPlaylistFile;
    std::size_t length = 0;
    if (!platform::readWholeFile(path.c_str(), buffer.get(), capacity, &length)) {
        buffer.reset(new char[largestPlaylistFile]);
        capacity = largestPlaylistFile;
        if (!platform::readWholeFile(path.c_str(), buffer.get(), capacity, &length)) return;
    }
    length = std::min(length, capacity);
    // Entries of a playlist file are added as they are: a playlist that names
    // itself (or another playlist) must not be loaded again and again.
    for (PlaylistEntry& entry : parsePlaylistText(std::string_view(buffer.get(), length))) {
        playlist.push_back(std::move(entry));
    }
}

void ReferenceHost::clearPlaylist() {
    playlist.clear();
    current = 0;
    playState = 0;
    positionMs = 0;
}

void ReferenceHost::writePlaylistFile() {
    std::string text = formatPlaylistText(playlist);
    std::string path = folder + "\\winamp.m3u";
    platform::writeWholeFile(path.c_str(), text.data(), text.size());
}

void ReferenceHost::playCurrent() {
    if (current < 0 || current >= static_cast<int>(playlist.size())) current = 0;
    playState = 1;
    positionMs = 0;
}

void ReferenceHost::stepTrack(int delta) {
    const int size = static_cast<int>(playlist.size());
    if (size == 0) return;
    int next = current + delta;
    if (next < 0 || next >= size) {
        if (repeat == 0) return;
        next = (next + size) % size;
    }
    current = next;
    positionMs = 0;
    if (playState == 1) {
        announceFileStart();
    } else {
        announceChange();
    }
}

// ---- notifications to the host's own main window ------------------------------

void ReferenceHost::sendOwn(platform::LParam code, platform::WParam wParam) {
    notificationLog.push_back(userLine(code, wParam));
    if (mainWindow == nullptr) return;
    const std::size_t mark = ownMessages_.size();
    ownMessages_.push_back({code, wParam});
    platform::sendMessage(mainWindow, platform::messageUser, wParam, code);
    // A procedure in front of ours may have kept the message to itself.
    if (ownMessages_.size() > mark) ownMessages_.resize(mark);
}

void ReferenceHost::announceFileStart() {
    if (!notifyOnChange) return;
    sendOwn(host::notifyFileStarted, 1);
    sendOwn(notifyStateChange, 0);
}

void ReferenceHost::announceChange() {
    if (notifyOnChange) sendOwn(notifyStateChange, 0);
}

void ReferenceHost::setVolumeAtPlayer(int newVolume) {
    volume = clampTo(newVolume, 0, 255);
    sendOwn(host::requestSetVolume, static_cast<platform::WParam>(newVolume));
}

void ReferenceHost::startFile(int position) {
    current = position;
    playState = 1;
    positionMs = 0;
    sendOwn(host::notifyFileStarted, 1);
    sendOwn(notifyStateChange, 0);
}

void ReferenceHost::changeTrack(int position) {
    current = position;
    sendOwn(notifyStateChange, 0);
}

void ReferenceHost::notifyStateChanged(int wParam) {
    sendOwn(notifyStateChange, static_cast<platform::WParam>(wParam));
}

// ---- the media-library window -------------------------------------------------

platform::LResult ReferenceHost::libraryWindowMessage(unsigned int message, platform::WParam wParam,
                                                      platform::LParam lParam) {
    if (message != host::libraryMessage) return 0;
    switch (lParam) {
        case host::libraryRunQuery:
            return runQuery(wParam);
        case host::libraryReleaseResults:
            return releaseQuery(wParam);
        case host::libraryPlayRecords:
            return playRecords(wParam);
        case host::libraryPlaylistsMenu:
            return playlistsMenu(wParam);
        default:
            requestLog.push_back("library " + std::to_string(number(lParam)) + " " + std::to_string(number(wParam)));
            return 0;
    }
}

platform::LResult ReferenceHost::runQuery(platform::WParam wParam) {
    auto* query = recordAt<host::LibraryQuery>(wParam);
    const char* text = query != nullptr && query->queryText != nullptr ? query->queryText : "";
    requestLog.push_back(std::string("library run ") + text);
    if (query == nullptr) return 0;

    // A run without a release before it replaces what the query held.
    heldResults_.erase(query);
    query->results = {nullptr, 0, 0};

    std::vector<QueryCondition> conditions;
    if (!parseLibraryQuery(text, &conditions)) return 0;

    std::vector<const LibraryEntry*> found;
    std::size_t textBytes = 0;
    for (const LibraryEntry& entry : library) {
        if (query->maxResults > 0 && found.size() >= static_cast<std::size_t>(query->maxResults)) break;
        if (!entryMatches(entry, conditions)) continue;
        found.push_back(&entry);
        for (const std::string* value : {&entry.fileName, &entry.title, &entry.album, &entry.artist, &entry.genre})
            textBytes += heldTextSpace(value->size());
    }
    if (found.empty()) return 0;

    HeldResults held;
    held.records.reset(new host::LibraryRecord[found.size()]());
    held.texts.reset(new char[textBytes]);
    char* next = held.texts.get();
    auto copy = [&next](const std::string& value, bool absent) -> char* {
        char* text = next;
        std::memcpy(text, value.c_str(), value.size() + 1);
        next += heldTextSpace(value.size());
        poisonGap(text + value.size() + 1, next);
        return absent ? nullptr : text;
    };
    for (std::size_t i = 0; i < found.size(); ++i) {
        const LibraryEntry& entry = *found[i];
        host::LibraryRecord& record = held.records[i];
        record.fileName = copy(entry.fileName, entry.fileNameAbsent);
        record.title = copy(entry.title, entry.titleAbsent);
        record.album = copy(entry.album, entry.albumAbsent);
        record.artist = copy(entry.artist, entry.artistAbsent);
        record.genre = copy(entry.genre, entry.genreAbsent);
    }

    HeldResults& kept = heldResults_[query] = std::move(held);
    query->results.records = kept.records.get();
    query->results.count = static_cast<std::int32_t>(found.size());
    query->results.capacity = reportedCapacity >= 0 ? reportedCapacity : query->results.count;
    return 0;
}

platform::LResult ReferenceHost::releaseQuery(platform::WParam wParam) {
    requestLog.push_back("library release");
    auto* query = recordAt<host::LibraryQuery>(wParam);
    if (query == nullptr) return 0;
    heldResults_.erase(query);
    query->results = {nullptr, 0, 0};
    return 0;
}

platform::LResult ReferenceHost::playRecords(platform::WParam wParam) {
    const auto* request = recordAt<const host::LibraryPlayRequest>(wParam);
    std::string line = "library play enqueue=";
    line += request != nullptr ? std::to_string(request->enqueue) : "0";
    line += ' ';
    const host::LibraryRecord* records = nullptr;
    std::int32_t count = 0;
    if (request != nullptr && request->kind == 0 && request->list != nullptr && request->list->records != nullptr) {
        records = request->list->records;
        count = std::max<std::int32_t>(0, request->list->count);
    }
    for (std::int32_t i = 0; i < count; ++i) {
        if (i > 0) line += '|';
        if (records[i].fileName != nullptr) line += records[i].fileName;
    }
    requestLog.push_back(line);
    if (count == 0) return 0;

    const bool enqueue = request->enqueue != 0;
    if (!enqueue) clearPlaylist();
    for (std::int32_t i = 0; i < count; ++i) {
        if (records[i].fileName == nullptr || records[i].fileName[0] == '\0') continue;
        addFile(records[i].fileName, records[i].title);
    }
    if (!enqueue && !playlist.empty()) {
        playCurrent();
        announceFileStart();
    } else {
        announceChange();
    }
    return 0;
}

platform::LResult ReferenceHost::playlistsMenu(platform::WParam wParam) {
    requestLog.push_back("library menu");
    const auto* request = recordAt<const host::MenuRequest>(wParam);
    if (request != nullptr) std::memcpy(lastMenuRequest, request->values, sizeof lastMenuRequest);

    platform::MenuHandle playlistsSub = platform::createMenu();
    platform::appendMenuItem(playlistsSub, "New Playlist", nullptr);
    platform::appendMenuItem(playlistsSub, "Import Playlist", nullptr);
    for (const LibraryPlaylist& entry : libraryPlaylists) {
        platform::appendMenuItem(playlistsSub, entry.title.c_str(), nullptr);
    }
    platform::MenuHandle menu = platform::createMenu();
    platform::appendMenuItem(menu, "Local Media", nullptr);
    platform::appendMenuItem(menu, "Playlists", playlistsSub);
    platform::appendMenuItem(menu, "Devices", nullptr);
    return addressOf(menu);
}

// ---- the library's playlist catalog ---------------------------------------------

namespace {

// Attribute values as an XML writer escapes them.
std::string escaped(const std::string& text) {
    std::string out;
    for (char c : text) {
        switch (c) {
            case '&':
                out += "&amp;";
                break;
            case '<':
                out += "&lt;";
                break;
            case '>':
                out += "&gt;";
                break;
            case '"':
                out += "&quot;";
                break;
            default:
                out += c;
                break;
        }
    }
    return out;
}

}  // namespace

void ReferenceHost::writePlaylistCatalog(CatalogEncoding encoding) {
    const bool wide = encoding == CatalogEncoding::utf16;
    std::string text =
        std::string("<?xml version=\"1.0\" encoding=\"") + (wide ? "UTF-16" : "UTF-8") + "\"?>\n<playlists>\n";
    for (const LibraryPlaylist& entry : libraryPlaylists) {
        text += "<playlist filename=\"" + escaped(entry.fileName) + "\" title=\"" + escaped(entry.title) +
                "\" songs=\"" + std::to_string(entry.songs) + "\" seconds=\"" + std::to_string(entry.seconds) +
                "\"/>\n";
    }
    text += "</playlists>\n";
    if (wide) {
        std::string bytes = "\xFF\xFE";
        for (char c : text) {
            bytes += c;
            bytes += '\0';
        }
        text = std::move(bytes);
    }
    std::string path = folder + "\\Plugins\\ml\\playlists.xml";
    platform::writeWholeFile(path.c_str(), text.data(), text.size());
}

}  // namespace hostsim
