// The simulated user-interface thread: one real thread that runs queued work
// in order, one item at a time, and the reset of the whole simulated world.
#include <condition_variable>
#include <cstring>
#include <deque>
#include <exception>
#include <mutex>
#include <thread>

#include "platform/platform.h"
#include "platform/sim/sim.h"
#include "platform/sim/sim_internal.h"

namespace {

struct WorkItem {
    const std::function<void()>* work = nullptr;
    bool done = false;
    std::exception_ptr failure;
};

struct UiThread {
    std::mutex mutex;
    std::condition_variable queued;
    std::condition_variable finished;
    std::deque<WorkItem*> queue;
    bool started = false;
};

// Never destroyed: the thread waits on these until the process ends, and a
// static destructor must not pull them away from under it.
UiThread& ui() {
    static UiThread* thread = new UiThread;
    return *thread;
}

thread_local bool isUiThread = false;

// Runs the oldest item with the lock released, so the item may send, pump or
// queue further work; called with the lock held.
void runOldest(std::unique_lock<std::mutex>& lock) {
    UiThread& u = ui();
    WorkItem* item = u.queue.front();
    u.queue.pop_front();
    lock.unlock();
    try {
        (*item->work)();
    } catch (...) {
        item->failure = std::current_exception();
    }
    lock.lock();
    item->done = true;
    u.finished.notify_all();
}

void uiThreadMain() {
    isUiThread = true;
    UiThread& u = ui();
    std::unique_lock<std::mutex> lock(u.mutex);
    for (;;) {
        u.queued.wait(lock, [&u] { return !u.queue.empty(); });
        runOldest(lock);
    }
}

}  // namespace

namespace sim {

bool onUiThread() { return isUiThread; }

void runOnUiThread(const std::function<void()>& work) {
    if (isUiThread) {
        work();
        return;
    }
    UiThread& u = ui();
    WorkItem item;
    item.work = &work;
    std::unique_lock<std::mutex> lock(u.mutex);
    if (!u.started) {
        u.started = true;
        std::thread(uiThreadMain).detach();
    }
    u.queue.push_back(&item);
    u.queued.notify_one();
    u.finished.wait(lock, [&item] { return item.done; });
    lock.unlock();
    if (item.failure) std::rethrow_exception(item.failure);
}

void reset() {
    // Everything queued before the reset is handled against the old world.
    if (isUiThread) {
        platform::pumpMessages();
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

void pumpMessages() {
    // Only the user-interface thread has messages waiting for it.
    if (!isUiThread) return;
    UiThread& u = ui();
    std::unique_lock<std::mutex> lock(u.mutex);
    while (!u.queue.empty()) runOldest(lock);
}

}  // namespace platform
