// Command lines from the phone: framing, splitting, and the pacing of a port
// that has nothing to give.

#include <gtest/gtest.h>

#include <chrono>
#include <climits>
#include <string>

#include "harness.h"
#include "link/link.h"

namespace {

class FramingTest : public LinkTest {
protected:
    void SetUp() override {
        LinkTest::SetUp();
        sim::setReadIdleMs(20);
    }

    // Reads until a line completes (at most `reads` reads); -1000 when none did.
    int nextLine(int reads = 5) {
        for (int i = 0; i < reads; ++i) {
            int number = 0;
            if (receiveLine(*pluginContext, number)) return number;
        }
        return -1000;
    }
    // Takes the waiting line as the dispatcher does.
    std::string take() {
        pluginContext->flags.lineConsumed = 1;
        splitCommandLine(pluginContext->link);
        return pluginContext->link.argument;
    }

    // Whether a line waits after one read; its number in `number`.
    bool readOnce() { return receiveLine(*pluginContext, number); }

    int number = 0;
};

TEST_F(FramingTest, LineSplitAcrossReadsCompletesOnTheSecond) {
    phone.send("12 hel");
    EXPECT_FALSE(readOnce());
    EXPECT_EQ(pluginContext->flags.lineConsumed, 1);
    phone.send("lo world\n");
    EXPECT_TRUE(readOnce());
    EXPECT_EQ(number, 12);
    EXPECT_EQ(pluginContext->flags.lineConsumed, 0);
    EXPECT_STREQ(pluginContext->link.receiveBuffer, "12 hello world");
    EXPECT_EQ(take(), "hello world");
}

TEST_F(FramingTest, SeveralLinesInOneReadAreTakenOneAtATimeInOrder) {
    phone.send("14\n15 a  b \n13");
    EXPECT_EQ(nextLine(), 14);
    // Until the dispatcher takes it, the waiting line is never overwritten.
    EXPECT_TRUE(readOnce());
    EXPECT_EQ(number, 14);
    EXPECT_EQ(take(), "");
    EXPECT_EQ(nextLine(), 15);
    EXPECT_EQ(take(), "a  b ");
    // The third line has no LF yet; it completes when the rest arrives.
    EXPECT_EQ(nextLine(2), -1000);
    phone.send(" x\n61\n");
    EXPECT_EQ(nextLine(), 13);
    EXPECT_EQ(take(), "x");
    EXPECT_EQ(nextLine(), 61);
    take();
    EXPECT_EQ(nextLine(2), -1000);
}

TEST_F(FramingTest, OverlongLineIsDiscardedWholeAndTheNextOneRuns) {
    std::string longest(1023, 'a');
    longest.replace(0, 2, "3 ");
    phone.send(longest + "\n");
    EXPECT_EQ(nextLine(), 3);
    EXPECT_EQ(take().size(), 1021u);

    // 2000 bytes before the LF arrive over several reads; the LF falls in the
    // middle of a read that also carries the next line.
    phone.send("2 " + std::string(700, 'x'));
    phone.send(std::string(700, 'y'));
    phone.send(std::string(598, 'z') + "\n14\n");
    EXPECT_EQ(nextLine(10), 14);
    EXPECT_STREQ(pluginContext->link.receiveBuffer, "14");
    take();
    EXPECT_EQ(nextLine(2), -1000);

    // 1024 bytes exactly before the LF is one too many.
    phone.send("2 " + std::string(1022, 'q') + "\n13\n");
    EXPECT_EQ(nextLine(10), 13);
}

TEST_F(FramingTest, TokensAndArgumentsOfUnusualLines) {
    struct Case {
        const char* line;
        int number;
        const char* token;
        const char* argument;
    };
    const Case cases[] = {
        {"12 \n", 12, "12", ""},
        {"1 C:\\My Music\\Live set\n", 1, "1", "C:\\My Music\\Live set"},
        {" 12 x\n", 12, "12", "12 x"},  // the argument starts after the first blank
        {"abc 5\n", 0, "abc", "5"},
        {"\n", 0, "", ""},
        {"27\n", 27, "27", ""},
        {"2 a.mp3\r\n", 2, "2", "a.mp3\r"},  // CR is not framing
        {"-7 x\n", -7, "-7", "x"},
        {"99999999999999999999 x\n", INT_MAX, "99999999999999999999", "x"},
        {"12abc def\n", 12, "12abc", "def"},
    };
    for (const Case& c : cases) {
        phone.send(c.line);
        EXPECT_EQ(nextLine(), c.number) << c.line;
        EXPECT_STREQ(pluginContext->link.commandToken, c.token) << c.line;
        EXPECT_EQ(take(), c.argument) << c.line;
    }

    // A first token longer than 31 characters is cut; its number reads the same.
    phone.send("00000000000000000000000000000000000018 y\n");
    EXPECT_EQ(nextLine(), 0);
    EXPECT_EQ(std::string(pluginContext->link.commandToken).size(), 31u);
    take();
    phone.send("18" + std::string(40, 'k') + " y\n");
    EXPECT_EQ(nextLine(), 18);
    take();
}

TEST_F(FramingTest, NulBytesInALineEndItsText) {
    phone.send(std::string("2 a\0b\n13\n", 9));
    EXPECT_EQ(nextLine(), 2);
    EXPECT_EQ(take(), "a");
    EXPECT_EQ(nextLine(), 13);
}

TEST_F(FramingTest, PortThatFailsOrAnswersAtOnceIsReadAboutTenTimesASecond) {
    for (int mode = 0; mode < 2; ++mode) {
        if (mode == 0)
            sim::failReads(true);
        else
            sim::readsReturnAtOnce(true);
        std::uint64_t before = sim::readCallCount();
        const std::uint32_t start = platform::tickCount();
        while (platform::tickCount() - start < 1000) EXPECT_FALSE(readOnce());
        std::uint64_t reads = sim::readCallCount() - before;
        EXPECT_GE(reads, 5u);
        EXPECT_LE(reads, 12u) << (mode == 0 ? "failing reads" : "empty reads");
        sim::failReads(false);
        sim::readsReturnAtOnce(false);
    }
    // A partial line survives the failures.
    phone.send("13");
    EXPECT_FALSE(readOnce());
    sim::failReads(true);
    EXPECT_FALSE(readOnce());
    sim::failReads(false);
    phone.send("\n");
    EXPECT_EQ(nextLine(), 13);
}

TEST(SerialDevicePath, NamesWithoutABackslashGetTheDevicePrefix) {
    char path[32];
    ASSERT_TRUE(platform::serialDevicePath("COM9", path, sizeof path));
    EXPECT_STREQ(path, "\\\\.\\COM9");
    ASSERT_TRUE(platform::serialDevicePath("COM12", path, sizeof path));
    EXPECT_STREQ(path, "\\\\.\\COM12");
    ASSERT_TRUE(platform::serialDevicePath("\\\\.\\COM3", path, sizeof path));
    EXPECT_STREQ(path, "\\\\.\\COM3");
    char small[8];
    EXPECT_FALSE(platform::serialDevicePath("COM12345", small, sizeof small));
    EXPECT_STREQ(small, "");
}

}  // namespace

namespace {

TEST_F(FramingTest, ALineOf1023BytesIsKeptWhenItsLfComesInALaterRead) {
    const std::string line = "2 " + std::string(1021, 'a');  // 1023 bytes before the LF
    phone.send(line);
    EXPECT_FALSE(readOnce());
    phone.send("\n");
    EXPECT_EQ(nextLine(), 2);
    EXPECT_EQ(take(), std::string(1021, 'a'));
    // One byte more is overlong, however the reads cut it.
    phone.send("3 " + std::string(1022, 'b'));
    EXPECT_FALSE(readOnce());
    phone.send("\n13\n");
    EXPECT_EQ(nextLine(), 13);
}

// Cutting the same bytes into reads of any sizes never changes which lines are
// taken, their order or their numbers; lines up to 1023 bytes are all kept and
// an overlong one never runs.
TEST_F(FramingTest, HowTheReadsCutTheBytesNeverChangesTheLines) {
    std::uint32_t seed = 12345;
    auto next = [&seed](std::uint32_t bound) {
        seed = seed * 1103515245u + 12345u;
        return (seed >> 8) % bound;
    };
    for (int round = 0; round < 40; ++round) {
        std::string stream;
        std::vector<std::pair<int, std::string>> expected;  // number and argument of each kept line
        for (int i = 0; i < 12; ++i) {
            const int number = static_cast<int>(next(70)) - 3;
            const std::size_t argumentLength = next(4) == 0 ? 1000 + next(40) : next(30);
            std::string argument(argumentLength, static_cast<char>('a' + next(26)));
            std::string text = std::to_string(number) + " " + argument;
            if (text.size() <= 1023) expected.emplace_back(number, argument);
            stream += text + "\n";
        }
        for (std::size_t at = 0; at < stream.size();) {
            const std::size_t piece = 1 + next(next(3) == 0 ? 1100 : 40);
            phone.send(stream.substr(at, piece));
            at += piece;
        }
        std::vector<std::pair<int, std::string>> taken;
        for (int reads = 0; reads < 400 && taken.size() < expected.size(); ++reads) {
            int number = 0;
            if (!receiveLine(*pluginContext, number)) continue;
            taken.emplace_back(number, take());
        }
        EXPECT_EQ(taken, expected) << "round " << round;
        // Nothing is left over to turn into a line of its own (the bytes of an
        // overlong last line may still be on their way).
        phone.send("0 end\n");
        EXPECT_EQ(nextLine(400), 0);
        EXPECT_EQ(take(), "end");
    }
}

}  // namespace
