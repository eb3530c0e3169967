#include "platform/posix/wire_paths.h"

namespace wirepaths {

namespace {

char upper(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c; }

bool controlByte(char c) { return static_cast<unsigned char>(c) < 0x20 || c == 0x7f; }

// A component of a wire path may be any name Linux can hold and the wire can
// carry, but never one that climbs out or means "here".
bool acceptableComponent(const std::string& name) {
    if (name.empty() || name == "." || name == "..") return false;
    for (char c : name)
        if (c == '/' || controlByte(c)) return false;
    return true;
}

// Splits what follows "X:" into components joined by '/'; "" for the root itself.
bool relativeFromWire(const std::string& wire, char* drive, std::string* relative) {
    if (wire.size() < 2 || wire[1] != ':') return false;
    *drive = upper(wire[0]);
    if (*drive < 'A' || *drive > 'Z') return false;
    std::string rest = wire.substr(2);
    if (!rest.empty() && rest[0] == '\\') rest.erase(0, 1);
    std::string out;
    std::size_t start = 0;
    while (start < rest.size()) {
        std::size_t end = rest.find('\\', start);
        if (end == std::string::npos) end = rest.size();
        std::string component = rest.substr(start, end - start);
        // One trailing backslash ("M:\Artist\") names the folder itself.
        if (component.empty() && end == rest.size()) break;
        if (!acceptableComponent(component)) return false;
        if (!out.empty()) out += '/';
        out += component;
        start = end + 1;
    }
    *relative = out;
    return true;
}

bool wireFromRelative(char drive, const std::string& relative, std::string* wire) {
    std::string out(1, drive);
    out += ":\\";
    std::size_t start = 0;
    while (start < relative.size()) {
        std::size_t end = relative.find('/', start);
        if (end == std::string::npos) end = relative.size();
        std::string component = relative.substr(start, end - start);
        if (!acceptableComponent(component)) return false;
        for (char c : component)
            if (c == '\\') return false;
        if (out.back() != '\\') out += '\\';
        out += component;
        start = end + 1;
    }
    *wire = out;
    return true;
}

}  // namespace

bool localFromWire(const Roots& roots, const std::string& wire, std::string* local) {
    char drive = 0;
    std::string relative;
    if (!relativeFromWire(wire, &drive, &relative)) return false;
    for (const Root& root : roots) {
        if (root.drive != drive) continue;
        *local = relative.empty() ? root.localPath : root.localPath + "/" + relative;
        return true;
    }
    return false;
}

bool wireFromLocal(const Roots& roots, const std::string& local, std::string* wire) {
    for (const Root& root : roots) {
        const std::string& base = root.localPath;
        if (local == base) return wireFromRelative(root.drive, "", wire);
        if (local.size() > base.size() && local.compare(0, base.size(), base) == 0 && local[base.size()] == '/')
            return wireFromRelative(root.drive, local.substr(base.size() + 1), wire);
    }
    return false;
}

bool musicUriFromWire(const std::string& wire, std::string* uri) {
    char drive = 0;
    std::string relative;
    if (!relativeFromWire(wire, &drive, &relative) || drive != musicDrive || relative.empty()) return false;
    *uri = relative;
    return true;
}

bool wireFromMusicUri(const std::string& uri, std::string* wire) {
    if (uri.empty() || uri[0] == '/' || uri.find("://") != std::string::npos) return false;
    return wireFromRelative(musicDrive, uri, wire);
}

}  // namespace wirepaths
