// Simulated serial lines: the plug-in's port on one end, the test's Phone on
// the other. Each Phone::send is one burst; a read returns the oldest burst at
// once, or waits up to the idle time-out (real time) and returns nothing.
#include <chrono>
#include <condition_variable>
#include <cstring>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "platform/platform.h"
#include "platform/sim/sim.h"
#include "platform/sim/sim_internal.h"

namespace {

using platform::PortHandle;

constexpr int defaultReadIdleMs = 1000;

struct Line {
    std::string name;
    std::string devicePath;
    bool open = false;
    std::deque<std::string> bursts;  // from the phone, oldest first
    std::string received;            // from the plug-in, since the last take
    unsigned cancels = 0;            // abortSerialPortIo calls on it so far
    bool aborted = false;            // later writes give up instead of waiting
    std::uint64_t idleWaits = 0;     // reads that began to wait on an empty line
};

struct SerialLines {
    std::mutex mutex;
    std::condition_variable changed;
    std::vector<std::shared_ptr<Line>> lines;
    std::map<PortHandle, std::shared_ptr<Line>> openPorts;
    std::uintptr_t nextNumber = 1;
    std::string lastDevicePath;
    int readIdleMs = defaultReadIdleMs;
    bool failReads = false;
    bool readsReturnAtOnce = false;
    int failWrites = 0;
    int failWriteAfter = -1;  // writes that still succeed before one fails
    std::uint32_t writeLimit = 0;
    int takeNothingWrites = 0;
    bool holdWrites = false;
    bool failPortSetup = false;
    int heldWrites = 0;  // write calls blocked by holdWrites right now
    std::uint64_t readCalls = 0;
    std::function<void()> feeder;
    std::uint64_t writeCalls = 0;
};

SerialLines& serial() {
    static SerialLines* state = new SerialLines;
    return *state;
}

std::shared_ptr<Line> lineNamed(SerialLines& s, const std::string& name) {
    for (const auto& line : s.lines) {
        if (sim::detail::equalsIgnoreCase(line->name, name)) return line;
    }
    return nullptr;
}

std::shared_ptr<Line> openLine(SerialLines& s, PortHandle port) {
    auto found = s.openPorts.find(port);
    return found != s.openPorts.end() ? found->second : nullptr;
}

std::size_t completeLineCount(const std::string& text) {
    std::size_t count = 0;
    for (char c : text) count += c == '\n' ? 1 : 0;
    return count;
}

// Waits until `ready` holds for the line named `name`; false on time-out.
template <typename Ready>
bool waitForLine(const std::string& name, int timeoutMs, Ready ready) {
    SerialLines& s = serial();
    std::unique_lock<std::mutex> lock(s.mutex);
    return s.changed.wait_for(lock, std::chrono::milliseconds(timeoutMs), [&] {
        std::shared_ptr<Line> line = lineNamed(s, name);
        return line != nullptr && ready(*line);
    });
}

}  // namespace

namespace sim {

namespace detail {

void resetSerialLines() {
    SerialLines& s = serial();
    std::lock_guard<std::mutex> lock(s.mutex);
    // A thread still inside a read or a held write sees its port closed.
    for (auto& [handle, line] : s.openPorts) line->open = false;
    s.openPorts.clear();
    s.lines.clear();
    s.lastDevicePath.clear();
    s.readIdleMs = defaultReadIdleMs;
    s.failReads = false;
    s.readsReturnAtOnce = false;
    s.failWrites = 0;
    s.failWriteAfter = -1;
    s.writeLimit = 0;
    s.takeNothingWrites = 0;
    s.holdWrites = false;
    s.failPortSetup = false;
    s.readCalls = 0;
    s.writeCalls = 0;
    s.feeder = nullptr;
    s.changed.notify_all();
}

}  // namespace detail

void addSerialPort(const std::string& name) {
    char devicePath[260];
    if (!platform::serialDevicePath(name.c_str(), devicePath, sizeof devicePath)) return;
    SerialLines& s = serial();
    std::lock_guard<std::mutex> lock(s.mutex);
    if (lineNamed(s, name) != nullptr) return;
    auto line = std::make_shared<Line>();
    line->name = name;
    line->devicePath = devicePath;
    s.lines.push_back(std::move(line));
    s.changed.notify_all();
}

std::string lastOpenedDevicePath() {
    SerialLines& s = serial();
    std::lock_guard<std::mutex> lock(s.mutex);
    return s.lastDevicePath;
}

bool portIsOpen(const std::string& name) {
    SerialLines& s = serial();
    std::lock_guard<std::mutex> lock(s.mutex);
    std::shared_ptr<Line> line = lineNamed(s, name);
    return line != nullptr && line->open;
}

Phone::Phone(std::string portName) : portName_(std::move(portName)) {}

void Phone::send(const std::string& bytes) {
    if (bytes.empty()) return;
    SerialLines& s = serial();
    std::lock_guard<std::mutex> lock(s.mutex);
    std::shared_ptr<Line> line = lineNamed(s, portName_);
    if (line == nullptr) return;
    line->bursts.push_back(bytes);
    s.changed.notify_all();
}

std::string Phone::received() const {
    SerialLines& s = serial();
    std::lock_guard<std::mutex> lock(s.mutex);
    std::shared_ptr<Line> line = lineNamed(s, portName_);
    return line != nullptr ? line->received : std::string();
}

std::string Phone::takeReceived() {
    SerialLines& s = serial();
    std::lock_guard<std::mutex> lock(s.mutex);
    std::shared_ptr<Line> line = lineNamed(s, portName_);
    if (line == nullptr) return std::string();
    std::string taken;
    taken.swap(line->received);
    return taken;
}

bool Phone::waitForLines(int count, int timeoutMs) const {
    std::size_t wanted = count > 0 ? static_cast<std::size_t>(count) : 0;
    return waitForLine(portName_, timeoutMs,
                       [wanted](const Line& line) { return completeLineCount(line.received) >= wanted; });
}

bool Phone::waitForBytes(std::size_t count, int timeoutMs) const {
    return waitForLine(portName_, timeoutMs, [count](const Line& line) { return line.received.size() >= count; });
}

bool Phone::waitForQuiet(int timeoutMs) const {
    std::uint64_t start = 0;
    {
        SerialLines& s = serial();
        std::lock_guard<std::mutex> lock(s.mutex);
        std::shared_ptr<Line> line = lineNamed(s, portName_);
        if (line == nullptr) return false;
        start = line->idleWaits;
    }
    return waitForLine(portName_, timeoutMs, [start](const Line& line) { return line.idleWaits >= start + 2; });
}

std::vector<std::string> Phone::takeLines() {
    SerialLines& s = serial();
    std::lock_guard<std::mutex> lock(s.mutex);
    std::vector<std::string> lines;
    std::shared_ptr<Line> line = lineNamed(s, portName_);
    if (line == nullptr) return lines;
    std::size_t start = 0;
    for (std::size_t end = line->received.find('\n'); end != std::string::npos;
         end = line->received.find('\n', start)) {
        lines.push_back(line->received.substr(start, end - start));
        start = end + 1;
    }
    line->received.erase(0, start);  // a partial line stays for the next take
    return lines;
}

void setReadIdleMs(int ms) {
    SerialLines& s = serial();
    std::lock_guard<std::mutex> lock(s.mutex);
    s.readIdleMs = ms > 0 ? ms : 0;
}

void setReadFeeder(std::function<void()> feeder) {
    SerialLines& s = serial();
    std::lock_guard<std::mutex> lock(s.mutex);
    s.feeder = std::move(feeder);
}

void failReads(bool fail) {
    SerialLines& s = serial();
    std::lock_guard<std::mutex> lock(s.mutex);
    s.failReads = fail;
    s.changed.notify_all();
}

void readsReturnAtOnce(bool atOnce) {
    SerialLines& s = serial();
    std::lock_guard<std::mutex> lock(s.mutex);
    s.readsReturnAtOnce = atOnce;
    s.changed.notify_all();
}

void failPortSetup(bool fail) {
    SerialLines& s = serial();
    std::lock_guard<std::mutex> lock(s.mutex);
    s.failPortSetup = fail;
}

void failNextWrites(int count) {
    SerialLines& s = serial();
    std::lock_guard<std::mutex> lock(s.mutex);
    s.failWrites = count > 0 ? count : 0;
}

void failOneWriteAfter(int count) {
    SerialLines& s = serial();
    std::lock_guard<std::mutex> lock(s.mutex);
    s.failWriteAfter = count >= 0 ? count : -1;
}

void limitWriteSize(std::uint32_t maxBytes) {
    SerialLines& s = serial();
    std::lock_guard<std::mutex> lock(s.mutex);
    s.writeLimit = maxBytes;
}

void takeNothingOnNextWrites(int count) {
    SerialLines& s = serial();
    std::lock_guard<std::mutex> lock(s.mutex);
    s.takeNothingWrites = count > 0 ? count : 0;
}

void holdWrites(bool hold) {
    SerialLines& s = serial();
    std::lock_guard<std::mutex> lock(s.mutex);
    s.holdWrites = hold;
    s.changed.notify_all();
}

bool waitForHeldWrite(int timeoutMs) {
    SerialLines& s = serial();
    std::unique_lock<std::mutex> lock(s.mutex);
    return s.changed.wait_for(lock, std::chrono::milliseconds(timeoutMs), [&] { return s.heldWrites > 0; });
}

std::uint64_t readCallCount() {
    SerialLines& s = serial();
    std::lock_guard<std::mutex> lock(s.mutex);
    return s.readCalls;
}

std::uint64_t writeCallCount() {
    SerialLines& s = serial();
    std::lock_guard<std::mutex> lock(s.mutex);
    return s.writeCalls;
}

}  // namespace sim

namespace platform {

PortHandle openSerialPort(const char* portName, const char** failedSetup) {
    if (failedSetup != nullptr) *failedSetup = nullptr;
    char devicePath[260];
    bool fits = portName != nullptr && serialDevicePath(portName, devicePath, sizeof devicePath);
    SerialLines& s = serial();
    std::lock_guard<std::mutex> lock(s.mutex);
    s.lastDevicePath = fits ? devicePath : "";
    if (!fits) return nullptr;
    for (const auto& line : s.lines) {
        if (!sim::detail::equalsIgnoreCase(line->devicePath, devicePath)) continue;
        // Share mode 0: a port that is open already cannot be opened again.
        if (line->open) return nullptr;
        line->open = true;
        PortHandle port = sim::detail::handleFromNumber<PortHandle>(0x3000 + s.nextNumber++);
        s.openPorts.emplace(port, line);
        if (s.failPortSetup && failedSetup != nullptr) *failedSetup = "SetCommTimeouts";
        s.changed.notify_all();
        return port;
    }
    return nullptr;
}

bool abortSerialPortIo(PortHandle port) {
    SerialLines& s = serial();
    std::lock_guard<std::mutex> lock(s.mutex);
    std::shared_ptr<Line> line = openLine(s, port);
    if (line == nullptr) return false;
    ++line->cancels;
    line->aborted = true;
    s.changed.notify_all();
    return !s.failPortSetup;
}

bool readSerialPort(PortHandle port, char* buffer, std::uint32_t size, std::uint32_t* received) {
    if (received != nullptr) *received = 0;
    SerialLines& s = serial();
    std::unique_lock<std::mutex> lock(s.mutex);
    ++s.readCalls;
    std::shared_ptr<Line> line = openLine(s, port);
    if (line == nullptr || buffer == nullptr || received == nullptr || s.failReads) return false;
    if (size == 0) return true;
    if (sim::inlineModeOn()) {
        if (line->bursts.empty() && s.feeder) {
            std::function<void()> feeder = s.feeder;
            lock.unlock();
            feeder();
            lock.lock();
            if (!line->open || s.failReads) return false;
        }
        if (line->bursts.empty()) {
            sim::detail::advanceClockBy(static_cast<std::uint32_t>(s.readIdleMs));
            return true;
        }
    } else if (line->bursts.empty() && !s.readsReturnAtOnce) {
        auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(s.readIdleMs);
        const unsigned cancels = line->cancels;
        ++line->idleWaits;
        s.changed.notify_all();
        bool woken = false;
        {
            sim::detail::BlockedScope blocked;
            woken = s.changed.wait_until(lock, deadline, [&] {
                return !line->bursts.empty() || !line->open || s.failReads || s.readsReturnAtOnce ||
                       line->cancels != cancels;
            });
        }
        if (!line->open || s.failReads || line->cancels != cancels) return false;
        // The idle time-out ran out: the simulated clock saw it pass too.
        if (!woken) sim::detail::advanceClockBy(static_cast<std::uint32_t>(s.readIdleMs));
    }
    if (line->bursts.empty()) return true;
    std::string& burst = line->bursts.front();
    std::size_t count = burst.size() < size ? burst.size() : size;
    std::memcpy(buffer, burst.data(), count);
    // What did not fit comes with the next read, as the driver keeps it.
    if (count == burst.size()) {
        line->bursts.pop_front();
    } else {
        burst.erase(0, count);
    }
    *received = static_cast<std::uint32_t>(count);
    return true;
}

bool writeSerialPort(PortHandle port, const char* bytes, std::uint32_t size, std::uint32_t* written) {
    if (written != nullptr) *written = 0;
    SerialLines& s = serial();
    std::unique_lock<std::mutex> lock(s.mutex);
    ++s.writeCalls;
    std::shared_ptr<Line> line = openLine(s, port);
    if (line == nullptr || written == nullptr || (bytes == nullptr && size > 0)) return false;
    if (s.holdWrites && line->aborted) {
        // An aborted port's write gives up after its short time-out.
        sim::detail::advanceClockBy(100);
        return true;
    }
    const unsigned cancels = line->cancels;
    {
        sim::detail::BlockedScope blocked;
        const bool held = s.holdWrites;
        if (held) {
            ++s.heldWrites;
            s.changed.notify_all();
        }
        s.changed.wait(lock, [&] { return !s.holdWrites || !line->open || line->cancels != cancels; });
        if (held) --s.heldWrites;
    }
    if (!line->open || line->cancels != cancels) return false;
    if (s.failWriteAfter == 0) {
        s.failWriteAfter = -1;
        return false;
    }
    if (s.failWriteAfter > 0) --s.failWriteAfter;
    if (s.failWrites > 0) {
        --s.failWrites;
        return false;
    }
    if (s.takeNothingWrites > 0) {
        --s.takeNothingWrites;
        return true;
    }
    std::uint32_t count = (s.writeLimit > 0 && size > s.writeLimit) ? s.writeLimit : size;
    line->received.append(bytes, count);
    *written = count;
    s.changed.notify_all();
    return true;
}

void closeSerialPort(PortHandle port) {
    SerialLines& s = serial();
    std::lock_guard<std::mutex> lock(s.mutex);
    auto found = s.openPorts.find(port);
    if (found == s.openPorts.end()) return;
    found->second->open = false;
    // Closing the port drops what the driver had received and nobody read.
    found->second->bursts.clear();
    s.openPorts.erase(found);
    s.changed.notify_all();
}

}  // namespace platform
