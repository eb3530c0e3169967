#include <share.h>

#include <cstdio>
#include <cstring>

#include "platform/platform.h"
#include "platform/win32/windows_headers.h"

namespace platform {

namespace {

void copyFindData(const WIN32_FIND_DATAA& data, FindEntry* entry) {
    static_assert(sizeof entry->name >= sizeof data.cFileName);
    std::size_t length = strnlen(data.cFileName, sizeof data.cFileName);
    if (length >= sizeof entry->name) length = sizeof entry->name - 1;
    std::memcpy(entry->name, data.cFileName, length);
    entry->name[length] = '\0';
    entry->attributes = data.dwFileAttributes;
}

}  // namespace

std::FILE* openActivityLog(const char* path) { return std::fopen(path, "w"); }

std::FILE* openSharedForReading(const char* path) { return _fsopen(path, "r", _SH_DENYNO); }

FindHandle findFirstFile(const char* pattern, FindEntry* entry) {
    WIN32_FIND_DATAA data;
    HANDLE search = FindFirstFileA(pattern, &data);
    if (search == INVALID_HANDLE_VALUE) return nullptr;
    copyFindData(data, entry);
    return search;
}

bool findNextFile(FindHandle search, FindEntry* entry) {
    if (search == nullptr) return false;
    WIN32_FIND_DATAA data;
    if (!FindNextFileA(search, &data)) return false;
    copyFindData(data, entry);
    return true;
}

void findClose(FindHandle search) {
    if (search != nullptr) FindClose(search);
}

std::uint32_t logicalDriveStrings(char* out, std::uint32_t size) {
    if (out == nullptr || size < 2) {
        if (out != nullptr && size == 1) out[0] = '\0';
        DWORD needed = GetLogicalDriveStringsA(0, nullptr);
        return needed > 0 ? needed - 1 : 0;
    }
    out[0] = '\0';
    out[1] = '\0';
    DWORD result = GetLogicalDriveStringsA(size, out);
    if (result > size - 1) {
        // Windows counts the final NUL when the roots do not fit, and leaves the
        // buffer undefined: hand back an empty list and the length without it.
        out[0] = '\0';
        out[1] = '\0';
        return result - 1;
    }
    return result;
}

std::uint32_t driveType(const char* root) { return GetDriveTypeA(root); }

bool volumeLabel(const char* root, char* out, std::uint32_t size) {
    if (out == nullptr || size == 0) return false;
    out[0] = '\0';
    if (!GetVolumeInformationA(root, out, size, nullptr, nullptr, nullptr, nullptr, 0)) {
        out[0] = '\0';
        return false;
    }
    out[size - 1] = '\0';
    return true;
}

bool copyFileNoOverwrite(const char* from, const char* to) { return CopyFileA(from, to, TRUE) != FALSE; }

bool readWholeFile(const char* path, char* out, std::size_t size, std::size_t* length) {
    std::FILE* file = std::fopen(path, "rb");
    if (file == nullptr) return false;
    std::size_t count = std::fread(out, 1, size, file);
    bool whole = !std::ferror(file) && std::fgetc(file) == EOF;
    std::fclose(file);
    if (!whole) return false;
    *length = count;
    return true;
}

bool writeWholeFile(const char* path, const char* data, std::size_t length) {
    std::FILE* file = std::fopen(path, "wb");
    if (file == nullptr) return false;
    bool written = std::fwrite(data, 1, length, file) == length;
    bool closed = std::fclose(file) == 0;
    return written && closed;
}

}  // namespace platform
