// The simulated user-interface thread: one real thread that runs queued work
// in order, one item at a time, and the reset of the whole simulated world.
//
// Work comes in two kinds, as messages do on Windows: sent (a sendMessage from
// another thread, whose sender waits) and posted (timer ticks, and whatever a
// test runs there). The thread's idle loop runs both in order; a wait for sent
// messages only (quit's) runs the sent ones and leaves the posted ones queued.
#include <atomic>
#include <condition_variable>
#include <cstring>
#include <deque>
#include <exception>
#include <memory>
#include <mutex>
#include <thread>

#include "platform/platform.h"
#include "platform/sim/sim.h"
#include "platform/sim/sim_internal.h"

namespace {

struct WorkItem {
    std::function<void()> work;
    bool sent = false;
    bool waited = true;  // someone waits for it; else it deletes itself
    bool done = false;
    std::exception_ptr failure;
};

struct UiThread {
    std::mutex mutex;
    std::condition_variable queued;
    std::condition_variable finished;
    std::deque<WorkItem*> queue;
    std::thread thread;
    bool started = false;
    bool stopping = false;
};

// Never destroyed: a static destructor must not pull these away from under a
// thread that still uses them.
UiThread& ui() {
    static UiThread* thread = new UiThread;
    return *thread;
}

thread_local bool isUiThread = false;

// In the inline mode every thread counts as the user-interface thread: work and
// sends run at once on the caller, so one thread can drive a whole conversation.
std::atomic<bool> inlineMode{false};

bool actsAsUiThread() { return isUiThread || inlineMode.load(); }

// Runs `item`, already out of the queue, with the lock released, so that it may
// send, pump or queue further work; called with the lock held.
void runItem(std::unique_lock<std::mutex>& lock, WorkItem* item) {
    UiThread& u = ui();
    lock.unlock();
    try {
        item->work();
    } catch (...) {
        item->failure = std::current_exception();
    }
    lock.lock();
    if (!item->waited) {
        delete item;
        return;
    }
    item->done = true;
    u.finished.notify_all();
}

void runOldest(std::unique_lock<std::mutex>& lock) {
    UiThread& u = ui();
    WorkItem* item = u.queue.front();
    u.queue.pop_front();
    runItem(lock, item);
}

// The oldest sent item, taken out of the queue; nullptr when none waits.
WorkItem* takeOldestSent(UiThread& u) {
    for (auto it = u.queue.begin(); it != u.queue.end(); ++it) {
        if ((*it)->sent) {
            WorkItem* item = *it;
            u.queue.erase(it);
            return item;
        }
    }
    return nullptr;
}

void uiThreadMain() {
    isUiThread = true;
    UiThread& u = ui();
    std::unique_lock<std::mutex> lock(u.mutex);
    for (;;) {
        u.queued.wait(lock, [&u] { return !u.queue.empty() || u.stopping; });
        if (u.queue.empty()) return;
        runOldest(lock);
    }
}

void enqueue(UiThread& u, std::unique_lock<std::mutex>&, WorkItem* item) {
    if (!u.started) {
        u.started = true;
        u.stopping = false;
        u.thread = std::thread(uiThreadMain);
    }
    u.queue.push_back(item);
    u.queued.notify_all();
}

void runAndWait(std::function<void()> work, bool sent) {
    if (actsAsUiThread()) {
        work();
        return;
    }
    UiThread& u = ui();
    WorkItem item;
    item.work = std::move(work);
    item.sent = sent;
    std::unique_lock<std::mutex> lock(u.mutex);
    enqueue(u, lock, &item);
    {
        sim::detail::BlockedScope blocked;
        u.finished.wait(lock, [&item] { return item.done; });
    }
    lock.unlock();
    if (item.failure) std::rethrow_exception(item.failure);
}

}  // namespace

namespace sim {

bool onUiThread() { return actsAsUiThread(); }

void setInlineMode(bool on) { inlineMode = on; }

bool inlineModeOn() { return inlineMode.load(); }

void runOnUiThread(const std::function<void()>& work) { runAndWait(work, false); }

void postToUiThread(std::function<void()> work) {
    if (inlineMode.load()) {
        work();
        return;
    }
    UiThread& u = ui();
    auto* item = new WorkItem;
    item->work = std::move(work);
    item->waited = false;
    std::unique_lock<std::mutex> lock(u.mutex);
    enqueue(u, lock, item);
}

void stopUiThread() {
    UiThread& u = ui();
    std::thread thread;
    {
        std::unique_lock<std::mutex> lock(u.mutex);
        if (!u.started) return;
        u.stopping = true;
        u.started = false;
        u.queued.notify_all();
        thread = std::move(u.thread);
    }
    if (thread.joinable()) thread.join();
}

void reset() {
    // Everything queued before the reset is handled against the old world.
    if (inlineMode.load()) {
        // Nothing is queued: work runs at once in this mode.
    } else if (isUiThread) {
        UiThread& u = ui();
        std::unique_lock<std::mutex> lock(u.mutex);
        while (!u.queue.empty()) runOldest(lock);
    } else {
        runOnUiThread([] {});
    }
    detail::resetSerialLines();
    detail::resetWindows();
    detail::resetMenus();
    detail::resetTimersAndThreads();
    detail::resetSettings();
    detail::resetFiles();
}

namespace detail {

void sendToUiThread(const std::function<void()>& work) { runAndWait(work, true); }

char lowerAscii(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

std::string lowerCase(const std::string& text) {
    std::string lower = text;
    for (char& c : lower) c = lowerAscii(c);
    return lower;
}

bool equalsIgnoreCase(const std::string& a, const std::string& b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (lowerAscii(a[i]) != lowerAscii(b[i])) return false;
    }
    return true;
}

std::size_t copyCut(const std::string& text, char* out, std::size_t size) {
    if (out == nullptr || size == 0) return 0;
    std::size_t count = text.size() < size - 1 ? text.size() : size - 1;
    std::memcpy(out, text.data(), count);
    out[count] = '\0';
    return count;
}

}  // namespace detail
}  // namespace sim

namespace platform {

void waitForSentMessages(std::uint32_t ms) {
    if (inlineMode.load()) {
        // Nobody else runs: the time passes at once.
        sim::detail::advanceClockBy(ms);
        return;
    }
    // Only the user-interface thread has messages sent to it.
    if (!isUiThread) {
        sleepMs(ms);
        return;
    }
    UiThread& u = ui();
    std::unique_lock<std::mutex> lock(u.mutex);
    // A short real wait lets the other threads run; the simulated clock moves
    // on by the whole time asked for while they are all blocked.
    u.queued.wait_for(lock, std::chrono::microseconds(100), [&u] {
        for (const WorkItem* item : u.queue)
            if (item->sent) return true;
        return false;
    });
    bool delivered = false;
    while (WorkItem* item = takeOldestSent(u)) {
        runItem(lock, item);
        delivered = true;
    }
    lock.unlock();
    if (!delivered) sim::detail::advanceClockWhileBlocked(ms);
}

}  // namespace platform
