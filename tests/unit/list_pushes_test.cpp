// 103: the now-playing and volume lines while a list waits at a page end, as
// the conversation loop sends them between commands, and only for a phone that
// asked for them since its last 27.

#include "conversation.h"

namespace {

using Lines = std::vector<std::string>;

hostsim::LibraryEntry track(const std::string& artist, const std::string& title) {
    hostsim::LibraryEntry entry;
    entry.fileName = "C:\\m\\" + artist + "\\" + title + ".mp3";
    entry.title = title;
    entry.album = "Album";
    entry.artist = artist;
    entry.genre = "Rock";
    return entry;
}

class ListPushesTest : public ConversationTest {
protected:
    void SetUp() override {
        ConversationTest::SetUp();
        host->library = {track("Band", "Zulu"), track("Band", "Echo"), track("Other", "Kilo")};
        start();
    }

    // The artists list, open and waiting after its one page.
    void openArtists() { EXPECT_EQ(exchange("31", 3), (Lines{"PA", "PVBand", "PVOther"})); }
};

TEST_F(ListPushesTest, OneAnswersAsPushOnAndTheWaitPushesWhatTheHostChangesUntilZero) {
    EXPECT_EQ(exchange("103 1", 2), (Lines{"Q200", "J1:One:44:2:180000:5000:0:0:"}));
    // Other arguments change nothing.
    EXPECT_TRUE(sendThenSync({"103", "103 2", "103 1 ", "103 01"}).empty());
    openArtists();
    // The phone is silent in the wait: each change is pushed as it comes.
    onUi([&] { host->setVolumeAtPlayer(120); });
    EXPECT_EQ(pushed(1), (Lines{"Q120"}));
    onUi([&] { host->changeTrack(1); });
    EXPECT_EQ(pushed(1), (Lines{"J1:Two:44:2:180000:5000:0:0:"}));
    onUi([&] { host->setVolumeAtPlayer(90); });
    EXPECT_EQ(pushed(1), (Lines{"Q90"}));
    // 0 answers nothing and switches them off.
    EXPECT_TRUE(sendThenSync({"103 0"}).empty());
    openArtists();
    onUi([&] { host->setVolumeAtPlayer(60); });
    EXPECT_TRUE(sendThenSync({}).empty());
}

TEST_F(ListPushesTest, APickInTheListOwesTheNowPlayingLineNowAndAgainOnTheNextTurn) {
    exchange("103 1", 2);
    openArtists();
    // 41 plays through the library window, which the hook never sees: the line
    // is owed all the same, and again on the wait's next turn.
    const Lines lines = sendThenSync({"41 Band"});
    EXPECT_EQ(lines, (Lines{"J1:Echo:44:2:180000:0:0:0:", "J1:Echo:44:2:180000:0:0:0:"}));
    // Still in the list: 53 there is a page turn the list did not offer.
    EXPECT_TRUE(sendThenSync({"53"}).empty());
}

TEST_F(ListPushesTest, WithoutItOrAfterA27TheWaitSendsNothingAndTheLoopSendsItAfterTheList) {
    // 18 alone: today's bytes, everything after the list has ended.
    exchange("18", 2);
    openArtists();
    onUi([&] {
        host->setVolumeAtPlayer(120);
        host->changeTrack(1);
    });
    EXPECT_TRUE(sendThenSync({"41 Band"}).empty());
    const std::string version = "KWinamp 22118 running!";
    EXPECT_EQ(sendThenSync({"27"}), (Lines{version, "J1:Echo:44:2:180000:0:0:0:", "Q120"}));

    // 27 switches 103 off, as a new phone connecting sends it.
    exchange("103 1", 2);
    EXPECT_EQ(sendThenSync({"27"}), (Lines{version, "J1:Echo:44:2:180000:0:0:0:"}));
    openArtists();
    onUi([&] { host->setVolumeAtPlayer(90); });
    EXPECT_TRUE(sendThenSync({"41 Other"}).empty());
    EXPECT_EQ(sendThenSync({"27"}), (Lines{version, "J1:Kilo:44:2:180000:0:0:0:", "Q90"}));
}

TEST_F(ListPushesTest, ASecondStartInTheSameContextKeepsNothingOfTheFirstConversation) {
    // The first conversation leaves what a start must clear: both pushes on
    // and the start of a line read without its LF.
    exchange("103 1", 2);
    phone.send("5");
    settle();
    stopPlugin();
    EXPECT_EQ(phone.takeReceived(), "X\n");

    // The plug-in is started again in the same context. The host starts it
    // once per process, so the stop flag stays raised and this conversation
    // ends at once.
    started = stopped = false;
    start();
    EXPECT_TRUE(phone.waitForLines(1));
    EXPECT_EQ(phone.takeReceived(), "X\n");
    stopPlugin();
    // Lowered, it shows what a start cleared.
    pluginContext->flags.stop = 0;
    started = stopped = false;
    start();
    // 31 is not read as 531, and the list's wait pushes nothing.
    openArtists();
    onUi([&] {
        host->changeTrack(1);
        host->setVolumeAtPlayer(120);
    });
    EXPECT_TRUE(sendThenSync({}).empty());
    // After the list the loop sends the volume, and no now-playing line: its
    // push is off.
    EXPECT_EQ(sendThenSync({"27"}), (Lines{"KWinamp 22118 running!", "Q120"}));
}

}  // namespace
