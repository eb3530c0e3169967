// Simulated threads, timers, clock, the reply lock and power-off. Threads are
// real; the clock and the timers are driven by the test.
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <map>
#include <memory>
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

// The simulated clock: it moves only when the plug-in sleeps or waits, or when
// a test moves it, so nothing measured in the native tests is wall-clock time.
std::atomic<std::uint32_t> tick{0};

std::uint32_t currentTick() { return tick.load(); }

// Threads started by the plug-in that are not waiting inside the simulation.
std::atomic<int> runningThreads{0};
thread_local bool isStartedThread = false;

// While set, startThread returns only once the new thread has first waited
// inside the simulation or ended: the worst case for whoever started it.
std::atomic<bool> newThreadsFirst{false};
struct FirstWait {
    std::mutex mutex;
    std::condition_variable reached;
    bool done = false;
};
thread_local FirstWait* firstWait = nullptr;

void signalFirstWait() {
    FirstWait* wait = firstWait;
    if (wait == nullptr) return;
    firstWait = nullptr;
    std::lock_guard<std::mutex> lock(wait->mutex);
    wait->done = true;
    wait->reached.notify_all();
}
std::atomic<int> pinnedModules{0};

struct PendingThread {
    platform::ThreadProcedure procedure;
    void* parameter;
};
std::mutex& pendingThreadsMutex() {
    static std::mutex* mutex = new std::mutex;
    return *mutex;
}
std::vector<PendingThread>& pendingThreads() {
    static auto* threads = new std::vector<PendingThread>;
    return *threads;
}
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

BlockedScope::BlockedScope() : counted_(isStartedThread) {
    if (counted_) --runningThreads;
    signalFirstWait();
}

BlockedScope::~BlockedScope() {
    if (counted_) ++runningThreads;
}

void advanceClockWhileBlocked(std::uint32_t ms) {
    if (runningThreads.load() <= 0) tick += ms;
}

void advanceClockBy(std::uint32_t ms) { tick += ms; }

void resetTimersAndThreads() {
    {
        Timers& t = timers();
        std::lock_guard<std::mutex> lock(t.mutex);
        t.live.clear();
        t.failStart = false;
    }
    ++threadGeneration;
    tick = 0;
    pinnedModules = 0;
    newThreadsFirst = false;
    {
        std::lock_guard<std::mutex> lock(pendingThreadsMutex());
        pendingThreads().clear();
    }
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

void setTickCount(std::uint32_t ms) { tick = ms; }

void advanceClock(std::uint32_t ms) { tick += ms; }

void runNewThreadsFirst(bool first) { newThreadsFirst = first; }

int runStartedThreads() {
    int ran = 0;
    for (;;) {
        PendingThread next{};
        {
            std::lock_guard<std::mutex> lock(pendingThreadsMutex());
            if (pendingThreads().empty()) return ran;
            next = pendingThreads().front();
            pendingThreads().erase(pendingThreads().begin());
        }
        next.procedure(next.parameter);
        ++ended;
        ++ran;
    }
}

int pinnedModuleCount() { return pinnedModules.load(); }

void postTimerTick() {
    // As WM_TIMER: the timers live when the tick is handled are the ones called.
    postToUiThread([] { fireTimers(); });
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
    if (sim::inlineModeOn()) {
        // The driver runs it on its own thread (sim::runStartedThreads).
        ++started;
        std::lock_guard<std::mutex> lock(pendingThreadsMutex());
        pendingThreads().push_back({procedure, parameter});
        return true;
    }
    std::uint64_t generation = threadGeneration.load();
    ++started;
    ++runningThreads;
    auto wait = newThreadsFirst.load() ? std::make_shared<FirstWait>() : nullptr;
    std::thread([procedure, parameter, generation, wait] {
        isStartedThread = true;
        firstWait = wait.get();
        procedure(parameter);
        --runningThreads;
        if (threadGeneration.load() == generation) ++ended;
        signalFirstWait();
    }).detach();
    if (wait != nullptr) {
        std::unique_lock<std::mutex> lock(wait->mutex);
        wait->reached.wait(lock, [&wait] { return wait->done; });
    }
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

void sleepMs(std::uint32_t ms) {
    // The clock moves on by the whole pause; a moment of real time lets the
    // other threads run (in the inline mode there are none).
    tick += ms;
    if (ms > 0 && !sim::inlineModeOn()) std::this_thread::sleep_for(std::chrono::microseconds(200));
}

std::uint32_t tickCount() { return currentTick(); }

void lockReplies() { replyLock().lock(); }
void unlockReplies() { replyLock().unlock(); }

void pinModule(const void*) { ++pinnedModules; }

bool powerOff() {
    ++powerOffs;
    return true;
}

}  // namespace platform
