// libFuzzer target: any byte string as a whole conversation over the serial
// line (see wire_driver.h for how the bytes are read), with the checks that
// must hold whatever the phone sent.

#include <cstdint>
#include <cstdio>
#include <cstdlib>

#include "tests/fuzz/wire_driver.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const wiredriver::Outcome outcome = wiredriver::runConversation(data, size);
    if (!outcome.problem.empty()) {
        std::fprintf(stderr, "wire_fuzz: %s\n", outcome.problem.c_str());
        std::abort();
    }
    return 0;
}
