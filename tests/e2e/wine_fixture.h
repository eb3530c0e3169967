// What every end-to-end suite under Wine shares: the prefix made once for the
// whole run, and a scenario with a test host, a phone and the helpers that
// send a command line and collect its replies.
#pragma once

#include <gtest/gtest.h>

#include <cstddef>
#include <functional>
#include <initializer_list>
#include <string>
#include <vector>

#include "tests/e2e/wine_world.h"

namespace e2e {

using Lines = std::vector<std::string>;

// The parts one after the other.
Lines joined(std::initializer_list<Lines> parts);

// How long the test host's quit took, from its "quit done <ms> ms" line; -1
// when it never said.
long quitTookMs(const std::string& transcript);

// Makes the run's prefix before the first scenario and stops Wine after the
// last. `furnish`, when given, puts what the suite needs into the fresh
// prefix; it runs once, before any test host, and says what went wrong.
class PrefixEnvironment : public testing::Environment {
public:
    using Furnishing = std::function<bool(std::string& error)>;
    explicit PrefixEnvironment(Furnishing furnish = {}) : furnish_(std::move(furnish)) {}
    void SetUp() override;
    void TearDown() override;

private:
    Furnishing furnish_;
};

// Why the prefix is not usable; empty when it is.
const std::string& prefixProblem();

// One scenario: skips when the DLL, the test host or Wine is missing, fails when the
// prefix could not be made.
class WineScenario : public testing::Test {
protected:
    HostRun host;

    void SetUp() override;

    // Waits for `expected` reply lines, each within a generous time, then for
    // any surplus; with none expected, for a quiet second and a bit.
    Lines collect(std::size_t expected);

    // Sends one command line and collects the replies that follow it.
    Lines ask(const std::string& line, std::size_t expected);
};

}  // namespace e2e
