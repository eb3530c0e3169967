// Paths the files commands build from folders and names.
#pragma once

#include <cstddef>
#include <initializer_list>

// The platform's path limit, the closing NUL included.
constexpr std::size_t pathSize = 260;

// Joins the parts into `path`. False, with `path` empty, when they do not fit:
// a path cut short names another file, so it is never used.
bool joinPath(char (&path)[pathSize], std::initializer_list<const char*> parts);
