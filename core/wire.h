// What travels on the serial line: the reply codes, the list codes and the
// limits every reply and every command line keeps to. The plug-in and the
// phone console read the same index.
#pragma once

#include <cstddef>

namespace wire {

// A reply line carries at most this much text before its LF.
constexpr std::size_t replyTextLimit = 1022;
// A command line may hold at most this many bytes before its LF.
constexpr std::size_t commandLineLimit = 1023;
// Items on one page of a list.
constexpr int pageSize = 50;

// ---- the first character of every reply line ---------------------------------

constexpr char replyFileList = 'B';       // drives, folder entries, playlist files
constexpr char replyCodePage = 'C';       // the PC's code page, in decimal (104)
constexpr char replyPlaylistEntry = 'F';  // current playlist
constexpr char replyPlaylistSaved = 'G';
constexpr char replyPlaylistExists = 'H';
constexpr char replyEqualizer = 'I';
constexpr char replyNowPlaying = 'J';
constexpr char replyVersion = 'K';
constexpr char replyPlaylistBegins = 'N';  // the line is the code alone
constexpr char replyLibraryList = 'P';     // media library lists
constexpr char replyVolume = 'Q';
constexpr char replyEndOfConversation = 'X';  // the line is the code alone
constexpr char replySleepTimer = 'b';

// ---- the second character of a list line ---------------------------------------

constexpr char listBegins = 'A';
constexpr char itemDrive = 'D';  // fixed or removable drive
constexpr char itemCdRomDrive = 'M';
constexpr char itemFolderEntry = 'B';
constexpr char itemPlaylistFile = 'L';
constexpr char itemPlaylistEntry = 'F';
constexpr char itemArtist = 'V';
constexpr char itemAlbum = 'W';
constexpr char itemGenre = 'Y';
constexpr char itemTitle = 'Z';  // also the "All Tracks" entry
constexpr char itemLibraryPlaylist = 'a';
constexpr char pageNext = 'S';  // "Next " and the count that remains
constexpr char pagePosition = 'T';
constexpr char pagePrevious = 'U';  // "Previous 50"

// The texts of the paging lines after their codes; the Next line adds the count.
constexpr const char* pageNextText = "Next ";
constexpr const char* pagePreviousText = "Previous 50";

struct ReplyCode {
    char code;
    const char* meaning;
};

// The index of first codes, for whoever reads replies.
constexpr ReplyCode replyCodes[] = {
    {replyFileList, "file-system list"},
    {replyCodePage, "code page"},
    {replyPlaylistEntry, "current playlist"},
    {replyPlaylistSaved, "playlist saved"},
    {replyPlaylistExists, "playlist name already exists"},
    {replyEqualizer, "equalizer"},
    {replyNowPlaying, "now playing"},
    {replyVersion, "version"},
    {replyPlaylistBegins, "current playlist begins"},
    {replyLibraryList, "media library list"},
    {replyVolume, "volume"},
    {replyEndOfConversation, "end of conversation"},
    {replySleepTimer, "sleep timer"},
};

// The meaning of a first code; nullptr for a code that is not in the index.
constexpr const char* replyMeaning(char code) {
    for (const ReplyCode& entry : replyCodes)
        if (entry.code == code) return entry.meaning;
    return nullptr;
}

}  // namespace wire
