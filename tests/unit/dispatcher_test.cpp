// The command table as the phone meets it: numbers without an action do
// nothing at all, and every line is carried out once, in order.

#include "conversation.h"

namespace {

using DispatcherTest = ConversationTest;

TEST_F(DispatcherTest, NumbersWithoutAnActionSendNothingAndAskTheHostNothing) {
    start();
    clearRequests();
    // No row: 0, 63 and beyond, negatives, text, an empty token. Rows that do
    // nothing at top level: 10, 19, 26 and the list-only 53, 54, 56.
    const std::vector<std::string> silent = {
        "0",  "63", "64 x", "99999999999",     "-1", "-12", "abc", "x12", " ", "+0", "10", "19", "26",
        "53", "54", "56",   "10 some argument"};
    EXPECT_TRUE(sendThenSync(silent).empty());
    EXPECT_EQ(timerState(), "bDisbled!");
    EXPECT_TRUE(requests().empty());
}

TEST_F(DispatcherTest, UnknownNumbersLeaveTheStatusPushAsItWas) {
    start();
    EXPECT_EQ(exchange("18", 2).size(), 2u);
    settle();
    // 0 and 63 must not switch the push off: a later track change is still pushed.
    EXPECT_TRUE(sendThenSync({"0", "63"}).empty());
    onUi([&] { host->changeTrack(1); });
    EXPECT_EQ(pushed(1), (std::vector<std::string>{"J1:Two:44:2:180000:5000:0:0:"}));
}

TEST_F(DispatcherTest, LinesAreCarriedOutOnceEachInTheOrderTheyArrive) {
    start();
    clearRequests();
    // Several lines in one burst, a leading blank before the number, a number
    // with a sign: each runs exactly once.
    phone.send("13\n12\n 14\n+15\n");
    EXPECT_TRUE(sendThenSync({}).empty());
    EXPECT_EQ(requests(),
              (std::vector<std::string>{"command 40048", "command 40044", "command 40045", "command 40046"}));
}

}  // namespace
