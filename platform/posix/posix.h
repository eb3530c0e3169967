// Control of the Linux backend by the daemon that hosts the plug-in.
//
// The backend implements platform.h for a real process: a user-interface
// thread of its own that handles the host's windows, real threads and timers,
// a serial line over a tty or over connections handed to it, files under the
// wire roots, an INI file, and power-off through a command.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <string>
#include <utility>

#include "platform/platform.h"
#include "platform/posix/wire_paths.h"

namespace posix {

struct Configuration {
    // The local folders behind the wire's drive letters (see wire_paths.h).
    wirepaths::Roots roots;
    // What platform::hostProgramPath answers, a wire path (the host's folder
    // is the part before its last backslash).
    std::string hostProgramPath = "Q:\\quillon-mpd";
    // What platform::readMyMusicFolder answers, a wire path ("" leaves the
    // caller's buffer untouched).
    std::string myMusicFolder = "P:\\";
    // Run through /bin/sh -c by platform::powerOff; its exit status 0 means the
    // request was accepted. Empty: ask logind.
    std::string powerOffCommand;
    // Values that platform::readIniString and readIniInt answer whatever the
    // file says, keyed by section and key; a write of such a key leaves the
    // file as it is.
    std::map<std::pair<std::string, std::string>, std::string> iniOverrides;
    // Where the backend's messages go (message boxes, a refused power-off, a
    // line that hung up); standard error when empty.
    std::function<void(const std::string&)> log;
};

// Before anything else; once per process.
void configure(const Configuration& configuration);

// ---- the user-interface thread -----------------------------------------------

using MessageHandler = std::function<platform::LResult(unsigned int, platform::WParam, platform::LParam)>;
// A window whose own procedure calls `handler`, owned by the user-interface
// thread (started by the first call here or to runOnUiThread).
platform::WindowHandle createWindow(MessageHandler handler);
void destroyWindow(platform::WindowHandle window);
// Runs `work` on the user-interface thread and waits for it.
void runOnUiThread(const std::function<void()>& work);
// Ends the user-interface thread once its queue is empty.
void stopUiThread();

// ---- the serial line -----------------------------------------------------------

// platform::openSerialPort(name): a name starting with '/' is a tty device,
// opened exclusively and in raw mode, and opened again (with back-off) after
// it hangs up or disappears. The name below is a line with no device of its
// own: it serves the connections handed to it by offerConnection.
constexpr const char* offeredLineName = "bluetooth";

enum class Offer {
    accepted,  // the line now owns `fd`
    busy,      // a conversation is under way; `fd` stays the caller's
    noLine,    // no offered line is open; `fd` stays the caller's
};
// Hands a connected socket (or any stream descriptor) to the offered line.
// Whatever the previous connection left unread or half sent is gone: the new
// one starts clean.
Offer offerConnection(int fd);
// Ends the current connection, as if the other side had hung up.
void endConnection();
bool connectionOpen();

}  // namespace posix
