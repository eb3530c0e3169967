// Playlist files in the user's My Music folder: list them, play one, and save
// the host's current playlist there under a name the phone chooses.
#pragma once

// Command 4: the header and one line per ".m3u" file of the folder, or nothing
// at all when there is none. No paging, no wait.
void sendPlaylistFileList();

// Command 5: has the host play the playlist file `name` of the folder. Nothing
// is sent back.
void playMusicFolderPlaylist(const char* name);

// Command 23: has the host write its playlist and copies it to "<name>.m3u" in
// the folder, never over an existing file. Answers 'G' when saved, else 'H':
// also for a name that is no file of the folder itself, and when the folder is
// not known, since nothing is written anywhere else.
void saveCurrentPlaylist(const char* name);
