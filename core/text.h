// Texts composed in fixed buffers: query texts, entry names with their mark,
// parts of a reply line. Whole reply lines are written through the reply
// object (link/reply.h).
#pragma once

#include <cstdarg>
#include <cstddef>

// Format checking as the C runtime formats: MinGW's C++ runtime uses its own
// C99 printf, not the system's.
#if defined(__MINGW32__)
#define TEXT_FORMAT(f, a) __attribute__((format(gnu_printf, f, a)))
#else
#define TEXT_FORMAT(f, a) __attribute__((format(printf, f, a)))
#endif

// Composes `format` and its values into `out` (`size` bytes, always NUL-ended).
// False when the text did not fit: `out` then holds as much of it as fits.
bool formatText(char* out, std::size_t size, const char* format, ...) TEXT_FORMAT(3, 4);
bool formatTextList(char* out, std::size_t size, const char* format, std::va_list values) TEXT_FORMAT(3, 0);
