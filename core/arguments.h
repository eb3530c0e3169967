// Readers of command arguments: numbers on the wire are signed decimal text,
// and some commands take colon-separated fields.
#pragma once

#include <cstddef>
#include <cstdint>

// Reads like the standard atoi: leading white space skipped, an optional sign,
// then digits up to the first other character; 0 when there are none. Unlike
// atoi it never overflows: values beyond the 32-bit range are held at its ends.
std::int32_t readDecimal(const char* text);

// A decimal number with optional fraction and exponent ("0.8", "-1.5e-1"),
// read the same whatever the C runtime's locale; 0 when the text does not start
// with one. Words such as "inf" and hexadecimal forms are not numbers here.
double readDecimalFraction(const char* text);

// Splits `text` at ':' into `count` fields of `fieldSize` bytes each. A field
// longer than its buffer is cut; fields past the end of the text are empty. The
// scan never passes the end of the text.
void splitFields(const char* text, char* fields, std::size_t count, std::size_t fieldSize);

// The first white-space-delimited token of `line`, cut to `size` - 1 bytes.
void copyFirstToken(const char* line, char* token, std::size_t size);
