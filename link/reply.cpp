#include "link/reply.h"

#include <cstdarg>

#include "core/text.h"
#include "link/link.h"

bool Reply::write() {
    if (sendReply(context_, line_)) return true;
    failed_ = true;
    return false;
}

bool Reply::coded(char code, const char* text) {
    formatText(line_, sizeof line_, "%c%s", code, text);
    return write();
}

bool Reply::number(char code, std::int32_t value) {
    formatText(line_, sizeof line_, "%c%d", code, static_cast<int>(value));
    return write();
}

bool Reply::listHeader(char listCode) {
    formatText(line_, sizeof line_, "%c%c", listCode, wire::listBegins);
    return write();
}

bool Reply::listLine(char listCode, char itemCode, const char* text, std::size_t textLimit) {
    const int limit = static_cast<int>(textLimit < wire::replyTextLimit ? textLimit : wire::replyTextLimit);
    formatText(line_, sizeof line_, "%c%c%.*s", listCode, itemCode, limit, text);
    return write();
}

bool Reply::listNumber(char listCode, char itemCode, const char* text, std::int32_t value) {
    formatText(line_, sizeof line_, "%c%c%s%d", listCode, itemCode, text, static_cast<int>(value));
    return write();
}

bool Reply::format(char code, const char* format, ...) {
    line_[0] = code;
    std::va_list values;
    va_start(values, format);
    formatTextList(line_ + 1, sizeof line_ - 1, format, values);
    va_end(values);
    return write();
}

void Reply::endConversation() {
    if (!sendRawByte(context_, wire::replyEndOfConversation)) failed_ = true;
    if (!sendRawByte(context_, '\n')) failed_ = true;
}
