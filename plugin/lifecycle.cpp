// The descriptor the host takes from our one export, and start and stop.

#include "plugin/lifecycle.h"

#include "core/context.h"
#include "library/media_library.h"
#include "link/link.h"
#include "plugin/config_dialog.h"
#include "plugin/host_hook.h"
#include "plugin/settings.h"
#include "protocol/conversation.h"
#include "protocol/sleep_timer.h"

host::PluginDescriptor pluginDescriptor = {
    host::descriptorVersion,
    host::pluginDescription,
    &pluginInit,
    &pluginQuit,
    &pluginMessageProc,
    nullptr,
    nullptr,
    nullptr,
};

namespace {

constexpr const char* activityLogPath = "c:\\peltaris.txt";
constexpr std::uint32_t quitPollMs = 10;

// Whether init started a worker that quit has to wait for.
bool workerStarted = false;
// Whether init hooked the host main window.
bool hookInstalled = false;

}  // namespace

extern "C" host::PluginDescriptor* PLATFORM_CDECL winampGetMediaLibraryPlugin() { return &pluginDescriptor; }

int PLATFORM_CDECL pluginInit() {
    if (pluginContext == nullptr) pluginContext = new PluginContext;
    PluginContext& context = *pluginContext;
    context.hostWindow = pluginDescriptor.hostWindow;
    context.dllInstance = pluginDescriptor.dllInstance;
    context.libraryWindow = pluginDescriptor.libraryParent;

    readSettings();
    findHostDirectory();
    findMyMusicFolder();

    context.lineConsumed = 1;
    context.playStateChanged = 0;
    context.volumeChanged = 0;
    // Pushes stay off until the phone asks for them with command 18.
    context.statusPush = 0;
    resetReceiver();

    context.port = platform::openSerialPort(context.portName);
    if (context.port == nullptr) {
        platform::showMessageBox(context.hostWindow, "Failed to open  COM port", "Error!");
        return -1;
    }

    context.workerFinished = 0;
    resetWorkerState();
    workerStarted = platform::startThread(&workerMain, &context);

    previousHostWindowProc = platform::subclassWindow(context.hostWindow, &hostWindowProc);
    hookInstalled = true;

    activityLog = platform::openActivityLog(activityLogPath);
    logActivity("start", context.portName);

    minuteTimerId = platform::startTimer(60000, &onMinuteTimer);
    disarmSleepTimer();
    return 0;
}

void PLATFORM_CDECL pluginQuit() {
    PluginContext* context = pluginContext;
    if (context == nullptr) return;
    stopFlag = 1;

    // The worker's requests are handled on this thread, so the wait lets them
    // through. It is bounded: a worker stuck on a dead link must not hang the
    // host. Such a worker keeps this library loaded until it ends (see
    // startThread); its port I/O is cancelled and the port is left to it to
    // close, so no handle is closed under it.
    bool portLeftToWorker = false;
    if (workerStarted) {
        for (std::uint32_t waited = 0; context->workerFinished == 0 && waited < quitWaitLimitMs; waited += quitPollMs) {
            platform::pumpMessages();
            if (context->workerFinished != 0) break;
            platform::sleepMs(quitPollMs);
        }
        if (context->workerFinished == 0) {
            logActivity("stop", "worker did not finish");
            platform::cancelSerialPortIo(context->port);
            portLeftToWorker = leavePortToWorker();
        }
        workerStarted = false;
    }

    if (minuteTimerId != 0) platform::stopTimer(minuteTimerId);
    minuteTimerId = 0;
    if (context->port != nullptr && !portLeftToWorker) platform::closeSerialPort(context->port);
    if (!portLeftToWorker) context->port = nullptr;
    writeSettings();

    // The host may unload this library after quit: the host window must not be
    // left calling into it. Another plug-in may have hooked the window after
    // us; then its chain still runs through our hook and it stays.
    if (hookInstalled && platform::currentWindowProcedure(context->hostWindow) == &hostWindowProc) {
        platform::subclassWindow(context->hostWindow, previousHostWindowProc);
        hookInstalled = false;
    }

    logActivity("stop", context->portName);
    if (activityLog != nullptr) std::fclose(activityLog);
    activityLog = nullptr;
}

int PLATFORM_CDECL pluginMessageProc(int message, std::intptr_t param1, std::intptr_t, std::intptr_t) {
    return showConfiguration(message, param1);
}

void resetPluginState() {
    delete pluginContext;
    pluginContext = nullptr;
    stopFlag = 0;
    previousHostWindowProc = nullptr;
    activityLog = nullptr;
    minuteTimerId = 0;
    workerStarted = false;
    hookInstalled = false;
    resetReceiver();
    resetSleepTimer();
    resetLibraryState();
}
