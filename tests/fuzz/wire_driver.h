// Runs one whole conversation with the plug-in on the calling thread, driven by
// a byte string: what the phone sends (in chunks the string chooses), what
// happens at the host meanwhile (minute ticks, volume and track changes), and
// when the plug-in is stopped. Every run starts from a fresh simulated world
// and checks what must hold whatever the phone sent.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace hostsim {
struct LibraryEntry;
}

namespace wiredriver {

struct Outcome {
    std::string problem;         // empty when every check held
    std::size_t replyLines = 0;  // complete lines the phone received
    std::uint64_t linesRun = 0;  // command lines taken by the plug-in
    // Everything the phone received, and the host's request log, in order.
    std::string received;
    std::vector<std::string> hostRequests;
};

// One conversation: start, feed `data`, stop, check. `library`, when given,
// replaces the small library every run has.
Outcome runConversation(const std::uint8_t* data, std::size_t size,
                        const std::vector<hostsim::LibraryEntry>* library = nullptr);

// The same conversation with the plug-in's real threads: the worker runs on its
// own, the host on the simulated user-interface thread, and the bytes are sent
// without waiting for the worker, except where the input asks for a pause.
// Slow (each input starts real threads), for short runs.
Outcome runThreadedConversation(const std::uint8_t* data, std::size_t size);

// The same bytes the fuzzer would send, made from plain command lines: each
// line as one chunk, for a seed corpus.
std::string encodeLines(const std::string& lines);

}  // namespace wiredriver
