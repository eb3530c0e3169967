// The command table as the phone meets it: numbers without an action do
// nothing at all, and every line is carried out once, in order.

#include <set>

#include "conversation.h"
#include "protocol/command_table.h"

namespace {

using DispatcherTest = ConversationTest;

TEST_F(DispatcherTest, NumbersWithoutAnActionSendNothingAndAskTheHostNothing) {
    start();
    clearRequests();
    // No row: 0, the unused 10, 19 and 26, 63 and beyond, negatives, text, an
    // empty token. Rows that act only inside a list: 53, 54, 56.
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

// What each number reads from the rest of its line, as the protocol documents
// it: a row that read a text it should ignore, or ignored one it should read,
// would hand its action another argument.
TEST(CommandTableTest, EachRowReadsTheArgumentTheProtocolGivesIt) {
    const std::set<int> texts = {1,  2,  3,  5,  9,  23, 28, 33, 34, 35, 37,  38,  40, 41,
                                 42, 43, 44, 45, 46, 47, 48, 49, 50, 51, 101, 102, 103};
    const std::set<int> numbers = {8, 11, 36, 52, 57, 58, 60};
    std::vector<int> rows;
    for (int number = 1; number <= 62; ++number) rows.push_back(number);
    rows.insert(rows.end(), {101, 102, 103, 104});
    for (int number : rows) {
        const Command* row = findCommand(number);
        if (number == 10 || number == 19 || number == 26) {
            EXPECT_EQ(row, nullptr) << number;
            continue;
        }
        ASSERT_NE(row, nullptr) << number;
        const Argument shape = texts.contains(number)     ? Argument::text
                               : numbers.contains(number) ? Argument::number
                                                          : Argument::none;
        EXPECT_EQ(row->argument, shape) << number;
    }
}

}  // namespace
