// Simulated windows: procedures that can be subclassed, synchronous sends that
// are handled on the user-interface thread, modal dialogs with a list box, and
// message boxes that are recorded instead of shown.
#include <cstdint>
#include <cstring>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "platform/platform.h"
#include "platform/sim/sim.h"
#include "platform/sim/sim_internal.h"

namespace {

using platform::DialogProcedure;
using platform::IntPtr;
using platform::LParam;
using platform::LResult;
using platform::WindowHandle;
using platform::WindowProcedure;
using platform::WParam;

constexpr int listBoxId = 1001;
constexpr int cancelId = 2;
// The result DialogBoxParam gives when the dialog could not run; also what a
// dialog that ignores Cancel ends with here, rather than hanging the test.
constexpr IntPtr dialogNotEnded = -1;

struct Window {
    WindowProcedure procedure = nullptr;
    std::shared_ptr<sim::MessageHandler> handler;  // plain windows
    DialogProcedure dialogProcedure = nullptr;     // dialogs
    WindowHandle parent = nullptr;
    int id = 0;
    std::vector<std::string> items;  // list boxes
    int selection = platform::listBoxError;
    bool isDialog = false;
    bool ended = false;
    IntPtr result = 0;
};

struct Windows {
    std::mutex mutex;
    std::map<WindowHandle, Window> byHandle;
    std::uintptr_t nextNumber = 1;
    std::vector<sim::MessageBoxRecord> messageBoxes;
    std::function<void(WindowHandle)> dialogScript;
    int lastDialogTemplate = 0;
    IntPtr lastDialogResult = 0;
};

Windows& windows() {
    static Windows* state = new Windows;
    return *state;
}

WindowHandle addWindow(Window window) {
    Windows& w = windows();
    std::lock_guard<std::mutex> lock(w.mutex);
    WindowHandle handle = sim::detail::handleFromNumber<WindowHandle>(0x1000 + w.nextNumber++);
    w.byHandle.emplace(handle, std::move(window));
    return handle;
}

// The procedure every window made by createWindow starts with: the test's handler.
LResult PLATFORM_CALLBACK handlerProcedure(WindowHandle window, unsigned int message, WParam wParam, LParam lParam) {
    std::shared_ptr<sim::MessageHandler> handler;
    {
        Windows& w = windows();
        std::lock_guard<std::mutex> lock(w.mutex);
        auto found = w.byHandle.find(window);
        if (found == w.byHandle.end()) return 0;
        handler = found->second.handler;
    }
    return handler && *handler ? (*handler)(message, wParam, lParam) : 0;
}

LResult PLATFORM_CALLBACK dialogWindowProcedure(WindowHandle window, unsigned int message, WParam wParam,
                                                LParam lParam) {
    DialogProcedure procedure = nullptr;
    {
        Windows& w = windows();
        std::lock_guard<std::mutex> lock(w.mutex);
        auto found = w.byHandle.find(window);
        if (found == w.byHandle.end()) return 0;
        procedure = found->second.dialogProcedure;
    }
    return procedure != nullptr ? static_cast<LResult>(procedure(window, message, wParam, lParam)) : 0;
}

bool beginsWithIgnoringCase(const std::string& text, const char* prefix) {
    std::size_t length = std::strlen(prefix);
    if (text.size() < length) return false;
    return sim::detail::equalsIgnoreCase(text.substr(0, length), prefix);
}

// A single-selection, unsorted list box, as far as the plug-in's dialog uses one.
LResult PLATFORM_CALLBACK listBoxProcedure(WindowHandle window, unsigned int message, WParam wParam, LParam lParam) {
    Windows& w = windows();
    std::lock_guard<std::mutex> lock(w.mutex);
    auto found = w.byHandle.find(window);
    if (found == w.byHandle.end()) return 0;
    Window& box = found->second;
    const int count = static_cast<int>(box.items.size());
    // wParam carries a signed index (start -1 means "from the start").
    const std::intptr_t index = static_cast<std::intptr_t>(wParam);
    switch (message) {
        case platform::listBoxAddString: {
            const char* text = reinterpret_cast<const char*>(lParam);
            if (text == nullptr) return platform::listBoxError;
            box.items.emplace_back(text);
            return count;
        }
        case platform::listBoxSelectString: {
            const char* prefix = reinterpret_cast<const char*>(lParam);
            if (prefix == nullptr || count == 0) return platform::listBoxError;
            // The search starts after `index` and wraps round to it.
            int first = (index < 0 || index >= count) ? 0 : static_cast<int>(index) + 1;
            for (int step = 0; step < count; ++step) {
                int candidate = (first + step) % count;
                if (beginsWithIgnoringCase(box.items[static_cast<std::size_t>(candidate)], prefix)) {
                    box.selection = candidate;
                    return candidate;
                }
            }
            return platform::listBoxError;
        }
        case platform::listBoxGetCurSel:
            return box.selection;
        case platform::listBoxGetText: {
            char* out = reinterpret_cast<char*>(lParam);
            if (out == nullptr || index < 0 || index >= count) return platform::listBoxError;
            // Like LB_GETTEXT, the caller vouches that the buffer holds the whole text.
            const std::string& text = box.items[static_cast<std::size_t>(index)];
            std::memcpy(out, text.c_str(), text.size() + 1);
            return static_cast<LResult>(text.size());
        }
        case 0x018A:  // LB_GETTEXTLEN
            if (index < 0 || index >= count) return platform::listBoxError;
            return static_cast<LResult>(box.items[static_cast<std::size_t>(index)].size());
        case 0x018B:  // LB_GETCOUNT
            return count;
        case 0x0186:  // LB_SETCURSEL
            if (index < 0 || index >= count) {
                box.selection = platform::listBoxError;
                return index < 0 ? 0 : platform::listBoxError;
            }
            box.selection = static_cast<int>(index);
            return box.selection;
        default:
            return 0;
    }
}

Window* findChild(Windows& w, WindowHandle dialog, int id, WindowHandle* handle) {
    for (auto& [childHandle, child] : w.byHandle) {
        if (dialog != nullptr && child.parent == dialog && child.id == id) {
            if (handle != nullptr) *handle = childHandle;
            return &child;
        }
    }
    return nullptr;
}

bool dialogEnded(WindowHandle dialog, IntPtr* result) {
    Windows& w = windows();
    std::lock_guard<std::mutex> lock(w.mutex);
    auto found = w.byHandle.find(dialog);
    if (found == w.byHandle.end() || !found->second.ended) return false;
    *result = found->second.result;
    return true;
}

}  // namespace

namespace sim {

namespace detail {

void resetWindows() {
    Windows& w = windows();
    std::lock_guard<std::mutex> lock(w.mutex);
    w.byHandle.clear();
    w.messageBoxes.clear();
    w.dialogScript = nullptr;
    w.lastDialogTemplate = 0;
    w.lastDialogResult = 0;
}

}  // namespace detail

platform::WindowHandle createWindow(MessageHandler handler) {
    Window window;
    window.procedure = handlerProcedure;
    window.handler = std::make_shared<MessageHandler>(std::move(handler));
    return addWindow(std::move(window));
}

void destroyWindow(platform::WindowHandle window) {
    Windows& w = windows();
    std::lock_guard<std::mutex> lock(w.mutex);
    if (w.byHandle.erase(window) == 0) return;
    for (auto it = w.byHandle.begin(); it != w.byHandle.end();) {
        it = it->second.parent == window ? w.byHandle.erase(it) : std::next(it);
    }
}

std::vector<MessageBoxRecord> messageBoxes() {
    Windows& w = windows();
    std::lock_guard<std::mutex> lock(w.mutex);
    return w.messageBoxes;
}

void setDialogScript(std::function<void(platform::WindowHandle dialog)> script) {
    Windows& w = windows();
    std::lock_guard<std::mutex> lock(w.mutex);
    w.dialogScript = std::move(script);
}

void dialogCommand(platform::WindowHandle dialog, int id) {
    platform::sendMessage(dialog, platform::messageCommand, static_cast<WParam>(id), 0);
}

std::vector<std::string> listBoxItems(platform::WindowHandle dialog, int id) {
    Windows& w = windows();
    std::lock_guard<std::mutex> lock(w.mutex);
    Window* box = findChild(w, dialog, id, nullptr);
    return box != nullptr ? box->items : std::vector<std::string>{};
}

int listBoxSelection(platform::WindowHandle dialog, int id) {
    Windows& w = windows();
    std::lock_guard<std::mutex> lock(w.mutex);
    Window* box = findChild(w, dialog, id, nullptr);
    return box != nullptr ? box->selection : platform::listBoxError;
}

void selectListBoxItem(platform::WindowHandle dialog, int id, int index) {
    Windows& w = windows();
    std::lock_guard<std::mutex> lock(w.mutex);
    Window* box = findChild(w, dialog, id, nullptr);
    if (box == nullptr) return;
    bool valid = index >= 0 && static_cast<std::size_t>(index) < box->items.size();
    box->selection = valid ? index : platform::listBoxError;
}

int lastDialogTemplate() {
    Windows& w = windows();
    std::lock_guard<std::mutex> lock(w.mutex);
    return w.lastDialogTemplate;
}

platform::IntPtr lastDialogResult() {
    Windows& w = windows();
    std::lock_guard<std::mutex> lock(w.mutex);
    return w.lastDialogResult;
}

}  // namespace sim

namespace platform {

LResult sendMessage(WindowHandle window, unsigned int message, WParam wParam, LParam lParam) {
    if (!sim::onUiThread()) {
        // As SendMessage from another thread: the window's own thread handles
        // it, in turn, and the sender waits for the answer.
        LResult result = 0;
        sim::detail::sendToUiThread([&] { result = sendMessage(window, message, wParam, lParam); });
        return result;
    }
    WindowProcedure procedure = currentWindowProcedure(window);
    return procedure != nullptr ? procedure(window, message, wParam, lParam) : 0;
}

WindowProcedure subclassWindow(WindowHandle window, WindowProcedure procedure) {
    Windows& w = windows();
    std::lock_guard<std::mutex> lock(w.mutex);
    auto found = w.byHandle.find(window);
    if (found == w.byHandle.end()) return nullptr;
    WindowProcedure previous = found->second.procedure;
    found->second.procedure = procedure;
    return previous;
}

WindowProcedure currentWindowProcedure(WindowHandle window) {
    Windows& w = windows();
    std::lock_guard<std::mutex> lock(w.mutex);
    auto found = w.byHandle.find(window);
    return found != w.byHandle.end() ? found->second.procedure : nullptr;
}

LResult callWindowProcedure(WindowProcedure procedure, WindowHandle window, unsigned int message, WParam wParam,
                            LParam lParam) {
    return procedure != nullptr ? procedure(window, message, wParam, lParam) : 0;
}

void showMessageBox(WindowHandle owner, const char* text, const char* caption) {
    Windows& w = windows();
    std::lock_guard<std::mutex> lock(w.mutex);
    w.messageBoxes.push_back({owner, text != nullptr ? text : "", caption != nullptr ? caption : ""});
}

IntPtr runDialog(ModuleHandle module, int templateId, WindowHandle owner, DialogProcedure procedure) {
    if (!sim::onUiThread()) {
        // A modal dialog runs its loop on the user-interface thread.
        IntPtr result = 0;
        sim::runOnUiThread([&] { result = runDialog(module, templateId, owner, procedure); });
        return result;
    }
    Window dialogWindow;
    dialogWindow.procedure = dialogWindowProcedure;
    dialogWindow.dialogProcedure = procedure;
    dialogWindow.isDialog = true;
    dialogWindow.parent = owner;
    WindowHandle dialog = addWindow(std::move(dialogWindow));
    Window listBox;
    listBox.procedure = listBoxProcedure;
    listBox.parent = dialog;
    listBox.id = listBoxId;
    addWindow(std::move(listBox));

    std::function<void(WindowHandle)> script;
    {
        Windows& w = windows();
        std::lock_guard<std::mutex> lock(w.mutex);
        w.lastDialogTemplate = templateId;
        script = w.dialogScript;
    }

    IntPtr result = dialogNotEnded;
    sendMessage(dialog, messageInitDialog, 0, 0);
    if (!dialogEnded(dialog, &result) && script) script(dialog);
    // Whatever the script left open is closed the way a user gives up.
    if (!dialogEnded(dialog, &result)) sendMessage(dialog, messageCommand, cancelId, 0);
    if (!dialogEnded(dialog, &result)) result = dialogNotEnded;

    sim::destroyWindow(dialog);
    Windows& w = windows();
    std::lock_guard<std::mutex> lock(w.mutex);
    w.lastDialogResult = result;
    return result;
}

void endDialog(WindowHandle dialog, IntPtr result) {
    Windows& w = windows();
    std::lock_guard<std::mutex> lock(w.mutex);
    auto found = w.byHandle.find(dialog);
    if (found == w.byHandle.end() || !found->second.isDialog) return;
    found->second.ended = true;
    found->second.result = result;
}

WindowHandle dialogItem(WindowHandle dialog, int id) {
    Windows& w = windows();
    std::lock_guard<std::mutex> lock(w.mutex);
    WindowHandle handle = nullptr;
    findChild(w, dialog, id, &handle);
    return handle;
}

}  // namespace platform
