// The host's side played by a Music Player Daemon: every request the plug-in
// makes of the host's main window and of its media-library window, answered
// through libmpdclient, and MPD's own changes announced to the main window as
// the host announces them.
//
// Knows only the host interface and the platform seam, so it runs over either
// backend: the Linux one in the daemon, the simulated one in tests.
#pragma once

#include <functional>
#include <memory>
#include <string>

#include "core/host_interface.h"
#include "platform/platform.h"

namespace mpdhost {

struct Options {
    // A socket path ("/run/mpd/socket"), or "host" or "host:port"; empty:
    // libmpdclient's default (MPD_HOST and MPD_PORT, else localhost:6600).
    std::string server;
    // The wire path of the host's folder: its playlist file "winamp.m3u" and
    // the library's catalog "Plugins\ml\playlists.xml" are written below it.
    std::string hostFolder = "Q:";
    // The wire path request 334 answers with (the settings file).
    std::string iniPath = "C:\\quillon.ini";
    // Where the host's messages go (a lost server, a capped add); standard
    // error when empty.
    std::function<void(const std::string&)> log;
};

class MpdHost {
public:
    explicit MpdHost(Options options);
    ~MpdHost();
    MpdHost(const MpdHost&) = delete;
    MpdHost& operator=(const MpdHost&) = delete;

    // The windows whose procedures call the two handlers below; from here on
    // MPD's changes are watched and announced to `main`. Detach before the
    // windows go.
    void attach(platform::WindowHandle main, platform::WindowHandle library);
    void detach();

    // The windows' own message handling; every message that is not the host's
    // answers 0.
    platform::LResult mainWindowMessage(unsigned int message, platform::WParam wParam, platform::LParam lParam);
    platform::LResult libraryWindowMessage(unsigned int message, platform::WParam wParam, platform::LParam lParam);

    // Whether the server answers now.
    bool connected() const;

private:
    struct State;
    std::unique_ptr<State> state_;
};

}  // namespace mpdhost
