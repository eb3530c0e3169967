// The hook on the host main window: volume and play-state marks, track counting.
#pragma once

#include "platform/platform.h"

platform::LResult PLATFORM_CALLBACK hostWindowProc(platform::WindowHandle window, unsigned int message,
                                                   platform::WParam wParam, platform::LParam lParam);
