// Numbers on the wire are signed decimal text.
#pragma once

#include <cstdint>

// Reads like the standard atoi: leading white space skipped, an optional sign,
// then digits up to the first other character; 0 when there are none. Unlike
// atoi it never overflows: values beyond the 32-bit range are held at its ends.
std::int32_t readDecimal(const char* text);
