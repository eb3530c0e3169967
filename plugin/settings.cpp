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
        platform::sendMessage(context.host.window, platform::messageUser, 0, host::requestIniPath);
    if (static_cast<std::uintptr_t>(answer) < 0x10000)
        pluginContext->settings.iniPath = "winamp.ini";
    else
        pluginContext->settings.iniPath = reinterpret_cast<const char*>(answer);

    // A longer stored name is cut by the read; such names are not supported.
    platform::readIniString(settingsSection, "portName", "COM6", context.settings.portName,
                            sizeof context.settings.portName, pluginContext->settings.iniPath);

    // Every extension, the last included, ends with a colon. A list that fills
    // the buffer gives up its last character for that colon.
    platform::readIniString("Winamp", "config_extlist", "mp3:", pluginContext->settings.extensionList,
                            sizeof pluginContext->settings.extensionList, pluginContext->settings.iniPath);
    std::size_t length = std::strlen(pluginContext->settings.extensionList);
    if (length > sizeof pluginContext->settings.extensionList - 2)
        length = sizeof pluginContext->settings.extensionList - 2;
    pluginContext->settings.extensionList[length] = ':';
    pluginContext->settings.extensionList[length + 1] = '\0';

    context.flags.volume = platform::readIniInt("Winamp", "volume", 100, pluginContext->settings.iniPath);
}

void writeSettings() {
    platform::writeIniString(settingsSection, "portName", pluginContext->settings.portName,
                             pluginContext->settings.iniPath);
}

void findHostDirectory() {
    pluginContext->settings.hostDirectory[0] = '\0';
    std::uint32_t length =
        platform::hostProgramPath(pluginContext->settings.hostDirectory, sizeof pluginContext->settings.hostDirectory);
    if (length >= sizeof pluginContext->settings.hostDirectory)
        length = sizeof pluginContext->settings.hostDirectory - 1;
    pluginContext->settings.hostDirectory[length] = '\0';
    if (length == 0) return;
    // Walk back character by character (double-byte characters count as one)
    // to the last backslash and end the text there.
    const char* p = pluginContext->settings.hostDirectory + length;
    while (p > pluginContext->settings.hostDirectory) {
        p = platform::previousCharacter(pluginContext->settings.hostDirectory, p);
        if (*p == '\\') {
            pluginContext->settings.hostDirectory[p - pluginContext->settings.hostDirectory] = '\0';
            return;
        }
    }
    pluginContext->settings.hostDirectory[0] = '\0';
}

void findMyMusicFolder() {
    pluginContext->settings.myMusicFolder[0] = '\0';
    platform::readMyMusicFolder(pluginContext->settings.myMusicFolder, sizeof pluginContext->settings.myMusicFolder);
    pluginContext->settings.myMusicFolder[sizeof pluginContext->settings.myMusicFolder - 1] = '\0';
}
