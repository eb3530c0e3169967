// Equalizer commands: values inverted about 63 both ways, and the presets.

#include "protocol/equalizer.h"

#include <algorithm>

#include "conversation.h"
#include "tests/equalizer_presets.h"

namespace {

using Requests = std::vector<std::string>;
using EqualizerTest = ConversationTest;

TEST_F(EqualizerTest, ReportSendsTenInvertedValuesInBandOrder) {
    start();
    clearRequests();
    EXPECT_EQ(exchange("6", 1), (Requests{"I32:32:32:32:32:32:32:32:32:32:"}));
    Requests expected;
    for (int band = 0; band < 10; ++band) expected.push_back("user 127 " + std::to_string(band));
    EXPECT_EQ(requests(), expected);

    onUi([&] {
        const int bands[10] = {0, 63, 1, 62, 20, 31, 32, 40, 50, 10};
        std::copy(std::begin(bands), std::end(bands), host->bands);
    });
    EXPECT_EQ(exchange("6", 1), (Requests{"I63:0:62:1:43:32:31:23:13:53:"}));
}

TEST_F(EqualizerTest, SetBandNamesTheBandThenSetsTheInvertedValue) {
    start();
    clearRequests();
    EXPECT_TRUE(sendThenSync({"9 3:63", "9 4:00", "9 5 7", "9 x:12", "9 6-70", "9 7:-5", "9 8:ab"}).empty());
    EXPECT_EQ(requests(), (Requests{"user 127 3", "user 128 0", "user 127 4", "user 128 63", "user 127 5",
                                    "user 128 56", "user 127 0", "user 128 51", "user 127 6", "user 128 -7",
                                    "user 127 7", "user 128 68", "user 127 8", "user 128 63"}));
    onUi([&] {
        EXPECT_EQ(host->bands[3], 0);
        EXPECT_EQ(host->bands[4], 63);
        EXPECT_EQ(host->bands[5], 56);
        EXPECT_EQ(host->bands[0], 51);
    });

    // Shorter than band, separator and one digit: nothing is sent.
    clearRequests();
    EXPECT_TRUE(sendThenSync({"9 3:", "9 3", "9", "9 "}).empty());
    EXPECT_TRUE(requests().empty());
}

TEST_F(EqualizerTest, PresetSetsAllTenBandsAndUnknownPresetsDoNothing) {
    start();
    for (int preset = 0; preset < 17; ++preset) {
        clearRequests();
        EXPECT_TRUE(sendThenSync({"58 " + std::to_string(preset)}).empty());
        Requests expected;
        for (int band = 0; band < 10; ++band) {
            expected.push_back("user 127 " + std::to_string(band));
            expected.push_back("user 128 " + std::to_string(63 - expected::equalizerPresets[preset][band]));
        }
        EXPECT_EQ(requests(), expected) << "preset " << preset;
    }
    clearRequests();
    EXPECT_TRUE(sendThenSync({"58 9"}).empty());
    onUi([&] {
        const int hostSide[10] = {20, 20, 31, 31, 31, 31, 31, 31, 20, 20};
        EXPECT_TRUE(std::equal(std::begin(hostSide), std::end(hostSide), host->bands));
    });
    EXPECT_EQ(exchange("6", 1), (Requests{"I43:43:32:32:32:32:32:32:43:43:"}));

    clearRequests();
    EXPECT_TRUE(sendThenSync({"58 17", "58 -1", "58 99999999999", "58 x"}).empty());
    // "x" reads as preset 0, the one valid entry among them.
    EXPECT_EQ(requests().size(), 20u);
    EXPECT_EQ(exchange("6", 1), (Requests{"I32:32:32:32:32:32:19:19:19:15:"}));
}

}  // namespace
