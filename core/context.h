// The one context record of the plug-in and the process-wide state beside it.
#pragma once

#include <atomic>
#include <cstdint>
#include <cstdio>

#include "platform/platform.h"

// Flags shared by the user-interface thread and the worker: each a whole 32-bit
// value written by one side and polled by the other, read fresh on every poll.
using SharedFlag = std::atomic<std::int32_t>;

struct PluginContext {
    platform::WindowHandle hostWindow = nullptr;
    platform::ModuleHandle dllInstance = nullptr;
    platform::WindowHandle libraryWindow = nullptr;
    platform::PortHandle port = nullptr;
    char sendBuffer[1024] = {};
    char commandToken[32] = {};
    char argument[1024] = {};
    char receiveBuffer[1024] = {};
    char portName[16] = {};
    SharedFlag lineConsumed{1};
    SharedFlag statusPush{0};
    SharedFlag volume{0};
    SharedFlag volumeChanged{0};
    SharedFlag playStateChanged{0};
    SharedFlag workerFinished{0};
    char selectedArtist[512] = {};
    char selectedGenre[512] = {};
};

// Set once by init; the record lives until the process ends.
extern PluginContext* pluginContext;

// Raised by quit and by the sleep timer's power-off; never lowered.
extern SharedFlag stopFlag;

// The host window's procedure before our hook; every message goes on to it.
extern platform::WindowProcedure previousHostWindowProc;

// "c:\peltaris.txt" while it is open.
extern std::FILE* activityLog;

// The 60-second timer of the sleep timer; 0 when it could not be started.
extern std::atomic<platform::TimerId> minuteTimerId;

// Settings and folders read once at init.
extern const char* iniPath;
extern char extensionList[1024];
extern char hostDirectory[260];
extern char myMusicFolder[260];
