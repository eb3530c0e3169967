#include "protocol/sleep_timer.h"

#include <cmath>
#include <cstdint>
#include <cstring>

#include "core/arguments.h"
#include "core/host_requests.h"
#include "core/wire.h"
#include "link/reply.h"

namespace {

constexpr std::int32_t actionPowerOff = 0;
constexpr std::int32_t actionStop = 1;
constexpr std::int32_t actionNothing = -1;
constexpr std::int32_t countMinutes = 0;
constexpr std::int32_t countTracks = 1;

constexpr std::size_t fieldCount = 5;
constexpr std::size_t fieldSize = 16;

// Truncates toward zero; a product beyond the 32-bit range is held at its ends
// and one that is not a number (0 times an infinite factor) counts as 0.
std::int32_t truncateVolume(double product) {
    if (std::isnan(product)) return 0;
    if (product >= 2147483647.0) return INT32_MAX;
    if (product <= -2147483648.0) return INT32_MIN;
    return static_cast<std::int32_t>(product);
}

void sendTimerLine(Reply& reply, const char* text) { reply.coded(wire::replySleepTimer, text); }

}  // namespace

void performSleepAction() {
    SleepTimerState& timer = pluginContext->sleepTimer;
    const std::int32_t action = timer.action;
    if (action == actionPowerOff) {
        // The conversation ends for good before the computer goes down, and
        // nothing of the sleep timer acts again.
        pluginContext->flags.stop = 1;
        timer.armed = 0;
        platform::sleepMs(500);
        platform::powerOff();
    } else if (action == actionStop) {
        pressHostButton(host::commandStop);
    }
}

void fadeStep() {
    SleepTimerState& timer = pluginContext->sleepTimer;
    const std::int32_t faded = truncateVolume(pluginContext->flags.volume.load() * timer.fadeFactor.load());
    // The hook records a volume set this way and marks its line as owed.
    if (faded > 0) hostRequestNumber(host::requestSetVolume, faded);
    // The worker sends the volume line: this thread never waits on the port.
    if (pluginContext->flags.volume.exchange(faded) != faded || faded <= 0) pluginContext->flags.volumeChanged = 1;
}

void PLATFORM_CALLBACK onMinuteTimer(platform::WindowHandle, unsigned int, platform::TimerId, platform::Dword) {
    if (pluginContext == nullptr) return;
    SleepTimerState& timer = pluginContext->sleepTimer;
    if (timer.armed == 0) return;
    if (timer.countMode == countMinutes) --timer.count;
    // Tested in every mode: in track mode a count left at 0 fires on every tick.
    if (timer.count == 0) performSleepAction();
    // A power-off disarmed the timer: no fade after the end of the conversation.
    if (timer.armed == 0) return;
    if (--timer.fadeCountdown == 0) {
        timer.fadeCountdown = timer.fadeInterval.load();
        fadeStep();
    }
}

void countTrackStart() {
    SleepTimerState& timer = pluginContext->sleepTimer;
    if (timer.armed == 0) return;
    if (timer.countMode == countTracks) --timer.count;
    if (timer.count == 0) performSleepAction();
}

void disarmSleepTimer() { pluginContext->sleepTimer.armed = 0; }

namespace commands {

void setSleepTimer(const Request& request, Reply& reply) {
    SleepTimerState& timer = pluginContext->sleepTimer;
    char fields[fieldCount][fieldSize];
    splitFields(request.text, &fields[0][0], fieldCount, fieldSize);

    // Disarmed while the values change, so that a tick or a file start in
    // between never acts on a new action with an old count.
    const std::int32_t wasArmed = timer.armed.exchange(0);
    const std::int32_t count = readDecimal(fields[1]);
    timer.action = count == 0 ? actionNothing : readDecimal(fields[0]);
    timer.count = count;
    const std::int32_t mode = readDecimal(fields[2]);
    timer.countMode = mode;
    timer.fadeFactor = readDecimalFraction(fields[3]);
    const std::int32_t interval = readDecimal(fields[4]);
    timer.fadeInterval = interval;
    timer.fadeCountdown = interval;

    if (mode == countMinutes) {
        if (timer.minuteTimerId != 0) {
            sendTimerLine(reply, "Enabled!");
            timer.armed = 1;
        } else {
            sendTimerLine(reply, "Could not set timer!");
            timer.armed = wasArmed;
        }
    } else {
        // The phone expects the confirmation twice in any mode other than minutes.
        sendTimerLine(reply, "Enabled!");
        timer.armed = 1;
        sendTimerLine(reply, "Enabled!");
    }
}

void cancelSleepTimer(const Request&, Reply& reply) {
    SleepTimerState& timer = pluginContext->sleepTimer;
    timer.armed = 0;
    sendTimerLine(reply, "Disabled!");
}

void reportSleepTimer(const Request&, Reply& reply) {
    SleepTimerState& timer = pluginContext->sleepTimer;
    // "Disbled!" is the word the phone looks for.
    sendTimerLine(reply, timer.armed != 0 ? "Enabled!" : "Disbled!");
}

}  // namespace commands
