// The sleep timer: minutes or tracks, then stop or power off; the volume fade.
#pragma once

#include "platform/platform.h"

// The minute timer's procedure (user-interface thread).
void PLATFORM_CALLBACK onMinuteTimer(platform::WindowHandle, unsigned int, platform::TimerId,
                                     platform::Dword);
// A file started playing (called by the host window hook).
void countTrackStart();
// Clears the armed flag (init).
void disarmSleepTimer();
