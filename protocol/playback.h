// Commands that drive the player directly, and the playlist operations that
// the lists share with them.
#pragma once

// Empties the host's playlist.
void clearPlaylist();
// Adds a file (or the entries of a playlist file) to the end of the playlist.
void addFileToPlaylist(const char* name);
// Replaces the playlist with `name` and starts playing.
void playFileNow(const char* name);
// Makes the entry at the decimal position `text` current and presses play.
void playPlaylistPosition(const char* text);

namespace commands {

int playFile(const char* argument);            // 2
int enqueueFile(const char* argument);         // 3
int playEntry(const char* argument);           // 8
int setVolume(const char* argument);           // 11
int previousTrack(const char* argument);       // 12
int nextTrack(const char* argument);           // 13
int play(const char* argument);                // 14
int pause(const char* argument);               // 15
int backFiveSeconds(const char* argument);     // 16
int forwardFiveSeconds(const char* argument);  // 17
int clearPlaylist(const char* argument);       // 22
int volumeUp(const char* argument);            // 24
int volumeDown(const char* argument);          // 25
int seek(const char* argument);                // 57
int passNumber(const char* argument);          // 60
int toggleShuffle(const char* argument);       // 61
int toggleRepeat(const char* argument);        // 62

}  // namespace commands
