#include "tests/e2e/wine_fixture.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>

namespace e2e {

namespace {

std::string problem;  // set when the prefix could not be made

}  // namespace

Lines joined(std::initializer_list<Lines> parts) {
    Lines all;
    for (const Lines& part : parts) all.insert(all.end(), part.begin(), part.end());
    return all;
}

long quitTookMs(const std::string& transcript) {
    const std::size_t at = transcript.find("quit done ");
    return at == std::string::npos ? -1 : std::atol(transcript.c_str() + at + 10);
}

const std::string& prefixProblem() { return problem; }

void PrefixEnvironment::SetUp() {
    if (!missingPiece().empty()) return;
    installCleanupOnExit();
    auto started = std::chrono::steady_clock::now();
    if (!makePrefix(problem) && problem.empty()) problem = "no prefix";
    if (problem.empty() && furnish_ && !furnish_(problem) && problem.empty()) problem = "the prefix was not furnished";
    auto seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - started);
    std::printf("[ wine     ] prefix %s made in %.1f s\n", winePaths().prefix.c_str(), seconds.count());
}

void PrefixEnvironment::TearDown() {
    if (missingPiece().empty()) stopWine();
}

void WineScenario::SetUp() {
    std::string missing = missingPiece();
    if (!missing.empty()) GTEST_SKIP() << "end-to-end run skipped: " << missing;
    ASSERT_EQ("", problem);
}

Lines WineScenario::collect(std::size_t expected) {
    Lines replies;
    while (replies.size() < expected) {
        std::string reply = host.phoneReply(4000);
        if (reply.rfind("(", 0) == 0) return replies;
        replies.push_back(reply);
    }
    for (const std::string& surplus : host.phoneReplies(expected == 0 ? 1200 : 400)) replies.push_back(surplus);
    return replies;
}

Lines WineScenario::ask(const std::string& line, std::size_t expected) {
    host.phoneWrite(line + "\n");
    return collect(expected);
}

}  // namespace e2e
