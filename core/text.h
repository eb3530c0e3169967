// Texts composed in fixed buffers: query texts, entry names with their mark,
// parts of a reply line. Whole reply lines are written through the reply
// object (link/reply.h).
#pragma once

#include <cstdarg>
#include <cstddef>

// Composes `format` and its values into `out` (`size` bytes, always NUL-ended).
// False when the text did not fit: `out` then holds as much of it as fits.
bool formatText(char* out, std::size_t size, const char* format, ...) __attribute__((format(printf, 3, 4)));
bool formatTextList(char* out, std::size_t size, const char* format, std::va_list values)
    __attribute__((format(printf, 3, 0)));
