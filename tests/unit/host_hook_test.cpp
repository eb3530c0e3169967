// The hook on the host main window: what it marks and records, the track
// count it keeps for the sleep timer, and that every message reaches the host.

#include "conversation.h"

namespace {

using Lines = std::vector<std::string>;
using HostHookTest = ConversationTest;

class HostHookMessages : public HostHookTest {
protected:
    // A message to the host main window from the host's own thread, as the
    // host and other plug-ins send them; returns the host's answer.
    platform::LResult post(unsigned int message, platform::WParam wParam, platform::LParam lParam) {
        platform::LResult answer = 0;
        onUi([&] { answer = platform::sendMessage(host->mainWindow, message, wParam, lParam); });
        return answer;
    }
    platform::LResult user(std::int32_t wParam, platform::LParam lParam) {
        return post(platform::messageUser, static_cast<platform::WParam>(wParam), lParam);
    }
};

TEST_F(HostHookMessages, OnlyPositiveVolumesAreRecordedAndPushed) {
    start();
    user(0, host::requestSetVolume);
    user(-3, host::requestSetVolume);
    EXPECT_TRUE(sendThenSync({}).empty());
    EXPECT_EQ(pluginContext->flags.volume.load(), 200);
    user(2, host::requestSetVolume);
    EXPECT_EQ(pushed(1), (Lines{"Q2"}));
    user(250, host::requestSetVolume);
    EXPECT_EQ(pushed(1), (Lines{"Q250"}));
    // Another request code carrying a volume-like number is not a volume.
    user(77, host::requestSeek);
    EXPECT_TRUE(sendThenSync({}).empty());
    EXPECT_EQ(pluginContext->flags.volume.load(), 250);
}

TEST_F(HostHookMessages, PlayStateIsMarkedForWParamZeroOrTwoFromAnySender) {
    start();
    EXPECT_EQ(exchange("18", 2).size(), 2u);
    settle();
    const std::string line = "J1:One:44:2:180000:5000:0:0:";
    for (std::int32_t wParam : {0, 2}) {
        for (platform::LParam code : {platform::LParam{999}, platform::LParam{10000}, host::requestSetVolume}) {
            user(wParam, code);
            // 122 with 2 is also a volume: its Q line follows the J line.
            const bool volumeToo = wParam == 2 && code == host::requestSetVolume;
            Lines expected{line};
            if (volumeToo) expected.push_back("Q2");
            EXPECT_EQ(pushed(volumeToo ? 2 : 1), expected) << wParam << " " << code;
        }
    }
    // Other wParams, and anything that is not WM_USER, mark nothing.
    user(1, 999);
    user(3, 10000);
    user(-2, 999);
    post(platform::messageCommand, 0, 0);
    post(platform::messageCommand, 2, 0);
    post(15, 0, 0);
    EXPECT_TRUE(sendThenSync({}).empty());
}

TEST_F(HostHookMessages, FileStartFiresTheSleepActionBeforeTheHostHandlesIt) {
    start();
    EXPECT_EQ(sendThenSync({"28 1:1:1:1:0"}), (Lines{"bEnabled!", "bEnabled!"}));
    clearRequests();
    user(7, host::notifyFileStarted);
    EXPECT_EQ(requests(), (Lines{"command 40047", "user 3003 7"}));

    // Not armed: the file start is only passed on.
    EXPECT_EQ(sendThenSync({"29"}), (Lines{"bDisabled!"}));
    EXPECT_EQ(sendThenSync({"28 1:1:1:1:0", "29"}), (Lines{"bEnabled!", "bEnabled!", "bDisabled!"}));
    clearRequests();
    user(7, host::notifyFileStarted);
    EXPECT_EQ(requests(), (Lines{"user 3003 7"}));
}

TEST_F(HostHookMessages, MinuteModeCountsNoTracksButAFileStartAtZeroFiresToo) {
    start();
    EXPECT_EQ(sendThenSync({"28 1:1:0:1:0"}), (Lines{"bEnabled!"}));
    clearRequests();
    user(1, host::notifyFileStarted);
    EXPECT_EQ(requests(), (Lines{"user 3003 1"}));
    sim::fireTimers();  // the count reaches 0 here
    user(1, host::notifyFileStarted);
    EXPECT_EQ(requests(), (Lines{"user 3003 1", "command 40047", "command 40047", "user 3003 1"}));
}

TEST_F(HostHookMessages, EveryMessageReachesTheHostUnchangedWithItsAnswer) {
    start();
    onUi([&] {
        host->playState = 3;
        host->bands[4] = 17;
    });
    clearRequests();
    EXPECT_EQ(user(0, host::requestPlayState), 3);
    EXPECT_EQ(user(4, host::requestEqualizerBand), 17);
    EXPECT_EQ(user(0, host::requestVersion), host->version);
    post(platform::messageCommand, host::commandNext, 0);
    EXPECT_EQ(post(15, 0, 0), 0);
    EXPECT_EQ(requests(), (Lines{"user 104 0", "user 127 4", "user 0 0", "command 40048"}));
}

}  // namespace
