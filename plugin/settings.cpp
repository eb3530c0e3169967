// The port name and two of the host's own settings from the host's INI file,
// the host program's folder and the user's My Music folder.

#include "plugin/settings.h"

#include <cstdint>
#include <cstring>

#include "core/context.h"
#include "core/host_interface.h"

void readSettings() {
    PluginContext& context = *pluginContext;

    // The host answers with the address of its INI path; anything below 64 KiB
    // cannot be an address, and the bare name then finds the Windows folder's.
    platform::LResult answer =
        platform::sendMessage(context.hostWindow, platform::messageUser, 0, host::requestIniPath);
    if (static_cast<std::uintptr_t>(answer) < 0x10000)
        iniPath = "winamp.ini";
    else
        iniPath = reinterpret_cast<const char*>(answer);

    // A longer stored name is cut by the read; such names are not supported.
    platform::readIniString(settingsSection, "portName", "COM6", context.portName, sizeof context.portName, iniPath);

    // Every extension, the last included, ends with a colon. A list that fills
    // the buffer gives up its last character for that colon.
    platform::readIniString("Winamp", "config_extlist", "mp3:", extensionList, sizeof extensionList, iniPath);
    std::size_t length = std::strlen(extensionList);
    if (length > sizeof extensionList - 2) length = sizeof extensionList - 2;
    extensionList[length] = ':';
    extensionList[length + 1] = '\0';

    context.volume = platform::readIniInt("Winamp", "volume", 100, iniPath);
}

void writeSettings() { platform::writeIniString(settingsSection, "portName", pluginContext->portName, iniPath); }

void findHostDirectory() {
    hostDirectory[0] = '\0';
    std::uint32_t length = platform::hostProgramPath(hostDirectory, sizeof hostDirectory);
    if (length >= sizeof hostDirectory) length = sizeof hostDirectory - 1;
    hostDirectory[length] = '\0';
    if (length == 0) return;
    // Walk back character by character (double-byte characters count as one)
    // to the last backslash and end the text there.
    const char* p = hostDirectory + length;
    while (p > hostDirectory) {
        p = platform::previousCharacter(hostDirectory, p);
        if (*p == '\\') {
            hostDirectory[p - hostDirectory] = '\0';
            return;
        }
    }
    hostDirectory[0] = '\0';
}

void findMyMusicFolder() {
    myMusicFolder[0] = '\0';
    platform::readMyMusicFolder(myMusicFolder, sizeof myMusicFolder);
    myMusicFolder[sizeof myMusicFolder - 1] = '\0';
}
