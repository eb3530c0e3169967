// Playlist files in the My Music folder: the list (4), play (5) and save (23),
// with the names a save refuses, through the worker, the simulated file system
// and the reference host.

#include "conversation.h"

namespace {

using Lines = std::vector<std::string>;
using Requests = std::vector<std::string>;

const std::string myMusic = "C:\\Users\\me\\Music";
const std::string hostPlaylist = "C:\\Program Files\\Winamp\\winamp.m3u";
const std::string refusal = " Already Exists in My Music.Please select BACK and enter another name";

class PlaylistFilesTest : public ConversationTest {
protected:
    void SetUp() override {
        ConversationTest::SetUp();
        start();
        clearRequests();
    }

    // What the host writes for its current playlist, as the copy must hold it.
    std::string hostPlaylistText() { return sim::fileContents(hostPlaylist); }
};

TEST_F(PlaylistFilesTest, TheListShowsEveryPlaylistFileOfMyMusicInFileSystemOrder) {
    sim::addFile(myMusic + "\\b.m3u");
    sim::addFile(myMusic + "\\song.mp3");
    sim::addFolder(myMusic + "\\folder.m3u");
    sim::addFile(myMusic + "\\A.M3U");
    sim::addFile(myMusic + "\\Deep\\c.m3u");
    EXPECT_EQ(sendThenSync({"4"}), (Lines{"BA", "BLb.m3u", "BLA.M3U"}));
    // No paging and no wait: the next command runs at once.
    EXPECT_EQ(sendThenSync({"4", "14"}).size(), 3u);
    EXPECT_EQ(requests(), Requests{"command 40045"});
    EXPECT_EQ(sim::liveSearchCount(), 0);
}

TEST_F(PlaylistFilesTest, WithoutPlaylistFilesTheListSendsNothingAtAll) {
    sim::addFile(myMusic + "\\song.mp3");
    sim::addFolder(myMusic + "\\only a folder.m3u");
    EXPECT_EQ(sendThenSync({"4", "13"}), Lines{});
    EXPECT_EQ(requests(), Requests{"command 40048"});
}

TEST_F(PlaylistFilesTest, PlayHasTheHostReplaceItsPlaylistWithTheFileAndStart) {
    sim::addFile(myMusic + "\\Party.m3u", "#EXTM3U\r\nC:\\Music\\a.mp3\r\nC:\\Music\\b.mp3\r\n");
    EXPECT_EQ(sendThenSync({"5 Party.m3u"}), Lines{});
    EXPECT_EQ(requests(), (Requests{"user 101 0", "user 100 file=" + myMusic + "\\Party.m3u", "user 102 0"}));
    onUi([&] {
        ASSERT_EQ(host->playlist.size(), 2u);
        EXPECT_EQ(host->playlist[1].path, "C:\\Music\\b.mp3");
        EXPECT_EQ(host->playState, 1);
    });
    // A name that makes the path too long for the system names no file: nothing
    // is asked of the host. 259 characters still fit.
    clearRequests();
    const std::string fits(259 - myMusic.size() - 1, 'n');
    EXPECT_EQ(sendThenSync({"5 " + fits + "x", "5 " + fits}), Lines{});
    EXPECT_EQ(requests(), (Requests{"user 101 0", "user 100 file=" + myMusic + "\\" + fits, "user 102 0"}));
}

TEST_F(PlaylistFilesTest, SaveCopiesTheHostsPlaylistOnceAndNeverOverwrites) {
    EXPECT_EQ(sendThenSync({"23 Party"}), Lines{"GParty Saved in My Music"});
    EXPECT_EQ(requests(), Requests{"user 120 0"});
    const std::string saved = sim::fileContents(myMusic + "\\Party.m3u");
    EXPECT_EQ(saved, hostPlaylistText());
    EXPECT_NE(saved.find("C:\\Music\\two.mp3"), std::string::npos);

    // The same name again, whatever its case, while the playlist has changed.
    onUi([&] { host->playlist.push_back({"C:\\Music\\three.mp3", "Three"}); });
    EXPECT_EQ(sendThenSync({"23 PARTY"}), Lines{"HPARTY" + refusal});
    EXPECT_EQ(sim::fileContents(myMusic + "\\Party.m3u"), saved);

    // An empty name saves ".m3u"; then it too exists.
    EXPECT_EQ(sendThenSync({"23 ", "23"}), (Lines{"G Saved in My Music", "H" + refusal}));
    EXPECT_TRUE(sim::fileExists(myMusic + "\\.m3u"));
    EXPECT_EQ(sim::fileContents(myMusic + "\\.m3u"), hostPlaylistText());
}

TEST_F(PlaylistFilesTest, SaveRefusesNamesThatAreNoFileOfMyMusicWithoutAskingTheHost) {
    const std::vector<std::string> refused = {"a\\b",       "..\\..\\Windows\\x",
                                              "a/b",        "C:x",
                                              "a*b",        "a?b",
                                              "say \"hi\"", "a<b",
                                              "a>b",        "a|b",
                                              ".",          "..",
                                              "nul",        "CON",
                                              "Aux ",       "prn.list",
                                              "com1",       "LPT9",
                                              "COM\xB9",    "com0",
                                              "conin$",     "CONOUT$",
                                              "tab\there",  "cr\r"};
    std::vector<std::string> lines;
    Lines expected;
    for (const std::string& name : refused) {
        lines.push_back("23 " + name);
        expected.push_back("H" + name + refusal);
    }
    EXPECT_EQ(joined(sendThenSync(lines)), joined(expected));
    EXPECT_EQ(requests(), Requests{});
    EXPECT_FALSE(sim::fileExists("C:\\Users\\me\\b.m3u"));
    EXPECT_FALSE(sim::fileExists("C:\\Windows\\x.m3u"));

    // Names close to those are files like any other.
    EXPECT_EQ(joined(sendThenSync({"23 com10", "23 comx", "23 ...", "23 nullish", "23 con x"})),
              joined({"Gcom10 Saved in My Music", "Gcomx Saved in My Music", "G... Saved in My Music",
                      "Gnullish Saved in My Music", "Gcon x Saved in My Music"}));
    EXPECT_TRUE(sim::fileExists(myMusic + "\\com10.m3u"));
}

TEST_F(PlaylistFilesTest, SaveAnswersHWhenThePathDoesNotFitOrTheCopyFails) {
    // "\", the name and ".m3u" after the folder: 259 characters fit.
    const std::string fits(259 - myMusic.size() - 5, 'n');
    EXPECT_EQ(sendThenSync({"23 " + fits + "x", "23 " + fits}),
              (Lines{"H" + fits + "x" + refusal, "G" + fits + " Saved in My Music"}));
    EXPECT_EQ(requests(), Requests{"user 120 0"});

    sim::failNextCopy();
    EXPECT_EQ(sendThenSync({"23 Broken"}), Lines{"HBroken" + refusal});
    EXPECT_FALSE(sim::fileExists(myMusic + "\\Broken.m3u"));

    // A name as long as a command line can carry is answered on one cut line.
    const std::string huge(1015, 'h');
    const Lines cut = sendThenSync({"23 " + huge});
    ASSERT_EQ(cut.size(), 1u);
    EXPECT_EQ(cut[0], ("H" + huge + refusal).substr(0, 1022));
}

using PlaylistFilesWithoutMyMusicTest = ConversationTest;

TEST_F(PlaylistFilesWithoutMyMusicTest, SaveWritesNothingWhenTheFolderIsNotKnown) {
    sim::setMyMusicFolder("");
    sim::addFile("C:\\top.m3u");
    start();
    clearRequests();
    // Paths then start at the drive's root: the list and play read there, but
    // a save would write outside any My Music folder.
    EXPECT_EQ(sendThenSync({"4", "5 top.m3u", "23 Party"}), (Lines{"BA", "BLtop.m3u", "HParty" + refusal}));
    EXPECT_EQ(requests(), (Requests{"user 101 0", "user 100 file=\\top.m3u", "user 102 0"}));
    EXPECT_FALSE(sim::fileExists("C:\\Party.m3u"));
}

}  // namespace
