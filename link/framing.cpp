// Command lines in: bytes from the port become LF-ended lines, one at a time.

#include <atomic>
#include <cctype>
#include <cstring>

#include "core/arguments.h"
#include "core/context.h"
#include "link/link.h"

namespace {

// Bytes received and not yet framed: the start of the next line, and possibly
// whole lines that arrived in the same read as an earlier one. A line needs at
// most 1023 bytes before its LF, so a full buffer without an LF is an overlong
// line.
char pending[1024];
std::size_t pendingLength = 0;

std::atomic<std::uint64_t> completedLines{0};
std::atomic<std::uint64_t> takenLines{0};

// Set while the rest of an overlong line is dropped, up to and including its LF.
bool discardingLine = false;

// A read that fails, or that returns nothing before its idle time-out could have
// passed (a Bluetooth port whose phone went away does both), is followed by
// this pause, so the loops that poll the port never spin.
constexpr std::uint32_t emptyReadPauseMs = 100;
constexpr std::uint32_t quickReadMs = 20;

// Moves the first complete line out of `pending` into receiveBuffer and sets
// `number` to its command number; false when no complete line is pending.
bool takePendingLine(PluginContext& context, int& number) {
    char* lf = static_cast<char*>(std::memchr(pending, '\n', pendingLength));
    if (lf == nullptr) return false;
    std::size_t lineLength = static_cast<std::size_t>(lf - pending);
    std::memcpy(context.receiveBuffer, pending, lineLength);
    context.receiveBuffer[lineLength] = '\0';
    pendingLength -= lineLength + 1;
    std::memmove(pending, lf + 1, pendingLength);
    copyFirstToken(context.receiveBuffer, context.commandToken, sizeof context.commandToken);
    context.lineConsumed = 0;
    ++completedLines;
    number = readDecimal(context.commandToken);
    return true;
}

// Drops the received bytes of an overlong line up to and including its LF.
void dropDiscardedBytes() {
    if (!discardingLine) return;
    char* lf = static_cast<char*>(std::memchr(pending, '\n', pendingLength));
    if (lf == nullptr) {
        pendingLength = 0;
        return;
    }
    std::size_t dropped = static_cast<std::size_t>(lf - pending) + 1;
    pendingLength -= dropped;
    std::memmove(pending, lf + 1, pendingLength);
    discardingLine = false;
}

}  // namespace

void resetReceiver() {
    pendingLength = 0;
    discardingLine = false;
    completedLines = 0;
    takenLines = 0;
}

void takeLine() {
    if (pluginContext->lineConsumed.exchange(1) == 0) ++takenLines;
}

std::uint64_t linesCompleted() { return completedLines.load(); }
std::uint64_t linesTaken() { return takenLines.load(); }

int receiveLine() {
    PluginContext& context = *pluginContext;

    // A line that still waits for the dispatcher is never overwritten: whoever
    // reads again gets the same line until it is taken.
    if (context.lineConsumed == 0) return readDecimal(context.commandToken);

    // Lines that arrived together with an earlier one are taken before reading.
    int number = 0;
    if (takePendingLine(context, number)) return number;

    std::uint32_t room = static_cast<std::uint32_t>(sizeof pending - pendingLength);
    std::uint32_t received = 0;
    std::uint32_t started = platform::tickCount();
    if (platform::readSerialPort(context.port, pending + pendingLength, room, &received) != 0) {
        platform::sleepMs(emptyReadPauseMs);
        return 0;
    }
    if (received == 0) {
        if (platform::tickCount() - started < quickReadMs) platform::sleepMs(emptyReadPauseMs);
        return 0;
    }
    pendingLength += received;
    dropDiscardedBytes();

    if (takePendingLine(context, number)) return number;
    if (pendingLength == sizeof pending) {
        // 1024 bytes and no LF: the line cannot fit; none of it runs.
        pendingLength = 0;
        discardingLine = true;
    }
    return 0;
}

void splitCommandLine() {
    PluginContext& context = *pluginContext;
    copyFirstToken(context.receiveBuffer, context.commandToken, sizeof context.commandToken);
    const char* blank = std::strchr(context.receiveBuffer, ' ');
    const char* rest = blank ? blank + 1 : "";
    // The line holds at most 1023 bytes, so the argument always fits.
    std::size_t length = std::strlen(rest);
    if (length > sizeof context.argument - 1) length = sizeof context.argument - 1;
    std::memcpy(context.argument, rest, length);
    context.argument[length] = '\0';
}
