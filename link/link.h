// The byte level of the phone link: command lines in, reply lines out.
#pragma once

#include <atomic>
#include <cstdint>
#include <cstdio>

#include "platform/platform.h"

struct LinkState;
struct PluginContext;

// What writing a reply line needs: the link's send buffer and torn mark, the
// port, and the stop flag that cuts a stalled write short.
struct LineWriter {
    LinkState& link;
    const platform::PortHandle& port;
    const std::atomic<std::int32_t>& stop;
};

// The context's link, port and stop flag.
LineWriter lineWriter(PluginContext& context);

// Reads once from the port. True when a line waits (completed by this call or
// left waiting before): its text is in receiveBuffer and commandToken,
// lineConsumed is 0, and `number` is its command number.
bool receiveLine(PluginContext& context, int& number);

// Takes the waiting line (lineConsumed 1): whoever acts on a line, or drops
// it, takes it through here.
void takeLine(PluginContext& context);

// Lines completed by receiveLine and lines taken since the link was reset;
// every completed line is taken once, and only once.
std::uint64_t linesCompleted(const LinkState& link);
std::uint64_t linesTaken(const LinkState& link);

// Fills commandToken and argument from the completed line in receiveBuffer.
void splitCommandLine(LinkState& link);

// Writes `text` and LF as one whole line; true when sent (or cut short by the
// stop flag), false when a write failed. Safe from both threads. Handlers write their
// lines through the reply object (link/reply.h), which ends up here.
bool sendReply(const LineWriter& writer, const char* text);

// One write of one byte, no retry: false when it failed.
bool sendRawByte(const LineWriter& writer, std::uint8_t value);

// Appends "<tick> : <label> <text>" to the activity log when it is open.
void logActivity(std::FILE* log, const char* label, const char* text);
