#include "protocol/playback.h"

#include <cstdint>

#include "core/host_requests.h"
#include "protocol/status.h"

namespace {

// Reads a setting and writes back its opposite; only an exact 1 counts as on.
void toggleSetting(platform::LParam readRequest, platform::LParam setRequest) {
    const bool on = hostNumber(hostRequest(readRequest, 0)) == 1;
    hostRequest(setRequest, on ? 0 : 1);
}

}  // namespace

void clearPlaylist() { hostRequest(host::requestClearPlaylist, 0); }

void addFileToPlaylist(const char* name) {
    // The host reads the record during the synchronous send only; the worker is
    // the one thread that adds files, so one record serves every caller.
    host::AddFileRecord& addFileRecord = pluginContext->browse.addFileRecord;
    addFileRecord.fileName = name;
    hostRequest(host::requestAddFile, reinterpret_cast<platform::WParam>(&addFileRecord));
}

void playFileNow(const char* name) {
    clearPlaylist();
    addFileToPlaylist(name);
    hostRequest(host::requestStartPlayback, 0);
}

void playOrEnqueue(const char* name, PickMode mode) {
    if (mode == PickMode::play) {
        playFileNow(name);
    } else {
        addFileToPlaylist(name);
    }
}

namespace commands {

void pickFile(const Request& request, Reply&) { playOrEnqueue(request.text, request.mode); }

void playEntry(const Request& request, Reply&) {
    hostRequestNumber(host::requestSetPlaylistPosition, request.number);
    pressHostButton(host::commandPlay);
}

void setVolume(const Request& request, Reply& reply) {
    hostRequestNumber(host::requestSetVolume, request.number);
    // Stored even when the hook ignored it (0 or below), so the reply tells the
    // phone what it asked for; the reply also absorbs the hook's own mark.
    pluginContext->flags.volume = request.number;
    sendVolumeLine(reply);
}

void previousTrack(const Request&, Reply&) { pressHostButton(host::commandPrevious); }
void nextTrack(const Request&, Reply&) { pressHostButton(host::commandNext); }
void pressPlay(const Request&, Reply&) { pressHostButton(host::commandPlay); }
void pressPause(const Request&, Reply&) { pressHostButton(host::commandPause); }
void backFiveSeconds(const Request&, Reply&) { pressHostButton(host::commandBack5s); }
void forwardFiveSeconds(const Request&, Reply&) { pressHostButton(host::commandForward5s); }
void clearPlaylist(const Request&, Reply&) { ::clearPlaylist(); }
void volumeUp(const Request&, Reply&) { pressHostButton(host::commandVolumeUp); }
void volumeDown(const Request&, Reply&) { pressHostButton(host::commandVolumeDown); }
void seek(const Request& request, Reply&) { hostRequestNumber(host::requestSeek, request.number); }

void passNumber(const Request& request, Reply&) {
    // The host is given the address of the number, valid while the send lasts.
    std::int32_t number = request.number;
    hostRequest(host::requestPassNumber, reinterpret_cast<platform::WParam>(&number));
}

void toggleShuffle(const Request&, Reply&) { toggleSetting(host::requestShuffle, host::requestSetShuffle); }
void toggleRepeat(const Request&, Reply&) { toggleSetting(host::requestRepeat, host::requestSetRepeat); }

}  // namespace commands
