// Both threads at once: the worker answering a stream of commands and pushing
// status lines while the user-interface thread runs the hook, the minute timer
// and the fade, which marks volume lines as owed. Built for ThreadSanitizer as
// well; the wire must carry whole lines only, written one byte per port write.

#include <atomic>
#include <chrono>
#include <regex>
#include <thread>

#include "conversation.h"

namespace {

using ConversationThreadsTest = ConversationTest;

TEST_F(ConversationThreadsTest, FadeAndPushedLinesNeverInterleaveWithCommandReplies) {
    start();
    ASSERT_EQ(exchange("18", 2).size(), 2u);
    // Fade by a factor of 1 on every tick: each tick owes the phone a volume line.
    ASSERT_EQ(sendThenSync({"28 1:0:0:1:1"}), (std::vector<std::string>{"bEnabled!"}));
    sim::limitWriteSize(1);

    constexpr int rounds = 150;
    std::atomic<bool> phoneDone{false};
    std::thread phoneSide([&] {
        for (int i = 0; i < rounds; ++i) {
            phone.send("27\n6\n");
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
        phoneDone = true;
    });
    for (int i = 0; i < rounds; ++i) {
        sim::fireTimers();
        onUi([&] {
            host->changeTrack(i % 2);
            host->setVolumeAtPlayer(1 + i % 250);
        });
    }
    phoneSide.join();

    const std::regex allowed("KWinamp 22118 running!|I(32:){10}|Q[0-9]{1,3}|J1:(One|Two):44:2:180000:5000:0:0:");
    int versions = 0;
    int equalizers = 0;
    int volumes = 0;
    // A bound on a hang, not a measure of time.
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    while ((versions < rounds || equalizers < rounds) && std::chrono::steady_clock::now() < deadline) {
        phone.waitForLines(1, 100);
        for (const std::string& line : phone.takeLines()) {
            ASSERT_TRUE(std::regex_match(line, allowed)) << "torn or unexpected line: " << line;
            versions += line[0] == 'K';
            equalizers += line[0] == 'I';
            volumes += line[0] == 'Q';
        }
    }
    EXPECT_EQ(versions, rounds);
    EXPECT_EQ(equalizers, rounds);
    // Marks made between two turns of the loop are folded into one line.
    EXPECT_GE(volumes, 1);
    EXPECT_TRUE(phoneDone);
}

}  // namespace
