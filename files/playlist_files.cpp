#include "files/playlist_files.h"

#include <cstdio>
#include <cstring>

#include "core/context.h"
#include "core/host_requests.h"
#include "core/wire.h"
#include "files/folder_browser.h"
#include "files/paths.h"
#include "link/link.h"
#include "platform/platform.h"
#include "protocol/file_commands.h"
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

void sendSaveReply(char code, const char* name) {
    char line[wire::replyTextLimit + 1];
    if (code == wire::replyPlaylistSaved) {
        std::snprintf(line, sizeof line, "%c%s Saved in My Music", code, name);
    } else {
        std::snprintf(line, sizeof line, "%c%s Already Exists in My Music.Please select BACK and enter another name",
                      code, name);
    }
    sendReply(line);
}

}  // namespace

void sendPlaylistFileList() {
    char pattern[pathSize];
    if (!joinPath(pattern, {myMusicFolder, "\\*.m3u"})) return;
    platform::FindEntry found{};
    platform::FindHandle search = platform::findFirstFile(pattern, &found);
    if (search == nullptr) return;
    bool headerSent = false;
    do {
        // A folder whose name ends in ".m3u" is no playlist to play.
        if ((found.attributes & platform::attributeDirectory) != 0) continue;
        found.name[sizeof found.name - 1] = '\0';
        if (!headerSent) {
            sendReply(fileListHeader);
            headerSent = true;
        }
        sendListReply(wire::replyFileList, wire::itemPlaylistFile, found.name);
    } while (stopFlag == 0 && platform::findNextFile(search, &found));
    platform::findClose(search);
}

void playMusicFolderPlaylist(const char* name) {
    char path[pathSize];
    if (!joinPath(path, {myMusicFolder, "\\", name})) return;
    playFileNow(path);
}

void saveCurrentPlaylist(const char* name) {
    char hostPlaylist[pathSize];
    char copy[pathSize];
    const bool pathsFit = joinPath(hostPlaylist, {hostDirectory, "\\", "winamp.m3u"}) &&
                          joinPath(copy, {myMusicFolder, "\\", name, ".m3u"});
    // Without a known My Music folder the copy would land in the drive's root.
    if (myMusicFolder[0] == '\0' || !pathsFit || !isSavablePlaylistName(name)) {
        sendSaveReply(wire::replyPlaylistExists, name);
        return;
    }
    hostRequest(host::requestWritePlaylist, 0);
    const bool saved = platform::copyFileNoOverwrite(hostPlaylist, copy);
    sendSaveReply(saved ? wire::replyPlaylistSaved : wire::replyPlaylistExists, name);
}

namespace commands {

int listPlaylistFiles(const char*) {
    sendPlaylistFileList();
    return 0;
}

int playPlaylistFile(const char* argument) {
    playMusicFolderPlaylist(argument);
    return 0;
}

int savePlaylist(const char* argument) {
    saveCurrentPlaylist(argument);
    return 0;
}

}  // namespace commands
