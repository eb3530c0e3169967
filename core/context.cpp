// The process-wide state beside the context record.

#include "core/context.h"

PluginContext* pluginContext = nullptr;
SharedFlag stopFlag{0};
platform::WindowProcedure previousHostWindowProc = nullptr;
std::FILE* activityLog = nullptr;
std::atomic<platform::TimerId> minuteTimerId{0};

const char* iniPath = "winamp.ini";
char extensionList[1024];
char hostDirectory[260];
char myMusicFolder[260];
