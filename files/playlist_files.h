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
// the folder, never over an existing file. Answers 'G' when saved, else 'H'.
void saveCurrentPlaylist(const char* name);

// Whether "<name>.m3u" names a file of the folder itself and nothing else: no
// character a file name may not hold, not "." or "..", and no device name
// (a copy to "nul.m3u" or "com1.m3u" would go to the device).
bool isSavablePlaylistName(const char* name);
