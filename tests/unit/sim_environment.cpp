// Ends the simulated user-interface thread when the test program ends, so that
// no thread of the simulation outlives the tests.

#include <gtest/gtest.h>

#include "platform/sim/sim.h"

namespace {

class SimEnvironment : public ::testing::Environment {
public:
    void TearDown() override { sim::stopUiThread(); }
};

const auto* const environment = ::testing::AddGlobalTestEnvironment(new SimEnvironment);

}  // namespace
