// The hook on the host main window: volume and play-state marks, track counting;
// the minute timer of the sleep timer.
#pragma once

#include "platform/platform.h"

platform::LResult PLATFORM_CALLBACK hostWindowProc(platform::WindowHandle window, unsigned int message,
                                                   platform::WParam wParam, platform::LParam lParam);

// The minute timer's procedure (user-interface thread).
void PLATFORM_CALLBACK onMinuteTimer(platform::WindowHandle, unsigned int, platform::TimerId, platform::Dword);
