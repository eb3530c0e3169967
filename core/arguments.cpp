#include "core/arguments.h"

#include <cctype>
#include <charconv>
#include <climits>
#include <cstring>
#include <limits>

namespace {

bool isDigit(char c) { return c >= '0' && c <= '9'; }

// White space as the C locale knows it; never the locale's own idea.
bool isBlank(unsigned char c) { return c == ' ' || (c >= '\t' && c <= '\r'); }

}  // namespace

std::int32_t readDecimal(const char* text) {
    const unsigned char* p = reinterpret_cast<const unsigned char*>(text);
    while (isBlank(*p)) ++p;
    bool negative = false;
    if (*p == '+' || *p == '-') {
        negative = *p == '-';
        ++p;
    }
    long long value = 0;
    while (*p >= '0' && *p <= '9') {
        if (value <= static_cast<long long>(INT32_MAX) + 1) value = value * 10 + (*p - '0');
        ++p;
    }
    if (negative) value = -value;
    if (value > INT32_MAX) return INT32_MAX;
    if (value < INT32_MIN) return INT32_MIN;
    return static_cast<std::int32_t>(value);
}

double readDecimalFraction(const char* text) {
    const char* p = text;
    while (isBlank(static_cast<unsigned char>(*p))) ++p;
    bool negative = false;
    if (*p == '+' || *p == '-') {
        negative = *p == '-';
        ++p;
    }
    const char* start = p;
    const char* integerStart = p;
    while (isDigit(*p)) ++p;
    bool digits = p != integerStart;
    if (*p == '.') {
        const char* fractionStart = ++p;
        while (isDigit(*p)) ++p;
        digits = digits || p != fractionStart;
    }
    if (!digits) return 0.0;
    if (*p == 'e' || *p == 'E') {
        const char* exponent = p + 1;
        if (*exponent == '+' || *exponent == '-') ++exponent;
        if (isDigit(*exponent)) {
            p = exponent;
            while (isDigit(*p)) ++p;
        }
    }
    // from_chars reads the C locale's form only, whatever setlocale said.
    double value = 0.0;
    const std::from_chars_result result = std::from_chars(start, p, value, std::chars_format::general);
    if (result.ec == std::errc::result_out_of_range) {
        // Too large reads as infinite, too small as 0, as strtod gives them.
        bool large = false;
        for (const char* q = start; q < p && *q != 'e' && *q != 'E'; ++q)
            if (*q >= '1' && *q <= '9') large = true;
        const char* e = start;
        while (e < p && *e != 'e' && *e != 'E') ++e;
        const bool negativeExponent = e + 1 < p && e[1] == '-';
        value = large && !negativeExponent ? std::numeric_limits<double>::infinity() : 0.0;
    } else if (result.ec != std::errc()) {
        return 0.0;
    }
    return negative ? -value : value;
}

void splitFields(const char* text, char* fields, std::size_t count, std::size_t fieldSize) {
    const char* cursor = text;
    for (std::size_t i = 0; i < count; ++i) {
        char* field = fields + i * fieldSize;
        std::size_t length = 0;
        while (cursor[length] != '\0' && cursor[length] != ':') ++length;
        const std::size_t kept = length < fieldSize - 1 ? length : fieldSize - 1;
        std::memcpy(field, cursor, kept);
        field[kept] = '\0';
        cursor += length;
        if (*cursor == ':') ++cursor;
    }
}

void copyFirstToken(const char* line, char* token, std::size_t size) {
    const unsigned char* p = reinterpret_cast<const unsigned char*>(line);
    while (*p != '\0' && isBlank(*p)) ++p;
    std::size_t length = 0;
    while (p[length] != '\0' && !isBlank(p[length])) ++length;
    if (length > size - 1) length = size - 1;  // the number of a cut token reads the same
    std::memcpy(token, p, length);
    token[length] = '\0';
}
