// Faults of the link and of the host, each followed by the conversation going
// on: nothing the phone sent afterwards is lost, and nothing is read outside
// what the host handed out.

#include "conversation.h"

namespace {

using Lines = std::vector<std::string>;

class FaultsTest : public ConversationTest {
protected:
    void SetUp() override {
        ConversationTest::SetUp();
        onUi([&] {
            for (int i = 0; i < 3; ++i) {
                hostsim::LibraryEntry entry;
                entry.fileName = "C:\\m\\" + std::to_string(i) + ".mp3";
                entry.title = "Title " + std::to_string(i);
                entry.album = "Album";
                entry.artist = "Artist";
                entry.genre = "Genre";
                host->library.push_back(entry);
            }
        });
    }
};

TEST_F(FaultsTest, AWriteThatFailsMidLineLeavesAFragmentOnALineOfItsOwnAndLosesNothingElse) {
    start();
    // Three bytes a write: "PA\n" takes one, then the first item's second write fails.
    sim::limitWriteSize(3);
    sim::failOneWriteAfter(2);
    EXPECT_EQ(sendThenSync({"39"}), (Lines{"PA", "PZT", "PZTitle 1", "PZTitle 2"}));
    // One byte a write from here on: every line still arrives whole.
    sim::limitWriteSize(1);
    EXPECT_EQ(sendThenSync({"53", "27"}), (Lines{"KWinamp 22118 running!"}));
    // Cut short at the end of the conversation too: the X stands alone.
    sim::limitWriteSize(3);
    sim::failOneWriteAfter(0);
    phone.send("27\n");
    settle();
    stopPlugin();
    EXPECT_EQ(phone.takeLines(), (Lines{"X"}));
}

TEST_F(FaultsTest, ReadsThatFailForAWhileLoseNoLineThatArrivesAfterwards) {
    start();
    sim::failReads(true);
    sim::advanceClock(5000);
    sim::failReads(false);
    EXPECT_EQ(sendThenSync({"27"}), (Lines{"KWinamp 22118 running!"}));
}

TEST_F(FaultsTest, AbsurdHostNumbersAreSentAsTheyCameAndANullTitleSendsNoLine) {
    onUi([&] {
        host->forcedAnswers[105] = -5;          // position and length both negative
        host->forcedAnswers[124] = 2000000000;  // a huge playlist
        host->forcedAnswers[125] = -7;          // a position before the first entry
    });
    start();
    // Position -7 has no title: the volume line comes, the now-playing line waits.
    EXPECT_EQ(sendThenSync({"18"}), (Lines{"Q200"}));
    onUi([&] { host->forcedAnswers[125] = 1; });
    EXPECT_EQ(sendThenSync({"27"}), (Lines{"KWinamp 22118 running!", "J1:Two:44:2:-5000:-5:0:0:"}));
}

TEST_F(FaultsTest, AHostThatLeavesTheCapacityAtZeroHasEveryRecordListedAndPlayed) {
    onUi([&] { host->reportedCapacity = 0; });
    start();
    EXPECT_EQ(sendThenSync({"39"}), (Lines{"PA", "PZTitle 0", "PZTitle 1", "PZTitle 2"}));
    clearRequests();
    EXPECT_TRUE(sendThenSync({"36 2", "41 Artist"}).empty());
    EXPECT_EQ(requests(), (Lines{"user 101 0", "user 100 file=C:\\m\\2.mp3", "user 102 0", "library release",
                                 "library run artist == \"Artist\"",
                                 "library play enqueue=0 C:\\m\\0.mp3|C:\\m\\1.mp3|C:\\m\\2.mp3"}));
}

TEST_F(FaultsTest, AFolderThatVanishesAfterItsListingPagesOnFromTheListingAndItsFilesAreStillAskedFor) {
    sim::addFolder("C:\\Gone\\Inner");
    for (int i = 0; i < 59; ++i) sim::addFile("C:\\Gone\\f" + std::to_string(10 + i) + ".mp3");
    start();
    clearRequests();
    EXPECT_EQ(sendThenSync({"1 C:\\Gone"}).size(), 52u);
    sim::removePath("C:\\Gone");
    ASSERT_FALSE(sim::fileExists("C:\\Gone\\f68.mp3"));
    // The second page is the rest of the listing made before the folder went.
    Lines rest{"BT50", "BUPrevious 50"};
    for (int i = 49; i < 59; ++i) rest.push_back("BBTf" + std::to_string(10 + i) + ".mp3");
    EXPECT_EQ(joined(sendThenSync({"53"})), joined(rest));
    // A file of it is still handed to the host, which finds it gone; the
    // vanished sub-folder lists nothing; the next command runs.
    EXPECT_EQ(sendThenSync({"2 C:\\Gone\\f68.mp3", "1 C:\\Gone\\Inner", "13"}), Lines{"BA"});
    EXPECT_EQ(requests(), (Lines{"user 101 0", "user 100 file=C:\\Gone\\f68.mp3", "user 102 0", "command 40048"}));
}

}  // namespace
