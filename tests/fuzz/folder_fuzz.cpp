// libFuzzer target: a folder whose entries have names of any bytes, and any
// extension list, read by the folder browser's one pass. Checks the entries
// against a plain reading of the rules: the sub-folders not beginning with '.'
// first, then each extension's files in list order, each group in the order the
// file system gave them, every matching entry once and no other.

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "core/context.h"
#include "files/folder_entries.h"
#include "platform/sim/sim.h"

namespace {

[[noreturn]] void fail(const std::string& what) {
    std::fprintf(stderr, "folder_fuzz: %s\n", what.c_str());
    std::abort();
}

char lower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

bool endsWithExtension(const std::string& name, const std::string& extension) {
    if (extension.empty() || name.size() < extension.size() + 1) return false;
    const std::size_t dot = name.size() - extension.size() - 1;
    if (name[dot] != '.') return false;
    for (std::size_t i = 0; i < extension.size(); ++i)
        if (lower(name[dot + 1 + i]) != lower(extension[i])) return false;
    return true;
}

// A name Windows lets a file have: none of its reserved characters or control
// characters, no trailing blank or dot, not empty, not "." or "..", short enough for a path.
bool usableName(const std::string& name) {
    if (name.empty() || name == "." || name == ".." || name.size() > 40) return false;
    // Windows drops a name's trailing blanks and dots.
    if (name.back() == ' ' || name.back() == '.') return false;
    for (char c : name) {
        if (static_cast<unsigned char>(c) < 32) return false;
        for (char reserved : std::string("\\/:*?\"<>|"))
            if (c == reserved) return false;
    }
    return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    // The input: the extension list up to the first 0x01, then entries, each a
    // kind byte (odd: a folder) and a name up to the next 0x01.
    std::string bytes(reinterpret_cast<const char*>(data), size);
    std::size_t cut = bytes.find('\x01');
    std::string extensions = bytes.substr(0, cut);
    // The list is a C string read from the INI file: it ends at a NUL.
    extensions = extensions.substr(0, extensions.find('\0'));
    if (extensions.size() > 200) return 0;
    extensions += ':';
    std::vector<std::pair<bool, std::string>> made;
    sim::reset();
    // The reading runs as inside the plug-in: with its context (the stop flag down).
    static PluginContext context;
    pluginContext = &context;
    sim::addFolder("C:\\F");
    std::vector<std::string> seen;
    while (cut != std::string::npos && cut + 1 < bytes.size()) {
        const std::size_t start = cut + 2;
        const bool folder = (static_cast<unsigned char>(bytes[cut + 1]) & 1) != 0;
        cut = bytes.find('\x01', start);
        if (start > bytes.size()) break;
        const std::string name = bytes.substr(start, cut == std::string::npos ? std::string::npos : cut - start);
        if (!usableName(name)) continue;
        bool duplicate = false;
        for (const std::string& other : seen) {
            if (other.size() != name.size()) continue;
            bool same = true;
            for (std::size_t i = 0; i < name.size() && same; ++i) same = lower(other[i]) == lower(name[i]);
            duplicate = duplicate || same;
        }
        if (duplicate || made.size() >= 200) continue;
        seen.push_back(name);
        if (folder)
            sim::addFolder("C:\\F\\" + name);
        else
            sim::addFile("C:\\F\\" + name);
        made.emplace_back(folder, name);
    }

    std::vector<std::string> expected;
    for (const auto& [folder, name] : made)
        if (folder && name[0] != '.') expected.push_back("F" + name);
    std::vector<std::string> listed;  // extensions already searched
    std::size_t from = 0;
    while (from < extensions.size()) {
        const std::size_t colon = extensions.find(':', from);
        const std::string extension = extensions.substr(from, colon - from);
        from = colon + 1;
        bool again = false;
        for (const std::string& earlier : listed) {
            if (earlier.size() != extension.size()) continue;
            bool same = true;
            for (std::size_t i = 0; i < extension.size() && same; ++i) same = lower(earlier[i]) == lower(extension[i]);
            again = again || same;
        }
        if (again) continue;
        listed.push_back(extension);
        for (const auto& [folder, name] : made) {
            if (folder || !endsWithExtension(name, extension)) continue;
            // A file goes with the first extension it matches.
            bool earlierMatch = false;
            for (std::size_t e = 0; e + 1 < listed.size(); ++e)
                earlierMatch = earlierMatch || endsWithExtension(name, listed[e]);
            if (!earlierMatch) expected.push_back("T" + name);
        }
    }

    FolderEntries entries;
    if (!collectFolderEntries("C:\\F", extensions.c_str(), pluginContext->flags.stop, entries))
        fail("the folder was refused");
    std::vector<std::string> got;
    for (std::int32_t i = 0; i < entries.count; ++i) got.emplace_back(entries.entry(i));
    if (got != expected) {
        std::string report = "entries differ: got";
        for (const std::string& entry : got) report += " [" + entry + "]";
        report += " expected";
        for (const std::string& entry : expected) report += " [" + entry + "]";
        fail(report);
    }
    return 0;
}
