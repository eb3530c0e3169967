#include "protocol/playback.h"

#include <cstdint>

#include "core/arguments.h"
#include "core/host_requests.h"
#include "protocol/status.h"

namespace {

// The host reads the record during the synchronous send only; the worker is
// the one thread that adds files, so one record serves every caller.
host::AddFileRecord addFileRecord{nullptr, nullptr, 0};

// Reads a setting and writes back its opposite; only an exact 1 counts as on.
void toggleSetting(platform::LParam readRequest, platform::LParam setRequest) {
    const bool on = hostNumber(hostRequest(readRequest, 0)) == 1;
    hostRequest(setRequest, on ? 0 : 1);
}

}  // namespace

void clearPlaylist() { hostRequest(host::requestClearPlaylist, 0); }

void addFileToPlaylist(const char* name) {
    addFileRecord.fileName = name;
    hostRequest(host::requestAddFile, reinterpret_cast<platform::WParam>(&addFileRecord));
}

void playFileNow(const char* name) {
    clearPlaylist();
    addFileToPlaylist(name);
    hostRequest(host::requestStartPlayback, 0);
}

void playPlaylistPosition(const char* text) {
    hostRequestNumber(host::requestSetPlaylistPosition, readDecimal(text));
    pressHostButton(host::commandPlay);
}

namespace commands {

int playFile(const char* argument) {
    playFileNow(argument);
    return 0;
}

int enqueueFile(const char* argument) {
    addFileToPlaylist(argument);
    return 0;
}

int playEntry(const char* argument) {
    playPlaylistPosition(argument);
    return 0;
}

int setVolume(const char* argument) {
    const std::int32_t volume = readDecimal(argument);
    hostRequestNumber(host::requestSetVolume, volume);
    // Stored even when the hook ignored it (0 or below), so the reply tells the
    // phone what it asked for; the reply also absorbs the hook's own mark.
    pluginContext->volume = volume;
    sendVolumeLine();
    return 0;
}

int previousTrack(const char*) {
    pressHostButton(host::commandPrevious);
    return 0;
}

int nextTrack(const char*) {
    pressHostButton(host::commandNext);
    return 0;
}

int play(const char*) {
    pressHostButton(host::commandPlay);
    return 0;
}

int pause(const char*) {
    pressHostButton(host::commandPause);
    return 0;
}

int backFiveSeconds(const char*) {
    pressHostButton(host::commandBack5s);
    return 0;
}

int forwardFiveSeconds(const char*) {
    pressHostButton(host::commandForward5s);
    return 0;
}

int clearPlaylist(const char*) {
    ::clearPlaylist();
    return 0;
}

int volumeUp(const char*) {
    pressHostButton(host::commandVolumeUp);
    return 0;
}

int volumeDown(const char*) {
    pressHostButton(host::commandVolumeDown);
    return 0;
}

int seek(const char* argument) {
    hostRequestNumber(host::requestSeek, readDecimal(argument));
    return 0;
}

int passNumber(const char* argument) {
    // The host is given the address of the number, valid while the send lasts.
    std::int32_t number = readDecimal(argument);
    hostRequest(host::requestPassNumber, reinterpret_cast<platform::WParam>(&number));
    return 0;
}

int toggleShuffle(const char*) {
    toggleSetting(host::requestShuffle, host::requestSetShuffle);
    return 0;
}

int toggleRepeat(const char*) {
    toggleSetting(host::requestRepeat, host::requestSetRepeat);
    return 0;
}

}  // namespace commands
