// The host's playlist files: "#EXTM3U", then per entry an optional
// "#EXTINF:<seconds>,<title>" line and the path line.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "hostsim/reference_host.h"

namespace hostsim {

// A name the host opens as a playlist rather than as one media file: it ends
// in ".m3u" or ".m3u8", in any case.
bool isPlaylistFileName(std::string_view name);

// The file name without its folder and without its extension.
std::string titleFromPath(std::string_view path);

// Entries in file order. Lines end in LF or CRLF; blank lines and comments are
// skipped; an entry without an "#EXTINF" title takes its title from its path.
// Paths are kept as written.
std::vector<PlaylistEntry> parsePlaylistText(std::string_view text);

// CRLF line ends, as the Windows host writes them.
std::string formatPlaylistText(const std::vector<PlaylistEntry>& entries);

}  // namespace hostsim
