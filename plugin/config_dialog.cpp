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
constexpr unsigned int listBoxSetCurSel = 0x0186;  // LB_SETCURSEL

// The number of a port named "COM" and a number above 20 ("com37" too, as
// Windows takes port names in any case), or 0 for any other name.
std::uint64_t numberAbove20(const char* name) {
    auto upper = [](char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c; };
    if (upper(name[0]) != 'C' || upper(name[1]) != 'O' || upper(name[2]) != 'M') return 0;
    const char* digits = name + 3;
    // COM07 is no name the system gives a port; and at most 12 digits fit the
    // port name anyway.
    if (*digits < '1' || *digits > '9') return 0;
    std::uint64_t number = 0;
    int count = 0;
    for (const char* p = digits; *p != '\0'; ++p, ++count) {
        if (*p < '0' || *p > '9' || count == 12) return 0;
        number = number * 10 + static_cast<std::uint64_t>(*p - '0');
    }
    return number > portCount ? number : 0;
}

struct FurtherPort {
    std::uint64_t number;
    const char* name;
};

// The ports above COM20 present on the machine, each once, in ascending
// number; names that would not fit the port name are not offered.
int presentPortsAbove20(char* names, std::uint32_t size, FurtherPort* ports, int capacity) {
    int listed = platform::presentSerialPorts(names, size);
    int count = 0;
    const char* name = names;
    for (int index = 0; index < listed && *name != '\0'; ++index, name += std::strlen(name) + 1) {
        if (std::strlen(name) >= sizeof Settings::portName) continue;
        std::uint64_t number = numberAbove20(name);
        if (number == 0) continue;
        // Insertion keeps the few ports sorted; a number seen before adds nothing.
        int at = count;
        while (at > 0 && ports[at - 1].number > number) --at;
        if (at > 0 && ports[at - 1].number == number) continue;
        if (count == capacity) {
            // Full: the highest numbers give way.
            if (at == count) continue;
            --count;
        }
        for (int move = count; move > at; --move) ports[move] = ports[move - 1];
        ports[at] = FurtherPort{number, name};
        ++count;
    }
    return count;
}

void fillPortList(const Settings& settings, platform::WindowHandle dialog) {
    platform::WindowHandle list = platform::dialogItem(dialog, portListBox);
    for (int number = 1; number <= portCount; ++number) {
        char text[16];
        formatText(text, sizeof text, "%s%d", "COM", number);
        platform::sendMessage(list, platform::listBoxAddString, 0, reinterpret_cast<platform::LParam>(text));
    }
    auto add = [list](const char* text) {
        return platform::sendMessage(list, platform::listBoxAddString, 0, reinterpret_cast<platform::LParam>(text));
    };

    // Then the ports above COM20 the machine has now, and the stored one when it
    // is above COM20 and away (the phone is not paired now), so that it shows
    // selected and OK keeps it.
    char names[4096];
    FurtherPort ports[256];
    int count = presentPortsAbove20(names, sizeof names, ports, 256);
    std::uint64_t storedNumber = numberAbove20(settings.portName);
    platform::LResult storedItem = platform::listBoxError;
    for (int index = 0; index < count; ++index) {
        platform::LResult item = add(ports[index].name);
        if (ports[index].number == storedNumber) storedItem = item;
    }
    if (storedNumber != 0 && storedItem == platform::listBoxError) {
        char text[sizeof Settings::portName];
        formatText(text, sizeof text, "COM%llu", static_cast<unsigned long long>(storedNumber));
        storedItem = add(text);
    }
    if (storedNumber != 0) {
        // Its own item, exactly: a stored COM21 that is away must not select a
        // present COM210 listed before it.
        platform::sendMessage(list, listBoxSetCurSel, static_cast<platform::WParam>(storedItem), 0);
        return;
    }
    // Searching from -1 takes the first item that begins with the stored name,
    // ignoring case, so COM2 selects COM2 and not COM20.
    platform::sendMessage(list, platform::listBoxSelectString, static_cast<platform::WParam>(-1),
                          reinterpret_cast<platform::LParam>(settings.portName));
}

void storeSelectedPort(Settings& settings, platform::WindowHandle dialog) {
    platform::WindowHandle list = platform::dialogItem(dialog, portListBox);
    platform::LResult selection = platform::sendMessage(list, platform::listBoxGetCurSel, 0, 0);
    if (selection == platform::listBoxError) return;
    auto index = static_cast<platform::WParam>(selection);
    platform::LResult length = platform::sendMessage(list, listBoxGetTextLength, index, 0);
    char name[sizeof Settings::portName];
    if (length < 0 || length >= static_cast<platform::LResult>(sizeof name)) return;
    auto buffer = reinterpret_cast<platform::LParam>(name);
    platform::LResult copied = platform::sendMessage(list, platform::listBoxGetText, index, buffer);
    if (copied < 0 || copied > length) return;
    name[copied] = '\0';
    std::memcpy(settings.portName, name, static_cast<std::size_t>(copied) + 1);
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
    // The dialog runs only while showConfiguration has a context to edit.
    if (message == platform::messageInitDialog) {
        fillPortList(pluginContext->settings, dialog);
        return 1;
    }
    if (message == platform::messageCommand) {
        switch (static_cast<int>(wParam & 0xFFFF)) {
            case commandOk:
                storeSelectedPort(pluginContext->settings, dialog);
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
