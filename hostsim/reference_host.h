// The reference host: a small player model that answers every request the
// plug-in makes of the host's main window and of its media-library window.
//
// Portable C++ over the platform seam: the native tests drive it through the
// sim backend, and the Windows test host uses the same code as the window
// procedure of its real windows.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/platform.h"
#include "plugin/host_interface.h"

namespace hostsim {

struct PlaylistEntry {
    std::string path;
    std::string title;
};

struct LibraryEntry {
    std::string fileName;
    std::string title;
    std::string album;
    std::string artist;
    std::string genre;
};

struct LibraryPlaylist {
    std::string title;     // shown in the "Playlists" sub-menu
    std::string fileName;  // listed in the catalog, under <host folder>\Plugins\ml
};

class ReferenceHost {
public:
    ReferenceHost();

    // ---- the player model (tests set and read these directly) ----
    std::vector<PlaylistEntry> playlist;
    int current = 0;          // playlist position
    int playState = 0;        // 0 stopped, 1 playing, 3 paused
    int positionMs = 0;
    int lengthSeconds = 0;
    int volume = 200;         // 0 to 255
    int bands[10] = {31, 31, 31, 31, 31, 31, 31, 31, 31, 31};  // 0 to 63
    int namedBand = 0;        // the band the last request 127 named
    int shuffle = 0;
    int repeat = 0;
    int version = 0x5666;
    int sampleRate = 44;
    int channels = 2;
    int lastNumber1002 = 0;
    std::string iniPath = "C:\\Program Files\\Winamp\\winamp.ini";
    bool answerIniPath = true;  // false: request 334 answers 1 (no address)
    std::string folder = "C:\\Program Files\\Winamp";  // the host program's folder
    std::vector<LibraryEntry> library;
    std::vector<LibraryPlaylist> libraryPlaylists;

    // Windows the host owns; set by attach().
    platform::WindowHandle mainWindow = nullptr;
    platform::WindowHandle libraryWindow = nullptr;

    void attach(platform::WindowHandle main, platform::WindowHandle library);

    // The windows' own message handling.
    platform::LResult mainWindowMessage(unsigned int message, platform::WParam wParam,
                                        platform::LParam lParam);
    platform::LResult libraryWindowMessage(unsigned int message, platform::WParam wParam,
                                           platform::LParam lParam);

    // Notifications a real host sends to its own main window (through whatever
    // procedure that window has now, so a hook sees them).
    void setVolumeAtPlayer(int newVolume);   // WM_USER, wParam volume, lParam 122
    void startFile(int position);            // makes it current, plays, lParam 3003
    void changeTrack(int position);          // current entry changes: WM_USER wParam 0
    void notifyStateChanged(int wParam);     // WM_USER with wParam 0 or 2

    // Writes "<folder>\Plugins\ml\playlists.xml" listing libraryPlaylists.
    void writePlaylistCatalog();

    // Every request received, in order, decoded, one line each:
    //   "user <lParam> <wParam>"        WM_USER (100: "user 100 file=<name>",
    //                                    1002: "user 1002 value=<n>")
    //   "command <id>"                  WM_COMMAND
    //   "library run <query text>"      0x700
    //   "library release"               0x705
    //   "library play enqueue=<0|1> <file>|<file>|..."  0x302
    //   "library menu"                  0x106
    std::vector<std::string> requestLog;
    void clearLog() { requestLog.clear(); }

private:
    std::vector<host::LibraryRecord> heldRecords_;  // results handed out, per query
    std::vector<std::string> titleCopies_;
    void loadPlaylistFile(const std::string& path);
};

}  // namespace hostsim
