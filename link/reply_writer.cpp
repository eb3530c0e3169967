// Reply lines out, whole, from either thread; the activity log.

#include <cstdio>
#include <cstring>

#include "core/context.h"
#include "core/wire.h"
#include "link/link.h"

namespace {

// A port that takes nothing on a write is offered the same bytes again after
// this pause rather than at once, so a stalled link does not cost a core.
constexpr std::uint32_t stalledWritePauseMs = 10;

// Holds the reply lock for one line; both threads write through sendBuffer.
struct ReplyLock {
    ReplyLock() { platform::lockReplies(); }
    ~ReplyLock() { platform::unlockReplies(); }
    ReplyLock(const ReplyLock&) = delete;
    ReplyLock& operator=(const ReplyLock&) = delete;
};

// Ends a fragment the phone holds with an LF of its own, offered again while
// the port takes nothing; false when a write failed or the stop flag ended
// the offers (the fragment then stays open).
bool closeTornLine(const LineWriter& writer) {
    bool& lineTorn = writer.link.lineTorn;
    if (!lineTorn) return true;
    const char lf = '\n';
    for (;;) {
        std::uint32_t written = 0;
        if (!platform::writeSerialPort(writer.port, &lf, 1, &written)) return false;
        if (written != 0) break;
        if (writer.stop != 0) return false;
        platform::sleepMs(stalledWritePauseMs);
    }
    lineTorn = false;
    return true;
}

}  // namespace

LineWriter lineWriter(PluginContext& context) { return {context.link, context.host.port, context.flags.stop}; }

bool sendReply(const LineWriter& writer, const char* text) {
    ReplyLock lock;
    if (!closeTornLine(writer)) return false;

    // At most replyTextLimit bytes of text, then LF and NUL. A text that holds an LF ends
    // the line there: the phone reads lines, and what follows would be a line
    // of its own that nobody meant to send.
    char* buffer = writer.link.sendBuffer;
    static_assert(sizeof writer.link.sendBuffer == wire::replyTextLimit + 2);
    std::snprintf(buffer, sizeof writer.link.sendBuffer, "%.*s\n", static_cast<int>(wire::replyTextLimit), text);
    const char* lf = std::strchr(buffer, '\n');
    std::uint32_t length = static_cast<std::uint32_t>(lf - buffer) + 1;

    // As few port writes as the port allows: whatever a write did not take is
    // offered again, and the stop flag cuts a line short between writes.
    std::uint32_t sent = 0;
    while (sent < length) {
        std::uint32_t written = 0;
        if (!platform::writeSerialPort(writer.port, buffer + sent, length - sent, &written)) {
            writer.link.lineTorn = sent > 0;
            return false;
        }
        if (written > length - sent) written = length - sent;
        sent += written;
        if (writer.stop != 0) {
            writer.link.lineTorn = sent > 0 && sent < length;
            break;
        }
        if (written == 0) platform::sleepMs(stalledWritePauseMs);
    }
    return true;
}

bool sendRawByte(const LineWriter& writer, std::uint8_t value) {
    ReplyLock lock;
    // The end of the conversation stands on a line of its own.
    if (value != '\n' && !closeTornLine(writer)) return false;
    char byte = static_cast<char>(value);
    std::uint32_t written = 0;
    return platform::writeSerialPort(writer.port, &byte, 1, &written);
}

void logActivity(std::FILE* log, const char* label, const char* text) {
    if (log == nullptr) return;
    std::fprintf(log, "%d : %s %s\n", static_cast<int>(platform::tickCount()), label, text);
}
