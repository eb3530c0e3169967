// Simulated settings: the INI store, the My Music registry value, the host
// program's path, the serial ports the system reports present and the system's
// code page (Windows-1252 unless a test sets another), with the Windows rules
// for cutting and defaults.
#include <cstring>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <tuple>
#include <vector>

#include "platform/platform.h"
#include "platform/sim/sim.h"
#include "platform/sim/sim_internal.h"

namespace {

using sim::detail::lowerCase;

// (path, section, key), lower case: Windows finds them regardless of case.
using IniKey = std::tuple<std::string, std::string, std::string>;

struct Settings {
    std::mutex mutex;
    std::map<IniKey, std::string> ini;
    std::optional<std::string> myMusicFolder;
    std::string hostProgramPath;
    std::vector<std::string> presentSerialPorts;
    std::optional<platform::CodePage> codePage;
};

// Windows-1252 as the system defines it: from 0x80 to 0x9F the characters
// below (0 for the five bytes it leaves undefined), from 0xA0 on Latin-1.
platform::CodePage windows1252() {
    static constexpr char16_t high[32] = {0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
                                          0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0,      0x017D, 0,
                                          0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
                                          0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178};
    platform::CodePage page;
    page.number = 1252;
    for (unsigned i = 0; i < 128; ++i) page.character[i] = i < 32 ? high[i] : static_cast<char16_t>(0x80 + i);
    return page;
}

Settings& settings() {
    static Settings* state = new Settings;
    return *state;
}

// A missing file name means win.ini to the profile functions.
std::string iniPathOf(const char* path) { return lowerCase(path != nullptr ? path : "win.ini"); }

IniKey iniKey(const std::string& path, const std::string& section, const std::string& key) {
    return {lowerCase(path), lowerCase(section), lowerCase(key)};
}

std::optional<std::string> lookUp(const char* section, const char* key, const char* iniPath) {
    if (section == nullptr || key == nullptr) return std::nullopt;
    Settings& s = settings();
    std::lock_guard<std::mutex> lock(s.mutex);
    auto found = s.ini.find(iniKey(iniPathOf(iniPath), section, key));
    if (found == s.ini.end()) return std::nullopt;
    return found->second;
}

bool isBlank(char c) { return c == ' ' || c == '\t'; }

}  // namespace

namespace sim {

namespace detail {

void resetSettings() {
    Settings& s = settings();
    std::lock_guard<std::mutex> lock(s.mutex);
    s.ini.clear();
    s.myMusicFolder.reset();
    s.hostProgramPath.clear();
    s.presentSerialPorts.clear();
    s.codePage.reset();
}

}  // namespace detail

void setIniValue(const std::string& path, const std::string& section, const std::string& key,
                 const std::string& value) {
    Settings& s = settings();
    std::lock_guard<std::mutex> lock(s.mutex);
    s.ini[iniKey(path, section, key)] = value;
}

bool iniValue(const std::string& path, const std::string& section, const std::string& key, std::string* value) {
    Settings& s = settings();
    std::lock_guard<std::mutex> lock(s.mutex);
    auto found = s.ini.find(iniKey(path, section, key));
    if (found == s.ini.end()) return false;
    if (value != nullptr) *value = found->second;
    return true;
}

void setMyMusicFolder(const std::string& folder) {
    Settings& s = settings();
    std::lock_guard<std::mutex> lock(s.mutex);
    if (folder.empty()) {
        s.myMusicFolder.reset();
    } else {
        s.myMusicFolder = folder;
    }
}

void setHostProgramPath(const std::string& path) {
    Settings& s = settings();
    std::lock_guard<std::mutex> lock(s.mutex);
    s.hostProgramPath = path;
}

void setSystemCodePage(const platform::CodePage& codePage) {
    Settings& s = settings();
    std::lock_guard<std::mutex> lock(s.mutex);
    s.codePage = codePage;
}

void setPresentSerialPorts(const std::vector<std::string>& names) {
    Settings& s = settings();
    std::lock_guard<std::mutex> lock(s.mutex);
    s.presentSerialPorts = names;
}

}  // namespace sim

namespace platform {

std::uint32_t readIniString(const char* section, const char* key, const char* fallback, char* out, std::uint32_t size,
                            const char* iniPath) {
    std::optional<std::string> value = lookUp(section, key, iniPath);
    std::string text = value ? *value : (fallback != nullptr ? fallback : "");
    return static_cast<std::uint32_t>(sim::detail::copyCut(text, out, size));
}

int readIniInt(const char* section, const char* key, int fallback, const char* iniPath) {
    std::optional<std::string> value = lookUp(section, key, iniPath);
    if (!value) return fallback;
    const char* p = value->c_str();
    while (isBlank(*p)) ++p;
    bool negative = *p == '-';
    if (*p == '-' || *p == '+') ++p;
    // Unsigned arithmetic wraps where the system's conversion would; no overflow.
    std::uint32_t number = 0;
    for (; *p >= '0' && *p <= '9'; ++p) number = number * 10u + static_cast<std::uint32_t>(*p - '0');
    if (negative) number = 0u - number;
    return static_cast<int>(number);
}

bool writeIniString(const char* section, const char* key, const char* value, const char* iniPath) {
    if (section == nullptr) return false;
    Settings& s = settings();
    std::lock_guard<std::mutex> lock(s.mutex);
    std::string path = iniPathOf(iniPath);
    std::string lowerSection = lowerCase(section);
    if (key == nullptr) {
        // No key: the whole section goes, as WritePrivateProfileString does.
        for (auto it = s.ini.begin(); it != s.ini.end();) {
            bool inSection = std::get<0>(it->first) == path && std::get<1>(it->first) == lowerSection;
            it = inSection ? s.ini.erase(it) : std::next(it);
        }
        return true;
    }
    IniKey where{path, lowerSection, lowerCase(key)};
    if (value == nullptr) {
        s.ini.erase(where);
    } else {
        s.ini[where] = value;
    }
    return true;
}

void readMyMusicFolder(char* out, std::uint32_t size) {
    Settings& s = settings();
    std::lock_guard<std::mutex> lock(s.mutex);
    if (!s.myMusicFolder || out == nullptr || size == 0) return;
    sim::detail::copyCut(*s.myMusicFolder, out, size);
}

std::uint32_t hostProgramPath(char* out, std::uint32_t size) {
    if (out == nullptr || size == 0) return 0;
    Settings& s = settings();
    std::lock_guard<std::mutex> lock(s.mutex);
    // A cut path would name the wrong folder: nothing, as the win32 backend does.
    if (s.hostProgramPath.size() >= size) {
        out[0] = '\0';
        return 0;
    }
    return static_cast<std::uint32_t>(sim::detail::copyCut(s.hostProgramPath, out, size));
}

int presentSerialPorts(char* out, std::uint32_t size) {
    if (out == nullptr || size == 0) return 0;
    Settings& s = settings();
    std::lock_guard<std::mutex> lock(s.mutex);
    out[0] = '\0';
    std::size_t used = 0;
    int count = 0;
    for (const std::string& name : s.presentSerialPorts) {
        if (name.empty() || used + name.size() + 2 > size) continue;
        std::memcpy(out + used, name.c_str(), name.size() + 1);
        used += name.size() + 1;
        out[used] = '\0';
        ++count;
    }
    return count;
}

void readSystemCodePage(CodePage& out) {
    Settings& s = settings();
    std::lock_guard<std::mutex> lock(s.mutex);
    out = s.codePage.value_or(windows1252());
}

const char* previousCharacter(const char* start, const char* current) {
    // Single-byte code page: one byte back, never before the start.
    if (start == nullptr || current == nullptr || current <= start) return start;
    return current - 1;
}

}  // namespace platform
