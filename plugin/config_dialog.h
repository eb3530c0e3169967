// The configuration dialog: the user picks the serial port, COM1 to COM20 and
// the ports above COM20 the machine has.
#pragma once

#include <cstdint>

#include "platform/platform.h"

// Resource ids of the dialog (the resource script uses the same numbers).
constexpr int configDialogTemplate = 101;
constexpr int portListBox = 1001;
constexpr int logoBitmap = 106;

// The descriptor's message procedure: runs the dialog, owned by `param1`, for the
// host's request to show the configuration (1) and ignores every other message (0).
int showConfiguration(int message, std::intptr_t param1);

platform::IntPtr PLATFORM_CALLBACK configDialogProc(platform::WindowHandle dialog, unsigned int message,
                                                    platform::WParam wParam, platform::LParam lParam);
