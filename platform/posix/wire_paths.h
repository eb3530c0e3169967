// The plug-in speaks Windows-shaped paths ("M:\Artist\Album\01.flac"); on Linux
// each of a few wire roots stands for a local folder. These functions only
// translate texts: they refuse anything that could name a place outside its
// root (a ".." or "." component, an empty one, a '/', a control byte), and
// leave the question of symbolic links to whoever opens the file.
#pragma once

#include <string>
#include <vector>

namespace wirepaths {

// The drive letters the Linux build uses on the wire.
constexpr char musicDrive = 'M';     // the music directory: the one drive the phone browses
constexpr char playlistDrive = 'P';  // the folder of the user's playlist files ("My Music")
constexpr char stateDrive = 'Q';     // the host's own folder: its playlist file, the library's catalog
constexpr char configDrive = 'C';    // the settings file's folder

struct Root {
    char drive = 0;          // upper case
    std::string localPath;   // an absolute local folder, without a trailing '/'
};

using Roots = std::vector<Root>;

// "M:\a\b.mp3" with the root M at "/srv/music" gives "/srv/music/a/b.mp3";
// "M:\" and "M:" give the folder itself. False, with `local` untouched, when the
// drive has no root or a component is refused.
bool localFromWire(const Roots& roots, const std::string& wire, std::string* local);

// The reverse, for a local path at or below one of the roots; false when the
// path lies below none, or holds a name the wire cannot carry (a backslash, a
// control byte).
bool wireFromLocal(const Roots& roots, const std::string& local, std::string* wire);

// The path below the music drive as MPD names a song ("a/b.mp3"); false when
// `wire` is not a file below M: or a component is refused.
bool musicUriFromWire(const std::string& wire, std::string* uri);
// "a/b.mp3" gives "M:\a\b.mp3"; false for a URI the wire cannot carry (a
// backslash or control byte in it, an absolute path, a URL such as "http://").
bool wireFromMusicUri(const std::string& uri, std::string* wire);

}  // namespace wirepaths
