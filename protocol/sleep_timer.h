// The sleep timer: minutes or tracks, then stop or power off; the volume fade.
#pragma once

#include <cstdint>

#include "platform/platform.h"
#include "protocol/command_table.h"

struct SleepTimerState;

// A minute has passed (the minute timer, user-interface thread): counts it
// down, fires the action at 0, and steps the fade.
void countMinute(PluginContext& context);
// A file started playing (called by the host window hook).
void countTrackStart(PluginContext& context);
// Clears the armed flag (init).
void disarmSleepTimer(SleepTimerState& timer);

// What the sleep timer does when its count reaches 0: power off (0), press
// stop (1), or nothing (any other action). User-interface thread.
void performSleepAction(PluginContext& context, std::int32_t action);
// Multiplies the known volume by the fade factor, sets it at the host and
// marks the volume line as owed (the worker sends it).
void fadeStep(PluginContext& context);

namespace commands {

void setSleepTimer(const Request& request, Reply& reply);
void cancelSleepTimer(const Request& request, Reply& reply);
void reportSleepTimer(const Request& request, Reply& reply);

}  // namespace commands
