#include <cstring>

#include "platform/platform.h"
#include "platform/win32/windows_headers.h"

namespace platform {

std::uint32_t readIniString(const char* section, const char* key, const char* fallback, char* out, std::uint32_t size,
                            const char* iniPath) {
    return GetPrivateProfileStringA(section, key, fallback, out, size, iniPath);
}

int readIniInt(const char* section, const char* key, int fallback, const char* iniPath) {
    return static_cast<int>(GetPrivateProfileIntA(section, key, fallback, iniPath));
}

bool writeIniString(const char* section, const char* key, const char* value, const char* iniPath) {
    return WritePrivateProfileStringA(section, key, value, iniPath) != FALSE;
}

void readMyMusicFolder(char* out, std::uint32_t size) {
    if (out == nullptr || size == 0) return;
    HKEY key = nullptr;
    const char* shellFolders = "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders";
    if (RegOpenKeyA(HKEY_CURRENT_USER, shellFolders, &key) != ERROR_SUCCESS) return;
    // Read into a scratch buffer first: a failed or oversized query leaves the
    // caller's text exactly as it was, and a folder that does not fit is not
    // cut into the name of some other folder.
    char value[MAX_PATH * 4];
    DWORD capacity = size - 1 < sizeof value - 1 ? size - 1 : sizeof value - 1;
    DWORD length = capacity;
    DWORD type = 0;
    LONG result = RegQueryValueExA(key, "My Music", nullptr, &type, reinterpret_cast<BYTE*>(value), &length);
    RegCloseKey(key);
    if (result != ERROR_SUCCESS || (type != REG_SZ && type != REG_EXPAND_SZ)) return;
    if (length > capacity) return;
    // The stored text need not carry its own NUL.
    std::size_t textLength = strnlen(value, length);
    std::memcpy(out, value, textLength);
    out[textLength] = '\0';
}

std::uint32_t hostProgramPath(char* out, std::uint32_t size) {
    if (out == nullptr || size == 0) return 0;
    DWORD length = GetModuleFileNameA(nullptr, out, size);
    if (length == 0 || length >= size) {
        // A cut path would name the wrong folder.
        out[0] = '\0';
        return 0;
    }
    out[length] = '\0';
    return length;
}

const char* previousCharacter(const char* start, const char* current) { return CharPrevA(start, current); }

}  // namespace platform
