#include <cstdio>
#include <cstring>

#include "platform/platform.h"

namespace platform {

bool serialDevicePath(const char* portName, char* out, std::size_t size) {
    if (size == 0) return false;
    const char* prefix = std::strchr(portName, '\\') ? "" : "\\\\.\\";
    int length = std::snprintf(out, size, "%s%s", prefix, portName);
    if (length < 0 || static_cast<std::size_t>(length) >= size) {
        out[0] = '\0';
        return false;
    }
    return true;
}

}  // namespace platform
