// Playlist files in the user's My Music folder: list them, play one, and save
// the host's current playlist there under a name the phone chooses.

#include <cstring>

#include "core/context.h"
#include "core/host_requests.h"
#include "core/wire.h"
#include "files/paths.h"
#include "files/text_list.h"
#include "link/reply.h"
#include "platform/platform.h"
#include "protocol/file_commands.h"
#include "protocol/paged_list.h"
#include "protocol/playback.h"

namespace {

char upperAscii(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c; }

bool startsIgnoringCase(const char* text, std::size_t length, const char* word) {
    const std::size_t wordLength = std::strlen(word);
    if (length < wordLength) return false;
    for (std::size_t i = 0; i < wordLength; ++i)
        if (upperAscii(text[i]) != word[i]) return false;
    return true;
}

// A digit of a numbered device: 0 to 9 (0 names none, but the system reserves
// it), or the code page's superscript one, two and three, which the system
// takes as the same devices as 1, 2 and 3.
bool isDeviceDigit(char c) {
    const auto byte = static_cast<unsigned char>(c);
    return (byte >= '0' && byte <= '9') || byte == 0xB9 || byte == 0xB2 || byte == 0xB3;
}

// The system reads a name as a device when what stands before its first '.',
// less trailing blanks, is a device name, whatever extension follows.
bool namesDevice(const char* fileName) {
    std::size_t length = std::strcspn(fileName, ".");
    while (length > 0 && fileName[length - 1] == ' ') --length;
    for (const char* device : {"CON", "PRN", "AUX", "NUL"})
        if (length == 3 && startsIgnoringCase(fileName, length, device)) return true;
    for (const char* device : {"COM", "LPT"})
        if (length == 4 && startsIgnoringCase(fileName, length, device) && isDeviceDigit(fileName[3])) return true;
    for (const char* device : {"CONIN$", "CONOUT$"})
        if (length == std::strlen(device) && startsIgnoringCase(fileName, length, device)) return true;
    return false;
}

// Whether "<name>.m3u" names a file of the folder itself and nothing else: no
// character a file name may not hold, not "." or "..", and no device name
// (a copy to "nul.m3u" or "com1.m3u" would go to the device).
bool isSavablePlaylistName(const char* name) {
    for (const char* p = name; *p != '\0'; ++p) {
        if (static_cast<unsigned char>(*p) < 0x20 || std::strchr("\\/:*?\"<>|", *p) != nullptr) return false;
    }
    if (std::strcmp(name, ".") == 0 || std::strcmp(name, "..") == 0) return false;
    return !namesDevice(name);
}

void sendSaveReply(Reply& reply, char code, const char* name) {
    if (code == wire::replyPlaylistSaved) {
        reply.format(code, "%s Saved in My Music", name);
    } else {
        reply.format(code, "%s Already Exists in My Music.Please select BACK and enter another name", name);
    }
}

// The ".m3u" files of the folder in file-system order; a folder whose name
// ends in ".m3u" is no playlist to play.
void collectPlaylistFiles(const PluginContext& context, TextList& names) {
    char pattern[pathSize];
    if (!joinPath(pattern, {context.settings.myMusicFolder, "\\*.m3u"})) return;
    platform::FindEntry found{};
    platform::FindHandle search = platform::findFirstFile(pattern, &found);
    if (search == nullptr) return;
    do {
        if ((found.attributes & platform::attributeDirectory) != 0) continue;
        found.name[sizeof found.name - 1] = '\0';
        names.append(found.name, std::strlen(found.name));
    } while (context.flags.stop == 0 && platform::findNextFile(search, &found));
    platform::findClose(search);
}

const char* playlistFileText(const TextList& names, std::int32_t index) { return names.text(index); }

}  // namespace

namespace commands {

// The header and one line per playlist file, or nothing at all when there is
// none. No paging, no wait.
void listPlaylistFiles(const Request& request, Reply& reply) {
    TextList names;
    collectPlaylistFiles(request.context, names);
    runList(List<TextList>{.shape = {.listCode = wire::replyFileList,
                                     .recordCount = names.count(),
                                     .itemCode = wire::itemPlaylistFile,
                                     .kind = ListKind::whole,
                                     .withoutRecords = WithoutRecords::silent},
                           .source = names,
                           .itemText = playlistFileText},
            request.context, reply);
}

// Has the host play the playlist file of the folder. Nothing is sent back.
void playPlaylistFile(const Request& request, Reply&) {
    char path[pathSize];
    if (!joinPath(path, {request.context.settings.myMusicFolder, "\\", request.text})) return;
    playFileNow(request.context, path);
}

// Has the host write its playlist and copies it to "<name>.m3u" in the folder,
// never over an existing file. Answers 'G' when saved, else 'H': also for a
// name that is no file of the folder itself, and when the folder is not known,
// since nothing is written anywhere else.
void savePlaylist(const Request& request, Reply& reply) {
    const char* name = request.text;
    const Settings& settings = request.context.settings;
    char hostPlaylist[pathSize];
    char copy[pathSize];
    const bool pathsFit = joinPath(hostPlaylist, {settings.hostDirectory, "\\", "winamp.m3u"}) &&
                          joinPath(copy, {settings.myMusicFolder, "\\", name, ".m3u"});
    // Without a known My Music folder the copy would land in the drive's root.
    if (settings.myMusicFolder[0] == '\0' || !pathsFit || !isSavablePlaylistName(name)) {
        sendSaveReply(reply, wire::replyPlaylistExists, name);
        return;
    }
    hostRequest(request.context.host, host::requestWritePlaylist, 0);
    const bool saved = platform::copyFileNoOverwrite(hostPlaylist, copy);
    sendSaveReply(reply, saved ? wire::replyPlaylistSaved : wire::replyPlaylistExists, name);
}

}  // namespace commands
