// The port name and two of the host's own settings from the host's INI file,
// the host program's folder and the user's My Music folder.

#include "plugin/settings.h"

#include <cstdint>
#include <cstring>

#include "core/context.h"
#include "core/host_interface.h"

void readSettings(PluginContext& context) {
    Settings& settings = context.settings;

    // The host answers with the address of its INI path; anything below 64 KiB
    // cannot be an address, and the bare name then finds the Windows folder's.
    platform::LResult answer =
        platform::sendMessage(context.host.window, platform::messageUser, 0, host::requestIniPath);
    if (static_cast<std::uintptr_t>(answer) < 0x10000)
        settings.iniPath = "winamp.ini";
    else
        settings.iniPath = reinterpret_cast<const char*>(answer);

    // A longer stored name is cut by the read; such names are not supported.
    platform::readIniString(settingsSection, "portName", "COM6", settings.portName, sizeof settings.portName,
                            settings.iniPath);

    // Every extension, the last included, ends with a colon. A list that fills
    // the buffer gives up its last character for that colon.
    platform::readIniString("Winamp", "config_extlist", "mp3:", settings.extensionList, sizeof settings.extensionList,
                            settings.iniPath);
    std::size_t length = std::strlen(settings.extensionList);
    if (length > sizeof settings.extensionList - 2) length = sizeof settings.extensionList - 2;
    settings.extensionList[length] = ':';
    settings.extensionList[length + 1] = '\0';

    context.flags.volume = platform::readIniInt("Winamp", "volume", 100, settings.iniPath);
}

void writeSettings(const Settings& settings) {
    platform::writeIniString(settingsSection, "portName", settings.portName, settings.iniPath);
}

void findHostDirectory(Settings& settings) {
    settings.hostDirectory[0] = '\0';
    std::uint32_t length = platform::hostProgramPath(settings.hostDirectory, sizeof settings.hostDirectory);
    if (length >= sizeof settings.hostDirectory) length = sizeof settings.hostDirectory - 1;
    settings.hostDirectory[length] = '\0';
    if (length == 0) return;
    // Walk back character by character (double-byte characters count as one)
    // to the last backslash and end the text there.
    const char* p = settings.hostDirectory + length;
    while (p > settings.hostDirectory) {
        p = platform::previousCharacter(settings.hostDirectory, p);
        if (*p == '\\') {
            settings.hostDirectory[p - settings.hostDirectory] = '\0';
            return;
        }
    }
    settings.hostDirectory[0] = '\0';
}

void findMyMusicFolder(Settings& settings) {
    settings.myMusicFolder[0] = '\0';
    platform::readMyMusicFolder(settings.myMusicFolder, sizeof settings.myMusicFolder);
    settings.myMusicFolder[sizeof settings.myMusicFolder - 1] = '\0';
}
