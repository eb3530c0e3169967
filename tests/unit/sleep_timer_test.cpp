// The sleep timer: its replies, the minute and track counts, the sleep action
// and the volume fade, with the minute ticks driven by the test.

#include <algorithm>
#include <chrono>
#include <thread>

#include "conversation.h"

namespace {

using Lines = std::vector<std::string>;
class SleepTimerTest : public ConversationTest {
protected:
    // One minute tick and every line it led to. The fade's own set-volume
    // request passes the hook, which marks the volume as owed; the worker may
    // push the same volume line once more before the fade clears that mark, so
    // an identical line repeated at once is folded into one.
    Lines tick() {
        sim::fireTimers();
        Lines lines = sendThenSync({});
        lines.erase(std::unique(lines.begin(), lines.end()), lines.end());
        return lines;
    }
};

TEST_F(SleepTimerTest, RepliesConfirmOnceInMinuteModeTwiceInTrackModeAndReportTheState) {
    start();
    EXPECT_EQ(timerState(), "bDisbled!");
    EXPECT_EQ(sendThenSync({"28 1:30:0:1:0"}), (Lines{"bEnabled!"}));
    EXPECT_EQ(timerState(), "bEnabled!");
    EXPECT_EQ(sendThenSync({"29"}), (Lines{"bDisabled!"}));
    EXPECT_EQ(timerState(), "bDisbled!");
    EXPECT_EQ(sendThenSync({"28 1:3:1:1:0"}), (Lines{"bEnabled!", "bEnabled!"}));
    EXPECT_EQ(timerState(), "bEnabled!");
    // Any mode other than minutes confirms twice as well.
    EXPECT_EQ(sendThenSync({"28 1:3:7:1:0"}), (Lines{"bEnabled!", "bEnabled!"}));
}

TEST_F(SleepTimerTest, MinuteModeWithoutTheMinuteTimerIsRefusedAndStaysDisarmed) {
    sim::failTimerStart(true);
    start();
    EXPECT_EQ(sendThenSync({"28 1:3:0:1:0"}), (Lines{"bCould not set timer!"}));
    EXPECT_EQ(timerState(), "bDisbled!");
    // Track mode does not need the timer.
    EXPECT_EQ(sendThenSync({"28 1:3:1:1:0"}), (Lines{"bEnabled!", "bEnabled!"}));
}

TEST_F(SleepTimerTest, MinuteCountPressesStopAtTheNthTickAndOnlyThere) {
    start();
    sim::fireTimers();  // ticks while disarmed change nothing
    EXPECT_EQ(sendThenSync({"28 1:3:0:1:0"}), (Lines{"bEnabled!"}));
    clearRequests();
    sim::fireTimers();
    sim::fireTimers();
    EXPECT_TRUE(requests().empty());
    sim::fireTimers();
    EXPECT_EQ(requests(), (Lines{"command 40047"}));
    for (int minute = 0; minute < 3; ++minute) sim::fireTimers();
    EXPECT_EQ(requests(), (Lines{"command 40047"}));
    // Firing does not disarm.
    EXPECT_EQ(timerState(), "bEnabled!");
    EXPECT_EQ(sim::powerOffRequests(), 0);
}

TEST_F(SleepTimerTest, PowerOffEndsTheConversationThenAsksForPowerOffAtTheNthTick) {
    start();
    EXPECT_EQ(sendThenSync({"28 0:2:0:1:0"}), (Lines{"bEnabled!"}));
    sim::fireTimers();
    EXPECT_EQ(sim::powerOffRequests(), 0);
    EXPECT_EQ(pluginContext->flags.stop.load(), 0);
    sim::fireTimers();
    EXPECT_EQ(sim::powerOffRequests(), 1);
    EXPECT_EQ(pluginContext->flags.stop.load(), 1);
    ASSERT_TRUE(phone.waitForBytes(2));
    EXPECT_EQ(phone.takeReceived(), "X\n");
    // The conversation is over: the worker has ended, and commands get no
    // answer any more.
    for (int waited = 0; waited < 2000 && pluginContext->flags.workerFinished == 0; ++waited)
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    EXPECT_EQ(pluginContext->flags.workerFinished.load(), 1);
    phone.send("59\n");
    EXPECT_TRUE(phone.takeLines().empty());
}

TEST_F(SleepTimerTest, ATickWhileARearmIsConfirmedCountsTheNewSettingsWhole) {
    start();
    EXPECT_EQ(sendThenSync({"28 1:1:0:1:0"}), (Lines{"bEnabled!"}));  // stop at the next tick
    clearRequests();
    sim::holdWrites(true);
    phone.send("28 0:3:0:1:0\n");  // now: power off at the third tick
    ASSERT_TRUE(sim::waitForHeldWrite());
    sim::fireTimers();  // lands while the confirmation is held on the port
    // Neither the old stop nor the new power-off with the old count.
    EXPECT_TRUE(requests().empty());
    EXPECT_EQ(sim::powerOffRequests(), 0);
    sim::holdWrites(false);
    EXPECT_EQ(pushed(1), (Lines{"bEnabled!"}));
    sim::fireTimers();
    EXPECT_EQ(sim::powerOffRequests(), 0);
    sim::fireTimers();
    EXPECT_EQ(sim::powerOffRequests(), 1);
    EXPECT_TRUE(requests().empty());
}

TEST_F(SleepTimerTest, FadeMultipliesTheVolumeEveryIntervalSendsItAndReportsIt) {
    start();
    // Count 0: the action becomes "nothing" and only the fade runs.
    EXPECT_EQ(sendThenSync({"28 1:0:0:0.5:2"}), (Lines{"bEnabled!"}));
    clearRequests();
    EXPECT_TRUE(tick().empty());
    EXPECT_EQ(tick(), (Lines{"Q100"}));
    EXPECT_TRUE(tick().empty());
    EXPECT_EQ(tick(), (Lines{"Q50"}));
    EXPECT_EQ(requests(), (Lines{"user 122 100", "user 122 50"}));
    onUi([&] { EXPECT_EQ(host->volume, 50); });
}

TEST_F(SleepTimerTest, FadeToNothingIsReportedButNeverSentToTheHost) {
    start();
    EXPECT_EQ(sendThenSync({"28 1:0:0:0.001e-1:1"}), (Lines{"bEnabled!"}));
    clearRequests();
    for (int minute = 0; minute < 2; ++minute) EXPECT_EQ(tick(), (Lines{"Q0"}));
    EXPECT_TRUE(requests().empty());
    onUi([&] { EXPECT_EQ(host->volume, 200); });
}

TEST_F(SleepTimerTest, FactorTextThatIsNoNumberReadsAsZero) {
    start();
    for (const char* factor : {"inf", "nan", "x1", ".", "-"}) {
        onUi([&] { pluginContext->flags.volume = 200; });
        EXPECT_EQ(sendThenSync({std::string("28 1:0:0:") + factor + ":1"}), (Lines{"bEnabled!"}));
        EXPECT_EQ(tick(), (Lines{"Q0"})) << factor;
    }
    // A factor with an exponent is a number; 1 keeps the volume and still sends it.
    onUi([&] { pluginContext->flags.volume = 200; });
    EXPECT_EQ(sendThenSync({"28 1:0:0:1e0:1"}), (Lines{"bEnabled!"}));
    clearRequests();
    EXPECT_EQ(tick(), (Lines{"Q200"}));
    EXPECT_EQ(requests(), (Lines{"user 122 200"}));
}

TEST_F(SleepTimerTest, ShortArgumentsLeaveMissingFieldsEmptyAndLongFieldsAreCut) {
    start();
    // Action and count only: minute mode, no fade.
    EXPECT_EQ(sendThenSync({"28 1:2"}), (Lines{"bEnabled!"}));
    clearRequests();
    sim::fireTimers();
    sim::fireTimers();
    EXPECT_EQ(requests(), (Lines{"command 40047"}));
    EXPECT_TRUE(phone.takeLines().empty());

    // A count field of 16 characters keeps its first 15, all zeros: count 0,
    // so the action is nothing. With 15 characters the count is 2.
    EXPECT_EQ(sendThenSync({"28 1:0000000000000002:0:1:0"}), (Lines{"bEnabled!"}));
    clearRequests();
    for (int minute = 0; minute < 4; ++minute) sim::fireTimers();
    EXPECT_TRUE(requests().empty());
    EXPECT_EQ(sendThenSync({"28 1:000000000000002:0:1:0"}), (Lines{"bEnabled!"}));
    sim::fireTimers();
    sim::fireTimers();
    EXPECT_EQ(requests(), (Lines{"command 40047"}));

    // Nothing at all, and more than five fields: still read safely.
    EXPECT_EQ(sendThenSync({"28", "28 :::::::::", "28 1:1:1:1:1:1:1"}),
              (Lines{"bEnabled!", "bEnabled!", "bEnabled!", "bEnabled!"}));
}

TEST_F(SleepTimerTest, TrackCountFiresOnTheNthFileStartAndRepeatsEveryTickWhileAtZero) {
    start();
    EXPECT_EQ(sendThenSync({"28 1:2:1:1:0"}), (Lines{"bEnabled!", "bEnabled!"}));
    clearRequests();
    sim::fireTimers();  // minutes do not count in track mode
    onUi([&] { host->startFile(0); });
    EXPECT_TRUE(requests().empty());
    onUi([&] { host->startFile(1); });
    EXPECT_EQ(requests(), (Lines{"command 40047"}));
    // The count rests at 0 until the next file starts: each tick presses stop again.
    sim::fireTimers();
    EXPECT_EQ(requests(), (Lines{"command 40047", "command 40047"}));
    onUi([&] { host->startFile(0); });
    sim::fireTimers();
    EXPECT_EQ(requests(), (Lines{"command 40047", "command 40047"}));
}

TEST_F(SleepTimerTest, ACountOfZeroActsOnNothingEvenWhenItAskedForPowerOff) {
    start();
    // Track mode leaves the count at 0, so every tick tests it: the action
    // must be the one that does nothing.
    EXPECT_EQ(sendThenSync({"28 0:0:1:1:0"}), (Lines{"bEnabled!", "bEnabled!"}));
    clearRequests();
    sim::fireTimers();
    sim::fireTimers();
    EXPECT_EQ(sim::powerOffRequests(), 0);
    EXPECT_EQ(pluginContext->flags.stop.load(), 0);
    EXPECT_EQ(sendThenSync({"28 1:0:0:1:0"}), (Lines{"bEnabled!"}));
    sim::fireTimers();
    EXPECT_TRUE(requests().empty());
    EXPECT_EQ(timerState(), "bEnabled!");
}

TEST_F(SleepTimerTest, CancelStopsCountingAndFading) {
    start();
    EXPECT_EQ(sendThenSync({"28 1:1:0:0.5:1", "29"}), (Lines{"bEnabled!", "bDisabled!"}));
    clearRequests();
    sim::fireTimers();
    EXPECT_TRUE(requests().empty());
    EXPECT_EQ(timerState(), "bDisbled!");
}

}  // namespace
