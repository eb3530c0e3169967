// quillon-testhost: plays the host player for the plug-in DLL under Wine.
//
//   quillon-testhost.exe [--ini PATH] [--folder PATH] [--seed] [--notify]
//                        [--library-file PATH] [--generate-library N,A,B,G]
//                        [--my-music PATH] PLUGIN.DLL
//
// Creates the host's main window and media-library window (both answered by
// the reference host), loads the DLL, fills the descriptor's host fields and
// calls init, then pumps messages. The media library is filled before init
// from the library options, in the order given: --library-file reads records
// FILE|TITLE|ALBUM|ARTIST|GENRE, one a line, \N for an absent field;
// --generate-library adds N tracks over A artists, B albums and G genres
// (hostsim/library_generator.h), the same for the same shape. "library N
// records" reports the size. --my-music stores PATH as the user's My Music
// folder in the registry (the shell folders' value "My Music" under
// HKEY_CURRENT_USER) before init; an empty PATH removes the value; "my music
// PATH" or "my music (none)" reports it. The host folder (--folder, or the
// program's own folder) holds the host's playlist file "winamp.m3u", which
// request 120 writes, and the media library's "Plugins\ml" folder with the
// playlists catalog. Orders arrive as lines on standard input;
// answers go out as lines on standard output:
//   volume N | start N | track N     host-side events (through the plug-in's hook)
//   add PATH[|TITLE]                 put an entry on the playlist (no request)
//   library FILE|TITLE|ALBUM|ARTIST|GENRE   put a record into the media library,
//                                    as a line of a library file
//   library-playlist TITLE|FILE      put a playlist into the media library's
//                                    "Playlists" menu (and into the next catalog)
//   catalog utf8|utf16               write the playlists catalog of the library's
//                                    playlists, "catalog ok BYTES"
//   find PATTERN                     the platform's own listing of a search, in
//                                    the order it returns it: "found ATTRIBUTES
//                                    NAME" (attributes in hex), then "find end N"
//   drives                           every logical drive: "drive ROOT type=N
//                                    label=LABEL" or "... not ready", then
//                                    "drives end N"
//   hide PATH                        give a file or folder the hidden attribute,
//                                    "hide ok ATTRIBUTES" or "hide failed ERROR"
//   notify on|off                    host-side changes also notify the main window
//   state                            the player model, one line
//   log                              the request log ("request ..." lines, then
//                                    "log end N"), then cleared; the library's
//                                    are "library run QUERY", "library release"
//                                    and "library play enqueue=0|1 FILE|FILE|..."
//   config [PORT]                    message 1024 to the message procedure; the
//                                    dialog is reported, PORT chosen with OK, or
//                                    it is cancelled
//   ping                             "pong"
//   quit                             quit, unload, exit (also at end of input)
// Message boxes are reported as "messagebox CAPTION|TEXT" and confirmed, so a
// failed start never waits for a person.
#include <fcntl.h>
#include <io.h>
#include <windows.h>

#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <fstream>
#include <sstream>
#include <string>

#include "core/host_interface.h"
#include "hostsim/library_generator.h"
#include "hostsim/library_source.h"
#include "hostsim/reference_host.h"

namespace {

constexpr UINT controlLineMessage = WM_APP + 1;  // lParam: a line from standard input (malloc'd)
constexpr UINT inputEndedMessage = WM_APP + 2;
constexpr int configListBox = 1001;
constexpr int messageBoxTextId = 0xFFFF;

hostsim::ReferenceHost player;
HWND mainWindow = nullptr;
HWND libraryWindow = nullptr;
HWND controlWindow = nullptr;
HMODULE plugin = nullptr;
host::PluginDescriptor* descriptor = nullptr;
bool quitDone = false;
std::string configChoice;  // the port the next configuration dialog is to take; empty: cancel
std::deque<std::string> pendingLines;
bool handlingLines = false;

// Any length: a request line names every file a library play hands over.
void say(const char* format, ...) {
    va_list arguments;
    va_start(arguments, format);
    va_list again;
    va_copy(again, arguments);
    int length = std::vsnprintf(nullptr, 0, format, arguments);
    va_end(arguments);
    std::string line(length > 0 ? static_cast<std::size_t>(length) : 0, '\0');
    if (length > 0) std::vsnprintf(line.data(), line.size() + 1, format, again);
    va_end(again);
    std::fwrite(line.data(), 1, line.size(), stdout);
    std::fputc('\n', stdout);
    std::fflush(stdout);
}

LRESULT CALLBACK mainWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_USER || message == WM_COMMAND) return player.mainWindowMessage(message, wParam, lParam);
    return DefWindowProcA(window, message, wParam, lParam);
}

LRESULT CALLBACK libraryWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == host::libraryMessage) return player.libraryWindowMessage(message, wParam, lParam);
    return DefWindowProcA(window, message, wParam, lParam);
}

// ---- dialogs that would wait for a person ----------------------------------

std::string windowText(HWND window) {
    char text[2048] = {};
    GetWindowTextA(window, text, sizeof text);
    return text;
}

void answerConfiguration(HWND dialog) {
    HWND list = GetDlgItem(dialog, configListBox);
    LRESULT count = SendMessageA(list, LB_GETCOUNT, 0, 0);
    LRESULT selected = SendMessageA(list, LB_GETCURSEL, 0, 0);
    char selection[256] = "none";
    if (selected != LB_ERR && SendMessageA(list, LB_GETTEXTLEN, selected, 0) < 255)
        SendMessageA(list, LB_GETTEXT, selected, reinterpret_cast<LPARAM>(selection));
    char first[256] = "", last[256] = "";
    if (count > 0 && SendMessageA(list, LB_GETTEXTLEN, 0, 0) < 255 &&
        SendMessageA(list, LB_GETTEXTLEN, count - 1, 0) < 255) {
        SendMessageA(list, LB_GETTEXT, 0, reinterpret_cast<LPARAM>(first));
        SendMessageA(list, LB_GETTEXT, count - 1, reinterpret_cast<LPARAM>(last));
    }
    say("dialog %s|items=%d first=%s last=%s selected=%s", windowText(dialog).c_str(), static_cast<int>(count), first,
        last, selection);
    if (configChoice.empty()) {
        PostMessageA(dialog, WM_COMMAND, IDCANCEL, 0);
        return;
    }
    SendMessageA(list, LB_SELECTSTRING, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(configChoice.c_str()));
    PostMessageA(dialog, WM_COMMAND, IDOK, 0);
}

BOOL CALLBACK answerDialog(HWND window, LPARAM) {
    char className[64] = {};
    GetClassNameA(window, className, sizeof className);
    if (std::strcmp(className, "#32770") != 0 || GetPropA(window, "quillon.answered")) return TRUE;
    SetPropA(window, "quillon.answered", reinterpret_cast<HANDLE>(1));
    if (GetDlgItem(window, configListBox) != nullptr) {
        answerConfiguration(window);
        return TRUE;
    }
    char text[2048] = {};
    GetDlgItemTextA(window, messageBoxTextId, text, sizeof text);
    say("messagebox %s|%s", windowText(window).c_str(), text);
    PostMessageA(window, WM_COMMAND, IDOK, 0);
    return TRUE;
}

// Runs from every message loop of this thread, the modal ones included.
void CALLBACK watchForDialogs(HWND, UINT, UINT_PTR, DWORD) { EnumThreadWindows(GetCurrentThreadId(), answerDialog, 0); }

// ---- the control channel -------------------------------------------------------

DWORD WINAPI readControlLines(void*) {
    HANDLE input = GetStdHandle(STD_INPUT_HANDLE);
    std::string pending;
    char bytes[1024];
    DWORD count = 0;
    while (ReadFile(input, bytes, sizeof bytes, &count, nullptr) && count > 0) {
        pending.append(bytes, count);
        std::size_t end;
        while ((end = pending.find('\n')) != std::string::npos) {
            std::string line = pending.substr(0, end);
            pending.erase(0, end + 1);
            if (!line.empty() && line.back() == '\r') line.pop_back();
            PostMessageA(controlWindow, controlLineMessage, 0, reinterpret_cast<LPARAM>(_strdup(line.c_str())));
        }
    }
    PostMessageA(controlWindow, inputEndedMessage, 0, 0);
    return 0;
}

// ---- the Windows around the player ---------------------------------------------

constexpr const char* shellFoldersKey = "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders";

// The user's My Music folder as the shell keeps it; empty removes the value.
bool setMyMusicFolder(const std::string& path) {
    HKEY key = nullptr;
    if (RegCreateKeyExA(HKEY_CURRENT_USER, shellFoldersKey, 0, nullptr, 0, KEY_SET_VALUE, nullptr, &key, nullptr) !=
        ERROR_SUCCESS)
        return false;
    LONG result;
    if (path.empty()) {
        result = RegDeleteValueA(key, "My Music");
        if (result == ERROR_FILE_NOT_FOUND) result = ERROR_SUCCESS;
    } else {
        result = RegSetValueExA(key, "My Music", 0, REG_SZ, reinterpret_cast<const BYTE*>(path.c_str()),
                                static_cast<DWORD>(path.size() + 1));
    }
    RegCloseKey(key);
    return result == ERROR_SUCCESS;
}

void listSearch(const std::string& pattern) {
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA(pattern.c_str(), &found);
    int count = 0;
    if (search != INVALID_HANDLE_VALUE) {
        do {
            say("found %08lx %s", static_cast<unsigned long>(found.dwFileAttributes), found.cFileName);
            ++count;
        } while (FindNextFileA(search, &found));
        FindClose(search);
    }
    say("find end %d", count);
}

void listDrives() {
    char roots[27 * 4 + 1] = {};
    DWORD length = GetLogicalDriveStringsA(sizeof roots, roots);
    int count = 0;
    for (const char* root = roots; length > 0 && length < sizeof roots && *root != '\0';
         root += std::strlen(root) + 1) {
        char label[MAX_PATH + 1] = {};
        UINT type = GetDriveTypeA(root);
        if (GetVolumeInformationA(root, label, sizeof label, nullptr, nullptr, nullptr, nullptr, 0))
            say("drive %s type=%u label=%s", root, type, label);
        else
            say("drive %s type=%u not ready", root, type);
        ++count;
    }
    say("drives end %d", count);
}

std::string joinedPlaylist() {
    std::string titles;
    for (std::size_t i = 0; i < player.playlist.size(); ++i) {
        if (i > 0) titles += '|';
        titles += player.playlist[i].title;
    }
    return titles;
}

void quitAndUnload() {
    if (quitDone) return;
    quitDone = true;
    DWORD started = GetTickCount();
    descriptor->quit();
    say("quit done %lu ms", static_cast<unsigned long>(GetTickCount() - started));
    // Unloading a library whose procedure still serves the window would leave
    // the window calling into freed code; report it and put ours back first.
    if (GetWindowLongPtrA(mainWindow, GWLP_WNDPROC) != reinterpret_cast<LONG_PTR>(&mainWindowProc)) {
        say("hook installed");
        SetWindowLongPtrA(mainWindow, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&mainWindowProc));
    } else {
        say("hook removed");
    }
    say("unload %d", FreeLibrary(plugin) ? 1 : 0);
    plugin = nullptr;
    PostQuitMessage(0);
}

std::vector<std::string> splitAtBars(const std::string& text) {
    std::vector<std::string> parts;
    std::size_t start = 0;
    for (;;) {
        std::size_t bar = text.find('|', start);
        parts.push_back(text.substr(start, bar - start));
        if (bar == std::string::npos) return parts;
        start = bar + 1;
    }
}

void handleLine(const std::string& line) {
    if (quitDone) return;
    std::size_t blank = line.find(' ');
    std::string verb = line.substr(0, blank);
    std::string rest = blank == std::string::npos ? "" : line.substr(blank + 1);
    int number = std::atoi(rest.c_str());
    if (verb == "volume") {
        player.setVolumeAtPlayer(number);
        say("volume ok");
    } else if (verb == "start") {
        player.startFile(number);
        say("start ok");
    } else if (verb == "track") {
        player.changeTrack(number);
        say("track ok");
    } else if (verb == "add") {
        std::vector<std::string> parts = splitAtBars(rest);
        hostsim::PlaylistEntry entry;
        entry.path = parts[0];
        entry.title = parts.size() > 1 ? parts[1] : parts[0];
        player.playlist.push_back(entry);
        say("add ok %d", static_cast<int>(player.playlist.size()));
    } else if (verb == "library") {
        hostsim::LibraryEntry entry;
        if (!hostsim::parseLibraryLine(rest, &entry)) {
            say("error library record is not FILE|TITLE|ALBUM|ARTIST|GENRE");
            return;
        }
        player.library.push_back(entry);
        say("library ok %d", static_cast<int>(player.library.size()));
    } else if (verb == "library-playlist") {
        std::vector<std::string> parts = splitAtBars(rest);
        if (parts.size() != 2) {
            say("error library playlist is not TITLE|FILE");
            return;
        }
        hostsim::LibraryPlaylist entry;
        entry.title = parts[0];
        entry.fileName = parts[1];
        player.libraryPlaylists.push_back(entry);
        say("library-playlist ok %d", static_cast<int>(player.libraryPlaylists.size()));
    } else if (verb == "catalog") {
        if (rest != "utf8" && rest != "utf16") {
            say("error catalog is utf8 or utf16");
            return;
        }
        player.writePlaylistCatalog(rest == "utf16" ? hostsim::ReferenceHost::CatalogEncoding::utf16
                                                    : hostsim::ReferenceHost::CatalogEncoding::utf8);
        WIN32_FILE_ATTRIBUTE_DATA written;
        std::string path = player.folder + "\\Plugins\\ml\\playlists.xml";
        if (!GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &written)) {
            say("error catalog %s not written", path.c_str());
            return;
        }
        say("catalog ok %lu", static_cast<unsigned long>(written.nFileSizeLow));
    } else if (verb == "find") {
        listSearch(rest);
    } else if (verb == "drives") {
        listDrives();
    } else if (verb == "hide") {
        DWORD attributes = GetFileAttributesA(rest.c_str());
        if (attributes == INVALID_FILE_ATTRIBUTES ||
            !SetFileAttributesA(rest.c_str(), attributes | FILE_ATTRIBUTE_HIDDEN)) {
            say("hide failed %lu", static_cast<unsigned long>(GetLastError()));
            return;
        }
        say("hide ok %08lx", static_cast<unsigned long>(GetFileAttributesA(rest.c_str())));
    } else if (verb == "notify") {
        player.notifyOnChange = rest == "on";
        say("notify %s", player.notifyOnChange ? "on" : "off");
    } else if (verb == "state") {
        char bands[128] = "";
        int used = 0;
        for (int band = 0; band < 10; ++band)
            used += std::snprintf(bands + used, sizeof bands - used, band ? ",%d" : "%d", player.bands[band]);
        say("state play=%d current=%d position=%d length=%d volume=%d bands=%s shuffle=%d "
            "repeat=%d playlist=%s",
            player.playState, player.current, player.positionMs, player.lengthSeconds, player.volume, bands,
            player.shuffle, player.repeat, joinedPlaylist().c_str());
    } else if (verb == "log") {
        std::vector<std::string> entries = player.requestLog;
        player.clearLog();
        for (const std::string& entry : entries) say("request %s", entry.c_str());
        say("log end %d", static_cast<int>(entries.size()));
    } else if (verb == "config") {
        configChoice = rest;
        int result =
            descriptor->messageProc(host::requestShowConfiguration, reinterpret_cast<std::intptr_t>(mainWindow), 0, 0);
        say("config %d", result);
    } else if (verb == "ping") {
        say("pong");
    } else if (verb == "quit") {
        quitAndUnload();
    } else {
        say("error unknown order %s", verb.c_str());
    }
}

// Lines can arrive while the plug-in pumps messages inside init, quit or a
// dialog; they wait until the order under way is done.
void handlePendingLines() {
    if (handlingLines) return;
    handlingLines = true;
    while (!pendingLines.empty()) {
        std::string next = pendingLines.front();
        pendingLines.pop_front();
        handleLine(next);
    }
    handlingLines = false;
}

void takeLine(const std::string& line) {
    pendingLines.push_back(line);
    handlePendingLines();
}

LRESULT CALLBACK controlWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == controlLineMessage) {
        char* line = reinterpret_cast<char*>(lParam);
        std::string text = line;
        std::free(line);
        takeLine(text);
        return 0;
    }
    if (message == inputEndedMessage) {
        takeLine("quit");
        return 0;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

HWND makeWindow(const char* className, WNDPROC procedure, HWND parent) {
    WNDCLASSA windowClass = {};
    windowClass.lpfnWndProc = procedure;
    windowClass.hInstance = GetModuleHandleA(nullptr);
    windowClass.lpszClassName = className;
    RegisterClassA(&windowClass);
    return CreateWindowExA(0, className, className, parent == HWND_MESSAGE ? 0 : WS_OVERLAPPEDWINDOW, 0, 0, 400, 300,
                           parent, nullptr, GetModuleHandleA(nullptr), nullptr);
}

std::string programFolder() {
    char path[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, path, sizeof path);
    char* slash = std::strrchr(path, '\\');
    if (slash != nullptr) *slash = '\0';
    return path;
}

void seedDemoPlayer() {
    const char* titles[] = {"Morning Tide", "Glass Harbour", "Paper Lanterns", "Northbound", "Quiet Engines"};
    for (const char* title : titles) {
        hostsim::PlaylistEntry entry;
        entry.title = title;
        entry.path = player.folder + "\\Music\\" + title + ".mp3";
        player.playlist.push_back(entry);
        hostsim::LibraryEntry record;
        record.fileName = entry.path;
        record.title = title;
        record.album = "Harbour Lights";
        record.artist = "The Quillons";
        record.genre = "Ambient";
        player.library.push_back(record);
    }
    player.lengthSeconds = 200;
}

bool addLibraryFile(const char* path) {
    std::ifstream file(path, std::ios::binary);
    std::stringstream text;
    text << file.rdbuf();
    if (!file) {
        say("error cannot read library file %s", path);
        return false;
    }
    std::vector<hostsim::LibraryEntry> entries;
    std::string error;
    if (!hostsim::parseLibraryText(text.str(), &entries, &error)) {
        say("error library file %s: %s", path, error.c_str());
        return false;
    }
    player.library.insert(player.library.end(), entries.begin(), entries.end());
    return true;
}

bool addGeneratedLibrary(const char* shapeText) {
    hostsim::LibraryShape shape;
    if (!hostsim::parseLibraryShape(shapeText, &shape)) {
        say("error library shape %s is not N,A,B,G", shapeText);
        return false;
    }
    std::vector<hostsim::LibraryEntry> entries =
        hostsim::generateLibrary(shape.records, shape.artists, shape.albums, shape.genres);
    player.library.insert(player.library.end(), entries.begin(), entries.end());
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    // Lines end in LF alone, as on the reading side.
    _setmode(_fileno(stdout), _O_BINARY);
    const char* dllPath = nullptr;
    bool seed = false;
    bool libraryGiven = false;
    bool myMusicGiven = false;
    std::string myMusic;
    player.folder = programFolder();
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--ini") == 0 && i + 1 < argc)
            player.iniPath = argv[++i];
        else if (std::strcmp(argv[i], "--folder") == 0 && i + 1 < argc)
            player.folder = argv[++i];
        else if (std::strcmp(argv[i], "--seed") == 0)
            seed = true;
        else if (std::strcmp(argv[i], "--notify") == 0)
            player.notifyOnChange = true;
        else if (std::strcmp(argv[i], "--library-file") == 0 && i + 1 < argc) {
            if (!addLibraryFile(argv[++i])) return 2;
            libraryGiven = true;
        } else if (std::strcmp(argv[i], "--generate-library") == 0 && i + 1 < argc) {
            if (!addGeneratedLibrary(argv[++i])) return 2;
            libraryGiven = true;
        } else if (std::strcmp(argv[i], "--my-music") == 0 && i + 1 < argc) {
            myMusic = argv[++i];
            myMusicGiven = true;
        } else
            dllPath = argv[i];
    }
    if (dllPath == nullptr) {
        say("error usage: quillon-testhost [--ini PATH] [--folder PATH] [--seed] [--notify] "
            "[--library-file PATH] [--generate-library N,A,B,G] [--my-music PATH] DLL");
        return 2;
    }
    CreateDirectoryA(player.folder.c_str(), nullptr);
    CreateDirectoryA((player.folder + "\\Plugins").c_str(), nullptr);
    CreateDirectoryA((player.folder + "\\Plugins\\ml").c_str(), nullptr);
    if (seed) seedDemoPlayer();
    if (libraryGiven || seed) say("library %d records", static_cast<int>(player.library.size()));
    if (myMusicGiven) {
        if (!setMyMusicFolder(myMusic)) {
            say("error my music %s not stored", myMusic.c_str());
            return 2;
        }
        say("my music %s", myMusic.empty() ? "(none)" : myMusic.c_str());
    }

    mainWindow = makeWindow("QuillonHostMain", mainWindowProc, nullptr);
    libraryWindow = makeWindow("QuillonHostLibrary", libraryWindowProc, nullptr);
    controlWindow = makeWindow("QuillonHostControl", controlWindowProc, HWND_MESSAGE);
    if (mainWindow == nullptr || libraryWindow == nullptr || controlWindow == nullptr) {
        say("error windows %lu", static_cast<unsigned long>(GetLastError()));
        return 2;
    }
    player.attach(mainWindow, libraryWindow);
    SetTimer(nullptr, 0, 50, watchForDialogs);

    plugin = LoadLibraryA(dllPath);
    if (plugin == nullptr) {
        say("error load %s %lu", dllPath, static_cast<unsigned long>(GetLastError()));
        return 2;
    }
    auto getDescriptor = reinterpret_cast<host::GetDescriptorProcedure>(
        reinterpret_cast<void*>(GetProcAddress(plugin, "winampGetMediaLibraryPlugin")));
    if (getDescriptor == nullptr || (descriptor = getDescriptor()) == nullptr) {
        say("error no descriptor");
        return 2;
    }
    say("descriptor version=%d description=%s", descriptor->version,
        descriptor->description ? descriptor->description : "(none)");
    descriptor->hostWindow = mainWindow;
    descriptor->libraryParent = libraryWindow;
    descriptor->dllInstance = plugin;

    if (CreateThread(nullptr, 0, readControlLines, nullptr, 0, nullptr) == nullptr) {
        say("error control thread");
        return 2;
    }
    handlingLines = true;  // orders wait until init has returned
    int result = descriptor->init();
    say("init %d", result);
    handlingLines = false;
    handlePendingLines();

    MSG message;
    while (GetMessageA(&message, nullptr, 0, 0) > 0) {
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
    say("exit");
    // The control reader may still be blocked on its input.
    ExitProcess(0);
}
