// The fuzz driver's seeds and every input the fuzzer ever found a fault with,
// run as plain tests: each must hold every check of the driver.

#include "tests/fuzz/wire_driver.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace {

std::vector<std::filesystem::path> inputsIn(const std::filesystem::path& folder) {
    std::vector<std::filesystem::path> inputs;
    if (!std::filesystem::is_directory(folder)) return inputs;
    for (const auto& entry : std::filesystem::directory_iterator(folder))
        if (entry.is_regular_file()) inputs.push_back(entry.path());
    return inputs;
}

std::string contents(const std::filesystem::path& input) {
    std::ifstream file(input, std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
}

wiredriver::Outcome run(const std::filesystem::path& input) {
    const std::string bytes = contents(input);
    return wiredriver::runConversation(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size());
}

// Command lines in a seed: the LFs of its sends (opcode 0, length, bytes), with
// the one-byte ticks (2) and two-byte host events (3) between them skipped.
std::uint64_t linesIn(const std::string& seed) {
    std::uint64_t lines = 0;
    for (std::size_t at = 0; at < seed.size();) {
        const unsigned char op = static_cast<unsigned char>(seed[at]);
        if (op == 0 && at + 1 < seed.size()) {
            const std::size_t length = static_cast<unsigned char>(seed[at + 1]);
            for (std::size_t i = 0; i < length && at + 2 + i < seed.size(); ++i) lines += seed[at + 2 + i] == '\n';
            at += 2 + length;
        } else {
            at += op == 3 ? 2 : 1;
        }
    }
    return lines;
}

TEST(WireDriver, EverySeedConversationHoldsEveryCheck) {
    const auto seeds = inputsIn(QUILLON_FUZZ_DIR "/corpus/wire");
    ASSERT_GE(seeds.size(), 10u);
    for (const auto& seed : seeds) {
        const wiredriver::Outcome outcome = run(seed);
        EXPECT_EQ(outcome.problem, "") << seed.filename();
        // Every line of a real conversation is taken, none is lost.
        EXPECT_EQ(outcome.linesRun, linesIn(contents(seed))) << seed.filename();
        EXPECT_GE(outcome.replyLines, 1u) << seed.filename();
    }
}

TEST(WireDriver, EverySeedConversationHoldsEveryCheckWithTheRealThreads) {
    for (const auto& seed : inputsIn(QUILLON_FUZZ_DIR "/corpus/wire")) {
        const std::string bytes = contents(seed);
        const wiredriver::Outcome outcome =
            wiredriver::runThreadedConversation(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size());
        EXPECT_EQ(outcome.problem, "") << seed.filename();
        EXPECT_EQ(outcome.linesRun, linesIn(bytes)) << seed.filename();
    }
}

TEST(WireDriver, EveryInputTheFuzzerFoundAFaultWithHoldsEveryCheck) {
    for (const auto& input : inputsIn(QUILLON_FUZZ_DIR "/regressions/wire"))
        EXPECT_EQ(run(input).problem, "") << input.filename();
}

TEST(WireDriver, AnEmptyOrCutInputStillEndsTheConversationCleanly) {
    EXPECT_EQ(wiredriver::runConversation(nullptr, 0).problem, "");
    const std::string cut = wiredriver::encodeLines("39\n53\n").substr(0, 5);
    EXPECT_EQ(wiredriver::runConversation(reinterpret_cast<const std::uint8_t*>(cut.data()), cut.size()).problem, "");
}

}  // namespace
