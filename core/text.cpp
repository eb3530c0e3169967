#include "core/text.h"

#include <cstdio>

bool formatTextList(char* out, std::size_t size, const char* format, std::va_list values) {
    if (size == 0) return false;
    const int length = std::vsnprintf(out, size, format, values);
    if (length < 0) {
        out[0] = '\0';
        return false;
    }
    return static_cast<std::size_t>(length) < size;
}

bool formatText(char* out, std::size_t size, const char* format, ...) {
    std::va_list values;
    va_start(values, format);
    const bool fitted = formatTextList(out, size, format, values);
    va_end(values);
    return fitted;
}
