#include "platform/platform.h"
#include "platform/win32/windows_headers.h"

namespace platform {

bool powerOff() {
    HANDLE token = nullptr;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_ADJUST_PRIVILEGES | TOKEN_QUERY, &token)) return false;
    TOKEN_PRIVILEGES privileges{};
    LookupPrivilegeValueA(nullptr, "SeShutdownPrivilege", &privileges.Privileges[0].Luid);
    privileges.PrivilegeCount = 1;
    privileges.Privileges[0].Attributes = SE_PRIVILEGE_ENABLED;
    AdjustTokenPrivileges(token, FALSE, &privileges, 0, nullptr, nullptr);
    // Read before closing the token, which may set the error of its own.
    DWORD error = GetLastError();
    CloseHandle(token);
    if (error != 0) return false;
    return ExitWindowsEx(EWX_POWEROFF | EWX_FORCE, 0) != FALSE;
}

}  // namespace platform
