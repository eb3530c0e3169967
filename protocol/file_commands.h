// The file and playlist commands of the command table. The files layer, above
// this one, defines them; the table only names them.
#pragma once

#include "protocol/command_table.h"

namespace commands {

void listFolder(const Request& request, Reply& reply);
void listPlaylistFiles(const Request& request, Reply& reply);
void playPlaylistFile(const Request& request, Reply& reply);
void listCurrentPlaylist(const Request& request, Reply& reply);
void listDrives(const Request& request, Reply& reply);
void savePlaylist(const Request& request, Reply& reply);
void listLibraryPlaylists(const Request& request, Reply& reply);

}  // namespace commands
