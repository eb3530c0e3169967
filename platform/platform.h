// The one seam between the plug-in and the operating system and host.
//
// Protocol code never includes <windows.h>; it calls the plain functions below.
// Two backends implement them: win32/ (the real thing, inside the DLL) and sim/
// (an in-memory stand-in for native tests). The parameters the protocol fixes
// (exclusive open, read and write time-outs, fail-if-exists copy, ...) are decided
// inside the backend, so a caller only says what it wants done.
//
// The handle and procedure types are spelled so that in the Windows builds they
// are the very types <windows.h> uses (the win32 backend checks that with
// static_assert), which lets the compiler catch a wrong calling convention.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>

// Same tags as <windows.h> declares with STRICT, so WindowHandle is HWND there.
struct HWND__;
struct HINSTANCE__;
struct HMENU__;

#if defined(_WIN32)
#define PLATFORM_CALLBACK __stdcall
#define PLATFORM_CDECL __cdecl
#else
#define PLATFORM_CALLBACK
#define PLATFORM_CDECL
#endif

namespace platform {

using WindowHandle = HWND__*;
using ModuleHandle = HINSTANCE__*;
using MenuHandle = HMENU__*;
using PortHandle = void*;  // nullptr: no port

#if defined(_WIN64)
using WParam = unsigned long long;  // WPARAM, UINT_PTR
using LParam = long long;           // LPARAM, LONG_PTR
using IntPtr = long long;           // INT_PTR
#elif defined(_WIN32)
using WParam = unsigned int;
using LParam = long;
using IntPtr = int;
#else
using WParam = std::uintptr_t;
using LParam = std::intptr_t;
using IntPtr = std::intptr_t;
#endif
using LResult = LParam;
#if defined(_WIN32)
using Dword = unsigned long;  // DWORD
#else
using Dword = std::uint32_t;
#endif
using TimerId = WParam;  // UINT_PTR; 0 means no timer

using WindowProcedure = LResult(PLATFORM_CALLBACK*)(WindowHandle, unsigned int, WParam, LParam);
using DialogProcedure = IntPtr(PLATFORM_CALLBACK*)(WindowHandle, unsigned int, WParam, LParam);
using TimerProcedure = void(PLATFORM_CALLBACK*)(WindowHandle, unsigned int, TimerId, Dword);
using ThreadProcedure = Dword(PLATFORM_CALLBACK*)(void*);

// Window messages the plug-in itself uses besides the host's.
constexpr unsigned int messageUser = 1024;            // WM_USER
constexpr unsigned int messageCommand = 273;          // WM_COMMAND
constexpr unsigned int messageInitDialog = 272;       // WM_INITDIALOG
constexpr unsigned int messageTimer = 0x0113;         // WM_TIMER
constexpr unsigned int listBoxAddString = 0x0180;     // LB_ADDSTRING
constexpr unsigned int listBoxSelectString = 0x018C;  // LB_SELECTSTRING
constexpr unsigned int listBoxGetCurSel = 0x0188;     // LB_GETCURSEL
constexpr unsigned int listBoxGetText = 0x0189;       // LB_GETTEXT
constexpr int listBoxError = -1;                      // LB_ERR

// ---- serial port -----------------------------------------------------------

// Writes the device path that opens `portName`: "\\.\" before a name without a
// backslash (COM10 and above name no device otherwise), the name unchanged when
// it already holds one. False, with `out` empty, when it does not fit.
bool serialDevicePath(const char* portName, char* out, std::size_t size);

// Opens the port exclusively for synchronous reading and writing and sets its
// time-outs: a read returns once more than 1 ms passes between two bytes, or
// after 1 ms per requested byte plus 1 ms; writes have no time-out.
// Returns nullptr when the port cannot be opened. A port whose set-up failed
// is still returned (a driver may refuse a setting and serve anyway); then
// *failedSetup names the call that failed, else it is set to nullptr.
PortHandle openSerialPort(const char* portName, const char** failedSetup = nullptr);

// One read of at most `size` bytes: true with *received set (possibly 0 after
// the idle time-out), false when the read failed.
bool readSerialPort(PortHandle port, char* buffer, std::uint32_t size, std::uint32_t* received);

// One write call: true with *written set (which may be fewer bytes than
// offered, even 0), false when the write failed.
bool writeSerialPort(PortHandle port, const char* bytes, std::uint32_t size, std::uint32_t* written);

void closeSerialPort(PortHandle port);

// Gives up on a stalled link: the read or write another thread has under way on
// `port` returns at once with a failure, and every later write gives up after a
// short time-out instead of waiting for ever. The port stays open. False when
// the short time-out could not be set or the port's queues not purged; the
// I/O under way is cancelled all the same.
bool abortSerialPortIo(PortHandle port);

// The serial ports present now, as the system names them ("COM3", "COM21"):
// each name followed by NUL, the list ended by one more NUL, in the system's
// order. A name that does not fit whole is left out. Returns how many names
// were written.
int presentSerialPorts(char* out, std::uint32_t size);

// ---- threads, timer, clock -------------------------------------------------

// Starts `procedure(parameter)` on a new thread at once. The code of the calling
// module stays loaded until the procedure has returned. False when no thread
// could be started.
bool startThread(ThreadProcedure procedure, void* parameter);

// A thread timer on the calling (user-interface) thread with no window.
TimerId startTimer(std::uint32_t periodMs, TimerProcedure procedure);
void stopTimer(TimerId timer);

void sleepMs(std::uint32_t ms);
std::uint32_t tickCount();

// One process-wide lock that keeps a reply line whole: the worker and the
// user-interface thread both write lines to the port.
void lockReplies();
void unlockReplies();

// ---- host windows ----------------------------------------------------------

// Synchronous: returns once the window's thread has handled the message.
LResult sendMessage(WindowHandle window, unsigned int message, WParam wParam, LParam lParam);

// Makes `procedure` the window's procedure; returns the one it replaces.
WindowProcedure subclassWindow(WindowHandle window, WindowProcedure procedure);
// The window's current procedure (nullptr when the window is gone).
WindowProcedure currentWindowProcedure(WindowHandle window);
LResult callWindowProcedure(WindowProcedure procedure, WindowHandle window, unsigned int message, WParam wParam,
                            LParam lParam);

// Delivers the messages that other threads have sent to the calling
// (user-interface) thread and are waiting for, waiting at most `ms` for one to
// come. Posted messages and timer ticks stay queued for the host's own loop.
void waitForSentMessages(std::uint32_t ms);

// Keeps the module that holds `codeAddress` loaded until the process ends, for
// code that something outside our control may still call.
void pinModule(const void* codeAddress);

// ---- dialogs ---------------------------------------------------------------

// One modal message box with an OK button; returns when it is dismissed.
void showMessageBox(WindowHandle owner, const char* text, const char* caption);
// Runs the dialog resource `templateId` of `module` modally; its result.
IntPtr runDialog(ModuleHandle module, int templateId, WindowHandle owner, DialogProcedure procedure);
void endDialog(WindowHandle dialog, IntPtr result);
WindowHandle dialogItem(WindowHandle dialog, int id);

// ---- menus -----------------------------------------------------------------

int menuItemCount(MenuHandle menu);
// Text of the item at `position` into `out` (always NUL-terminated); its length.
int menuItemText(MenuHandle menu, int position, char* out, int size);
MenuHandle subMenu(MenuHandle menu, int position);
void destroyMenu(MenuHandle menu);
// For the reference host, which hands out menus.
MenuHandle createMenu();
void appendMenuItem(MenuHandle menu, const char* text, MenuHandle subMenu);

// ---- settings and folders --------------------------------------------------

std::uint32_t readIniString(const char* section, const char* key, const char* fallback, char* out, std::uint32_t size,
                            const char* iniPath);
int readIniInt(const char* section, const char* key, int fallback, const char* iniPath);
bool writeIniString(const char* section, const char* key, const char* value, const char* iniPath);

// The user's "My Music" shell folder from the registry, at most size - 1 bytes;
// leaves `out` untouched when the key or value is missing.
void readMyMusicFolder(char* out, std::uint32_t size);
// Full path of the host program's executable (not of this library).
std::uint32_t hostProgramPath(char* out, std::uint32_t size);
// The character before `current` in `start`, respecting double-byte characters.
const char* previousCharacter(const char* start, const char* current);

// ---- the system's code page -------------------------------------------------

// The code page the system keeps the texts of programs without Unicode in (the
// host's titles and names, and so the wire's texts): its number, and what each
// byte from 0x80 up is. Bytes below 0x80 are ASCII in every such code page.
struct CodePage {
    std::uint32_t number = 0;
    // A double-byte code page: some bytes begin a character of two.
    bool doubleByte = false;
    // Index: the byte - 0x80.
    bool leadByte[128] = {};
    // The character the byte stands for alone; 0 where it stands for none (a
    // lead byte, or a byte the code page leaves undefined).
    char16_t character[128] = {};
};

// Reads the system's code page; the plug-in does so once, at start.
void readSystemCodePage(CodePage& out);

// ---- files -----------------------------------------------------------------

// The activity log, created or emptied, for writing text; nullptr on failure.
std::FILE* openActivityLog(const char* path);
// A file for reading in text mode that others may write meanwhile.
std::FILE* openSharedForReading(const char* path);

constexpr std::uint32_t attributeDirectory = 0x10;
struct FindEntry {
    char name[260];
    std::uint32_t attributes;
};
using FindHandle = void*;  // nullptr: nothing found
FindHandle findFirstFile(const char* pattern, FindEntry* entry);
bool findNextFile(FindHandle search, FindEntry* entry);
void findClose(FindHandle search);

// Roots "C:\" ... each followed by NUL, the list ended by one more NUL. Returns
// the length needed without the final NUL (more than size - 1: did not fit).
std::uint32_t logicalDriveStrings(char* out, std::uint32_t size);
constexpr std::uint32_t driveRemovable = 2;
constexpr std::uint32_t driveFixed = 3;
constexpr std::uint32_t driveCdRom = 5;
std::uint32_t driveType(const char* root);
// Volume label of a ready drive; false when the drive is not ready.
bool volumeLabel(const char* root, char* out, std::uint32_t size);
// Copies `from` to `to`, failing when `to` exists.
bool copyFileNoOverwrite(const char* from, const char* to);

// Whole-file helpers for the reference host and test tools.
bool readWholeFile(const char* path, char* out, std::size_t size, std::size_t* length);
bool writeWholeFile(const char* path, const char* data, std::size_t length);

// ---- power -----------------------------------------------------------------

// Enables the shut-down privilege and asks for a forced power-off; true when
// the request was accepted.
bool powerOff();

}  // namespace platform
