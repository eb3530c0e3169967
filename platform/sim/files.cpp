// The simulated file system: Windows paths compared without regard to case,
// folders that list their entries in the order they were made ("file-system
// order"), drives with types and labels, FindFirstFile masks, a copy that
// never overwrites, and the activity log as a real temporary file.
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <map>
#include <mutex>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "platform/platform.h"
#include "platform/sim/sim.h"
#include "platform/sim/sim_internal.h"

namespace {

using platform::FindEntry;
using sim::detail::lowerAscii;
using sim::detail::lowerCase;

// MAX_PATH counts the closing NUL.
constexpr std::size_t pathLimit = 260;
// Paths without a drive are taken on the current drive, which is C: here.
constexpr char currentDrive = 'C';

struct Node {
    std::string name;  // as made, for listings
    bool isFolder = false;
    std::string contents;
    std::vector<std::string> children;  // keys, in the order they were made
};

struct Drive {
    std::uint32_t type = 0;
    std::string label;
    bool ready = true;
};

struct Search {
    std::vector<FindEntry> entries;
    std::size_t next = 0;
};

struct Files {
    std::mutex mutex;
    std::map<std::string, Node> nodes;  // by lower-case full path: "c:", "c:\music"
    std::map<char, Drive> drives;
    std::set<Search*> searches;
    std::uint64_t searchesStarted = 0;
    bool failNextCopy = false;
    bool failNextFileOpen = false;
    bool failActivityLog = false;
    bool activityLogCreated = false;
    std::string activityLogFile;       // the temporary file behind the log
    std::vector<std::string> written;  // paths of files made or rewritten, as asked for
};

Files& files() {
    static Files* state = new Files;
    return *state;
}

struct ParsedPath {
    char drive = currentDrive;
    std::vector<std::string> parts;  // folders and name below the root

    std::string key(std::size_t depth) const {
        std::string key{lowerAscii(drive), ':'};
        for (std::size_t i = 0; i < depth; ++i) key += "\\" + lowerCase(parts[i]);
        return key;
    }
    std::string key() const { return key(parts.size()); }
};

bool isDriveLetter(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }
char upperAscii(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c; }

bool isForbiddenInName(char c) { return static_cast<unsigned char>(c) < 32 || std::strchr("<>:\"|?*", c) != nullptr; }

// Splits a Windows path as the system resolves it: '/' is a separator too,
// "." and ".." are folded, trailing dots and blanks of a name are dropped, and
// names with characters Windows refuses make the whole path invalid.
bool parsePath(const char* text, ParsedPath* parsed) {
    if (text == nullptr || text[0] == '\0' || std::strlen(text) >= pathLimit) return false;
    std::string path(text);
    for (char& c : path) c = c == '/' ? '\\' : c;
    std::size_t at = 0;
    if (path.size() >= 2 && path[1] == ':' && isDriveLetter(path[0])) {
        parsed->drive = upperAscii(path[0]);
        at = 2;
    } else if (path.compare(0, 2, "\\\\") == 0) {
        return false;  // network and device paths are not simulated
    }
    while (at <= path.size()) {
        std::size_t end = path.find('\\', at);
        if (end == std::string::npos) end = path.size();
        std::string part = path.substr(at, end - at);
        at = end + 1;
        if (part.empty() || part == ".") continue;
        if (part == "..") {
            if (!parsed->parts.empty()) parsed->parts.pop_back();
            continue;
        }
        while (!part.empty() && (part.back() == '.' || part.back() == ' ')) part.pop_back();
        if (part.empty()) return false;
        for (char c : part) {
            if (isForbiddenInName(c)) return false;
        }
        parsed->parts.push_back(part);
    }
    return true;
}

bool driveUsable(Files& f, char drive) {
    auto found = f.drives.find(drive);
    return found == f.drives.end() || found->second.ready;
}

Node* findNode(Files& f, const ParsedPath& path) {
    if (!driveUsable(f, path.drive)) return nullptr;
    auto found = f.nodes.find(path.key());
    return found != f.nodes.end() ? &found->second : nullptr;
}

Node& rootOf(Files& f, char drive) {
    std::string key{lowerAscii(drive), ':'};
    Node& root = f.nodes[key];
    if (root.name.empty()) {
        root.name = std::string{drive, ':'};
        root.isFolder = true;
    }
    return root;
}

// Makes the folders above `path` as needed; nullptr when a file is in the way.
Node* makeParents(Files& f, const ParsedPath& path) {
    Node* parent = &rootOf(f, path.drive);
    for (std::size_t depth = 1; depth < path.parts.size(); ++depth) {
        std::string key = path.key(depth);
        auto found = f.nodes.find(key);
        if (found == f.nodes.end()) {
            parent->children.push_back(key);
            found = f.nodes.emplace(key, Node{path.parts[depth - 1], true, "", {}}).first;
        }
        if (!found->second.isFolder) return nullptr;
        parent = &found->second;
    }
    return parent;
}

Node* existingParent(Files& f, const ParsedPath& path) {
    if (path.parts.empty() || !driveUsable(f, path.drive)) return nullptr;
    auto found = f.nodes.find(path.key(path.parts.size() - 1));
    return (found != f.nodes.end() && found->second.isFolder) ? &found->second : nullptr;
}

// Adds a file under `parent`, or replaces the contents of the one that is there.
bool putFile(Files& f, Node* parent, const ParsedPath& path, const std::string& contents) {
    if (parent == nullptr || path.parts.empty()) return false;
    std::string key = path.key();
    auto found = f.nodes.find(key);
    if (found != f.nodes.end()) {
        if (found->second.isFolder) return false;
        found->second.contents = contents;
        return true;
    }
    parent->children.push_back(key);
    f.nodes.emplace(key, Node{path.parts.back(), false, contents, {}});
    return true;
}

bool globMatches(const char* mask, const char* name) {
    const char* starMask = nullptr;
    const char* starName = nullptr;
    while (*name != '\0') {
        if (*mask == '*') {
            starMask = ++mask;
            starName = name;
        } else if (*mask == '?' || (*mask != '\0' && lowerAscii(*mask) == lowerAscii(*name))) {
            ++mask;
            ++name;
        } else if (starMask != nullptr) {
            mask = starMask;
            name = ++starName;
        } else {
            return false;
        }
    }
    while (*mask == '*') ++mask;
    return *mask == '\0';
}

// FindFirstFile's matching: "*" and "*.*" take every name, a mask ending in
// '.' takes only names without a '.', anything else is a plain wildcard match.
bool maskMatches(const std::string& mask, const std::string& name) {
    if (mask == "*" || mask == "*.*") return true;
    // Windows lists a folder's own entry and its parent's for "*." as well.
    if (mask == "*." && (name == "." || name == "..")) return true;
    if (!mask.empty() && mask.back() == '.') {
        if (name.find('.') != std::string::npos) return false;
        return globMatches(mask.substr(0, mask.size() - 1).c_str(), name.c_str());
    }
    return globMatches(mask.c_str(), name.c_str());
}

FindEntry findEntry(const std::string& name, bool isFolder) {
    FindEntry entry{};
    sim::detail::copyCut(name, entry.name, sizeof entry.name);
    entry.attributes = isFolder ? platform::attributeDirectory : 0x80;  // FILE_ATTRIBUTE_NORMAL
    return entry;
}

// "C:\" or "C:" names a drive root; anything else is no drive.
bool rootLetter(const char* root, char* letter) {
    if (root == nullptr || !isDriveLetter(root[0]) || root[1] != ':') return false;
    if (!(root[2] == '\0' || (root[2] == '\\' && root[3] == '\0'))) return false;
    *letter = upperAscii(root[0]);
    return true;
}

// Text mode on Windows reads a CR LF pair as one LF.
std::string asTextMode(const std::string& bytes) {
    std::string text;
    text.reserve(bytes.size());
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        if (bytes[i] == '\r' && i + 1 < bytes.size() && bytes[i + 1] == '\n') continue;
        text += bytes[i];
    }
    return text;
}

}  // namespace

namespace sim {

namespace detail {

void resetFiles() {
    Files& f = files();
    std::lock_guard<std::mutex> lock(f.mutex);
    f.nodes.clear();
    f.drives.clear();
    for (Search* search : f.searches) delete search;
    f.searches.clear();
    f.searchesStarted = 0;
    f.failNextCopy = false;
    f.failNextFileOpen = false;
    f.failActivityLog = false;
    f.activityLogCreated = false;
    if (!f.activityLogFile.empty()) ::unlink(f.activityLogFile.c_str());
    f.activityLogFile.clear();
    f.written.clear();
}

}  // namespace detail

void addFolder(const std::string& path) {
    ParsedPath parsed;
    if (!parsePath(path.c_str(), &parsed)) return;
    Files& f = files();
    std::lock_guard<std::mutex> lock(f.mutex);
    Node* parent = makeParents(f, parsed);
    if (parent == nullptr || parsed.parts.empty()) return;
    std::string key = parsed.key();
    if (f.nodes.count(key) != 0) return;
    parent->children.push_back(key);
    f.nodes.emplace(key, Node{parsed.parts.back(), true, "", {}});
}

void addFile(const std::string& path, const std::string& contents) {
    ParsedPath parsed;
    if (!parsePath(path.c_str(), &parsed)) return;
    Files& f = files();
    std::lock_guard<std::mutex> lock(f.mutex);
    putFile(f, makeParents(f, parsed), parsed, contents);
}

void removePath(const std::string& path) {
    ParsedPath parsed;
    if (!parsePath(path.c_str(), &parsed) || parsed.parts.empty()) return;
    Files& f = files();
    std::lock_guard<std::mutex> lock(f.mutex);
    const std::string key = parsed.key();
    if (f.nodes.count(key) == 0) return;
    if (Node* parent = existingParent(f, parsed)) {
        auto& siblings = parent->children;
        siblings.erase(std::remove(siblings.begin(), siblings.end(), key), siblings.end());
    }
    // The node and everything below it.
    std::vector<std::string> doomed{key};
    for (std::size_t i = 0; i < doomed.size(); ++i) {
        auto found = f.nodes.find(doomed[i]);
        if (found == f.nodes.end()) continue;
        doomed.insert(doomed.end(), found->second.children.begin(), found->second.children.end());
        f.nodes.erase(found);
    }
}

bool fileExists(const std::string& path) {
    ParsedPath parsed;
    if (!parsePath(path.c_str(), &parsed)) return false;
    Files& f = files();
    std::lock_guard<std::mutex> lock(f.mutex);
    auto found = f.nodes.find(parsed.key());
    return found != f.nodes.end() && !found->second.isFolder;
}

std::string fileContents(const std::string& path) {
    ParsedPath parsed;
    if (!parsePath(path.c_str(), &parsed)) return std::string();
    Files& f = files();
    std::lock_guard<std::mutex> lock(f.mutex);
    auto found = f.nodes.find(parsed.key());
    return found != f.nodes.end() ? found->second.contents : std::string();
}

void addDrive(char letter, std::uint32_t type, const std::string& label, bool ready) {
    if (!isDriveLetter(letter)) return;
    Files& f = files();
    std::lock_guard<std::mutex> lock(f.mutex);
    char drive = upperAscii(letter);
    f.drives[drive] = Drive{type, label, ready};
    rootOf(f, drive);
}

void failNextCopy() {
    Files& f = files();
    std::lock_guard<std::mutex> lock(f.mutex);
    f.failNextCopy = true;
}

void failNextFileOpen() {
    Files& f = files();
    std::lock_guard<std::mutex> lock(f.mutex);
    f.failNextFileOpen = true;
}

void failActivityLog(bool fail) {
    Files& f = files();
    std::lock_guard<std::mutex> lock(f.mutex);
    f.failActivityLog = fail;
}

int liveSearchCount() {
    Files& f = files();
    std::lock_guard<std::mutex> lock(f.mutex);
    return static_cast<int>(f.searches.size());
}

std::uint64_t searchesStarted() {
    Files& f = files();
    std::lock_guard<std::mutex> lock(f.mutex);
    return f.searchesStarted;
}

bool activityLogCreated() {
    Files& f = files();
    std::lock_guard<std::mutex> lock(f.mutex);
    return f.activityLogCreated;
}

std::string activityLogText() {
    std::string file;
    {
        Files& f = files();
        std::lock_guard<std::mutex> lock(f.mutex);
        file = f.activityLogFile;
    }
    if (file.empty()) return std::string();
    std::ifstream stream(file, std::ios::binary);
    std::ostringstream text;
    text << stream.rdbuf();
    return text.str();
}

}  // namespace sim

namespace sim {

namespace {

// A copy of the folders, files and drives, for worlds that are set up once and
// then started from again and again.
struct SavedFiles {
    std::map<std::string, Node> nodes;
    std::map<char, Drive> drives;
};

SavedFiles& saved() {
    static auto* copy = new SavedFiles;
    return *copy;
}

}  // namespace

void saveFileSystem() {
    Files& f = files();
    std::lock_guard<std::mutex> lock(f.mutex);
    saved().nodes = f.nodes;
    saved().drives = f.drives;
}

void restoreFileSystem() {
    Files& f = files();
    std::lock_guard<std::mutex> lock(f.mutex);
    f.nodes = saved().nodes;
    f.drives = saved().drives;
}

std::vector<std::string> writtenFiles() {
    Files& f = files();
    std::lock_guard<std::mutex> lock(f.mutex);
    return f.written;
}

}  // namespace sim

namespace platform {

std::FILE* openActivityLog(const char* path) {
    Files& f = files();
    std::lock_guard<std::mutex> lock(f.mutex);
    if (path == nullptr || f.failActivityLog) return nullptr;
    char name[] = "/tmp/quillon-activity-XXXXXX";
    int descriptor = ::mkstemp(name);
    if (descriptor < 0) return nullptr;
    std::FILE* log = ::fdopen(descriptor, "w");
    if (log == nullptr) {
        ::close(descriptor);
        ::unlink(name);
        return nullptr;
    }
    // The plug-in may still hold the previous log open; its name can go anyway.
    if (!f.activityLogFile.empty()) ::unlink(f.activityLogFile.c_str());
    f.activityLogFile = name;
    f.activityLogCreated = true;
    return log;
}

std::FILE* openSharedForReading(const char* path) {
    ParsedPath parsed;
    bool valid = parsePath(path, &parsed);
    std::string contents;
    {
        Files& f = files();
        std::lock_guard<std::mutex> lock(f.mutex);
        if (f.failNextFileOpen) {
            f.failNextFileOpen = false;
            return nullptr;
        }
        Node* node = valid ? findNode(f, parsed) : nullptr;
        if (node == nullptr || node->isFolder) return nullptr;
        contents = asTextMode(node->contents);
    }
    // A copy: the host may rewrite the file while the plug-in reads it.
    std::FILE* file = std::tmpfile();
    if (file == nullptr) return nullptr;
    if (std::fwrite(contents.data(), 1, contents.size(), file) != contents.size()) {
        std::fclose(file);
        return nullptr;
    }
    std::rewind(file);
    return file;
}

FindHandle findFirstFile(const char* pattern, FindEntry* entry) {
    if (pattern == nullptr || entry == nullptr || std::strlen(pattern) >= pathLimit) return nullptr;
    std::string text(pattern);
    std::size_t split = text.find_last_of("\\/");
    std::string folder;
    std::string mask;
    if (split != std::string::npos) {
        folder = text.substr(0, split);
        mask = text.substr(split + 1);
    } else if (text.size() >= 2 && text[1] == ':' && isDriveLetter(text[0])) {
        folder = text.substr(0, 2);
        mask = text.substr(2);
    } else {
        mask = text;
    }
    if (mask.empty()) return nullptr;

    ParsedPath parsed;
    if (folder.empty()) {
        // "\*.m3u" or a bare mask: the root of the current drive.
    } else if (!parsePath(folder.c_str(), &parsed)) {
        return nullptr;
    }

    auto search = new Search;
    {
        Files& f = files();
        std::lock_guard<std::mutex> lock(f.mutex);
        ++f.searchesStarted;
        Node* node = findNode(f, parsed);
        if (node != nullptr && node->isFolder) {
            // Every folder but a root lists itself and its parent first.
            if (!parsed.parts.empty()) {
                for (const char* dots : {".", ".."}) {
                    if (maskMatches(mask, dots)) search->entries.push_back(findEntry(dots, true));
                }
            }
            for (const std::string& key : node->children) {
                const Node& child = f.nodes.at(key);
                if (maskMatches(mask, child.name)) search->entries.push_back(findEntry(child.name, child.isFolder));
            }
        }
        if (!search->entries.empty()) f.searches.insert(search);
    }
    if (search->entries.empty()) {
        delete search;
        return nullptr;
    }
    *entry = search->entries[0];
    search->next = 1;
    return search;
}

bool findNextFile(FindHandle handle, FindEntry* entry) {
    Files& f = files();
    std::lock_guard<std::mutex> lock(f.mutex);
    auto search = static_cast<Search*>(handle);
    if (entry == nullptr || f.searches.count(search) == 0) return false;
    if (search->next >= search->entries.size()) return false;
    *entry = search->entries[search->next++];
    return true;
}

void findClose(FindHandle handle) {
    auto search = static_cast<Search*>(handle);
    Files& f = files();
    std::lock_guard<std::mutex> lock(f.mutex);
    if (f.searches.erase(search) != 0) delete search;
}

std::uint32_t logicalDriveStrings(char* out, std::uint32_t size) {
    Files& f = files();
    std::lock_guard<std::mutex> lock(f.mutex);
    std::string roots;
    for (const auto& [letter, drive] : f.drives) {
        roots += letter;
        roots += ":\\";
        roots += '\0';
    }
    auto needed = static_cast<std::uint32_t>(roots.size());
    // Written only when the roots and the closing NUL fit.
    if (out != nullptr && needed < size) {
        std::memcpy(out, roots.data(), roots.size());
        out[needed] = '\0';
    }
    return needed;
}

std::uint32_t driveType(const char* root) {
    constexpr std::uint32_t noRootDirectory = 1;
    char letter = 0;
    if (!rootLetter(root, &letter)) return noRootDirectory;
    Files& f = files();
    std::lock_guard<std::mutex> lock(f.mutex);
    auto found = f.drives.find(letter);
    return found != f.drives.end() ? found->second.type : noRootDirectory;
}

bool volumeLabel(const char* root, char* out, std::uint32_t size) {
    if (out == nullptr || size == 0) return false;
    out[0] = '\0';
    char letter = 0;
    if (!rootLetter(root, &letter)) return false;
    Files& f = files();
    std::lock_guard<std::mutex> lock(f.mutex);
    auto found = f.drives.find(letter);
    if (found == f.drives.end() || !found->second.ready) return false;
    sim::detail::copyCut(found->second.label, out, size);
    return true;
}

bool copyFileNoOverwrite(const char* from, const char* to) {
    ParsedPath source;
    ParsedPath target;
    bool valid = parsePath(from, &source) && parsePath(to, &target);
    Files& f = files();
    std::lock_guard<std::mutex> lock(f.mutex);
    if (f.failNextCopy) {
        f.failNextCopy = false;
        return false;
    }
    if (!valid) return false;
    Node* original = findNode(f, source);
    if (original == nullptr || original->isFolder) return false;
    if (f.nodes.count(target.key()) != 0) return false;  // never overwrite, not even a folder
    std::string contents = original->contents;
    if (!putFile(f, existingParent(f, target), target, contents)) return false;
    f.written.push_back(to);
    return true;
}

bool readWholeFile(const char* path, char* out, std::size_t size, std::size_t* length) {
    ParsedPath parsed;
    if (!parsePath(path, &parsed) || length == nullptr) return false;
    Files& f = files();
    std::lock_guard<std::mutex> lock(f.mutex);
    Node* node = findNode(f, parsed);
    if (node == nullptr || node->isFolder || node->contents.size() > size) return false;
    if (!node->contents.empty()) std::memcpy(out, node->contents.data(), node->contents.size());
    *length = node->contents.size();
    return true;
}

bool writeWholeFile(const char* path, const char* data, std::size_t length) {
    ParsedPath parsed;
    if (!parsePath(path, &parsed) || (data == nullptr && length > 0)) return false;
    Files& f = files();
    std::lock_guard<std::mutex> lock(f.mutex);
    if (!putFile(f, existingParent(f, parsed), parsed, std::string(data != nullptr ? data : "", length))) return false;
    f.written.push_back(path);
    return true;
}

}  // namespace platform
