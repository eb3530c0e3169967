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
    resetReplyWriter();

    context.port = platform::openSerialPort(context.portName);
    if (context.port == nullptr) {
        platform::showMessageBox(context.hostWindow, "Failed to open  COM port", "Error!");
        return -1;
    }

    // The timer exists and the sleep timer is disarmed before the worker runs,
    // so a command 28 already waiting on the line finds both as they stay.
    minuteTimerId = platform::startTimer(60000, &onMinuteTimer);
    disarmSleepTimer();

    context.workerFinished = 0;
    resetWorkerState();
    workerStarted = platform::startThread(&workerMain, &context);

    previousHostWindowProc = platform::subclassWindow(context.hostWindow, &hostWindowProc);
    hookInstalled = true;

    activityLog = platform::openActivityLog(activityLogPath);
    logActivity("start", context.portName);
    return 0;
}

void PLATFORM_CDECL pluginQuit() {
    PluginContext* context = pluginContext;
    if (context == nullptr) return;
    stopFlag = 1;

    // Nothing of the sleep timer may act from here on: no tick during the wait
    // below, and no track start after it.
    const platform::TimerId timer = minuteTimerId.exchange(0);
    if (timer != 0) platform::stopTimer(timer);
    disarmSleepTimer();

    // The worker's requests are handled on this thread, so the wait lets the
    // messages it sends through, and only those: a timer or a posted message
    // must not run in the middle of the shutdown. It is bounded by the clock:
    // a worker stuck on a dead link must not hang the host. Such a worker keeps
    // this library loaded until it ends (see startThread); its port I/O is
    // aborted and the port is left to it to close, so no handle is closed under it.
    bool portLeftToWorker = false;
    if (workerStarted) {
        const std::uint32_t started = platform::tickCount();
        while (context->workerFinished == 0 && platform::tickCount() - started < quitWaitLimitMs)
            platform::waitForSentMessages(quitPollMs);
        if (context->workerFinished == 0) {
            logActivity("stop", "worker did not finish");
            platform::abortSerialPortIo(context->port);
            portLeftToWorker = leavePortToWorker();
        }
        workerStarted = false;
    }

    if (context->port != nullptr && !portLeftToWorker) platform::closeSerialPort(context->port);
    if (!portLeftToWorker) context->port = nullptr;
    writeSettings();

    // The host may unload this library after quit: the host window must not be
    // left calling into it. Another plug-in may have hooked the window after
    // us; its chain then still runs through our hook, which cannot be taken
    // out, so the library stays loaded for as long as the process lives.
    if (hookInstalled) {
        if (platform::currentWindowProcedure(context->hostWindow) == &hostWindowProc) {
            platform::subclassWindow(context->hostWindow, previousHostWindowProc);
        } else {
            platform::pinModule(reinterpret_cast<const void*>(&hostWindowProc));
        }
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
    resetReplyWriter();
    resetSleepTimer();
    resetLibraryState();
}
