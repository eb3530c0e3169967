#include "files/paths.h"

#include <cstring>

bool joinPath(char (&path)[pathSize], std::initializer_list<const char*> parts) {
    std::size_t length = 0;
    for (const char* part : parts) {
        const std::size_t partLength = std::strlen(part);
        if (partLength >= sizeof path - length) {
            path[0] = '\0';
            return false;
        }
        std::memcpy(path + length, part, partLength);
        length += partLength;
    }
    path[length] = '\0';
    return true;
}
