#include "link/reply.h"

#include <cstdarg>

#include "core/text.h"
#include "link/link.h"

void Reply::coded(char code, const char* text) {
    formatText(line_, sizeof line_, "%c%s", code, text);
    write();
}

void Reply::number(char code, std::int32_t value) {
    formatText(line_, sizeof line_, "%c%d", code, static_cast<int>(value));
    write();
}

void Reply::listHeader(char listCode) {
    formatText(line_, sizeof line_, "%c%c", listCode, wire::listBegins);
    write();
}

void Reply::listLine(char listCode, char itemCode, const char* text, std::size_t textLimit) {
    const int limit = static_cast<int>(textLimit < wire::replyTextLimit ? textLimit : wire::replyTextLimit);
    formatText(line_, sizeof line_, "%c%c%.*s", listCode, itemCode, limit, text);
    write();
}

void Reply::listNumber(char listCode, char itemCode, const char* text, std::int32_t value) {
    formatText(line_, sizeof line_, "%c%c%s%d", listCode, itemCode, text, static_cast<int>(value));
    write();
}

void Reply::format(char code, const char* format, ...) {
    line_[0] = code;
    std::va_list values;
    va_start(values, format);
    formatTextList(line_ + 1, sizeof line_ - 1, format, values);
    va_end(values);
    write();
}

void Reply::endConversation() {
    // The LF goes out even when the X did not: it ends whatever the phone holds.
    sendRawByte(writer_, wire::replyEndOfConversation);
    sendRawByte(writer_, '\n');
}
