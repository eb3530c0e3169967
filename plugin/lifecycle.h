// Start and stop as the host calls them through the plug-in descriptor.
#pragma once

#include <cstdint>

#include "core/host_interface.h"

int PLATFORM_CDECL pluginInit();
void PLATFORM_CDECL pluginQuit();
int PLATFORM_CDECL pluginMessageProc(int message, std::intptr_t param1, std::intptr_t param2, std::intptr_t param3);

// The static descriptor that winampGetMediaLibraryPlugin hands out.
extern host::PluginDescriptor pluginDescriptor;

// Quit waits at most this long for the worker, letting window messages through.
constexpr std::uint32_t quitWaitLimitMs = 5000;

// Returns the process-wide state to what a freshly loaded library has: no
// context (a new one starts with every record fresh). Only the native tests
// start the plug-in more than once per process.
void resetPluginState();
