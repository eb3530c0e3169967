// The descriptor the host takes from our one export, and start and stop.

#include "plugin/lifecycle.h"

#include "core/context.h"
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

}  // namespace

extern "C" host::PluginDescriptor* PLATFORM_CDECL winampGetMediaLibraryPlugin() { return &pluginDescriptor; }

int PLATFORM_CDECL pluginInit() {
    if (pluginContext == nullptr) pluginContext = new PluginContext;
    PluginContext& context = *pluginContext;
    // A start begins with a fresh link and fresh flags (the stop flag aside).
    context.link.reset();
    context.flags.reset();
    context.host.window = pluginDescriptor.hostWindow;
    context.host.dllInstance = pluginDescriptor.dllInstance;
    context.host.libraryWindow = pluginDescriptor.libraryParent;

    readSettings(context);
    findHostDirectory(context.settings);
    findMyMusicFolder(context.settings);
    platform::CodePage codePage;
    platform::readSystemCodePage(codePage);
    buildTextFold(codePage, context.textFold);

    // Pushes stay off until the phone asks for them with command 18.
    const char* failedSetup = nullptr;
    context.host.port = platform::openSerialPort(context.settings.portName, &failedSetup);
    if (context.host.port == nullptr) {
        platform::showMessageBox(context.host.window, "Failed to open  COM port", "Error!");
        return -1;
    }

    // The timer exists and the sleep timer is disarmed before the worker runs,
    // so a command 28 already waiting on the line finds both as they stay.
    context.sleepTimer.minuteTimerId = platform::startTimer(60000, &onMinuteTimer);
    disarmSleepTimer(context.sleepTimer);

    context.lifecycle.workerStarted = platform::startThread(&workerMain, &context);

    context.host.previousWindowProc = platform::subclassWindow(context.host.window, &hostWindowProc);
    context.lifecycle.hookInstalled = true;

    context.lifecycle.activityLog = platform::openActivityLog(activityLogPath);
    logActivity(context.lifecycle.activityLog, "start", context.settings.portName);
    // A port that refused a setting may still serve (so may a Bluetooth
    // driver's): the conversation goes on, and the log says what failed.
    if (failedSetup != nullptr) logActivity(context.lifecycle.activityLog, "port setup failed", failedSetup);
    return 0;
}

void PLATFORM_CDECL pluginQuit() {
    PluginContext* context = pluginContext;
    if (context == nullptr) return;
    context->flags.stop = 1;

    // Nothing of the sleep timer may act from here on: no tick during the wait
    // below, and no track start after it.
    const platform::TimerId timer = context->sleepTimer.minuteTimerId.exchange(0);
    if (timer != 0) platform::stopTimer(timer);
    disarmSleepTimer(context->sleepTimer);

    // The worker's requests are handled on this thread, so the wait lets the
    // messages it sends through, and only those: a timer or a posted message
    // must not run in the middle of the shutdown. It is bounded by the clock:
    // a worker stuck on a dead link must not hang the host. Such a worker keeps
    // this library loaded until it ends (see startThread); its port I/O is
    // aborted and the port is left to it to close, so no handle is closed under it.
    bool portLeftToWorker = false;
    Lifecycle& lifecycle = context->lifecycle;
    if (lifecycle.workerStarted) {
        const std::uint32_t started = platform::tickCount();
        while (context->flags.workerFinished == 0 && platform::tickCount() - started < quitWaitLimitMs)
            platform::waitForSentMessages(quitPollMs);
        if (context->flags.workerFinished == 0) {
            logActivity(lifecycle.activityLog, "stop", "worker did not finish");
            if (!platform::abortSerialPortIo(context->host.port))
                logActivity(lifecycle.activityLog, "stop", "port abort incomplete");
            portLeftToWorker = leavePortToWorker(context->flags);
        }
        lifecycle.workerStarted = false;
    }

    if (context->host.port != nullptr && !portLeftToWorker) platform::closeSerialPort(context->host.port);
    if (!portLeftToWorker) context->host.port = nullptr;
    writeSettings(context->settings);

    // The host may unload this library after quit: the host window must not be
    // left calling into it. Another plug-in may have hooked the window after
    // us; its chain then still runs through our hook, which cannot be taken
    // out, so the library stays loaded for as long as the process lives.
    if (lifecycle.hookInstalled) {
        if (platform::currentWindowProcedure(context->host.window) == &hostWindowProc) {
            platform::subclassWindow(context->host.window, context->host.previousWindowProc);
        } else {
            platform::pinModule(reinterpret_cast<const void*>(&hostWindowProc));
        }
        lifecycle.hookInstalled = false;
    }

    logActivity(lifecycle.activityLog, "stop", context->settings.portName);
    if (lifecycle.activityLog != nullptr) std::fclose(lifecycle.activityLog);
    lifecycle.activityLog = nullptr;
}

int PLATFORM_CDECL pluginMessageProc(int message, std::intptr_t param1, std::intptr_t, std::intptr_t) {
    return showConfiguration(message, param1);
}

void resetPluginState() {
    delete pluginContext;
    pluginContext = nullptr;
}
