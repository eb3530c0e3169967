// The sleep timer: minutes or tracks, then stop or power off; the volume fade.
#pragma once

#include <cstdint>

#include "platform/platform.h"

// The minute timer's procedure (user-interface thread).
void PLATFORM_CALLBACK onMinuteTimer(platform::WindowHandle, unsigned int, platform::TimerId, platform::Dword);
// A file started playing (called by the host window hook).
void countTrackStart();
// Clears the armed flag (init).
void disarmSleepTimer();
// Every sleep-timer value back to zero, as when the library is loaded.
void resetSleepTimer();

// What the sleep timer does when its count reaches 0: power off (0), press
// stop (1), or nothing (any other action). User-interface thread.
void performSleepAction(std::int32_t action);
// Multiplies the known volume by the fade factor, sets it at the host and
// marks the volume line as owed (the worker sends it).
void fadeStep();

namespace commands {

int setSleepTimer(const char* argument);     // 28
int cancelSleepTimer(const char* argument);  // 29
int reportSleepTimer(const char* argument);  // 59

}  // namespace commands
