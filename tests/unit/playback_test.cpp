// Playback commands: the exact host requests each one makes, in order.

#include "conversation.h"

namespace {

using Requests = std::vector<std::string>;
using PlaybackTest = ConversationTest;

TEST_F(PlaybackTest, TransportCommandsPressTheHostsButtons) {
    start();
    clearRequests();
    EXPECT_TRUE(sendThenSync({"12", "13", "14", "15", "16", "17", "24", "25", "14 ignored argument"}).empty());
    EXPECT_EQ(requests(), (Requests{"command 40044", "command 40048", "command 40045", "command 40046", "command 40061",
                                    "command 40060", "command 40058", "command 40059", "command 40045"}));
}

TEST_F(PlaybackTest, FilesArePlayedAtOnceOrAddedWithTheWholeRestOfTheLine) {
    start();
    clearRequests();
    EXPECT_TRUE(sendThenSync({"2 C:\\My Music\\a b.mp3", "3 C:\\My Music\\c  d .mp3 ", "22"}).empty());
    EXPECT_EQ(requests(), (Requests{"user 101 0", "user 100 file=C:\\My Music\\a b.mp3", "user 102 0",
                                    "user 100 file=C:\\My Music\\c  d .mp3 ", "user 101 0"}));
    onUi([&] { EXPECT_TRUE(host->playlist.empty()); });

    // Adding leaves what is there and what plays alone.
    clearRequests();
    EXPECT_TRUE(sendThenSync({"2 C:\\Music\\x.mp3", "3 C:\\Music\\y.mp3"}).empty());
    onUi([&] {
        ASSERT_EQ(host->playlist.size(), 2u);
        EXPECT_EQ(host->playlist[1].path, "C:\\Music\\y.mp3");
        EXPECT_EQ(host->current, 0);
        EXPECT_EQ(host->playState, 1);
    });
}

TEST_F(PlaybackTest, JumpSeekAndNumberReadTheirArgumentAsDecimal) {
    start();
    clearRequests();
    EXPECT_TRUE(sendThenSync({"8 1", "8 0", "8 abc", "8", "8  -3x", "57 12000", "57 ", "60 42", "60 -7"}).empty());
    EXPECT_EQ(requests(), (Requests{"user 121 1", "command 40045", "user 121 0", "command 40045", "user 121 0",
                                    "command 40045", "user 121 0", "command 40045", "user 121 -3", "command 40045",
                                    "user 106 12000", "user 106 0", "user 1002 value=42", "user 1002 value=-7"}));
}

TEST_F(PlaybackTest, SetVolumeStoresWhatWasAskedAndAnswersWithOneVolumeLine) {
    start();
    clearRequests();
    // Each command yields exactly one Q line, even where the hook also marked
    // the volume as changed (positive volumes).
    EXPECT_EQ(sendThenSync({"11 150"}), (Requests{"Q150"}));
    EXPECT_EQ(sendThenSync({"11 0"}), (Requests{"Q0"}));
    EXPECT_EQ(sendThenSync({"11 300"}), (Requests{"Q300"}));
    EXPECT_EQ(sendThenSync({"11 -5"}), (Requests{"Q-5"}));
    EXPECT_EQ(sendThenSync({"11 loud"}), (Requests{"Q0"}));
    EXPECT_EQ(requests(), (Requests{"user 122 150", "user 122 0", "user 122 300", "user 122 -5", "user 122 0"}));
    EXPECT_EQ(pluginContext->flags.volume.load(), 0);
    // The stored value is what the status push reports next.
    EXPECT_TRUE(sendThenSync({"11 7"}).size() == 1);
    EXPECT_EQ(exchange("18", 2)[0], "Q7");
}

TEST_F(PlaybackTest, ShuffleAndRepeatToggleOffOnlyWhenTheHostSaysExactlyOne) {
    start();
    for (int setting : {1, 0, 2, -1}) {
        onUi([&] {
            host->shuffle = setting;
            host->repeat = setting;
        });
        clearRequests();
        EXPECT_TRUE(sendThenSync({"61", "62"}).empty());
        const std::string next = setting == 1 ? "0" : "1";
        EXPECT_EQ(requests(), (Requests{"user 250 0", "user 252 " + next, "user 251 0", "user 253 " + next}))
            << "host setting " << setting;
    }
}

}  // namespace
