#include "plugin/host_hook.h"

#include <cstdint>

#include "core/context.h"
#include "core/host_interface.h"
#include "protocol/sleep_timer.h"

platform::LResult PLATFORM_CALLBACK hostWindowProc(platform::WindowHandle window, unsigned int message,
                                                   platform::WParam wParam, platform::LParam lParam) {
    // The hook outlives quit, so it must cope with a context that is not there.
    if (message == platform::messageUser && pluginContext != nullptr) {
        // The host is a 32-bit program: its volume is a signed 32-bit number.
        const auto newVolume = static_cast<std::int32_t>(wParam);
        if (lParam == host::requestSetVolume && newVolume > 0) {
            pluginContext->flags.volume = newVolume;
            pluginContext->flags.volumeChanged = 1;
        }
        // Counted (and the sleep action fired) before the host handles the start.
        if (lParam == host::notifyFileStarted) countTrackStart(*pluginContext);
        if (wParam == 0 || wParam == 2) pluginContext->flags.playStateChanged = 1;
    }
    const platform::WindowProcedure previous =
        pluginContext != nullptr ? pluginContext->host.previousWindowProc : nullptr;
    return platform::callWindowProcedure(previous, window, message, wParam, lParam);
}

void PLATFORM_CALLBACK onMinuteTimer(platform::WindowHandle, unsigned int, platform::TimerId, platform::Dword) {
    // Like the hook, the timer may fire when there is no context.
    if (pluginContext != nullptr) countMinute(*pluginContext);
}
