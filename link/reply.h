// The one way a reply line goes out: handlers and the list runner compose
// every line through a Reply, which cuts it to one line and writes it whole.
// A failed line is not repeated: the phone reads lines, and the next one
// starts fresh (the link ends a torn one).
#pragma once

#include <cstddef>
#include <cstdint>

#include "core/text.h"
#include "core/wire.h"
#include "link/link.h"

class Reply {
public:
    // Writes through the context's link and port.
    explicit Reply(PluginContext& context) : writer_(lineWriter(context)) {}

    // A code and a text; a code alone when the text is empty.
    void coded(char code, const char* text);
    // A code and a signed decimal number.
    void number(char code, std::int32_t value);
    // The first line of a list: the list's code and 'A'.
    void listHeader(char listCode);
    // A list line: the list's code, the item's code and at most `textLimit`
    // bytes of the text.
    void listLine(char listCode, char itemCode, const char* text, std::size_t textLimit = wire::replyTextLimit);
    // A list line with a number after its text (the paging lines).
    void listNumber(char listCode, char itemCode, const char* text, std::int32_t value);
    // A code and a text composed like printf.
    void format(char code, const char* format, ...) TEXT_FORMAT(3, 4);
    // The end of the conversation: X and LF, one attempt each.
    void endConversation();

private:
    void write() { sendReply(writer_, line_); }

    LineWriter writer_;
    char line_[wire::replyTextLimit + 1] = {};
};
