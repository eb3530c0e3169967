// The drive list (20) and the folder browser (1) as the phone meets them: the
// lines it receives, in which order, how the browser pages, and what the host
// is asked to play, through the worker, the simulated file system and the
// reference host.

#include "conversation.h"

namespace {

using Lines = std::vector<std::string>;
using Requests = std::vector<std::string>;

std::string numberedName(int i, const char* extension) {
    char name[32];
    std::snprintf(name, sizeof name, "f%05d.%s", i, extension);
    return name;
}

// The item lines of files f<first>..f<last - 1> with `extension`.
Lines fileItems(int first, int last, const char* extension = "mp3") {
    Lines lines;
    for (int i = first; i < last; ++i) lines.push_back("BBT" + numberedName(i, extension));
    return lines;
}

class FolderBrowserTest : public ConversationTest {
protected:
    // The host's list of playable extensions, as stored in its INI file.
    void startWithExtensions(const std::string& stored) {
        sim::setIniValue(host->iniPath, "Winamp", "config_extlist", stored);
        start();
        clearRequests();
    }

    static void addNumberedFiles(const std::string& folder, int count) {
        for (int i = 0; i < count; ++i) sim::addFile(folder + "\\" + numberedName(i, "mp3"));
    }
};

TEST_F(FolderBrowserTest, TheDriveListShowsReadyFixedRemovableAndCdRomDrivesWithTheirLabels) {
    sim::addDrive('C', platform::driveFixed, "System");
    sim::addDrive('D', platform::driveCdRom, "", false);  // no disc
    startWithExtensions("mp3");
    EXPECT_EQ(sendThenSync({"20"}), (Lines{"BA", "BDSystem (C:)"}));

    // A drive without a label, a removable one, a CD-ROM with a disc; a network
    // drive and a RAM disk are no browser drives.
    sim::addDrive('E', platform::driveRemovable, "");
    sim::addDrive('F', platform::driveCdRom, "Disc");
    sim::addDrive('G', 4, "Share");
    sim::addDrive('H', 6, "Ram");
    EXPECT_EQ(sendThenSync({"20"}), (Lines{"BA", "BDSystem (C:)", "BD (E:)", "BMDisc (F:)"}));
    // No wait: the next command is carried out at once.
    EXPECT_EQ(requests(), Requests{});
    EXPECT_EQ(sendThenSync({"20", "14"}).size(), 4u);
    EXPECT_EQ(requests(), Requests{"command 40045"});
}

TEST_F(FolderBrowserTest, EveryOneOfTwentySixDrivesIsListedAndALongLabelIsCut) {
    Lines expected{"BA"};
    for (char letter = 'A'; letter <= 'Z'; ++letter) {
        const std::string label = letter == 'Q' ? std::string(400, 'q') : std::string("Disk ") + letter;
        sim::addDrive(letter, platform::driveFixed, label);
        if (letter != 'Q') expected.push_back("BD" + label + " (" + letter + ":)");
    }
    startWithExtensions("mp3");
    const Lines lines = sendThenSync({"20"});
    ASSERT_EQ(lines.size(), 27u);
    const std::string cut = lines[17];
    EXPECT_EQ(cut.substr(0, 12), "BDqqqqqqqqqq");
    EXPECT_EQ(cut.substr(cut.size() - 5), " (Q:)");
    EXPECT_LE(cut.size(), 1022u);
    Lines others = lines;
    others.erase(others.begin() + 17);
    EXPECT_EQ(joined(others), joined(expected));
}

TEST_F(FolderBrowserTest, SubFoldersComeFirstThenTheFilesOfEachExtensionInListOrderFromOnePass) {
    for (const char* name : {"z.mp3", "Live\\", "B.WAV", "c.mp3x", "README", "Old.mp3\\", ".hidden.mp3", ".git\\",
                             "a.Mp3", "Zeta\\", "song.wav", "mp3", "tape.ogg"}) {
        const std::string path = std::string("C:\\Music\\") + name;
        if (path.back() == '\\') {
            sim::addFolder(path.substr(0, path.size() - 1));
        } else {
            sim::addFile(path);
        }
    }
    startWithExtensions("mp3:wav");
    const std::uint64_t searches = sim::searchesStarted();
    // Folders whose names begin with '.' (the folder itself, its parent, .git)
    // are not shown; a file beginning with '.' is, and a folder whose name ends
    // in .mp3 is a folder only. Each group keeps the file system's order.
    EXPECT_EQ(joined(sendThenSync({"1 C:\\Music"})), joined({"BA", "BBFLive", "BBFOld.mp3", "BBFZeta", "BBTz.mp3",
                                                             "BBT.hidden.mp3", "BBTa.Mp3", "BBTB.WAV", "BBTsong.wav"}));
    EXPECT_EQ(sim::searchesStarted() - searches, 1u) << "one pass over the folder";
    EXPECT_EQ(sim::liveSearchCount(), 0);
}

TEST_F(FolderBrowserTest, EmptyAndRepeatedExtensionsListNothingTwice) {
    for (const char* name : {"z.mp3", "README", "tape.ogg", "B.WAV"}) sim::addFile(std::string("C:\\Music\\") + name);
    sim::addFolder("C:\\Music\\Live");
    // "ogg::MP3:wav:mp3" becomes "ogg::MP3:wav:mp3:" once read.
    startWithExtensions("ogg::MP3:wav:mp3");
    EXPECT_EQ(joined(sendThenSync({"1 C:\\Music"})), joined({"BA", "BBFLive", "BBTtape.ogg", "BBTz.mp3", "BBTB.WAV"}));
}

TEST_F(FolderBrowserTest, TheDefaultExtensionListShowsOnlyMp3Files) {
    sim::addFile("C:\\Music\\README");
    sim::addFile("C:\\Music\\one.MP3");
    sim::addFolder("C:\\Music\\Live");
    start();  // no "config_extlist": "mp3:", read as "mp3::"
    clearRequests();
    EXPECT_EQ(joined(sendThenSync({"1 C:\\Music"})), joined({"BA", "BBFLive", "BBTone.MP3"}));
}

TEST_F(FolderBrowserTest, AFolderWithNothingToShowSendsTheHeaderAndTheNextCommandRunsAtOnce) {
    sim::addFile("C:\\Quiet\\notes.txt");
    sim::addFolder("C:\\Quiet\\.cache");
    startWithExtensions("mp3");
    EXPECT_EQ(sendThenSync({"1 C:\\Quiet", "14"}), Lines{"BA"});
    EXPECT_EQ(sendThenSync({"1 C:\\Nowhere", "13"}), Lines{"BA"});
    EXPECT_EQ(requests(), (Requests{"command 40045", "command 40048"}));
}

TEST_F(FolderBrowserTest, AFolderPathThatDoesNotFitAPathIsRefusedWithoutASearch) {
    // "\*" after the folder: 257 characters leave the pattern at 259, which fits.
    const std::string fits = "C:\\" + std::string(254, 'a');
    sim::addFolder(fits);
    startWithExtensions("mp3");
    std::uint64_t searches = sim::searchesStarted();
    EXPECT_EQ(sendThenSync({"1 " + fits}), Lines{"BA"});
    EXPECT_EQ(sim::searchesStarted() - searches, 1u);

    searches = sim::searchesStarted();
    EXPECT_EQ(sendThenSync({"1 " + fits + "b", "1 " + std::string(1000, 'x'), "14"}), (Lines{"BA", "BA"}));
    EXPECT_EQ(sim::searchesStarted(), searches);
    EXPECT_EQ(requests(), Requests{"command 40045"});
}

TEST_F(FolderBrowserTest, HundredTwentyEntriesPageForwardAndBackAsThePhoneAsks) {
    addNumberedFiles("C:\\Big", 120);
    startWithExtensions("mp3");
    // First page, then 53: entries 50 to 99; 54: back to 0 to 49.
    EXPECT_EQ(joined(sendThenSync({"1 C:\\Big", "53", "54"})),
              joined(Lines{"BA"} + fileItems(0, 50) + Lines{"BSNext 50", "BT50", "BUPrevious 50"} + fileItems(50, 100) +
                     Lines{"BSNext 20", "BT0"} + fileItems(0, 50) + Lines{"BSNext 50"}));
    // The page arithmetic beyond this (the first and the short last page, the
    // way back from it) is the runner's, proved in its own tests.
    EXPECT_EQ(requests(), Requests{});
    EXPECT_TRUE(sendThenSync({"12"}).empty());
    EXPECT_EQ(requests(), Requests{"command 40044"});
}

TEST_F(FolderBrowserTest, TwoPlaysAndThreeEnqueuesTheWholeArgumentAndTheBrowserStaysOpen) {
    addNumberedFiles("C:\\Big", 60);
    startWithExtensions("mp3");
    EXPECT_EQ(sendThenSync({"1 C:\\Big"}).size(), 52u);
    EXPECT_TRUE(sendThenSync({"2 C:\\Big\\a b.mp3", "3 C:\\Big\\f00059.mp3 ", "3"}).empty());
    EXPECT_EQ(requests(), (Requests{"user 101 0", "user 100 file=C:\\Big\\a b.mp3", "user 102 0",
                                    "user 100 file=C:\\Big\\f00059.mp3 ", "user 100 file="}));
    // Still on its first page: 53 goes on after it.
    EXPECT_EQ(joined(sendThenSync({"53"})), joined(Lines{"BT50", "BUPrevious 50"} + fileItems(50, 60)));
    // A new command 1 ends this browser and opens the next folder.
    sim::addFile("C:\\Other\\x.mp3");
    clearRequests();
    EXPECT_EQ(sendThenSync({"1 C:\\Other", "2 C:\\Other\\x.mp3", "13"}), (Lines{"BA", "BBTx.mp3"}));
    EXPECT_EQ(requests(), (Requests{"user 101 0", "user 100 file=C:\\Other\\x.mp3", "user 102 0", "command 40048"}));
}

TEST_F(FolderBrowserTest, AFolderOfMoreThanTenThousandEntriesListsEveryOne) {
    addNumberedFiles("C:\\Huge", 10060);
    startWithExtensions("mp3");
    std::vector<std::string> burst{"1 C:\\Huge"};
    for (int page = 0; page < 201; ++page) burst.push_back("53");
    burst.push_back("14");
    const Lines lines = sendThenSync(burst);
    ASSERT_GE(lines.size(), 13u);
    EXPECT_EQ(lines.size(), 1u + 10060u + 201u * 3u);
    EXPECT_EQ(joined(Lines(lines.end() - 13, lines.end())),
              joined(Lines{"BSNext 10", "BT10050", "BUPrevious 50"} + fileItems(10050, 10060)));
    EXPECT_EQ(requests(), Requests{"command 40045"});
}

}  // namespace
