// libFuzzer target: the wire target's conversations with the plug-in's real
// threads, so that the phone's bytes and the host's own events meet the worker
// at whatever point it has reached. Slower than wire_fuzz; run briefly.

#include <cstdint>
#include <cstdio>
#include <cstdlib>

#include "tests/fuzz/wire_driver.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const wiredriver::Outcome outcome = wiredriver::runThreadedConversation(data, size);
    if (!outcome.problem.empty()) {
        std::fprintf(stderr, "wire_threads_fuzz: %s\n", outcome.problem.c_str());
        std::abort();
    }
    return 0;
}
