// Quit from every state the conversation can be in: it returns within its
// bound every time, the worker ends, and the phone hears the end of the
// conversation whenever the link still takes bytes.

#include <thread>

#include "conversation.h"

namespace {

using Lines = std::vector<std::string>;

class QuitStatesTest : public ConversationTest {
protected:
    void SetUp() override {
        ConversationTest::SetUp();
        onUi([&] {
            for (int i = 0; i < 120; ++i) {
                hostsim::LibraryEntry entry;
                entry.fileName = "C:\\m\\" + std::to_string(i) + ".mp3";
                entry.title = "Title " + std::to_string(i);
                entry.album = "Album " + std::to_string(i % 60);
                entry.artist = "Artist " + std::to_string(i % 55);
                entry.genre = "Genre " + std::to_string(i % 52);
                host->library.push_back(entry);
            }
        });
    }

    // Quits, and returns how long quit took on the simulated clock.
    std::uint32_t quitTaking() {
        const std::uint32_t start = platform::tickCount();
        stopPlugin();
        return platform::tickCount() - start;
    }

    // The worker ends by itself (a real-time bound turns a hang into a failure).
    bool workerEnds() {
        for (int i = 0; i < 3000 && sim::threadsEnded() == 0; ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        return sim::threadsEnded() == 1;
    }
};

TEST_F(QuitStatesTest, InsideTheWaitOfEveryLibraryList) {
    const Lines lists = {"30",         "31",          "32", "33 Album 1", "34 Artist 1", "35 Genre 1",
                         "37 Genre 1", "38 Artist 1", "39", "43 Album 1", "44 Album 1"};
    for (const std::string& list : lists) {
        start();
        sendThenSync({list});  // the list waits at its first page end
        EXPECT_LT(quitTaking(), quitWaitLimitMs) << list;
        EXPECT_TRUE(workerEnds()) << list;
        EXPECT_EQ(phone.takeLines(), (Lines{"X"})) << list;
        // The next round starts a fresh plug-in in the same world.
        TearDown();
        SetUp();
        started = stopped = false;
    }
}

TEST_F(QuitStatesTest, InsideTheFileListsAndInsideAListOpenedFromAnother) {
    // The folder list, the current playlist view, the library's playlists, and
    // a folder list opened from inside the playlist view.
    const std::vector<Lines> states = {{"1 C:\\Music"}, {"7"}, {"55"}, {"7", "1 C:\\Music"}};
    for (const Lines& lines : states) {
        sim::addFolder("C:\\Music");
        for (int i = 0; i < 60; ++i) sim::addFile("C:\\Music\\" + std::to_string(i) + ".mp3");
        start();
        sendThenSync(lines);
        EXPECT_LT(quitTaking(), quitWaitLimitMs) << lines.back();
        EXPECT_TRUE(workerEnds()) << lines.back();
        EXPECT_EQ(phone.takeLines(), (Lines{"X"})) << lines.back();
        TearDown();
        SetUp();
        started = stopped = false;
    }
}

TEST_F(QuitStatesTest, WhileAPageIsWrittenToALineThatTakesNothing) {
    start();
    clearRequests();
    sim::holdWrites(true);
    phone.send("39\n");
    ASSERT_TRUE(waitForRequests(1));  // the query ran; its page is stuck on the line
    const std::uint32_t took = quitTaking();
    EXPECT_GE(took, quitWaitLimitMs);
    EXPECT_LT(took, quitWaitLimitMs + 1000);
    // The page's write was aborted and the end-of-conversation bytes gave up.
    EXPECT_TRUE(workerEnds());
    EXPECT_FALSE(sim::portIsOpen("COM6"));
}

TEST_F(QuitStatesTest, WhenIdleDuringAFadeAndAfterPowerOff) {
    start();
    EXPECT_LT(quitTaking(), quitWaitLimitMs);
    EXPECT_EQ(phone.takeLines(), (Lines{"X"}));

    TearDown();
    SetUp();
    started = stopped = false;
    start();
    EXPECT_EQ(sendThenSync({"28 1:0:0:0.5:1"}), (Lines{"bEnabled!"}));
    // A tick is due while quit runs: it never fades after the timer is gone.
    sim::postToUiThread([] { pluginDescriptor.quit(); });
    sim::postTimerTick();
    stopped = true;
    sim::runOnUiThread([] {});
    EXPECT_TRUE(workerEnds());
    EXPECT_EQ(phone.takeLines(), (Lines{"X"}));
    onUi([&] { EXPECT_EQ(host->volume, 200); });

    TearDown();
    SetUp();
    started = stopped = false;
    start();
    EXPECT_EQ(sendThenSync({"28 0:1:0:1:0"}), (Lines{"bEnabled!"}));
    sim::fireTimers();  // power-off: the conversation ends
    ASSERT_TRUE(workerEnds());
    EXPECT_EQ(quitTaking(), 0u);
    EXPECT_EQ(phone.takeLines(), (Lines{"X"}));
}

}  // namespace
