// The one way a reply line goes out: handlers and the list runner compose
// every line through a Reply, which cuts it to one line and writes it whole.
#pragma once

#include <cstddef>
#include <cstdint>

#include "core/text.h"
#include "core/wire.h"

struct PluginContext;

class Reply {
public:
    // Writes through the context's link; the handlers that get this reply
    // reach the context's records through it too.
    explicit Reply(PluginContext& context) : context_(context) {}

    PluginContext& context() const { return context_; }

    // A code and a text; a code alone when the text is empty.
    bool coded(char code, const char* text);
    // A code and a signed decimal number.
    bool number(char code, std::int32_t value);
    // The first line of a list: the list's code and 'A'.
    bool listHeader(char listCode);
    // A list line: the list's code, the item's code and at most `textLimit`
    // bytes of the text.
    bool listLine(char listCode, char itemCode, const char* text, std::size_t textLimit = wire::replyTextLimit);
    // A list line with a number after its text (the paging lines).
    bool listNumber(char listCode, char itemCode, const char* text, std::int32_t value);
    // A code and a text composed like printf.
    bool format(char code, const char* format, ...) TEXT_FORMAT(3, 4);
    // The end of the conversation: X and LF, one attempt each.
    void endConversation();

    // Whether a write has failed. A failed line is not repeated: the phone
    // reads lines, and the next one starts fresh (the link ends a torn one).
    bool failed() const { return failed_; }

private:
    bool write();

    PluginContext& context_;
    char line_[wire::replyTextLimit + 1] = {};
    bool failed_ = false;
};
