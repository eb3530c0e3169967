// The now-playing, volume and version lines.
#pragma once

// The now-playing line ("J..."), or nothing while the host has no title.
void sendNowPlayingLine();
// "Q" and the known volume; clears volumeChanged.
void sendVolumeLine();

namespace commands {

int statusPushOn(const char* argument);   // 18
int statusPushOff(const char* argument);  // 21
int reportVersion(const char* argument);  // 27

}  // namespace commands
