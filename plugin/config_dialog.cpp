#include "plugin/config_dialog.h"

#include <cstring>

#include "core/context.h"
#include "core/host_interface.h"
#include "core/text.h"

namespace {

constexpr int commandOk = 1;
constexpr int commandCancel = 2;
constexpr int portCount = 20;
// LB_GETTEXTLEN: the length of an item's text, asked before the text itself so
// that an item that does not fit the port name is refused, not copied.
constexpr unsigned int listBoxGetTextLength = 0x018A;

void fillPortList(platform::WindowHandle dialog) {
    platform::WindowHandle list = platform::dialogItem(dialog, portListBox);
    for (int number = 1; number <= portCount; ++number) {
        char text[16];
        formatText(text, sizeof text, "%s%d", "COM", number);
        platform::sendMessage(list, platform::listBoxAddString, 0, reinterpret_cast<platform::LParam>(text));
    }
    // Searching from -1 takes the first item that begins with the stored name,
    // ignoring case, so COM2 selects COM2 and not COM20.
    platform::sendMessage(list, platform::listBoxSelectString, static_cast<platform::WParam>(-1),
                          reinterpret_cast<platform::LParam>(pluginContext->settings.portName));
}

void storeSelectedPort(platform::WindowHandle dialog) {
    platform::WindowHandle list = platform::dialogItem(dialog, portListBox);
    platform::LResult selection = platform::sendMessage(list, platform::listBoxGetCurSel, 0, 0);
    if (selection == platform::listBoxError) return;
    auto index = static_cast<platform::WParam>(selection);
    platform::LResult length = platform::sendMessage(list, listBoxGetTextLength, index, 0);
    char name[sizeof pluginContext->settings.portName];
    if (length < 0 || length >= static_cast<platform::LResult>(sizeof name)) return;
    auto buffer = reinterpret_cast<platform::LParam>(name);
    platform::LResult copied = platform::sendMessage(list, platform::listBoxGetText, index, buffer);
    if (copied < 0 || copied > length) return;
    name[copied] = '\0';
    std::memcpy(pluginContext->settings.portName, name, static_cast<std::size_t>(copied) + 1);
}

}  // namespace

int showConfiguration(int message, std::intptr_t param1) {
    if (message != host::requestShowConfiguration) return 0;
    // The dialog edits the context's port name; the host starts the plug-in
    // before it offers its configuration, so there is always one to edit.
    if (pluginContext == nullptr) return 0;
    platform::runDialog(pluginContext->host.dllInstance, configDialogTemplate,
                        reinterpret_cast<platform::WindowHandle>(param1), &configDialogProc);
    return 1;
}

platform::IntPtr PLATFORM_CALLBACK configDialogProc(platform::WindowHandle dialog, unsigned int message,
                                                    platform::WParam wParam, platform::LParam) {
    if (message == platform::messageInitDialog) {
        fillPortList(dialog);
        return 1;
    }
    if (message == platform::messageCommand) {
        switch (static_cast<int>(wParam & 0xFFFF)) {
            case commandOk:
                storeSelectedPort(dialog);
                platform::endDialog(dialog, 1);
                break;
            case commandCancel:
                platform::endDialog(dialog, 0);
                break;
            default:
                break;
        }
        return 1;
    }
    return 0;
}
