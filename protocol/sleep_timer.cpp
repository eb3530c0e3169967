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

// The arming (SleepTimerState::arming) packs the armed flag, the action, the
// count mode and the count into one word, so that a tick or a file start sees
// it whole, old or new, never a mix. The worker (command 28) replaces it in
// one step; the user-interface thread counts it down with compare-and-swap.
// Action and mode are kept as what they do: power off, stop or nothing;
// minutes, tracks or neither.
constexpr std::uint64_t armedBit = std::uint64_t{1} << 63;
constexpr int actionShift = 32;
constexpr int modeShift = 34;
constexpr std::uint64_t countBits = 0xFFFFFFFFu;

std::uint64_t kindOf(std::int32_t value) { return value == 0 ? 0 : value == 1 ? 1 : 2; }

std::uint64_t packedArming(std::int32_t action, std::int32_t count, std::int32_t mode) {
    return kindOf(action) << actionShift | kindOf(mode) << modeShift | static_cast<std::uint32_t>(count);
}

std::int32_t actionOf(std::uint64_t word) {
    const std::uint64_t kind = word >> actionShift & 3;
    return kind == 0 ? actionPowerOff : kind == 1 ? actionStop : actionNothing;
}
std::int32_t modeOf(std::uint64_t word) { return static_cast<std::int32_t>(word >> modeShift & 3); }
std::int32_t countOf(std::uint64_t word) { return static_cast<std::int32_t>(static_cast<std::uint32_t>(word)); }
bool isArmed(std::uint64_t word) { return (word & armedBit) != 0; }

// Counts one minute or one track down when the arming counts in `mode`, and
// returns the arming as counted; 0 when it was not armed.
std::uint64_t countDown(SleepTimerState& timer, std::int32_t mode) {
    std::atomic<std::uint64_t>& arming = timer.arming;
    std::uint64_t word = arming.load();
    std::uint64_t counted = 0;
    do {
        if (!isArmed(word)) return 0;
        counted = word;
        if (modeOf(word) == mode) {
            counted = (word & ~countBits) | static_cast<std::uint32_t>(static_cast<std::uint32_t>(word) - 1u);
        }
    } while (!arming.compare_exchange_weak(word, counted));
    return counted;
}

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

void performSleepAction(PluginContext& context, std::int32_t action) {
    if (action == actionPowerOff) {
        // The conversation ends for good before the computer goes down, and
        // nothing of the sleep timer acts again.
        context.flags.stop = 1;
        context.sleepTimer.arming.fetch_and(~armedBit);
        platform::sleepMs(500);
        platform::powerOff();
    } else if (action == actionStop) {
        pressHostButton(context.host, host::commandStop);
    }
}

void fadeStep(PluginContext& context) {
    const std::int32_t faded = truncateVolume(context.flags.volume.load() * context.sleepTimer.fadeFactor.load());
    // The hook records a volume set this way and marks its line as owed.
    if (faded > 0) hostRequestNumber(context.host, host::requestSetVolume, faded);
    // The worker sends the volume line: this thread never waits on the port.
    if (context.flags.volume.exchange(faded) != faded || faded <= 0) context.flags.volumeChanged = 1;
}

void countMinute(PluginContext& context) {
    SleepTimerState& timer = context.sleepTimer;
    const std::uint64_t counted = countDown(timer, countMinutes);
    if (!isArmed(counted)) return;
    // Tested in every mode: in track mode a count left at 0 fires on every tick.
    if (countOf(counted) == 0) performSleepAction(context, actionOf(counted));
    // A power-off disarmed the timer: no fade after the end of the conversation.
    if (!isArmed(timer.arming.load())) return;
    if (--timer.fadeCountdown == 0) {
        timer.fadeCountdown = timer.fadeInterval.load();
        fadeStep(context);
    }
}

void countTrackStart(PluginContext& context) {
    const std::uint64_t counted = countDown(context.sleepTimer, countTracks);
    if (!isArmed(counted)) return;
    if (countOf(counted) == 0) performSleepAction(context, actionOf(counted));
}

void disarmSleepTimer(SleepTimerState& timer) { timer.arming.fetch_and(~armedBit); }

namespace commands {

void setSleepTimer(const Request& request, Reply& reply) {
    SleepTimerState& timer = request.context.sleepTimer;
    char fields[fieldCount][fieldSize];
    splitFields(request.text, &fields[0][0], fieldCount, fieldSize);

    const std::int32_t count = readDecimal(fields[1]);
    const std::int32_t action = count == 0 ? actionNothing : readDecimal(fields[0]);
    const std::int32_t mode = readDecimal(fields[2]);
    timer.fadeFactor = readDecimalFraction(fields[3]);
    const std::int32_t interval = readDecimal(fields[4]);
    timer.fadeInterval = interval;
    timer.fadeCountdown = interval;

    // The new action, mode and count replace the old in one step; the armed
    // flag stays as it was until the confirmation is out.
    const std::uint64_t settings = packedArming(action, count, mode);
    std::uint64_t word = timer.arming.load();
    while (!timer.arming.compare_exchange_weak(word, settings | (word & armedBit))) {
    }

    if (mode == countMinutes) {
        if (timer.minuteTimerId != 0) {
            sendTimerLine(reply, "Enabled!");
            timer.arming.fetch_or(armedBit);
        } else {
            sendTimerLine(reply, "Could not set timer!");
        }
    } else {
        // The phone expects the confirmation twice in any mode other than minutes.
        sendTimerLine(reply, "Enabled!");
        timer.arming.fetch_or(armedBit);
        sendTimerLine(reply, "Enabled!");
    }
}

void cancelSleepTimer(const Request& request, Reply& reply) {
    request.context.sleepTimer.arming.fetch_and(~armedBit);
    sendTimerLine(reply, "Disabled!");
}

void reportSleepTimer(const Request& request, Reply& reply) {
    // "Disbled!" is the word the phone looks for.
    sendTimerLine(reply, isArmed(request.context.sleepTimer.arming.load()) ? "Enabled!" : "Disbled!");
}

}  // namespace commands
