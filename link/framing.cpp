// Command lines in: bytes from the port become LF-ended lines, one at a time.

#include <atomic>
#include <cctype>
#include <cstring>

#include "core/arguments.h"
#include "core/context.h"
#include "link/link.h"

namespace {

// A read that fails, or that returns nothing before its idle time-out could have
// passed (a Bluetooth port whose phone went away does both), is followed by
// this pause, so the loops that poll the port never spin.
constexpr std::uint32_t emptyReadPauseMs = 100;
constexpr std::uint32_t quickReadMs = 20;

// Moves the first complete line out of `pending` into receiveBuffer and sets
// `number` to its command number; false when no complete line is pending. A
// line needs at most 1023 bytes before its LF, so a full buffer without an LF
// is an overlong line.
bool takePendingLine(PluginContext& context, int& number) {
    LinkState& link = context.link;
    char* pending = link.pending;
    std::size_t& pendingLength = link.pendingLength;
    char* lf = static_cast<char*>(std::memchr(pending, '\n', pendingLength));
    if (lf == nullptr) return false;
    std::size_t lineLength = static_cast<std::size_t>(lf - pending);
    std::memcpy(context.link.receiveBuffer, pending, lineLength);
    context.link.receiveBuffer[lineLength] = '\0';
    pendingLength -= lineLength + 1;
    std::memmove(pending, lf + 1, pendingLength);
    copyFirstToken(context.link.receiveBuffer, context.link.commandToken, sizeof context.link.commandToken);
    context.flags.lineConsumed = 0;
    ++link.completedLines;
    number = readDecimal(context.link.commandToken);
    return true;
}

// Drops the received bytes of an overlong line up to and including its LF.
void dropDiscardedBytes(LinkState& link) {
    if (!link.discardingLine) return;
    char* pending = link.pending;
    std::size_t& pendingLength = link.pendingLength;
    char* lf = static_cast<char*>(std::memchr(pending, '\n', pendingLength));
    if (lf == nullptr) {
        pendingLength = 0;
        return;
    }
    std::size_t dropped = static_cast<std::size_t>(lf - pending) + 1;
    pendingLength -= dropped;
    std::memmove(pending, lf + 1, pendingLength);
    link.discardingLine = false;
}

}  // namespace

void takeLine(PluginContext& context) {
    if (context.flags.lineConsumed.exchange(1) == 0) ++context.link.takenLines;
}

std::uint64_t linesCompleted(const LinkState& link) { return link.completedLines.load(); }
std::uint64_t linesTaken(const LinkState& link) { return link.takenLines.load(); }

bool receiveLine(PluginContext& context, int& number) {
    // A line that still waits for the dispatcher is never overwritten: whoever
    // reads again gets the same line until it is taken.
    if (context.flags.lineConsumed == 0) {
        number = readDecimal(context.link.commandToken);
        return true;
    }

    // Lines that arrived together with an earlier one are taken before reading.
    if (takePendingLine(context, number)) return true;

    LinkState& link = context.link;
    char* pending = link.pending;
    std::size_t& pendingLength = link.pendingLength;
    std::uint32_t room = static_cast<std::uint32_t>(sizeof link.pending - pendingLength);
    std::uint32_t received = 0;
    std::uint32_t started = platform::tickCount();
    if (!platform::readSerialPort(context.host.port, pending + pendingLength, room, &received)) {
        platform::sleepMs(emptyReadPauseMs);
        return false;
    }
    if (received == 0) {
        if (platform::tickCount() - started < quickReadMs) platform::sleepMs(emptyReadPauseMs);
        return false;
    }
    pendingLength += received;
    dropDiscardedBytes(link);

    if (takePendingLine(context, number)) return true;
    if (pendingLength == sizeof link.pending) {
        // 1024 bytes and no LF: the line cannot fit; none of it runs.
        pendingLength = 0;
        link.discardingLine = true;
    }
    return false;
}

void splitCommandLine(LinkState& link) {
    copyFirstToken(link.receiveBuffer, link.commandToken, sizeof link.commandToken);
    const char* blank = std::strchr(link.receiveBuffer, ' ');
    const char* rest = blank ? blank + 1 : "";
    // The line holds at most 1023 bytes, so the argument always fits.
    std::size_t length = std::strlen(rest);
    if (length > sizeof link.argument - 1) length = sizeof link.argument - 1;
    std::memcpy(link.argument, rest, length);
    link.argument[length] = '\0';
}
