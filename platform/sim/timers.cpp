// Simulated threads, timers, clock, the reply lock and power-off. Threads are
// real; the clock and the timers are driven by the test.
#include <atomic>
#include <chrono>
#include <map>
#include <mutex>
#include <thread>
#include <vector>

#include "platform/platform.h"
#include "platform/sim/sim.h"
#include "platform/sim/sim_internal.h"

namespace {

using platform::TimerId;
using platform::TimerProcedure;

struct Timer {
    std::uint32_t periodMs;
    TimerProcedure procedure;
};

struct Timers {
    std::mutex mutex;
    std::map<TimerId, Timer> live;
    TimerId nextId = 1;
    bool failStart = false;
};

Timers& timers() {
    static Timers* state = new Timers;
    return *state;
}

// The tick count runs in real milliseconds from the value a test last set, so
// code that measures how long a call took sees real durations.
std::atomic<std::uint32_t> tick{0};
std::atomic<std::int64_t> tickSetAt{0};

std::int64_t steadyMs() {
    return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

std::uint32_t currentTick() { return tick.load() + static_cast<std::uint32_t>(steadyMs() - tickSetAt.load()); }
std::atomic<int> started{0};
std::atomic<int> ended{0};
std::atomic<int> powerOffs{0};
// A thread started before a reset must not count towards the next test.
std::atomic<std::uint64_t> threadGeneration{0};

std::mutex& replyLock() {
    static std::mutex* lock = new std::mutex;
    return *lock;
}

}  // namespace

namespace sim {

namespace detail {

void resetTimersAndThreads() {
    {
        Timers& t = timers();
        std::lock_guard<std::mutex> lock(t.mutex);
        t.live.clear();
        t.failStart = false;
    }
    ++threadGeneration;
    tick = 0;
    tickSetAt = steadyMs();
    started = 0;
    ended = 0;
    powerOffs = 0;
}

}  // namespace detail

void fireTimers() {
    std::vector<TimerId> ids;
    {
        Timers& t = timers();
        std::lock_guard<std::mutex> lock(t.mutex);
        for (const auto& [id, timer] : t.live) ids.push_back(id);
    }
    runOnUiThread([&ids] {
        for (TimerId id : ids) {
            TimerProcedure procedure = nullptr;
            {
                // A procedure may stop another timer of this tick.
                Timers& t = timers();
                std::lock_guard<std::mutex> lock(t.mutex);
                auto found = t.live.find(id);
                if (found == t.live.end()) continue;
                procedure = found->second.procedure;
            }
            if (procedure != nullptr) procedure(nullptr, platform::messageTimer, id, currentTick());
        }
    });
}

int liveTimerCount() {
    Timers& t = timers();
    std::lock_guard<std::mutex> lock(t.mutex);
    return static_cast<int>(t.live.size());
}

std::vector<std::uint32_t> liveTimerPeriods() {
    Timers& t = timers();
    std::lock_guard<std::mutex> lock(t.mutex);
    std::vector<std::uint32_t> periods;
    for (const auto& [id, timer] : t.live) periods.push_back(timer.periodMs);
    return periods;
}

void setTickCount(std::uint32_t ms) {
    tickSetAt = steadyMs();
    tick = ms;
}

int threadsStarted() { return started.load(); }
int threadsEnded() { return ended.load(); }

void failTimerStart(bool fail) {
    Timers& t = timers();
    std::lock_guard<std::mutex> lock(t.mutex);
    t.failStart = fail;
}

int powerOffRequests() { return powerOffs.load(); }

}  // namespace sim

namespace platform {

bool startThread(ThreadProcedure procedure, void* parameter) {
    if (procedure == nullptr) return false;
    std::uint64_t generation = threadGeneration.load();
    ++started;
    std::thread([procedure, parameter, generation] {
        procedure(parameter);
        if (threadGeneration.load() == generation) ++ended;
    }).detach();
    return true;
}

TimerId startTimer(std::uint32_t periodMs, TimerProcedure procedure) {
    Timers& t = timers();
    std::lock_guard<std::mutex> lock(t.mutex);
    if (t.failStart) return 0;
    TimerId id = t.nextId++;
    t.live.emplace(id, Timer{periodMs, procedure});
    return id;
}

void stopTimer(TimerId timer) {
    Timers& t = timers();
    std::lock_guard<std::mutex> lock(t.mutex);
    t.live.erase(timer);
}

void sleepMs(std::uint32_t ms) { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); }

std::uint32_t tickCount() { return currentTick(); }

void lockReplies() { replyLock().lock(); }
void unlockReplies() { replyLock().unlock(); }

int powerOff() {
    ++powerOffs;
    return 1;
}

}  // namespace platform
