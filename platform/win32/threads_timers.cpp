#include <new>

#include "platform/platform.h"
#include "platform/win32/windows_headers.h"

namespace platform {

namespace {

struct ThreadStart {
    ThreadProcedure procedure;
    void* parameter;
    HMODULE pinnedModule;
};

// Runs the procedure while this module holds an extra reference, and drops
// that reference only as the thread exits, so the host can unload the library
// at any moment without pulling the code from under a running worker.
DWORD WINAPI threadTrampoline(void* raw) {
    ThreadStart start = *static_cast<ThreadStart*>(raw);
    delete static_cast<ThreadStart*>(raw);
    DWORD result = start.procedure(start.parameter);
    FreeLibraryAndExitThread(start.pinnedModule, result);
}

SRWLOCK replyLock = SRWLOCK_INIT;

}  // namespace

bool startThread(ThreadProcedure procedure, void* parameter) {
    HMODULE module = nullptr;
    if (!GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS, reinterpret_cast<LPCSTR>(&threadTrampoline),
                            &module)) {
        return false;
    }
    ThreadStart* start = new (std::nothrow) ThreadStart{procedure, parameter, module};
    if (start == nullptr) {
        FreeLibrary(module);
        return false;
    }
    HANDLE thread = CreateThread(nullptr, 0, &threadTrampoline, start, 0, nullptr);
    if (thread == nullptr) {
        delete start;
        FreeLibrary(module);
        return false;
    }
    CloseHandle(thread);
    return true;
}

TimerId startTimer(std::uint32_t periodMs, TimerProcedure procedure) {
    return SetTimer(nullptr, 0, periodMs, procedure);
}

void stopTimer(TimerId timer) {
    if (timer != 0) KillTimer(nullptr, timer);
}

void sleepMs(std::uint32_t ms) { Sleep(ms); }

std::uint32_t tickCount() { return GetTickCount(); }

void lockReplies() { AcquireSRWLockExclusive(&replyLock); }

void unlockReplies() { ReleaseSRWLockExclusive(&replyLock); }

}  // namespace platform
