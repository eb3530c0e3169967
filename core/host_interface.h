// What the plug-in relies on from the host player and its media library:
// message codes, command identifiers and the records exchanged with it.
// Shared by the plug-in and the reference host.
#pragma once

#include <cstddef>
#include <cstdint>

#include "platform/platform.h"

namespace host {

// ---- plug-in descriptor ----------------------------------------------------

constexpr std::int32_t descriptorVersion = 0x15;
constexpr const char* pluginDescription = "Quillon Bluetooth remote control";
// Message type of the descriptor's message procedure: show the configuration.
constexpr int requestShowConfiguration = 1024;

using InitProcedure = int(PLATFORM_CDECL*)();
using QuitProcedure = void(PLATFORM_CDECL*)();
using MessageProcedure = int(PLATFORM_CDECL*)(int message, std::intptr_t param1, std::intptr_t param2,
                                              std::intptr_t param3);
// Entry point type of the one export, winampGetMediaLibraryPlugin.
struct PluginDescriptor;
using GetDescriptorProcedure = PluginDescriptor*(PLATFORM_CDECL*)();

struct PluginDescriptor {
    std::int32_t version;
    const char* description;
    InitProcedure init;
    QuitProcedure quit;
    MessageProcedure messageProc;
    platform::WindowHandle hostWindow;     // filled by the host
    platform::WindowHandle libraryParent;  // filled by the host
    platform::ModuleHandle dllInstance;    // filled by the host
};

// ---- requests to the host main window: WM_USER, code in lParam -------------

constexpr platform::LParam requestVersion = 0;
constexpr platform::LParam requestAddFile = 100;  // wParam: AddFileRecord*
constexpr platform::LParam requestClearPlaylist = 101;
constexpr platform::LParam requestStartPlayback = 102;
constexpr platform::LParam requestPlayState = 104;
constexpr platform::LParam requestTrackTime = 105;      // wParam 0: position ms, 1: length s
constexpr platform::LParam requestSeek = 106;           // wParam: time in ms
constexpr platform::LParam requestWritePlaylist = 120;  // writes "winamp.m3u" in the host folder
constexpr platform::LParam requestSetPlaylistPosition = 121;
constexpr platform::LParam requestSetVolume = 122;
constexpr platform::LParam requestPlaylistLength = 124;
constexpr platform::LParam requestPlaylistPosition = 125;
constexpr platform::LParam requestStreamInfo = 126;        // wParam 0: sample rate, 2: channels
constexpr platform::LParam requestEqualizerBand = 127;     // wParam band; names the band for 128
constexpr platform::LParam requestSetEqualizerBand = 128;  // wParam: host-side value
constexpr platform::LParam requestEntryTitle = 212;        // wParam index; title address or 0
constexpr platform::LParam requestShuffle = 250;
constexpr platform::LParam requestRepeat = 251;
constexpr platform::LParam requestSetShuffle = 252;
constexpr platform::LParam requestSetRepeat = 253;
constexpr platform::LParam requestIniPath = 334;      // address, or a value below 0x10000
constexpr platform::LParam requestPassNumber = 1002;  // wParam: address of an int32

// Notifications the host sends to its own main window.
constexpr platform::LParam notifyFileStarted = 3003;

// ---- WM_COMMAND identifiers of the host main window -------------------------

constexpr platform::WParam commandPrevious = 40044;
constexpr platform::WParam commandPlay = 40045;
constexpr platform::WParam commandPause = 40046;
constexpr platform::WParam commandStop = 40047;
constexpr platform::WParam commandNext = 40048;
constexpr platform::WParam commandVolumeUp = 40058;
constexpr platform::WParam commandVolumeDown = 40059;
constexpr platform::WParam commandForward5s = 40060;
constexpr platform::WParam commandBack5s = 40061;

// ---- the media library window ----------------------------------------------

constexpr unsigned int libraryMessage = 0x1400;            // wParam: record address
constexpr platform::LParam libraryRunQuery = 0x700;        // LibraryQuery*
constexpr platform::LParam libraryReleaseResults = 0x705;  // LibraryQuery*
constexpr platform::LParam libraryPlayRecords = 0x302;     // LibraryPlayRequest*
constexpr platform::LParam libraryPlaylistsMenu = 0x106;   // MenuRequest*; returns a menu

// The host's records. Every field is 32 bits wide in the (32-bit) host.
struct AddFileRecord {
    const char* fileName;
    const char* title;    // always null
    std::int32_t length;  // always 0
};

struct LibraryRecord {
    char* fileName;
    char* title;
    char* album;
    char* artist;
    char* extraText;
    char* genre;
    std::int32_t extraNumbers[3];
    void* extendedItems;
};

struct LibraryRecordList {
    LibraryRecord* records;
    std::int32_t count;
    std::int32_t capacity;
};

struct LibraryQuery {
    char* queryText;
    std::int32_t maxResults;  // 0: no limit
    LibraryRecordList results;
};

struct LibraryPlayRequest {
    std::int32_t kind;  // 0: `list` is a LibraryRecordList
    LibraryRecordList* list;
    std::int32_t enqueue;  // 0 play, 1 enqueue
};

struct MenuRequest {
    std::int32_t values[3];  // 0, 0, -1 before every request
};

#if defined(_WIN32) && !defined(_WIN64)
// The host is a 32-bit program and reads these records at fixed offsets.
static_assert(sizeof(PluginDescriptor) == 32);
static_assert(offsetof(PluginDescriptor, version) == 0);
static_assert(offsetof(PluginDescriptor, description) == 4);
static_assert(offsetof(PluginDescriptor, init) == 8);
static_assert(offsetof(PluginDescriptor, quit) == 12);
static_assert(offsetof(PluginDescriptor, messageProc) == 16);
static_assert(offsetof(PluginDescriptor, hostWindow) == 20);
static_assert(offsetof(PluginDescriptor, libraryParent) == 24);
static_assert(offsetof(PluginDescriptor, dllInstance) == 28);

static_assert(sizeof(AddFileRecord) == 12);
static_assert(offsetof(AddFileRecord, fileName) == 0);
static_assert(offsetof(AddFileRecord, title) == 4);
static_assert(offsetof(AddFileRecord, length) == 8);

static_assert(sizeof(LibraryRecord) == 40);
static_assert(offsetof(LibraryRecord, fileName) == 0);
static_assert(offsetof(LibraryRecord, title) == 4);
static_assert(offsetof(LibraryRecord, album) == 8);
static_assert(offsetof(LibraryRecord, artist) == 12);
static_assert(offsetof(LibraryRecord, extraText) == 16);
static_assert(offsetof(LibraryRecord, genre) == 20);
static_assert(offsetof(LibraryRecord, extraNumbers) == 24);
static_assert(offsetof(LibraryRecord, extendedItems) == 36);

static_assert(sizeof(LibraryRecordList) == 12);
static_assert(offsetof(LibraryRecordList, records) == 0);
static_assert(offsetof(LibraryRecordList, count) == 4);
static_assert(offsetof(LibraryRecordList, capacity) == 8);

static_assert(sizeof(LibraryQuery) == 20);
static_assert(offsetof(LibraryQuery, queryText) == 0);
static_assert(offsetof(LibraryQuery, maxResults) == 4);
static_assert(offsetof(LibraryQuery, results) == 8);

static_assert(sizeof(LibraryPlayRequest) == 12);
static_assert(offsetof(LibraryPlayRequest, kind) == 0);
static_assert(offsetof(LibraryPlayRequest, list) == 4);
static_assert(offsetof(LibraryPlayRequest, enqueue) == 8);

static_assert(sizeof(MenuRequest) == 12);
static_assert(offsetof(MenuRequest, values) == 0);
#endif

}  // namespace host
