// Shared between the files of the sim backend; not for tests or plug-in code.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>

namespace sim::detail {

// Each subject forgets its state; sim::reset() calls them all.
void resetSerialLines();
void resetWindows();
void resetMenus();
void resetTimersAndThreads();
void resetSettings();
void resetFiles();

// Runs `work` on the user-interface thread as a message sent from another
// thread: quit's wait for sent messages delivers it.
void sendToUiThread(const std::function<void()>& work);

// Threads started through platform::startThread count as running except while
// they wait inside the simulated platform (a read, a held write, a send).
class BlockedScope {
public:
    BlockedScope();
    ~BlockedScope();
    BlockedScope(const BlockedScope&) = delete;
    BlockedScope& operator=(const BlockedScope&) = delete;

private:
    bool counted_;
};

// Moves the simulated clock on by `ms` when no started thread is running, so a
// wait with a deadline runs out only while the threads it waits for are stuck.
void advanceClockWhileBlocked(std::uint32_t ms);
void advanceClockBy(std::uint32_t ms);

// Windows compares names, keys and paths without regard to case (ASCII only,
// like the system code page's upper half left alone).
char lowerAscii(char c);
std::string lowerCase(const std::string& text);
bool equalsIgnoreCase(const std::string& a, const std::string& b);

// Copies at most size - 1 bytes of `text` and a NUL; the count copied.
std::size_t copyCut(const std::string& text, char* out, std::size_t size);

// Handles are made from counters that never repeat, so a handle kept from an
// earlier test is simply unknown after a reset.
template <typename Handle>
Handle handleFromNumber(std::uintptr_t number) {
    return reinterpret_cast<Handle>(number * 16);
}

}  // namespace sim::detail
