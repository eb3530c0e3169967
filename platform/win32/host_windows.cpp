#include "platform/platform.h"
#include "platform/win32/windows_headers.h"

namespace platform {

// ---- host windows ----------------------------------------------------------

LResult sendMessage(WindowHandle window, unsigned int message, WParam wParam, LParam lParam) {
    return SendMessageA(window, message, wParam, lParam);
}

WindowProcedure subclassWindow(WindowHandle window, WindowProcedure procedure) {
    return reinterpret_cast<WindowProcedure>(
        SetWindowLongPtrA(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(procedure)));
}

WindowProcedure currentWindowProcedure(WindowHandle window) {
    return reinterpret_cast<WindowProcedure>(GetWindowLongPtrA(window, GWLP_WNDPROC));
}

LResult callWindowProcedure(WindowProcedure procedure, WindowHandle window, unsigned int message, WParam wParam,
                            LParam lParam) {
    return CallWindowProcA(procedure, window, message, wParam, lParam);
}

void waitForSentMessages(std::uint32_t ms) {
    // Wakes for messages sent from other threads only; PeekMessage with this
    // filter delivers them and leaves posted messages and timers queued.
    MsgWaitForMultipleObjectsEx(0, nullptr, ms, QS_SENDMESSAGE, 0);
    MSG message;
    PeekMessageA(&message, nullptr, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);
}

void pinModule(const void* codeAddress) {
    HMODULE module = nullptr;
    GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_PIN,
                       static_cast<LPCSTR>(codeAddress), &module);
}

// ---- dialogs ---------------------------------------------------------------

void showMessageBox(WindowHandle owner, const char* text, const char* caption) {
    MessageBoxA(owner, text, caption, MB_OK);
}

IntPtr runDialog(ModuleHandle module, int templateId, WindowHandle owner, DialogProcedure procedure) {
    return DialogBoxParamA(module, MAKEINTRESOURCEA(templateId), owner, procedure, 0);
}

void endDialog(WindowHandle dialog, IntPtr result) { EndDialog(dialog, result); }

WindowHandle dialogItem(WindowHandle dialog, int id) { return GetDlgItem(dialog, id); }

// ---- menus -----------------------------------------------------------------

int menuItemCount(MenuHandle menu) { return GetMenuItemCount(menu); }

int menuItemText(MenuHandle menu, int position, char* out, int size) {
    if (out == nullptr || size <= 0) return 0;
    out[0] = '\0';
    int length = GetMenuStringA(menu, static_cast<UINT>(position), out, size, MF_BYPOSITION);
    if (length < 0) length = 0;
    if (length > size - 1) length = size - 1;
    out[length] = '\0';
    return length;
}

MenuHandle subMenu(MenuHandle menu, int position) { return GetSubMenu(menu, position); }

void destroyMenu(MenuHandle menu) {
    if (menu != nullptr) DestroyMenu(menu);
}

MenuHandle createMenu() { return CreatePopupMenu(); }

void appendMenuItem(MenuHandle menu, const char* text, MenuHandle subMenu) {
    if (subMenu != nullptr) {
        AppendMenuA(menu, MF_STRING | MF_POPUP, reinterpret_cast<UINT_PTR>(subMenu), text);
    } else {
        AppendMenuA(menu, MF_STRING, 0, text);
    }
}

}  // namespace platform
