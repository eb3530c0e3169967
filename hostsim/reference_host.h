// The reference host: a small player model that answers every request the
// plug-in makes of the host's main window and of its media-library window.
//
// Portable C++ over the platform seam: the native tests drive it through the
// sim backend, and the Windows test host uses the same code as the window
// procedure of its real windows.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "core/host_interface.h"
#include "platform/platform.h"

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
    // An absent field reaches the plug-in as a null text rather than an empty
    // one; a query treats it as empty.
    bool fileNameAbsent = false;
    bool titleAbsent = false;
    bool albumAbsent = false;
    bool artistAbsent = false;
    bool genreAbsent = false;
};

struct LibraryPlaylist {
    std::string title;     // shown in the "Playlists" sub-menu
    std::string fileName;  // listed in the catalog, under <host folder>\Plugins\ml
    int songs = 0;         // only written to the catalog
    int seconds = 0;
};

// The code of the state-change notification the host sends its own main window
// (WM_USER, wParam 0 or 2). The model itself ignores it.
constexpr platform::LParam notifyStateChange = 10000;
// What one volume button press changes.
constexpr int volumeStep = 8;

class ReferenceHost {
public:
    ReferenceHost();

    // ---- the player model (tests set and read these directly) ----
    std::vector<PlaylistEntry> playlist;
    int current = 0;    // playlist position
    int playState = 0;  // 0 stopped, 1 playing, 3 paused
    int positionMs = 0;
    int lengthSeconds = 0;
    int volume = 200;                                          // 0 to 255
    int bands[10] = {31, 31, 31, 31, 31, 31, 31, 31, 31, 31};  // 0 to 63
    int namedBand = 0;                                         // the band the last request 127 named
    int shuffle = 0;
    int repeat = 0;
    int version = 0x5666;
    int sampleRate = 44;
    int channels = 2;
    int lastPassedNumber = 0;
    std::string iniPath = "C:\\Program Files\\Winamp\\winamp.ini";
    bool answerIniPath = true;                         // false: request 334 answers 1 (no address)
    std::string folder = "C:\\Program Files\\Winamp";  // the host program's folder
    std::vector<LibraryEntry> library;
    std::vector<LibraryPlaylist> libraryPlaylists;

    // The media library's menu request record as the last 0x106 carried it.
    std::int32_t lastMenuRequest[3] = {0, 0, 0};

    // When true, changes that requests cause (play, pause, stop, next, previous,
    // 102, 121, clear, add, library play) are announced to the main window as a
    // real host does: 3003 for a file start, then the state-change notification.
    bool notifyOnChange = false;

    // When true, request 212 answers with one buffer of the host's that every
    // later request overwrites, as a host may: the title must be copied at once.
    bool titleInSharedBuffer = false;
    // Faults: answers given to WM_USER requests whatever the model says (by
    // request code).
    std::map<std::int32_t, platform::LResult> forcedAnswers;
    // The allocation size a query's record list reports; -1 reports the
    // number of records (a host may leave it at 0, or at anything).
    std::int32_t reportedCapacity = -1;
    // How long the host takes over the version request (platform::sleepMs).
    int delayVersionMs = 0;

    // Windows the host owns; set by attach().
    platform::WindowHandle mainWindow = nullptr;
    platform::WindowHandle libraryWindow = nullptr;

    void attach(platform::WindowHandle main, platform::WindowHandle library);

    // The windows' own message handling. Only WM_USER and WM_COMMAND (main)
    // and message 0x1400 (library) belong to the model; a real window procedure
    // passes every other message to the system's default handling.
    platform::LResult mainWindowMessage(unsigned int message, platform::WParam wParam, platform::LParam lParam);
    platform::LResult libraryWindowMessage(unsigned int message, platform::WParam wParam, platform::LParam lParam);

    // Notifications a real host sends to its own main window (through whatever
    // procedure that window has now, so a hook sees them).
    void setVolumeAtPlayer(int newVolume);  // WM_USER, wParam volume, lParam 122
    void startFile(int position);           // makes it current, plays, lParam 3003
    void changeTrack(int position);         // current entry changes: WM_USER wParam 0
    void notifyStateChanged(int wParam);    // WM_USER wParam 0 or 2, lParam 10000

    // Writes "<folder>\Plugins\ml\playlists.xml" listing libraryPlaylists, in
    // UTF-8, or in UTF-16 little-endian with a byte order mark (each byte of a
    // text taken as Latin-1).
    enum class CatalogEncoding { utf8, utf16 };
    void writePlaylistCatalog(CatalogEncoding encoding = CatalogEncoding::utf8);

    // Every request received, in order, decoded, one line each:
    //   "user <lParam> <wParam>"        WM_USER (100: "user 100 file=<name>",
    //                                    1002: "user 1002 value=<n>")
    //   "command <id>"                  WM_COMMAND
    //   "library run <query text>"      0x700
    //   "library release"               0x705
    //   "library play enqueue=<0|1> <file>|<file>|..."  0x302
    //   "library menu"                  0x106
    // wParam and lParam are printed as the 32-bit host reads them, signed.
    std::vector<std::string> requestLog;
    void clearLog() { requestLog.clear(); }

    // The messages the host sent to its own main window, in the same format.
    std::vector<std::string> notificationLog;

private:
    char sharedTitle_[2048] = {};

    // Records and texts handed out by one query run, owned until its release:
    // exactly as many records as were found, and the texts in one block with a
    // gap after each (poisoned under AddressSanitizer, so that a read past the
    // end of one text is caught as it would be past its own allocation).
    struct HeldResults {
        std::unique_ptr<host::LibraryRecord[]> records;
        std::unique_ptr<char[]> texts;
    };
    std::map<const host::LibraryQuery*, HeldResults> heldResults_;

    // Own notifications on their way through the main window's procedure, so
    // that their arrival is not mistaken for a request.
    struct OwnMessage {
        platform::LParam code;
        platform::WParam wParam;
    };
    std::vector<OwnMessage> ownMessages_;

    platform::LResult userRequest(platform::WParam wParam, platform::LParam code);
    platform::LResult command(platform::WParam wParam);
    platform::LResult runQuery(platform::WParam wParam);
    platform::LResult releaseQuery(platform::WParam wParam);
    platform::LResult playRecords(platform::WParam wParam);
    platform::LResult playlistsMenu(platform::WParam wParam);

    void addFile(const std::string& name, const char* title);
    void loadPlaylistFile(const std::string& path);
    void clearPlaylist();
    void writePlaylistFile();
    void playCurrent();  // the current entry starts from its beginning
    void stepTrack(int delta);

    void sendOwn(platform::LParam code, platform::WParam wParam);
    void announceFileStart();
    void announceChange();
};

}  // namespace hostsim
