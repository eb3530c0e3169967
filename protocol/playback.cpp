#include "protocol/playback.h"

#include <cstdint>

#include "core/host_requests.h"
#include "protocol/status.h"

namespace {

// Reads a setting and writes back its opposite; only an exact 1 counts as on.
void toggleSetting(const HostHandles& handles, platform::LParam readRequest, platform::LParam setRequest) {
    const bool on = hostNumber(hostRequest(handles, readRequest, 0)) == 1;
    hostRequest(handles, setRequest, on ? 0 : 1);
}

}  // namespace

void clearPlaylist(const HostHandles& handles) { hostRequest(handles, host::requestClearPlaylist, 0); }

void addFileToPlaylist(PluginContext& context, const char* name) {
    // The host reads the record during the synchronous send only; the worker is
    // the one thread that adds files, so one record serves every caller.
    host::AddFileRecord& addFileRecord = context.browse.addFileRecord;
    addFileRecord.fileName = name;
    hostRequest(context.host, host::requestAddFile, reinterpret_cast<platform::WParam>(&addFileRecord));
}

void playFileNow(PluginContext& context, const char* name) {
    clearPlaylist(context.host);
    addFileToPlaylist(context, name);
    hostRequest(context.host, host::requestStartPlayback, 0);
}

void playOrEnqueue(PluginContext& context, const char* name, PickMode mode) {
    if (mode == PickMode::play) {
        playFileNow(context, name);
    } else {
        addFileToPlaylist(context, name);
    }
}

namespace commands {

void pickFile(const Request& request, Reply&) { playOrEnqueue(request.context, request.text, request.mode); }

void playEntry(const Request& request, Reply&) {
    hostRequestNumber(request.context.host, host::requestSetPlaylistPosition, request.number);
    pressHostButton(request.context.host, host::commandPlay);
}

void setVolume(const Request& request, Reply& reply) {
    hostRequestNumber(request.context.host, host::requestSetVolume, request.number);
    // Stored even when the hook ignored it (0 or below), so the reply tells the
    // phone what it asked for; the reply also absorbs the hook's own mark.
    request.context.flags.volume = request.number;
    sendVolumeLine(request.context.flags, reply);
}

void previousTrack(const Request& request, Reply&) { pressHostButton(request.context.host, host::commandPrevious); }
void nextTrack(const Request& request, Reply&) { pressHostButton(request.context.host, host::commandNext); }
void pressPlay(const Request& request, Reply&) { pressHostButton(request.context.host, host::commandPlay); }
void pressPause(const Request& request, Reply&) { pressHostButton(request.context.host, host::commandPause); }
void backFiveSeconds(const Request& request, Reply&) { pressHostButton(request.context.host, host::commandBack5s); }
void forwardFiveSeconds(const Request& request, Reply&) {
    pressHostButton(request.context.host, host::commandForward5s);
}
void clearPlaylist(const Request& request, Reply&) { ::clearPlaylist(request.context.host); }
void volumeUp(const Request& request, Reply&) { pressHostButton(request.context.host, host::commandVolumeUp); }
void volumeDown(const Request& request, Reply&) { pressHostButton(request.context.host, host::commandVolumeDown); }
void seek(const Request& request, Reply&) {
    hostRequestNumber(request.context.host, host::requestSeek, request.number);
}

void passNumber(const Request& request, Reply&) {
    // The host is given the address of the number, valid while the send lasts.
    std::int32_t number = request.number;
    hostRequest(request.context.host, host::requestPassNumber, reinterpret_cast<platform::WParam>(&number));
}

void toggleShuffle(const Request& request, Reply&) {
    toggleSetting(request.context.host, host::requestShuffle, host::requestSetShuffle);
}
void toggleRepeat(const Request& request, Reply&) {
    toggleSetting(request.context.host, host::requestRepeat, host::requestSetRepeat);
}

}  // namespace commands
