// Start and quit against the two threads: what a line already waiting at
// start-up finds, what quit lets run while it waits, how it gives up, and what
// the sleep timer may still do around the end of the conversation.

#include <clocale>
#include <future>
#include <memory>
#include <thread>

#include "conversation.h"
#include "core/arguments.h"
#include "plugin/host_hook.h"

namespace {

using Lines = std::vector<std::string>;
using StartQuitTest = ConversationTest;

// Runs `work` on another thread and waits for it, with a real-time bound that
// only turns a hang into a failure.
template <typename Work>
bool finishesWithoutHanging(Work work) {
    auto finished = std::make_shared<std::promise<void>>();
    std::future<void> done = finished->get_future();
    std::thread([finished, work] {
        work();
        finished->set_value();
    }).detach();
    return done.wait_for(std::chrono::seconds(10)) == std::future_status::ready;
}

TEST_F(StartQuitTest, ATimerCommandWaitingAtStartUpFindsTheTimerAndStaysArmed) {
    // The worker's first steps happen before init's next ones.
    sim::runNewThreadsFirst(true);
    phone.send("28 1:3:0:1:0\n");
    start();
    EXPECT_EQ(sendThenSync({"59"}), (Lines{"bEnabled!", "bEnabled!"}));
    stopPlugin();

    sim::reset();
    resetPluginState();
    SetUp();
    started = stopped = false;
    sim::runNewThreadsFirst(true);
    phone.send("28 1:3:1:1:0\n");
    start();
    EXPECT_EQ(sendThenSync({"59"}), (Lines{"bEnabled!", "bEnabled!", "bEnabled!"}));
}

TEST_F(StartQuitTest, QuitLetsOnlyTheWorkersMessagesThroughAndNoTimerFiresInside) {
    start();
    // Power off at the next minute tick.
    EXPECT_EQ(sendThenSync({"28 0:1:0:1:0"}), (Lines{"bEnabled!"}));
    clearRequests();
    sim::holdWrites(true);
    phone.send("27\n");
    ASSERT_TRUE(waitForRequests(1));  // the version request went out; its line is stuck
    clearRequests();

    // A tick is queued behind quit while quit waits for the stuck worker.
    sim::postToUiThread([] { pluginDescriptor.quit(); });
    sim::postTimerTick();
    stopped = true;
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    sim::holdWrites(false);
    ASSERT_TRUE(finishesWithoutHanging([] { sim::runOnUiThread([] {}); }));

    EXPECT_EQ(sim::powerOffRequests(), 0);
    EXPECT_EQ(sim::liveTimerCount(), 0);
    EXPECT_TRUE(requests().empty());
    EXPECT_EQ(pluginContext->flags.workerFinished, 1);
}

TEST_F(StartQuitTest, QuitsWaitIsBoundedByTheClockHoweverLongTheMessagesItLetsThroughTake) {
    start();
    // The host takes two seconds over the version request, then the link stalls.
    onUi([&] { host->delayVersionMs = 2000; });
    sim::holdWrites(true);
    const std::uint32_t start = platform::tickCount();
    sim::postToUiThread([] { pluginDescriptor.quit(); });
    stopped = true;
    phone.send("27\n");
    ASSERT_TRUE(finishesWithoutHanging([] { sim::runOnUiThread([] {}); }));
    const std::uint32_t took = platform::tickCount() - start;
    EXPECT_GE(took, quitWaitLimitMs);
    EXPECT_LT(took, quitWaitLimitMs + 1000);
    sim::holdWrites(false);
}

TEST_F(StartQuitTest, TheFadeNeverWaitsBehindAStalledWriteAndTheWorkerSendsItsLine) {
    start();
    // No action (count 0), fade by a half every minute.
    EXPECT_EQ(sendThenSync({"28 1:0:0:0.5:1"}), (Lines{"bEnabled!"}));
    clearRequests();
    sim::holdWrites(true);
    phone.send("27\n");
    ASSERT_TRUE(waitForRequests(1));
    // The tick runs on the user-interface thread while the worker's write is stuck.
    EXPECT_TRUE(finishesWithoutHanging([] { sim::fireTimers(); }));
    onUi([&] { EXPECT_EQ(host->volume, 100); });
    sim::holdWrites(false);
    EXPECT_EQ(pushed(2), (Lines{"KWinamp 22118 running!", "Q100"}));
}

TEST_F(StartQuitTest, AfterPowerOffNothingMoreReachesThePhoneAndTheTimerIsDisarmed) {
    start();
    EXPECT_EQ(sendThenSync({"28 0:1:0:0.5:1"}), (Lines{"bEnabled!"}));
    clearRequests();
    sim::fireTimers();
    EXPECT_EQ(sim::powerOffRequests(), 1);
    ASSERT_TRUE(phone.waitForLines(1));
    for (int i = 0; i < 2000 && pluginContext->flags.workerFinished == 0; ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    ASSERT_EQ(pluginContext->flags.workerFinished, 1);
    // Later ticks and file starts neither fade nor act again.
    sim::fireTimers();
    sim::fireTimers();
    onUi([&] { host->startFile(1); });
    EXPECT_EQ(sim::powerOffRequests(), 1);
    EXPECT_EQ(phone.takeLines(), (Lines{"X"}));
    for (const std::string& request : requests()) EXPECT_NE(request.rfind("user 122 ", 0), 0u) << request;
}

TEST_F(StartQuitTest, AHookThatCannotBeRemovedPinsTheLibraryAndLeavesTheSleepTimerDisarmed) {
    start();
    // Power off at the next file start.
    EXPECT_EQ(sendThenSync({"28 0:1:1:1:0"}), (Lines{"bEnabled!", "bEnabled!"}));
    // Another plug-in hooks the window over ours and chains to us.
    static platform::WindowProcedure ours = nullptr;
    onUi([&] {
        ours = platform::subclassWindow(host->mainWindow,
                                        [](platform::WindowHandle window, unsigned int message, platform::WParam wParam,
                                           platform::LParam lParam) -> platform::LResult {
                                            return platform::callWindowProcedure(ours, window, message, wParam, lParam);
                                        });
    });
    ASSERT_EQ(ours, &hostWindowProc);
    stopPlugin();
    EXPECT_EQ(sim::pinnedModuleCount(), 1);
    onUi([&] { host->startFile(1); });
    EXPECT_EQ(sim::powerOffRequests(), 0);
    EXPECT_EQ(pluginContext->flags.stop.load(), 1);
}

TEST_F(StartQuitTest, QuitWithItsHookOnTopRestoresTheWindowAndPinsNothing) {
    start();
    stopPlugin();
    EXPECT_EQ(sim::pinnedModuleCount(), 0);
    platform::WindowProcedure current = nullptr;
    onUi([&] { current = platform::currentWindowProcedure(host->mainWindow); });
    EXPECT_NE(current, &hostWindowProc);
}

TEST_F(StartQuitTest, TheNowPlayingTitleIsCopiedBeforeTheLinesOtherRequests) {
    onUi([&] { host->titleInSharedBuffer = true; });
    start();
    const Lines lines = sendThenSync({"18"});
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[1], "J1:One:44:2:180000:5000:0:0:");
}

TEST(FadeFactor, ReadsTheSameWhateverTheRuntimesLocale) {
    // A locale whose decimal separator is a comma, as other code in the host
    // may set; the test machine's setup installs it.
    const char* comma = std::setlocale(LC_NUMERIC, "de_DE.UTF-8");
    ASSERT_NE(comma, nullptr) << "the de_DE.UTF-8 locale is not installed (tools/install-deps.sh installs it)";
    EXPECT_EQ(readDecimalFraction("0.5"), 0.5);
    EXPECT_EQ(readDecimalFraction("-1.25e1"), -12.5);
    EXPECT_EQ(readDecimalFraction(" 3"), 3.0);
    EXPECT_EQ(readDecimalFraction("0,5"), 0.0);
    std::setlocale(LC_NUMERIC, "C");
}

}  // namespace
