// The file and playlist commands of the command table. The files layer, above
// this one, defines them; the table only names them.
#pragma once

namespace commands {

int listFolder(const char* argument);            // 1
int listPlaylistFiles(const char* argument);     // 4
int playPlaylistFile(const char* argument);      // 5
int listCurrentPlaylist(const char* argument);   // 7
int listDrives(const char* argument);            // 20
int savePlaylist(const char* argument);          // 23
int listLibraryPlaylists(const char* argument);  // 55

}  // namespace commands
