// Reply lines to the phone: whole, in few writes, never interleaved, and what
// happens when the port fails or takes less than offered.

#include <gtest/gtest.h>

#include <set>
#include <string>
#include <thread>
#include <vector>

#include "harness.h"
#include "link/link.h"

namespace {

using ReplyWriterTest = LinkTest;

TEST_F(ReplyWriterTest, ALineGoesOutWholeInOneWrite) {
    std::uint64_t before = sim::writeCallCount();
    EXPECT_TRUE(sendReply(lineWriter(*pluginContext), "Q100"));
    EXPECT_EQ(sim::writeCallCount() - before, 1u);
    EXPECT_EQ(phone.takeReceived(), "Q100\n");

    std::string longest(1022, 'p');
    EXPECT_TRUE(sendReply(lineWriter(*pluginContext), longest.c_str()));
    EXPECT_EQ(phone.takeReceived(), longest + "\n");

    // Longer texts are cut to the 1022 bytes a line holds.
    EXPECT_TRUE(sendReply(lineWriter(*pluginContext), std::string(1500, 'c').c_str()));
    EXPECT_EQ(phone.takeReceived(), std::string(1022, 'c') + "\n");

    // A text holding an LF ends the line there.
    EXPECT_TRUE(sendReply(lineWriter(*pluginContext), "FFone\ntwo"));
    EXPECT_EQ(phone.takeReceived(), "FFone\n");

    EXPECT_TRUE(sendRawByte(lineWriter(*pluginContext), 'X'));
    EXPECT_EQ(phone.takeReceived(), "X");
}

TEST_F(ReplyWriterTest, ShortAndEmptyWritesAreContinuedWithoutLosingBytes) {
    sim::limitWriteSize(3);
    EXPECT_TRUE(sendReply(lineWriter(*pluginContext), "Jone:two:three:"));
    EXPECT_EQ(phone.takeReceived(), "Jone:two:three:\n");
    sim::limitWriteSize(0);

    sim::takeNothingOnNextWrites(2);
    EXPECT_TRUE(sendReply(lineWriter(*pluginContext), "Q7"));
    EXPECT_EQ(phone.takeReceived(), "Q7\n");
}

TEST_F(ReplyWriterTest, AFailedWriteAbandonsTheLineAndTheLinkStaysUsable) {
    sim::limitWriteSize(2);
    sim::failNextWrites(1);
    EXPECT_FALSE(sendReply(lineWriter(*pluginContext), "Kfirst"));
    EXPECT_EQ(phone.takeReceived(), "");
    EXPECT_TRUE(sendRawByte(lineWriter(*pluginContext), 'X'));
    EXPECT_EQ(phone.takeReceived(), "X");
    sim::failNextWrites(1);
    EXPECT_FALSE(sendRawByte(lineWriter(*pluginContext), 'X'));
    EXPECT_TRUE(sendReply(lineWriter(*pluginContext), "Ksecond"));
    EXPECT_EQ(phone.takeReceived(), "Ksecond\n");
}

TEST_F(ReplyWriterTest, ATornLineIsClosedBeforeTheNextOneThoughTheClosingLfFailsOrStalls) {
    sim::limitWriteSize(3);
    sim::failOneWriteAfter(1);
    EXPECT_FALSE(sendReply(lineWriter(*pluginContext), "Kfirst"));  // "Kfi" went out, then the port failed
    sim::limitWriteSize(0);
    // The closing LF fails: nothing of this line goes out, the fragment stays open.
    sim::failNextWrites(1);
    EXPECT_FALSE(sendReply(lineWriter(*pluginContext), "Ksecond"));
    // The closing LF meets writes that take nothing: it is offered again.
    sim::takeNothingOnNextWrites(2);
    EXPECT_TRUE(sendReply(lineWriter(*pluginContext), "Kthird"));
    EXPECT_EQ(phone.takeReceived(), "Kfi\nKthird\n");
}

TEST_F(ReplyWriterTest, TheStopFlagCutsALineShortBetweenWrites) {
    sim::limitWriteSize(1);
    pluginContext->flags.stop = 1;
    std::uint64_t before = sim::writeCallCount();
    EXPECT_TRUE(sendReply(lineWriter(*pluginContext), "Q255"));
    EXPECT_EQ(sim::writeCallCount() - before, 1u);
    EXPECT_EQ(phone.takeReceived(), "Q");
}

TEST_F(ReplyWriterTest, LinesFromTwoThreadsNeverInterleave) {
    sim::limitWriteSize(5);  // many writes per line, many chances to interleave
    const int perThread = 300;
    auto writer = [](char code) {
        for (int i = 0; i < perThread; ++i) {
            std::string text = std::string(1, code) + std::to_string(i) + std::string(40, code);
            sendReply(lineWriter(*pluginContext), text.c_str());
        }
    };
    std::thread worker(writer, 'J');
    std::thread ui(writer, 'Q');
    worker.join();
    ui.join();
    ASSERT_TRUE(phone.waitForLines(2 * perThread));
    std::vector<std::string> lines = phone.takeLines();
    ASSERT_EQ(lines.size(), 2u * perThread);
    std::set<std::string> expected;
    for (char code : {'J', 'Q'})
        for (int i = 0; i < perThread; ++i)
            expected.insert(std::string(1, code) + std::to_string(i) + std::string(40, code));
    for (const std::string& line : lines) EXPECT_EQ(expected.count(line), 1u) << line;
}

}  // namespace

namespace {

TEST_F(ReplyWriterTest, AStalledPortIsOfferedTheLineAgainAtMostAHundredTimesASecond) {
    sim::takeNothingOnNextWrites(50);
    const std::uint64_t writesBefore = sim::writeCallCount();
    const std::uint32_t start = platform::tickCount();
    EXPECT_TRUE(sendReply(lineWriter(*pluginContext), "K1"));
    EXPECT_EQ(phone.takeReceived(), "K1\n");
    const std::uint64_t writes = sim::writeCallCount() - writesBefore;
    const std::uint32_t took = platform::tickCount() - start;
    EXPECT_EQ(writes, 51u);
    // Each write that took nothing is followed by a pause of its own.
    EXPECT_GE(took, 50u * 10u);
}

}  // namespace
