// The now-playing, volume and version lines, asked for and pushed.

#include "conversation.h"

namespace {

using StatusTest = ConversationTest;

const std::vector<std::string> nowPlayingQueries = {"user 125 0", "user 212 0", "user 126 0",
                                                    "user 105 0", "user 105 1", "user 104 0",
                                                    "user 126 2", "user 250 0", "user 251 0"};

TEST_F(StatusTest, PushOnSendsVolumeThenNowPlayingAndPushesEveryChangeUntilPushOff) {
    start();
    clearRequests();
    EXPECT_EQ(exchange("18", 2), (std::vector<std::string>{"Q200", "J1:One:44:2:180000:5000:0:0:"}));
    EXPECT_EQ(requests(), nowPlayingQueries);

    // The line's own queries raised the play-state mark; it went out with the
    // line, so nothing follows until the host reports a change.
    EXPECT_TRUE(sendThenSync({}).empty());
    onUi([&] {
        host->shuffle = 1;
        host->changeTrack(1);
    });
    EXPECT_EQ(pushed(1), (std::vector<std::string>{"J1:Two:44:2:180000:5000:1:0:"}));
    EXPECT_TRUE(sendThenSync({}).empty());

    // 21 answers nothing and changes stop being pushed.
    EXPECT_TRUE(sendThenSync({"21"}).empty());
    clearRequests();
    onUi([&] { host->changeTrack(0); });
    EXPECT_TRUE(sendThenSync({}).empty());
    EXPECT_TRUE(requests().empty());
}

TEST_F(StatusTest, NoTitleMeansNoLineAndTheLineFollowsOnceATitleExists) {
    host->playlist.clear();
    start();
    clearRequests();
    EXPECT_EQ(exchange("18", 1), (std::vector<std::string>{"Q200"}));
    // The mark stays raised, so the loop keeps asking on every turn.
    ASSERT_TRUE(waitForRequests(3 * nowPlayingQueries.size()));
    std::vector<std::string> asked = requests();
    asked.resize(2 * nowPlayingQueries.size());
    std::vector<std::string> twice = nowPlayingQueries;
    twice.insert(twice.end(), nowPlayingQueries.begin(), nowPlayingQueries.end());
    EXPECT_EQ(asked, twice);
    EXPECT_TRUE(phone.takeLines().empty());

    onUi([&] {
        host->playlist = {{"C:\\Music\\late.mp3", "Late"}};
        host->current = 0;
        host->playState = 0;
        host->positionMs = 0;
    });
    EXPECT_EQ(pushed(1), (std::vector<std::string>{"J0:Late:44:2:180000:0:0:0:"}));
}

TEST_F(StatusTest, TitleKeepsItsTextWithColonsTurnedIntoSemicolons) {
    host->playlist = {{"C:\\Music\\a.mp3", "Artist: Title:: Live:"}};
    host->lengthSeconds = -1;  // a stream without a length
    start();
    EXPECT_EQ(exchange("18", 2), (std::vector<std::string>{"Q200", "J1:Artist; Title;; Live;:44:2:-1000:5000:0:0:"}));
    EXPECT_EQ(host->playlist[0].title, "Artist: Title:: Live:");
}

TEST_F(StatusTest, OverlongTitleIsCutSoTheLineFitsOneReply) {
    const std::string fields = ":44:2:180000:5000:0:0:";
    const std::string head = "J1:";
    for (std::size_t titleLength :
         {1022 - head.size() - fields.size(), 1023 - head.size() - fields.size(), std::size_t{5000}}) {
        onUi([&] { host->playlist = {{"C:\\Music\\long.mp3", std::string(titleLength, 'x')}}; });
        if (!started) start();
        std::vector<std::string> lines = exchange("18", 2);
        ASSERT_EQ(lines.size(), 2u);
        const std::size_t kept = 1022 - head.size() - fields.size();
        EXPECT_EQ(lines[1], head + std::string(kept, 'x') + fields) << titleLength;
    }
}

TEST_F(StatusTest, VolumeChangesArePushedWithoutTheStatusPush) {
    start();
    onUi([&] { host->setVolumeAtPlayer(120); });
    EXPECT_EQ(pushed(1), (std::vector<std::string>{"Q120"}));
    // A play-state change alone pushes nothing while the push is off.
    onUi([&] { host->changeTrack(1); });
    EXPECT_TRUE(sendThenSync({}).empty());
}

TEST_F(StatusTest, AVolumeChangeMadeWhileTheVolumeLineIsWrittenIsPushedAfterIt) {
    start();
    settle();
    sim::holdWrites(true);
    onUi([&] { host->setVolumeAtPlayer(120); });
    ASSERT_TRUE(sim::waitForHeldWrite());
    onUi([&] { host->setVolumeAtPlayer(130); });
    sim::holdWrites(false);
    EXPECT_EQ(pushed(2), (std::vector<std::string>{"Q120", "Q130"}));
}

TEST_F(StatusTest, VersionLineNamesTheHostVersion) {
    host->version = 0x5666;
    start();
    clearRequests();
    EXPECT_EQ(exchange("27", 1), (std::vector<std::string>{"KWinamp 22118 running!"}));
    EXPECT_EQ(requests(), (std::vector<std::string>{"user 0 0"}));
}

}  // namespace
