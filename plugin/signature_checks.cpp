// Compile-time proof that the seam's types are the Windows types, and that every
// procedure Windows or the host calls has exactly the pointer type its caller
// uses: a wrong calling convention or parameter type fails the build here
// instead of corrupting the stack at run time. Nothing here generates code.

#include <type_traits>

#include "core/host_interface.h"
#include "platform/platform.h"
#include "platform/win32/windows_headers.h"
#include "plugin/config_dialog.h"
#include "plugin/host_hook.h"
#include "plugin/lifecycle.h"
#include "protocol/conversation.h"
#include "protocol/sleep_timer.h"

extern "C" host::PluginDescriptor* PLATFORM_CDECL winampGetMediaLibraryPlugin();

namespace {

using namespace platform;

static_assert(std::is_same_v<WindowHandle, HWND>);
static_assert(std::is_same_v<ModuleHandle, HINSTANCE>);
static_assert(std::is_same_v<MenuHandle, HMENU>);
static_assert(std::is_same_v<WParam, WPARAM>);
static_assert(std::is_same_v<LParam, LPARAM>);
static_assert(std::is_same_v<LResult, LRESULT>);
static_assert(std::is_same_v<IntPtr, INT_PTR>);
static_assert(std::is_same_v<Dword, DWORD>);
static_assert(std::is_same_v<TimerId, UINT_PTR>);
static_assert(std::is_same_v<WindowProcedure, WNDPROC>);
static_assert(std::is_same_v<DialogProcedure, DLGPROC>);
static_assert(std::is_same_v<TimerProcedure, TIMERPROC>);
static_assert(std::is_same_v<ThreadProcedure, LPTHREAD_START_ROUTINE>);
static_assert(sizeof(PortHandle) == sizeof(HANDLE));
static_assert(sizeof(FindHandle) == sizeof(HANDLE));

// The numbers the seam and the protocol code spell out themselves.
static_assert(messageUser == WM_USER);
static_assert(messageCommand == WM_COMMAND);
static_assert(messageInitDialog == WM_INITDIALOG);
static_assert(listBoxAddString == LB_ADDSTRING);
static_assert(listBoxSelectString == LB_SELECTSTRING);
static_assert(listBoxGetCurSel == LB_GETCURSEL);
static_assert(listBoxGetText == LB_GETTEXT);
static_assert(listBoxError == LB_ERR);
static_assert(attributeDirectory == FILE_ATTRIBUTE_DIRECTORY);
static_assert(driveRemovable == DRIVE_REMOVABLE);
static_assert(driveFixed == DRIVE_FIXED);
static_assert(driveCdRom == DRIVE_CDROM);
static_assert(sizeof(FindEntry::name) == MAX_PATH);
static_assert((TOKEN_ADJUST_PRIVILEGES | TOKEN_QUERY) == 0x28);
static_assert((EWX_POWEROFF | EWX_FORCE) == 12);
static_assert(SE_PRIVILEGE_ENABLED == 2);

// The procedures, assigned without casts to the pointer types of their callers.
[[maybe_unused]] constexpr WNDPROC hostHook = &hostWindowProc;
[[maybe_unused]] constexpr TIMERPROC minuteTimer = &onMinuteTimer;
[[maybe_unused]] constexpr LPTHREAD_START_ROUTINE worker = &workerMain;
[[maybe_unused]] constexpr DLGPROC configDialog = &configDialogProc;
[[maybe_unused]] constexpr host::InitProcedure init = &pluginInit;
[[maybe_unused]] constexpr host::QuitProcedure quit = &pluginQuit;
[[maybe_unused]] constexpr host::MessageProcedure messageProc = &pluginMessageProc;
[[maybe_unused]] constexpr host::GetDescriptorProcedure getDescriptor = &winampGetMediaLibraryPlugin;

// And exactly those types, not merely convertible to them.
static_assert(std::is_same_v<decltype(&hostWindowProc), WNDPROC>);
static_assert(std::is_same_v<decltype(&onMinuteTimer), TIMERPROC>);
static_assert(std::is_same_v<decltype(&workerMain), LPTHREAD_START_ROUTINE>);
static_assert(std::is_same_v<decltype(&configDialogProc), DLGPROC>);
static_assert(std::is_same_v<decltype(&pluginInit), host::InitProcedure>);
static_assert(std::is_same_v<decltype(&pluginQuit), host::QuitProcedure>);
static_assert(std::is_same_v<decltype(&pluginMessageProc), host::MessageProcedure>);
static_assert(std::is_same_v<decltype(&winampGetMediaLibraryPlugin), host::GetDescriptorProcedure>);

}  // namespace
