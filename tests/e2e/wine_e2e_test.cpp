// End-to-end: the release's 32-bit DLL in the 32-bit test host under Wine, the phone on
// a pseudo-terminal linked as a COM port of a private prefix.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <thread>

#include "tests/e2e/wine_fixture.h"

namespace {

using e2e::HostRun;
using e2e::Lines;

const char* const portSection = "[Quillon Bluetooth remote control]\n";
const std::string iniOnCom7 = std::string(portSection) + "portName=COM7\n";

class Wine : public e2e::WineScenario {
protected:
    // Starts the plug-in on COM7 and waits until init has returned 0.
    void startRunning(const std::string& ini = iniOnCom7) {
        ASSERT_TRUE(host.start(ini));
        ASSERT_EQ("init 0", host.waitFor("init ", 60000)) << host.transcript();
        host.requestLog();  // start-up requests are not what the scenarios look at
    }
};

// ---- start and stop -----------------------------------------------------------

TEST_F(Wine, QuitEndsTheConversationWithXAndLineFeed) {
    startRunning();
    EXPECT_EQ(Lines{"KWinamp 22118 running!"}, ask("27", 1));
    ASSERT_TRUE(host.quit()) << host.transcript();
    // The end-of-conversation notice is the last thing on the line.
    EXPECT_EQ(Lines{"X"}, host.phoneReplies(1500));
    EXPECT_NE(std::string::npos, host.transcript().find("quit done")) << host.transcript();
    EXPECT_NE(std::string::npos, host.transcript().find("unload 1")) << host.transcript();
    // The library can go while the host's window lives on: its hook is gone.
    EXPECT_NE(std::string::npos, host.transcript().find("hook removed")) << host.transcript();
}

TEST_F(Wine, MissingPortShowsTheErrorBoxAndStartsNothing) {
    ASSERT_TRUE(host.start(std::string(portSection) + "portName=COM19\n"));
    EXPECT_EQ("messagebox Error!|Failed to open  COM port", host.waitFor("messagebox", 60000)) << host.transcript();
    EXPECT_EQ("init -1", host.waitFor("init ")) << host.transcript();
    // Our line is COM7; nobody listens on it, and nothing asks the host anything
    // after the settings.
    EXPECT_EQ(Lines{}, ask("27", 0));
    EXPECT_EQ(Lines{"user 334 0"}, host.requestLog());
    ASSERT_TRUE(host.quit()) << host.transcript();
    EXPECT_EQ(Lines{}, host.phoneReplies(500));
}

TEST_F(Wine, PortNameIsWrittenBackToTheIniFileAtQuit) {
    // No key at all: the plug-in opens COM6 and saves that name.
    {
        HostRun first;
        ASSERT_TRUE(first.start("[Winamp]\nvolume=55\n", "com6"));
        ASSERT_EQ("init 0", first.waitFor("init ", 60000)) << first.transcript();
        first.phoneWrite("18\n");
        EXPECT_EQ("Q55", first.phoneReply());
        ASSERT_TRUE(first.quit()) << first.transcript();
    }
    std::string ini = e2e::readTextFile(e2e::iniLinuxPath());
    EXPECT_NE(std::string::npos, ini.find("[Quillon Bluetooth remote control]")) << ini;
    EXPECT_NE(std::string::npos, ini.find("portName=COM6")) << ini;
    EXPECT_NE(std::string::npos, ini.find("volume=55")) << ini;

    // A port chosen in the configuration dialog is saved for the next start.
    startRunning();
    host.order("config COM3");
    EXPECT_EQ("dialog Quillon Configuration|items=20 first=COM1 last=COM20 selected=COM7", host.waitFor("dialog"))
        << host.transcript();
    EXPECT_EQ("config 1", host.waitFor("config "));
    EXPECT_EQ(Lines{"KWinamp 22118 running!"}, ask("27", 1));  // the open port is kept
    ASSERT_TRUE(host.quit()) << host.transcript();
    ini = e2e::readTextFile(e2e::iniLinuxPath());
    EXPECT_NE(std::string::npos, ini.find("portName=COM3")) << ini;
}

TEST_F(Wine, LineSentInPiecesIsCarriedOutOnce) {
    startRunning();
    host.phoneWrite("11 4");
    std::this_thread::sleep_for(std::chrono::milliseconds(400));
    host.phoneWrite("2\n");
    EXPECT_EQ(Lines{"Q42"}, collect(1));
    host.phoneWrite("2");
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    host.phoneWrite("7");
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    host.phoneWrite("\n");
    EXPECT_EQ(Lines{"KWinamp 22118 running!"}, collect(1));
    EXPECT_EQ((Lines{"user 122 42", "user 0 0"}), host.requestLog());
    EXPECT_EQ("42", host.stateField("volume"));
    ASSERT_TRUE(host.quit()) << host.transcript();
}

TEST_F(Wine, SeveralLinesInOneWriteAreAllCarriedOutInOrder) {
    startRunning();
    host.phoneWrite("14\n15\n12\n13\n11 9\n27\n");
    EXPECT_EQ((Lines{"Q9", "KWinamp 22118 running!"}), collect(2));
    EXPECT_EQ((Lines{"command 40045", "command 40046", "command 40044", "command 40048", "user 122 9", "user 0 0"}),
              host.requestLog());
    ASSERT_TRUE(host.quit()) << host.transcript();
}

TEST_F(Wine, OverlongLineLeavesTheConversationWorking) {
    startRunning();
    host.phoneWrite("27 " + std::string(5000, 'A') + "\n");
    collect(0);
    host.phoneWrite(std::string(3000, '\x01') + "\n");
    collect(0);
    EXPECT_EQ(Lines{"KWinamp 22118 running!"}, ask("27", 1));
    ASSERT_TRUE(host.quit()) << host.transcript();
    EXPECT_EQ(Lines{"X"}, host.phoneReplies(1500));
}

// ---- the conversation ---------------------------------------------------------

TEST_F(Wine, VolumeLinesAnswerTheCommandAndFollowTheHost) {
    startRunning();
    EXPECT_EQ(Lines{"Q120"}, ask("11 120", 1));
    EXPECT_EQ("120", host.stateField("volume"));
    // Set at the player: pushed without being asked.
    host.order("volume 77");
    EXPECT_EQ("Q77", host.phoneReply(3000));
    EXPECT_EQ(Lines{"Q0"}, ask("11 0", 1));
    EXPECT_EQ("0", host.stateField("volume"));
    ASSERT_TRUE(host.quit()) << host.transcript();
}

TEST_F(Wine, StatusPushFollowsTrackChangesUntilSwitchedOff) {
    startRunning();
    host.order("add C:\\Music\\one.mp3|First Song");
    host.order("add C:\\Music\\two.mp3|Second: the Return");
    host.order("add C:\\Music\\three.mp3|Third");
    Lines replies = ask("18", 2);
    ASSERT_EQ(2u, replies.size());
    EXPECT_EQ("Q100", replies[0]);
    phone::NowPlaying playing;
    ASSERT_TRUE(phone::decodeNowPlaying(replies[1], playing)) << replies[1];
    EXPECT_EQ("First Song", playing.title);
    EXPECT_EQ(0, playing.playState);

    host.order("track 1");
    std::string pushed = host.phoneReply(3000);
    ASSERT_TRUE(phone::decodeNowPlaying(pushed, playing)) << pushed;
    EXPECT_EQ("Second; the Return", playing.title);

    host.order("start 2");
    pushed = host.phoneReply(3000);
    ASSERT_TRUE(phone::decodeNowPlaying(pushed, playing)) << pushed;
    EXPECT_EQ("Third", playing.title);
    EXPECT_EQ(1, playing.playState);
    host.phoneReplies(1200);  // a second notification of the start may follow

    EXPECT_EQ(Lines{}, ask("21", 0));
    host.order("track 0");
    EXPECT_EQ(Lines{}, host.phoneReplies(1500));
    ASSERT_TRUE(host.quit()) << host.transcript();
}

TEST_F(Wine, TransportCommandsReachTheHost) {
    startRunning();
    host.order("add C:\\Music\\one.mp3|One");
    host.order("add C:\\Music\\two.mp3|Two");
    host.phoneWrite("14\n15\n12\n13\n16\n17\n24\n25\n57 5000\n60 7\n8 1\n22\n");
    EXPECT_EQ(Lines{}, collect(0));
    EXPECT_EQ((Lines{"command 40045", "command 40046", "command 40044", "command 40048", "command 40061",
                     "command 40060", "command 40058", "command 40059", "user 106 5000", "user 1002 value=7",
                     "user 121 1", "command 40045", "user 101 0"}),
              host.requestLog());
    EXPECT_EQ("", host.stateField("playlist"));

    host.phoneWrite("2 C:\\Music\\new.mp3\n3 C:\\Music\\more.mp3\n");
    EXPECT_EQ(Lines{}, collect(0));
    EXPECT_EQ(
        (Lines{"user 101 0", "user 100 file=C:\\Music\\new.mp3", "user 102 0", "user 100 file=C:\\Music\\more.mp3"}),
        host.requestLog());
    EXPECT_EQ("1", host.stateField("play"));
    ASSERT_TRUE(host.quit()) << host.transcript();
}

TEST_F(Wine, ShuffleAndRepeatToggle) {
    startRunning();
    ask("61", 0);
    EXPECT_EQ("1", host.stateField("shuffle"));
    ask("61", 0);
    EXPECT_EQ("0", host.stateField("shuffle"));
    ask("62", 0);
    EXPECT_EQ("1", host.stateField("repeat"));
    EXPECT_EQ((Lines{"user 250 0", "user 252 1", "user 250 0", "user 252 0", "user 251 0", "user 253 1"}),
              host.requestLog());
    ASSERT_TRUE(host.quit()) << host.transcript();
}

TEST_F(Wine, EqualizerIsReportedSetAndPreset) {
    startRunning();
    EXPECT_EQ(Lines{"I32:32:32:32:32:32:32:32:32:32:"}, ask("6", 1));
    EXPECT_EQ(Lines{}, ask("9 3:63", 0));
    EXPECT_EQ("31,31,31,0,31,31,31,31,31,31", host.stateField("bands"));
    EXPECT_EQ(Lines{"I32:32:32:63:32:32:32:32:32:32:"}, ask("6", 1));
    host.requestLog();
    EXPECT_EQ(Lines{}, ask("58 5", 0));
    Lines log = host.requestLog();
    ASSERT_EQ(20u, log.size());
    EXPECT_EQ("user 127 0", log[0]);
    EXPECT_EQ("user 128 48", log[1]);
    EXPECT_EQ("user 128 4", log[19]);
    EXPECT_EQ(Lines{"I15:15:15:24:36:49:57:57:57:59:"}, ask("6", 1));
    ASSERT_TRUE(host.quit()) << host.transcript();
}

TEST_F(Wine, SleepTimerIsSetReportedAndCancelled) {
    startRunning();
    EXPECT_EQ(Lines{"bDisbled!"}, ask("59", 1));
    EXPECT_EQ(Lines{"bEnabled!"}, ask("28 1:5:0:1:1", 1));  // minutes: once
    EXPECT_EQ(Lines{"bEnabled!"}, ask("59", 1));
    EXPECT_EQ(Lines{"bDisabled!"}, ask("29", 1));
    EXPECT_EQ(Lines{"bDisbled!"}, ask("59", 1));
    // Tracks: confirmed twice; the next file start stops playback.
    EXPECT_EQ((Lines{"bEnabled!", "bEnabled!"}), ask("28 1:1:1:1:0", 2));
    host.order("add C:\\Music\\one.mp3|One");
    host.order("add C:\\Music\\two.mp3|Two");
    host.requestLog();
    host.order("start 1");
    host.waitFor("start ok");
    Lines log = host.requestLog();
    EXPECT_NE(log.end(), std::find(log.begin(), log.end(), "command 40047")) << testing::PrintToString(log);
    ASSERT_TRUE(host.quit()) << host.transcript();
}

}  // namespace

int main(int argc, char** argv) {
    testing::InitGoogleTest(&argc, argv);
    testing::AddGlobalTestEnvironment(new e2e::PrefixEnvironment);
    return RUN_ALL_TESTS();
}
