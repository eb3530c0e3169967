// The current playlist view (7): its pages, the commands it takes while it
// waits (1, 4, 8, 20, 22, 23), the lists opened inside it, and the line that
// ends it, through the worker and the reference host.

#include "conversation.h"

namespace {

using Lines = std::vector<std::string>;
using Requests = std::vector<std::string>;

std::string title(int i) {
    char text[16];
    std::snprintf(text, sizeof text, "t%03d", i);
    return text;
}

// The item lines of entries [first, last).
Lines entries(int first, int last) {
    Lines lines;
    for (int i = first; i < last; ++i) lines.push_back("FF" + title(i));
    return lines;
}

// The title requests for entries [first, last).
Requests titleRequests(int first, int last) {
    Requests requests;
    for (int i = first; i < last; ++i) requests.push_back("user 212 " + std::to_string(i));
    return requests;
}

class PlaylistViewTest : public ConversationTest {
protected:
    void startWithEntries(int count) {
        host->playlist.clear();
        for (int i = 0; i < count; ++i) host->playlist.push_back({"C:\\Music\\" + title(i) + ".mp3", title(i)});
        start();
        clearRequests();
    }
};

TEST_F(PlaylistViewTest, AnEmptyPlaylistSendsTheHeaderAloneAndTheNextCommandRunsAtOnce) {
    startWithEntries(0);
    EXPECT_EQ(sendThenSync({"7", "14"}), Lines{"N"});
    EXPECT_EQ(requests(), (Requests{"user 124 0", "command 40045"}));
}

TEST_F(PlaylistViewTest, FiftyEntriesMakeOnePageAndFiftyThreeThereAsksPastTheEndAndEnds) {
    startWithEntries(50);
    EXPECT_EQ(joined(sendThenSync({"7"})), joined(Lines{"N"} + entries(0, 50)));
    EXPECT_EQ(requests(), Requests{"user 124 0"} + titleRequests(0, 50));
    // No Next line offered 53: the position line carries the length, the host
    // is asked for the entry there, has none, and the view ends.
    clearRequests();
    EXPECT_EQ(sendThenSync({"53", "14"}), (Lines{"FT50", "FUPrevious 50"}));
    EXPECT_EQ(requests(), (Requests{"user 212 50", "command 40045"}));
}

TEST_F(PlaylistViewTest, HundredSixtyEntriesWalkForwardAndBackPageByPage) {
    startWithEntries(160);
    EXPECT_EQ(joined(sendThenSync({"7", "53", "53", "54", "54"})),
              joined(Lines{"N"} + entries(0, 50) + Lines{"FSNext 50"} +                          //
                     Lines{"FT50", "FUPrevious 50"} + entries(50, 100) + Lines{"FSNext 50"} +    // 53
                     Lines{"FT100", "FUPrevious 50"} + entries(100, 150) + Lines{"FSNext 10"} +  // 53
                     Lines{"FT50", "FUPrevious 50"} + entries(50, 100) + Lines{"FSNext 50"} +    // 54
                     Lines{"FT0"} + entries(0, 50) + Lines{"FSNext 50"}));                       // 54
    // One title request per entry sent, and the length once.
    EXPECT_EQ(requests(),
              Requests{"user 124 0"} + titleRequests(0, 150) + titleRequests(50, 100) + titleRequests(0, 50));
}

TEST_F(PlaylistViewTest, JumpClearAndSaveActInsideTheViewWhichKeepsWaiting) {
    startWithEntries(60);
    EXPECT_EQ(sendThenSync({"7"}).size(), 52u);
    clearRequests();
    // 8 plays entry 37 and sends nothing; 23 saves and answers as at top level.
    EXPECT_EQ(sendThenSync({"8 37", "23 Mix"}), Lines{"GMix Saved in My Music"});
    EXPECT_TRUE(sim::fileExists("C:\\Users\\me\\Music\\Mix.m3u"));
    onUi([&] { EXPECT_EQ(host->current, 37); });
    // 22 clears the playlist; the next page then finds no title and the view
    // ends; 12 after it runs at top level, once.
    EXPECT_EQ(sendThenSync({"22", "53", "12"}), (Lines{"FT50", "FUPrevious 50"}));
    EXPECT_EQ(requests(),
              (Requests{"user 121 37", "command 40045", "user 120 0", "user 101 0", "user 212 50", "command 40044"}));
}

TEST_F(PlaylistViewTest, TheDriveListAndThePlaylistFilesOpenInsideTheViewAndItGoesOn) {
    sim::addDrive('C', platform::driveFixed, "System");
    sim::addFile("C:\\Users\\me\\Music\\a.m3u");
    startWithEntries(70);
    EXPECT_EQ(sendThenSync({"7"}).size(), 52u);
    EXPECT_EQ(joined(sendThenSync({"20", "4", "53"})),
              joined(Lines{"BA", "BDSystem (C:)", "BA", "BLa.m3u", "FT50", "FUPrevious 50"} + entries(50, 70)));
}

TEST_F(PlaylistViewTest, AnOrdinaryCommandEndsTheViewAndRunsOnceAndSevenOpensItAfresh) {
    startWithEntries(60);
    EXPECT_EQ(sendThenSync({"7", "53"}).size(), 52u + 12u);
    clearRequests();
    EXPECT_EQ(joined(sendThenSync({"7"})), joined(Lines{"N"} + entries(0, 50) + Lines{"FSNext 10"}));
    EXPECT_TRUE(sendThenSync({"12", "53", "54"}).empty());
    EXPECT_EQ(requests(), Requests{"user 124 0"} + titleRequests(0, 50) + Requests{"command 40044"});
}

TEST_F(PlaylistViewTest, EntriesPastTheLengthReadAtTheStartAreNeverSent) {
    startWithEntries(3);
    EXPECT_EQ(sendThenSync({"7"}), (Lines{"N"} + entries(0, 3)));
    onUi([&] { host->playlist.push_back({"C:\\Music\\late.mp3", "late"}); });
    clearRequests();
    // The host now has an entry 3, but the view read a length of 3.
    EXPECT_EQ(sendThenSync({"53", "14"}), (Lines{"FT3", "FUPrevious 50"}));
    EXPECT_EQ(requests(), (Requests{"user 212 3", "command 40045"}));
}

TEST_F(PlaylistViewTest, ATitleLongerThanAReplyLineIsCut) {
    startWithEntries(0);
    onUi([&] {
        host->playlist = {{"C:\\a.mp3", std::string(1500, 'x') + "end"}, {"C:\\b.mp3", std::string(1020, 'y')}};
    });
    EXPECT_EQ(sendThenSync({"7"}), (Lines{"N", "FF" + std::string(1020, 'x'), "FF" + std::string(1020, 'y')}));
}

TEST_F(PlaylistViewTest, AFolderOpenedInsideTheViewHandsTheLineThatEndsItBackToTheView) {
    sim::setIniValue(host->iniPath, "Winamp", "config_extlist", "mp3");
    sim::addFolder("C:\\Music\\Live");
    sim::addFile("C:\\Music\\a.mp3");
    startWithEntries(60);
    EXPECT_EQ(sendThenSync({"7"}).size(), 52u);
    const Lines folder = {"BA", "BBFLive", "BBTa.mp3"};

    // The browser takes 3 and the page turns it was not offered; 8 ends it and
    // is the view's own; 53 then turns the view's page.
    EXPECT_EQ(joined(sendThenSync({"1 C:\\Music", "3 C:\\Music\\a.mp3", "53", "54", "8 5", "53"})),
              joined(folder + Lines{"FT50", "FUPrevious 50"} + entries(50, 60)));
    // A new folder ends the browser and opens inside the view again; 4 ends
    // that one and lists the playlist files; 12 ends the view and runs once.
    EXPECT_EQ(joined(sendThenSync({"1 C:\\Music", "1 C:\\Music\\Live", "4", "12"})), joined(folder + Lines{"BA"}));
    EXPECT_EQ(requests(), (Requests{"user 124 0"} + titleRequests(0, 50) +
                           Requests{"user 100 file=C:\\Music\\a.mp3", "user 121 5", "command 40045"} +
                           titleRequests(50, 60) + Requests{"command 40044"}));
}

}  // namespace
