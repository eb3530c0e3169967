// Commands that drive the player directly, and the playlist operations that
// the lists share with them.
#pragma once

#include <cstdint>

#include "protocol/command_table.h"

struct HostHandles;

// Empties the host's playlist.
void clearPlaylist(const HostHandles& handles);
// Adds a file (or the entries of a playlist file) to the end of the playlist.
void addFileToPlaylist(PluginContext& context, const char* name);
// Replaces the playlist with `name` and starts playing.
void playFileNow(PluginContext& context, const char* name);
// Plays `name` now, or adds it to the end of the playlist.
void playOrEnqueue(PluginContext& context, const char* name, PickMode mode);

namespace commands {

void pickFile(const Request& request, Reply& reply);
void playEntry(const Request& request, Reply& reply);
void setVolume(const Request& request, Reply& reply);
void previousTrack(const Request& request, Reply& reply);
void nextTrack(const Request& request, Reply& reply);
void pressPlay(const Request& request, Reply& reply);
void pressPause(const Request& request, Reply& reply);
void backFiveSeconds(const Request& request, Reply& reply);
void forwardFiveSeconds(const Request& request, Reply& reply);
void clearPlaylist(const Request& request, Reply& reply);
void volumeUp(const Request& request, Reply& reply);
void volumeDown(const Request& request, Reply& reply);
void seek(const Request& request, Reply& reply);
void passNumber(const Request& request, Reply& reply);
void toggleShuffle(const Request& request, Reply& reply);
void toggleRepeat(const Request& request, Reply& reply);

}  // namespace commands
