// The one context record of the plug-in: its state, in records grouped by
// owner and thread. Each record has one reset; a fresh context has them all.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <cstdio>

#include "core/host_interface.h"
#include "core/text_fold.h"
#include "platform/platform.h"

// A value both threads use, read and written whole. Assigning one stores the
// other's value, so a record of them is reset by assigning it a fresh record:
// one statement that cannot leave a field out, each value stored atomically.
template <typename T>
struct Shared : std::atomic<T> {
    using std::atomic<T>::atomic;
    using std::atomic<T>::operator=;
    Shared() = default;
    Shared(const Shared& other) noexcept : std::atomic<T>(other.load()) {}
    Shared& operator=(const Shared& other) noexcept {
        this->store(other.load());
        return *this;
    }
};

// Flags shared by the user-interface thread and the worker: each a whole 32-bit
// value written by one side and polled by the other, read fresh on every poll.
using SharedFlag = Shared<std::int32_t>;

// The stop flag is never lowered: assigning a fresh record leaves it as it is
// (a worker left running after quit still sees it raised).
struct StopFlag : SharedFlag {
    using SharedFlag::SharedFlag;
    using SharedFlag::operator=;
    StopFlag() = default;
    StopFlag(const StopFlag& other) = default;
    StopFlag& operator=(const StopFlag&) noexcept { return *this; }
};

// The host's handles: set on the user-interface thread by init (the port by
// init and quit), read by both threads while the plug-in runs.
struct HostHandles {
    platform::WindowHandle window = nullptr;
    platform::ModuleHandle dllInstance = nullptr;
    platform::WindowHandle libraryWindow = nullptr;
    platform::PortHandle port = nullptr;
    // The host window's procedure before our hook; every message goes on to it.
    platform::WindowProcedure previousWindowProc = nullptr;
};

// Settings and folders read once by init on the user-interface thread (the
// port name also by the configuration dialog); the worker only reads them.
struct Settings {
    char portName[16] = {};
    const char* iniPath = "winamp.ini";
    char extensionList[1024] = {};
    char hostDirectory[260] = {};
    char myMusicFolder[260] = {};
};

// The link: command lines in, reply lines out. The line buffers and the framing
// are the worker's; sendBuffer and lineTorn are guarded by the reply lock,
// which both threads take to write a line.
struct LinkState {
    char receiveBuffer[1024] = {};
    char commandToken[32] = {};
    char argument[1024] = {};
    // Bytes received and not yet framed: the start of the next line, and
    // possibly whole lines that arrived in the same read as an earlier one.
    char pending[1024] = {};
    std::size_t pendingLength = 0;
    // Set while the rest of an overlong line is dropped, up to its LF.
    bool discardingLine = false;
    char sendBuffer[1024] = {};
    // A line was cut short: the phone holds a fragment the next line must not
    // be glued onto.
    bool lineTorn = false;
    // Lines completed and taken since the reset (read by tests and the fuzz
    // driver from other threads).
    Shared<std::uint64_t> completedLines{0};
    Shared<std::uint64_t> takenLines{0};

    // A fresh link: no partial line, nothing torn, nothing counted.
    void reset() { *this = LinkState{}; }
};

// Flags shared between the threads, each with who writes it.
struct SharedFlags {
    // Worker: 0 while a completed line waits to be taken.
    SharedFlag lineConsumed{1};
    // Worker (18 and 21): now-playing pushes on or off.
    SharedFlag statusPush{0};
    // Worker (103 and 27): the wait at a list's page end sends the owed status
    // lines too, as the phone asked.
    SharedFlag listPushes{0};
    // Both: the hook and the fade (user-interface thread), command 11 (worker).
    SharedFlag volume{0};
    // Raised by the hook and the fade, cleared by the worker when it sends (the
    // worker also raises playStateChanged after an action inside a list).
    SharedFlag volumeChanged{0};
    SharedFlag playStateChanged{0};
    // Worker, at its very end.
    SharedFlag workerFinished{0};
    // Raised by quit and by the sleep timer's power-off; never lowered.
    StopFlag stop{0};
    // Who closes the port: 0 while the worker runs, 1 once it has ended, 2 when
    // quit has left the port to it. Exactly one side closes.
    Shared<int> portHandover{0};

    // Every flag as at a start, except the stop flag, which stays raised.
    void reset() { *this = SharedFlags{}; }
};

// The browse and selection memory: the worker's only.
struct BrowseMemory {
    // Remembered by 34 and 35 for the albums and titles of the chosen one.
    char selectedArtist[512] = {};
    char selectedGenre[512] = {};
    // The query of the browse lists; its results stay held after a list ends,
    // until the next browse list, for the title selection by index.
    host::LibraryQuery browseQuery{};
    // After a search, the browse results begin with its matches, this many, in
    // the order shown; the rest are held only to be released. -1 after any
    // other list.
    std::int32_t browseMatchCount = -1;
    // The query of the selections that hand records to the player.
    host::LibraryQuery selectionQuery{};
    // Every query text is composed here; it holds at most 511 characters.
    char queryText[512] = {};
    // Records the host reads during a synchronous send only.
    host::AddFileRecord addFileRecord{nullptr, nullptr, 0};
    host::LibraryPlayRequest playRequest{};
    host::MenuRequest menuRequest{};

    void reset() { *this = BrowseMemory{}; }
};

// The sleep timer: written by the worker (command 28), read and counted down
// on the user-interface thread; each value is read fresh where it is used.
struct SleepTimerState {
    // The armed flag, the action, the count mode and the count in one word,
    // replaced by the worker in one step and counted down by compare-and-swap
    // (protocol/sleep_timer.cpp packs it).
    Shared<std::uint64_t> arming{0};
    // The fade's values, written by the worker before it publishes an arming.
    Shared<double> fadeFactor{0.0};
    Shared<std::int32_t> fadeInterval{0};
    Shared<std::int32_t> fadeCountdown{0};
    // The 60-second timer; 0 when it could not be started (or after quit).
    Shared<platform::TimerId> minuteTimerId{0};

    // Every value back to zero, as when the library is loaded.
    void reset() { *this = SleepTimerState{}; }
};

// Start and stop, on the user-interface thread.
struct Lifecycle {
    // Whether init started a worker that quit has to wait for.
    bool workerStarted = false;
    // Whether init hooked the host main window.
    bool hookInstalled = false;
    // "c:\peltaris.txt" while it is open.
    std::FILE* activityLog = nullptr;

    void reset() { *this = Lifecycle{}; }
};

struct PluginContext {
    HostHandles host;
    Settings settings;
    // The PC's code page and how a search folds its bytes: built by init on
    // the user-interface thread before the worker starts; the worker reads it.
    TextFold textFold;
    LinkState link;
    SharedFlags flags;
    BrowseMemory browse;
    SleepTimerState sleepTimer;
    Lifecycle lifecycle;
};

// Set once by init; the record lives until the process ends. Read only at the
// entry points the host or Windows call with no context of ours (init, quit,
// the configuration dialog, the host window hook, the minute timer); they hand
// the records down (tools/check_state.sh holds the list).
extern PluginContext* pluginContext;
