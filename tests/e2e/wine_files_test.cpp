// End-to-end: drives and folders, the current playlist, the playlist files of
// the My Music folder and the media library's playlists (commands 1 to 5, 7,
// 8, 20, 22, 23, 55 and 56) with the release's 32-bit DLL in the 32-bit test
// host under Wine, against real folders, files, drives and a real playlists catalog in
// the prefix.
//
// The order of a folder's entries is what the platform's own search returns
// (the test host's "find" order), so the scenarios hold whatever order Wine
// lists in.
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "tests/e2e/wine_fixture.h"

namespace {

namespace fs = std::filesystem;
using e2e::joined;
using e2e::Lines;

const std::string iniOnCom7 = "[Quillon Bluetooth remote control]\nportName=COM7\n";
// mp3 twice: an extension that stands twice is looked for once.
const std::string iniWithExtensions = iniOnCom7 + "[Winamp]\nconfig_extlist=mp3:wav:mp3:ogg\n";

const std::string musicFolder = "C:\\quillon\\music";
const std::string myMusic = "C:\\quillon\\My Music";
const std::string libraryFolder = std::string(e2e::hostFolderWindowsPath) + "\\Plugins\\ml";
const std::string catalogPath = libraryFolder + "\\playlists.xml";

const std::string alreadyExists = " Already Exists in My Music.Please select BACK and enter another name";

// ---- the prefix ---------------------------------------------------------------------

// Every drive letter in use: Wine's own C: and Z:, and the drives made here.
// Wine takes a drive's type from its registry and its volume label from a
// ".windows-label" file at its root; its mount manager reads the types when
// Wine starts.
bool furnishDrives(std::string& error) {
    const std::string drives = e2e::winePaths().workDir + "/drives";
    const std::string links = e2e::winePaths().prefix + "/dosdevices/";
    std::error_code failed;
    fs::remove_all(drives, failed);
    std::ofstream(e2e::linuxPath("C:\\.windows-label"), std::ios::binary) << "System";
    for (char letter = 'a'; letter <= 'y'; ++letter) {
        if (letter == 'c') continue;
        const std::string name(1, letter);
        std::string label = "Spare " + std::string(1, static_cast<char>(letter - 'a' + 'A'));
        if (letter == 'd') label = "Music Disc";
        if (letter == 'e') label = "Stick";
        if (letter == 'g') label = "A label longer than the fifty-six characters of old, whole";
        if (letter == 'h') label = "Share";
        fs::create_directories(drives + "/" + name, failed);
        std::ofstream(drives + "/" + name + "/.windows-label", std::ios::binary) << label;
        fs::remove(links + name + ":", failed);
        // F: leads nowhere.
        fs::create_symlink(letter == 'f' ? drives + "/gone" : drives + "/" + name, links + name + ":", failed);
        if (failed) {
            error = "could not link drive " + name;
            return false;
        }
    }
    std::ofstream(e2e::linuxPath("C:\\quillon\\drives.reg"), std::ios::binary)
        << "REGEDIT4\r\n\r\n[HKEY_LOCAL_MACHINE\\Software\\Wine\\Drives]\r\n"
           "\"d:\"=\"cdrom\"\r\n\"e:\"=\"floppy\"\r\n\"h:\"=\"network\"\r\n";
    if (e2e::runWineProgram({"regedit", "/S", "C:\\quillon\\drives.reg"}, 60000) != 0) {
        error = "could not set the drive types";
        return false;
    }
    e2e::stopWine();
    return true;
}

// ---- files on the Windows side --------------------------------------------------------

void writeFile(const std::string& windowsPath, const std::string& bytes) {
    fs::create_directories(fs::path(e2e::linuxPath(windowsPath)).parent_path());
    std::ofstream(e2e::linuxPath(windowsPath), std::ios::binary | std::ios::trunc) << bytes;
}

std::string readFile(const std::string& windowsPath) { return e2e::readTextFile(e2e::linuxPath(windowsPath)); }

bool exists(const std::string& windowsPath) { return fs::exists(e2e::linuxPath(windowsPath)); }

// A fresh folder holding `folders` and `files` (each file holds its own name).
void makeFolder(const std::string& folder, const Lines& folders, const Lines& files) {
    std::error_code ignored;
    fs::remove_all(e2e::linuxPath(folder), ignored);
    fs::create_directories(e2e::linuxPath(folder));
    for (const std::string& name : folders) fs::create_directories(e2e::linuxPath(folder + "\\" + name));
    for (const std::string& name : files) writeFile(folder + "\\" + name, name);
}

// `count` names: `before`, a number of at least two digits (three from 100
// on), and `after`.
Lines numberedNames(const std::string& before, int count, const std::string& after) {
    Lines names;
    for (int k = 0; k < count; ++k) {
        char number[16];
        std::snprintf(number, sizeof number, count > 100 ? "%03d" : "%02d", k);
        names.push_back(before + number + after);
    }
    return names;
}

// A playlist file as the host writes it.
std::string playlistText(const std::vector<std::pair<std::string, std::string>>& pathsAndTitles) {
    std::string text = "#EXTM3U\r\n";
    for (const auto& [path, title] : pathsAndTitles) text += "#EXTINF:-1," + title + "\r\n" + path + "\r\n";
    return text;
}

// ---- what the platform lists ------------------------------------------------------------

struct Found {
    unsigned long attributes = 0;
    std::string name;
    bool folder() const { return (attributes & 0x10) != 0; }
};

bool endsWithIgnoringCase(const std::string& name, const std::string& ending) {
    if (name.size() < ending.size()) return false;
    for (std::size_t i = 0; i < ending.size(); ++i)
        if (std::tolower(static_cast<unsigned char>(name[name.size() - ending.size() + i])) !=
            std::tolower(static_cast<unsigned char>(ending[i])))
            return false;
    return true;
}

Lines sortedNames(const std::vector<Found>& found) {
    Lines names;
    for (const Found& entry : found) names.push_back(entry.name);
    std::sort(names.begin(), names.end());
    return names;
}

// The folder browser's item lines for a folder the platform lists as `found`:
// its sub-folders but those whose name begins with '.', then for each
// extension the files whose names end in '.' and the extension, in any case;
// each group in the order listed.
Lines folderItems(const std::vector<Found>& found, const Lines& extensions) {
    Lines items;
    for (const Found& entry : found)
        if (entry.folder() && entry.name[0] != '.') items.push_back("BBF" + entry.name);
    for (const std::string& extension : extensions)
        for (const Found& entry : found)
            if (!entry.folder() && endsWithIgnoringCase(entry.name, "." + extension))
                items.push_back("BBT" + entry.name);
    return items;
}

Lines slice(const Lines& lines, std::size_t first, std::size_t end) {
    return Lines(lines.begin() + static_cast<std::ptrdiff_t>(std::min(first, lines.size())),
                 lines.begin() + static_cast<std::ptrdiff_t>(std::min(end, lines.size())));
}

// What the host is asked to play a file at once: clear, add, play.
Lines playNow(const std::string& path) { return {"user 101 0", "user 100 file=" + path, "user 102 0"}; }

// ---- the current playlist --------------------------------------------------------------

std::string title(int k) {
    char text[16];
    std::snprintf(text, sizeof text, "Title %03d", k);
    return text;
}

Lines viewItems(int first, int last) {
    Lines lines;
    for (int k = first; k <= last; ++k) lines.push_back("FF" + title(k));
    return lines;
}

Lines titleRequests(int first, int last) {
    Lines lines;
    for (int k = first; k <= last; ++k) lines.push_back("user 212 " + std::to_string(k));
    return lines;
}

class WineFiles : public e2e::WineScenario {
protected:
    // Starts the plug-in on COM7 with `myMusicFolder` as the user's My Music
    // folder and waits until init has returned 0.
    void startWith(const std::string& ini = iniWithExtensions, const std::string& myMusicFolder = myMusic) {
        ASSERT_TRUE(host.start(ini, "com7", {"--my-music", myMusicFolder}));
        ASSERT_EQ("my music " + myMusicFolder, host.waitFor("my music ", 60000)) << host.transcript();
        ASSERT_EQ("init 0", host.waitFor("init ", 60000)) << host.transcript();
        host.requestLog();  // start-up requests are not what the scenarios look at
    }

    // The platform's own listing of a search, in its order.
    std::vector<Found> listing(const std::string& pattern) {
        std::vector<Found> found;
        for (const std::string& line : host.orderLines("find " + pattern, "found ", "find end")) {
            Found entry;
            entry.attributes = std::strtoul(line.c_str(), nullptr, 16);
            entry.name = line.substr(line.find(' ') + 1);
            found.push_back(entry);
        }
        return found;
    }

    // The drive list's lines for the drives Windows reports: fixed and
    // removable drives are 'D', CD-ROM drives 'M'; a drive of any other type,
    // or one that is not ready, has no line.
    Lines driveLines() {
        Lines lines = {"BA"};
        for (const std::string& drive : host.orderLines("drives", "drive ", "drives end")) {
            int type = std::atoi(drive.c_str() + drive.find("type=") + 5);
            std::size_t label = drive.find(" label=");
            char kind = type == 2 || type == 3 ? 'D' : type == 5 ? 'M' : 0;
            if (label == std::string::npos || kind == 0) continue;
            lines.push_back(std::string("B") + kind + drive.substr(label + 7) + " (" + drive.substr(0, 2) + ")");
        }
        return lines;
    }

    // Puts `count` entries "Title 000", ... on the host's playlist.
    void fillPlaylist(int count) {
        for (int k = 0; k < count; ++k)
            host.order("add " + musicFolder + "\\t" + title(k).substr(6) + ".mp3|" + title(k));
        ASSERT_EQ("add ok " + std::to_string(count), host.waitFor("add ok " + std::to_string(count)))
            << host.transcript();
    }
};

// ---- drives ----------------------------------------------------------------------------------

TEST_F(WineFiles, DriveListNamesEveryReadyDiskAndCdRomDriveWithItsLabel) {
    startWith();
    // What Windows says of each drive; the ones made here are what they were
    // made.
    const Lines drives = host.orderLines("drives", "drive ", "drives end");
    auto said = [&drives](const std::string& line) {
        return std::find(drives.begin(), drives.end(), line) != drives.end();
    };
    ASSERT_TRUE(said("C:\\ type=3 label=System")) << testing::PrintToString(drives);
    ASSERT_TRUE(said("D:\\ type=5 label=Music Disc")) << testing::PrintToString(drives);
    ASSERT_TRUE(said("E:\\ type=2 label=Stick")) << testing::PrintToString(drives);
    ASSERT_TRUE(said("G:\\ type=3 label=A label longer than the fifty-six characters of old, whole"))
        << testing::PrintToString(drives);
    ASSERT_TRUE(said("H:\\ type=4 label=Share")) << testing::PrintToString(drives);
    // All 26 letters.
    ASSERT_EQ(26u, drives.size()) << testing::PrintToString(drives);
    ASSERT_NE(drives.end(), std::find_if(drives.begin(), drives.end(),
                                         [](const std::string& line) { return line.rfind("F:\\ type=1 ", 0) == 0; }))
        << testing::PrintToString(drives);

    const Lines expected = driveLines();
    // A label that fits the reply line is sent whole.
    ASSERT_EQ(25u, expected.size()) << testing::PrintToString(expected);
    ASSERT_EQ((Lines{"BA", "BDSpare A (A:)", "BDSpare B (B:)", "BDSystem (C:)", "BMMusic Disc (D:)", "BDStick (E:)",
                     "BDA label longer than the fifty-six characters of old, whole (G:)"}),
              slice(expected, 0, 7));
    EXPECT_EQ(expected, ask("20", expected.size()));
    // No wait after the drives: the next line is an ordinary command.
    EXPECT_EQ(Lines{"KWinamp 22118 running!"}, ask("27", 1));
    EXPECT_EQ(Lines{"user 0 0"}, host.requestLog());
    ASSERT_TRUE(host.quit()) << host.transcript();
}

// ---- the folder browser ------------------------------------------------------------------------

TEST_F(WineFiles, FolderListsSubFoldersFirstThenTheFilesOfEachExtensionInTurn) {
    const std::string folder = musicFolder + "\\Mixed";
    makeFolder(folder, {"Beta", "alpha", ".hidden", "Secret", "Live.mp3", "zeta"},
               {"b.mp3", "A.MP3", "c.wav", ".intro.mp3", "d.ogg", "notes.txt", "noext", "e.Wav", "f.mp3.bak", "g.flac",
                "hidden.mp3", "h.ogg", "mp3"});
    startWith();
    for (const char* name : {"\\Secret", "\\hidden.mp3"}) {
        host.order("hide " + folder + name);
        std::string hidden = host.waitFor("hide ");
        ASSERT_EQ(0u, hidden.rfind("hide ok ", 0)) << hidden;
        ASSERT_NE(0ul, std::strtoul(hidden.c_str() + 8, nullptr, 16) & 0x2) << hidden;
    }

    // Windows lists the folder itself and its parent as folders, then every name.
    const std::vector<Found> found = listing(folder + "\\*");
    ASSERT_EQ((Lines{".",      "..",    ".hidden",    ".intro.mp3", "A.MP3", "Beta",      "Live.mp3",
                     "Secret", "alpha", "b.mp3",      "c.wav",      "d.ogg", "e.Wav",     "f.mp3.bak",
                     "g.flac", "h.ogg", "hidden.mp3", "mp3",        "noext", "notes.txt", "zeta"}),
              sortedNames(found));
    for (const Found& entry : found) {
        if (entry.name == "." || entry.name == "..") {
            EXPECT_TRUE(entry.folder()) << entry.name;
        }
    }

    // Sub-folders whatever their attributes, but neither "." and ".." nor
    // ".hidden"; a folder named like a file is a folder only; a file whose
    // name begins with '.' is listed, names without the extension are not.
    const Lines items = folderItems(found, {"mp3", "wav", "ogg"});
    ASSERT_EQ(13u, items.size()) << testing::PrintToString(items);
    EXPECT_EQ(joined({{"BA"}, items}), ask("1 " + folder, 14));
    // The folder is read; nothing is asked of the host.
    EXPECT_EQ(Lines{}, host.requestLog());

    // Play and enqueue inside the list; it stays open and sends nothing.
    EXPECT_EQ(Lines{}, ask("2 " + folder + "\\b.mp3", 0));
    EXPECT_EQ(playNow(folder + "\\b.mp3"), host.requestLog());
    EXPECT_EQ(Lines{}, ask("3 " + folder + "\\.intro.mp3", 0));
    EXPECT_EQ(Lines{"user 100 file=" + folder + "\\.intro.mp3"}, host.requestLog());
    EXPECT_EQ("b|.intro", host.stateField("playlist"));
    EXPECT_EQ("1", host.stateField("play"));

    // Into a sub-folder: 1 ends this list and opens the next, whose files
    // come by extension, not by name.
    makeFolder(folder + "\\alpha", {}, {"one.ogg", "two.mp3"});
    EXPECT_EQ((Lines{"BA", "BBTtwo.mp3", "BBTone.ogg"}), ask("1 " + folder + "\\alpha", 3));
    EXPECT_EQ(Lines{"KWinamp 22118 running!"}, ask("27", 1));
    EXPECT_EQ(Lines{"user 0 0"}, host.requestLog());
    ASSERT_TRUE(host.quit()) << host.transcript();
}

TEST_F(WineFiles, DefaultExtensionListTakesNothingWithoutAnExtensionForAFile) {
    // No "config_extlist": "mp3:" and the appended ':' give mp3 and an empty
    // extension, which matches nothing.
    const std::string folder = musicFolder + "\\Plain";
    makeFolder(folder, {"sub", "Disc.mp3"}, {"noext", "x.mp3", "y.wav", "README"});
    startWith(iniOnCom7);
    const Lines items = folderItems(listing(folder + "\\*"), {"mp3"});
    ASSERT_EQ(3u, items.size()) << testing::PrintToString(items);
    EXPECT_EQ(joined({{"BA"}, items}), ask("1 " + folder, 4));
    EXPECT_EQ(Lines{"KWinamp 22118 running!"}, ask("27", 1));
    ASSERT_TRUE(host.quit()) << host.transcript();
}

TEST_F(WineFiles, FolderOfAHundredAndTwentyEntriesPagesBothWays) {
    // 20 folders, 70 mp3 files and 30 wav files: the pages end inside the
    // mp3 files and inside the wav files.
    const std::string folder = musicFolder + "\\Many";
    Lines folders, files;
    char name[32];
    for (int k = 0; k < 20; ++k) {
        std::snprintf(name, sizeof name, "dir%02d", k);
        folders.push_back(name);
    }
    for (int k = 0; k < 70; ++k) {
        std::snprintf(name, sizeof name, "t%03d.mp3", k);
        files.push_back(name);
    }
    for (int k = 0; k < 30; ++k) {
        std::snprintf(name, sizeof name, "w%02d.wav", k);
        files.push_back(name);
    }
    makeFolder(folder, folders, files);
    startWith();
    const Lines items = folderItems(listing(folder + "\\*"), {"mp3", "wav", "ogg"});
    ASSERT_EQ(120u, items.size());

    EXPECT_EQ(joined({{"BA"}, slice(items, 0, 50), {"BSNext 50"}}), ask("1 " + folder, 52));
    // No page before the first: nothing is read before the first entry.
    EXPECT_EQ(Lines{}, ask("54", 0));
    EXPECT_EQ(joined({{"BT50", "BUPrevious 50"}, slice(items, 50, 100), {"BSNext 20"}}), ask("53", 53));
    // A selection leaves the page where it is.
    EXPECT_EQ(Lines{}, ask("2 " + folder + "\\t060.mp3", 0));
    EXPECT_EQ(playNow(folder + "\\t060.mp3"), host.requestLog());
    EXPECT_EQ(joined({{"BT100", "BUPrevious 50"}, slice(items, 100, 120)}), ask("53", 22));
    // No Next line was sent: nothing after the last entry.
    EXPECT_EQ(Lines{}, ask("53", 0));
    EXPECT_EQ(Lines{}, ask("3 " + folder + "\\w29.wav", 0));
    EXPECT_EQ(Lines{"user 100 file=" + folder + "\\w29.wav"}, host.requestLog());

    // Back from the short last page to the page before it, then to the first.
    EXPECT_EQ(joined({{"BT50", "BUPrevious 50"}, slice(items, 50, 100), {"BSNext 20"}}), ask("54", 53));
    EXPECT_EQ(joined({{"BT0"}, slice(items, 0, 50), {"BSNext 50"}}), ask("54", 52));

    // An ordinary command leaves the list and is carried out; 53 is then nothing.
    EXPECT_EQ(Lines{}, ask("12", 0));
    EXPECT_EQ(Lines{"command 40044"}, host.requestLog());
    EXPECT_EQ(Lines{}, ask("53", 0));
    EXPECT_EQ(Lines{}, host.requestLog());
    ASSERT_TRUE(host.quit()) << host.transcript();
}

TEST_F(WineFiles, FolderThatCannotBeListedSendsTheHeaderAloneAndDoesNotWait) {
    makeFolder(musicFolder + "\\Empty", {}, {});
    makeFolder(musicFolder + "\\Other", {".config"}, {"cover.jpg", "notes.txt"});
    // The longest folder whose search pattern (the folder and "\*") fits 259
    // characters, and one character more.
    const std::string longest = musicFolder + "\\" + std::string(257 - musicFolder.size() - 1, 'L');
    const std::string tooLong = musicFolder + "\\" + std::string(258 - musicFolder.size() - 1, 'L');
    ASSERT_EQ(257u, longest.size());
    makeFolder(longest, {}, {"a.mp3"});
    makeFolder(tooLong, {}, {"a.mp3"});
    startWith();

    for (const std::string& folder : {musicFolder + "\\Nowhere", musicFolder + "\\Empty", musicFolder + "\\Other",
                                      tooLong, musicFolder + "\\" + std::string(400, 'L')}) {
        // The next line is an ordinary command, not a page turn.
        host.phoneWrite("1 " + folder + "\n27\n");
        EXPECT_EQ((Lines{"BA", "KWinamp 22118 running!"}), collect(2)) << folder.size();
    }
    EXPECT_EQ((Lines{"BA", "BBTa.mp3"}), ask("1 " + longest, 2));
    EXPECT_EQ(Lines{"KWinamp 22118 running!"}, ask("27", 1));
    ASSERT_TRUE(host.quit()) << host.transcript();
}

// ---- the playlist files of My Music --------------------------------------------------------------

TEST_F(WineFiles, PlaylistFilesOfMyMusicAreListedPlayedAndSaved) {
    const std::string alpha = playlistText({{"C:\\Music\\a1.mp3", "Alpha One"}, {"C:\\Music\\a2.mp3", "Alpha Two"}});
    const std::string bravo = playlistText({{"C:\\Music\\b1.mp3", "Bravo"}});
    makeFolder(myMusic, {"Old"}, {"notes.txt", "mix.pls"});
    writeFile(myMusic + "\\a.m3u", alpha);
    writeFile(myMusic + "\\b.m3u", bravo);
    writeFile(myMusic + "\\Upper.M3U", playlistText({{"C:\\Music\\u.mp3", "Upper"}}));
    startWith();

    std::vector<Found> found = listing(myMusic + "\\*.m3u");
    ASSERT_EQ((Lines{"Upper.M3U", "a.m3u", "b.m3u"}), sortedNames(found));
    Lines expected = {"BA"};
    for (const Found& entry : found) expected.push_back("BL" + entry.name);
    // Every file at once, no paging and no wait: the next line is an
    // ordinary command.
    host.phoneWrite("4\n27\n");
    EXPECT_EQ(joined({expected, {"KWinamp 22118 running!"}}), collect(5));
    EXPECT_EQ(Lines{"user 0 0"}, host.requestLog());

    // Play: the host is handed the file of My Music and loads its entries.
    EXPECT_EQ(Lines{}, ask("5 a.m3u", 0));
    EXPECT_EQ(playNow(myMusic + "\\a.m3u"), host.requestLog());
    EXPECT_EQ("Alpha One|Alpha Two", host.stateField("playlist"));
    EXPECT_EQ("1", host.stateField("play"));

    // Save: the host writes its playlist file, which is copied to My Music.
    EXPECT_EQ(Lines{"GParty Saved in My Music"}, ask("23 Party", 1));
    EXPECT_EQ(Lines{"user 120 0"}, host.requestLog());
    EXPECT_EQ(alpha, readFile(std::string(e2e::hostFolderWindowsPath) + "\\winamp.m3u"));
    EXPECT_EQ(alpha, readFile(myMusic + "\\Party.m3u"));

    // Saving the same name again leaves the first copy as it was.
    EXPECT_EQ(Lines{}, ask("5 b.m3u", 0));
    EXPECT_EQ("Bravo", host.stateField("playlist"));
    host.requestLog();
    EXPECT_EQ(Lines{"HParty" + alreadyExists}, ask("23 Party", 1));
    EXPECT_EQ(Lines{"user 120 0"}, host.requestLog());
    EXPECT_EQ(bravo, readFile(std::string(e2e::hostFolderWindowsPath) + "\\winamp.m3u"));
    EXPECT_EQ(alpha, readFile(myMusic + "\\Party.m3u"));

    // An empty name saves ".m3u", once.
    EXPECT_EQ(Lines{"G Saved in My Music"}, ask("23", 1));
    EXPECT_EQ(bravo, readFile(myMusic + "\\.m3u"));
    EXPECT_EQ(Lines{"H" + alreadyExists}, ask("23 ", 1));

    // The copies are playlists of My Music like the others.
    found = listing(myMusic + "\\*.m3u");
    ASSERT_EQ((Lines{".m3u", "Party.m3u", "Upper.M3U", "a.m3u", "b.m3u"}), sortedNames(found));
    expected = {"BA"};
    for (const Found& entry : found) expected.push_back("BL" + entry.name);
    EXPECT_EQ(expected, ask("4", 6));
    host.requestLog();
    EXPECT_EQ(Lines{}, ask("5 Party.m3u", 0));
    EXPECT_EQ(playNow(myMusic + "\\Party.m3u"), host.requestLog());
    EXPECT_EQ("Alpha One|Alpha Two", host.stateField("playlist"));

    // A name that is not there: the host is asked all the same, and nothing
    // comes back.
    EXPECT_EQ(Lines{}, ask("5 missing.m3u", 0));
    EXPECT_EQ(playNow(myMusic + "\\missing.m3u"), host.requestLog());
    EXPECT_EQ("", host.stateField("playlist"));
    ASSERT_TRUE(host.quit()) << host.transcript();
}

TEST_F(WineFiles, SaveRefusesNamesThatNameNoFileOfMyMusic) {
    makeFolder(myMusic, {}, {});
    writeFile(myMusic + "\\a.m3u", playlistText({{"C:\\Music\\a1.mp3", "Alpha One"}}));
    startWith();
    ASSERT_EQ(Lines{}, ask("5 a.m3u", 0));
    auto folderNames = [](const std::string& windowsFolder) {
        Lines names;
        for (const auto& entry : fs::directory_iterator(e2e::linuxPath(windowsFolder)))
            names.push_back(entry.path().filename().string());
        std::sort(names.begin(), names.end());
        return names;
    };
    const Lines myMusicBefore = folderNames(myMusic);
    const Lines quillonBefore = folderNames("C:\\quillon");

    for (const std::string name : {"a\\b", "a/b", "c:d", "e*", "f?", "g\"h", "i<j", "k>l", "m|n", ".", "..",
                                   "..\\escape", "../escape", "..\\..\\escape", "C:\\quillon\\escape"}) {
        EXPECT_EQ(Lines{"H" + name + alreadyExists}, ask("23 " + name, 1)) << name;
    }
    // The saved copy's path is My Music, '\', the name and ".m3u": 259
    // characters fit, 260 do not.
    const std::string longest(259 - myMusic.size() - 1 - 4, 'n');
    EXPECT_EQ(Lines{"H" + longest + "n" + alreadyExists}, ask("23 " + longest + "n", 1));
    EXPECT_EQ(myMusicBefore, folderNames(myMusic));
    EXPECT_EQ(quillonBefore, folderNames("C:\\quillon"));
    EXPECT_FALSE(exists("C:\\escape.m3u"));

    EXPECT_EQ(Lines{"G" + longest + " Saved in My Music"}, ask("23 " + longest, 1));
    EXPECT_TRUE(exists(myMusic + "\\" + longest + ".m3u"));
    ASSERT_TRUE(host.quit()) << host.transcript();
}

TEST_F(WineFiles, MyMusicWithoutPlaylistsListsNothingAndAMissingOneSavesNothing) {
    const std::string folder = "C:\\quillon\\Other Music";
    makeFolder(folder, {}, {"song.mp3", "notes.txt"});
    startWith(iniWithExtensions, folder);
    // No playlist file: not even the header, and no wait.
    host.phoneWrite("4\n27\n");
    EXPECT_EQ(Lines{"KWinamp 22118 running!"}, collect(1));

    std::error_code ignored;
    fs::remove_all(e2e::linuxPath(folder), ignored);
    host.phoneWrite("4\n27\n");
    EXPECT_EQ(Lines{"KWinamp 22118 running!"}, collect(1));
    EXPECT_EQ(Lines{"HParty" + alreadyExists}, ask("23 Party", 1));
    EXPECT_FALSE(exists(folder));
    host.requestLog();
    EXPECT_EQ(Lines{}, ask("5 a.m3u", 0));
    EXPECT_EQ(playNow(folder + "\\a.m3u"), host.requestLog());
    ASSERT_TRUE(host.quit()) << host.transcript();
}

// ---- the current playlist ---------------------------------------------------------------

TEST_F(WineFiles, CurrentPlaylistPagesThroughAHundredAndSixtyEntries) {
    startWith();
    fillPlaylist(160);

    EXPECT_EQ(joined({{"N"}, viewItems(0, 49), {"FSNext 50"}}), ask("7", 52));
    EXPECT_EQ(joined({{"user 124 0"}, titleRequests(0, 49)}), host.requestLog());
    // No Previous line was offered: no entry before the first is asked for.
    ask("54", 0);
    for (const std::string& request : host.requestLog()) EXPECT_NE(0u, request.rfind("user 212 -", 0)) << request;

    EXPECT_EQ(joined({{"FT50", "FUPrevious 50"}, viewItems(50, 99), {"FSNext 50"}}), ask("53", 53));
    EXPECT_EQ(titleRequests(50, 99), host.requestLog());
    EXPECT_EQ(joined({{"FT100", "FUPrevious 50"}, viewItems(100, 149), {"FSNext 10"}}), ask("53", 53));
    EXPECT_EQ(titleRequests(100, 149), host.requestLog());

    // Jump inside the view: no reply, and the view keeps its page.
    EXPECT_EQ(Lines{}, ask("8 37", 0));
    EXPECT_EQ((Lines{"user 121 37", "command 40045"}), host.requestLog());
    EXPECT_EQ("37", host.stateField("current"));

    // The length is not asked again on the way back.
    EXPECT_EQ(joined({{"FT50", "FUPrevious 50"}, viewItems(50, 99), {"FSNext 50"}}), ask("54", 53));
    EXPECT_EQ(titleRequests(50, 99), host.requestLog());
    EXPECT_EQ(joined({{"FT0"}, viewItems(0, 49), {"FSNext 50"}}), ask("54", 52));
    EXPECT_EQ(titleRequests(0, 49), host.requestLog());

    // 12 is not the view's: it ends the view and is carried out.
    EXPECT_EQ(Lines{}, ask("12", 0));
    EXPECT_EQ(Lines{"command 40044"}, host.requestLog());
    EXPECT_EQ(Lines{}, ask("53", 0));
    EXPECT_EQ(Lines{}, host.requestLog());
    // 7 twice: the second closes the view and opens it afresh.
    host.phoneWrite("7\n7\n");
    EXPECT_EQ(joined({{"N"}, viewItems(0, 49), {"FSNext 50", "N"}, viewItems(0, 49), {"FSNext 50"}}), collect(104));
    ASSERT_TRUE(host.quit()) << host.transcript();
}

TEST_F(WineFiles, CurrentPlaylistSavesListsAndClearsWithoutClosing) {
    makeFolder(myMusic, {}, {});
    writeFile(myMusic + "\\a.m3u", playlistText({{"C:\\Music\\a1.mp3", "Alpha One"}}));
    startWith();
    fillPlaylist(3);
    const std::string three = playlistText({{musicFolder + "\\t000.mp3", title(0)},
                                            {musicFolder + "\\t001.mp3", title(1)},
                                            {musicFolder + "\\t002.mp3", title(2)}});

    EXPECT_EQ(joined({{"N"}, viewItems(0, 2)}), ask("7", 4));
    host.requestLog();
    EXPECT_EQ(Lines{"GParty Saved in My Music"}, ask("23 Party", 1));
    EXPECT_EQ(Lines{"user 120 0"}, host.requestLog());
    EXPECT_EQ(three, readFile(myMusic + "\\Party.m3u"));
    EXPECT_EQ(Lines{"HParty" + alreadyExists}, ask("23 Party", 1));
    EXPECT_EQ(Lines{"H.." + alreadyExists}, ask("23 ..", 1));

    Lines playlists = {"BA"};
    for (const Found& entry : listing(myMusic + "\\*.m3u")) playlists.push_back("BL" + entry.name);
    ASSERT_EQ(3u, playlists.size());
    EXPECT_EQ(playlists, ask("4", 3));
    const Lines drives = driveLines();
    EXPECT_EQ(drives, ask("20", drives.size()));
    host.requestLog();

    // Clear: the view stays; the next page turn finds no title and ends it.
    EXPECT_EQ(Lines{}, ask("22", 0));
    EXPECT_EQ(Lines{"user 101 0"}, host.requestLog());
    EXPECT_EQ("", host.stateField("playlist"));
    EXPECT_EQ((Lines{"FT3", "FUPrevious 50"}), ask("53", 2));
    EXPECT_EQ(Lines{"user 212 3"}, host.requestLog());
    EXPECT_EQ(Lines{"KWinamp 22118 running!"}, ask("27", 1));
    ASSERT_TRUE(host.quit()) << host.transcript();
}

TEST_F(WineFiles, FolderBrowserInsideTheCurrentPlaylistHandsItsLastLineBack) {
    const std::string inner = musicFolder + "\\Inner";
    makeFolder(inner, {}, numberedNames("s", 60, ".mp3"));
    startWith();
    fillPlaylist(120);
    const Lines items = folderItems(listing(inner + "\\*"), {"mp3", "wav", "ogg"});
    ASSERT_EQ(60u, items.size());

    EXPECT_EQ(joined({{"N"}, viewItems(0, 49), {"FSNext 50"}}), ask("7", 52));
    // The folder pages inside the view.
    EXPECT_EQ(joined({{"BA"}, slice(items, 0, 50), {"BSNext 10"}}), ask("1 " + inner, 52));
    EXPECT_EQ(joined({{"BT50", "BUPrevious 50"}, slice(items, 50, 60)}), ask("53", 12));
    host.requestLog();
    // 8 is not the folder's: it ends the folder and the view carries it out,
    // once.
    EXPECT_EQ(Lines{}, ask("8 3", 0));
    EXPECT_EQ((Lines{"user 121 3", "command 40045"}), host.requestLog());
    // The view is open on its first page: 53 turns the view's page.
    EXPECT_EQ(joined({{"FT50", "FUPrevious 50"}, viewItems(50, 99), {"FSNext 20"}}), ask("53", 53));
    // A folder with nothing to list ends at once; the view keeps waiting.
    EXPECT_EQ(Lines{"BA"}, ask("1 " + musicFolder + "\\Nowhere", 1));
    EXPECT_EQ(joined({{"FT100", "FUPrevious 50"}, viewItems(100, 119)}), ask("53", 22));
    host.requestLog();

    // A selection of the folder inside the view is the folder's.
    EXPECT_EQ(joined({{"BA"}, slice(items, 0, 50), {"BSNext 10"}}), ask("1 " + inner, 52));
    EXPECT_EQ(Lines{}, ask("2 " + inner + "\\s05.mp3", 0));
    EXPECT_EQ(playNow(inner + "\\s05.mp3"), host.requestLog());
    // A line neither takes ends both and is carried out once.
    EXPECT_EQ(Lines{"KWinamp 22118 running!"}, ask("27", 1));
    EXPECT_EQ(Lines{"user 0 0"}, host.requestLog());
    EXPECT_EQ(Lines{}, ask("53", 0));
    EXPECT_EQ(Lines{}, host.requestLog());
    ASSERT_TRUE(host.quit()) << host.transcript();
}

TEST_F(WineFiles, CurrentPlaylistEndsWhereTheHostHasNoTitle) {
    startWith();
    // An empty playlist: the header alone, and no wait.
    host.phoneWrite("7\n27\n");
    EXPECT_EQ((Lines{"N", "KWinamp 22118 running!"}), collect(2));
    EXPECT_EQ((Lines{"user 124 0", "user 0 0"}), host.requestLog());

    // Sixty entries and one whose title is longer than a reply line: it is
    // cut to the 1020 characters after "FF".
    fillPlaylist(60);
    const std::string longTitle = std::string(1000, 'x') + std::string(100, 'y');
    host.order("add " + musicFolder + "\\long.mp3|" + longTitle);
    ASSERT_EQ("add ok 61", host.waitFor("add ok 61"));
    EXPECT_EQ(joined({{"N"}, viewItems(0, 49), {"FSNext 11"}}), ask("7", 52));
    EXPECT_EQ(joined({{"FT50", "FUPrevious 50"}, viewItems(50, 59), {"FF" + longTitle.substr(0, 1020)}}),
              ask("53", 13));
    host.requestLog();
    // 53 on the last page: the position and Previous lines, then the host
    // has no entry there and the view ends.
    EXPECT_EQ((Lines{"FT61", "FUPrevious 50"}), ask("53", 2));
    EXPECT_EQ(Lines{"user 212 61"}, host.requestLog());
    EXPECT_EQ(Lines{"KWinamp 22118 running!"}, ask("27", 1));
    ASSERT_TRUE(host.quit()) << host.transcript();
}

// ---- the media library's playlists -------------------------------------------------------------

TEST_F(WineFiles, LibraryPlaylistsOfTheHostsCatalogPlayAndEnqueueByIndex) {
    makeFolder(myMusic, {}, {});
    writeFile(myMusic + "\\a.m3u", playlistText({{"C:\\Music\\a1.mp3", "Alpha One"}}));
    writeFile(libraryFolder + "\\party.m3u",
              playlistText({{"C:\\Music\\p1.mp3", "Party One"}, {"C:\\Music\\p2.mp3", "Party Two"}}));
    writeFile(libraryFolder + "\\quiet.m3u", playlistText({{"C:\\Music\\q.mp3", "Quiet"}}));
    writeFile(libraryFolder + "\\road trip.m3u", playlistText({{"C:\\Music\\r.mp3", "Road"}}));
    startWith();
    host.order("library-playlist Party & Friends|party.m3u");
    host.order("library-playlist Quiet Evening|quiet.m3u");
    host.order("library-playlist Road Trip|road trip.m3u");
    ASSERT_EQ("library-playlist ok 3", host.waitFor("library-playlist ok 3")) << host.transcript();
    host.order("catalog utf8");
    ASSERT_EQ(0u, host.waitFor("catalog ").rfind("catalog ok ", 0)) << host.transcript();
    const Lines titles = {"PA", "PaParty & Friends", "PaQuiet Evening", "PaRoad Trip"};

    EXPECT_EQ(titles, ask("55", 4));
    EXPECT_EQ(Lines{"library menu"}, host.requestLog());
    EXPECT_EQ(Lines{}, ask("5 0", 0));
    EXPECT_EQ(playNow(libraryFolder + "\\party.m3u"), host.requestLog());
    EXPECT_EQ("Party One|Party Two", host.stateField("playlist"));
    // A name with blanks comes out whole.
    EXPECT_EQ(Lines{}, ask("56 2", 0));
    EXPECT_EQ(Lines{"user 100 file=" + libraryFolder + "\\road trip.m3u"}, host.requestLog());
    EXPECT_EQ("Party One|Party Two|Road", host.stateField("playlist"));
    // No entry at these indexes: nothing is asked of the host.
    EXPECT_EQ(Lines{}, ask("5 3", 0));
    EXPECT_EQ(Lines{}, ask("56 -1", 0));
    EXPECT_EQ(Lines{}, host.requestLog());
    // No digits read as 0.
    EXPECT_EQ(Lines{}, ask("56 abc", 0));
    EXPECT_EQ(Lines{"user 100 file=" + libraryFolder + "\\party.m3u"}, host.requestLog());

    // 53 ends the list and does nothing; 5 is then My Music's again.
    EXPECT_EQ(Lines{}, ask("53", 0));
    EXPECT_EQ(Lines{}, host.requestLog());
    EXPECT_EQ(Lines{}, ask("5 1", 0));
    EXPECT_EQ(playNow(myMusic + "\\1"), host.requestLog());
    EXPECT_EQ(Lines{}, ask("56 1", 0));
    EXPECT_EQ(Lines{}, host.requestLog());

    // The same catalog in UTF-16 gives the same names.
    host.order("catalog utf16");
    ASSERT_EQ(0u, host.waitFor("catalog ").rfind("catalog ok ", 0)) << host.transcript();
    ASSERT_EQ(std::string("\xFF\xFE<\0", 4), readFile(catalogPath).substr(0, 4));
    EXPECT_EQ(titles, ask("55", 4));
    EXPECT_EQ(Lines{}, ask("56 1", 0));
    EXPECT_EQ(Lines{}, ask("56 2", 0));
    EXPECT_EQ((Lines{"library menu", "user 100 file=" + libraryFolder + "\\quiet.m3u",
                     "user 100 file=" + libraryFolder + "\\road trip.m3u"}),
              host.requestLog());
    // An ordinary command ends the list and is carried out.
    EXPECT_EQ(Lines{"KWinamp 22118 running!"}, ask("27", 1));
    ASSERT_TRUE(host.quit()) << host.transcript();
}

TEST_F(WineFiles, CatalogNamesComeOutWholeWhereverTheirAttributeStands) {
    // By hand: a name that ends its tag, a name with blanks, one on a line of
    // its own, and a name at the very end of the file, with nothing after it.
    const std::string catalog =
        "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n<playlists>\r\n"
        "<playlist title=\"First\" filename=\"first.m3u\"/>\r\n"
        "<playlist filename=\"with blanks  in it.m3u\" title=\"Second\" songs=\"1\"/>\r\n"
        "<playlist title=\"Third\"\r\n          filename=\"third.m3u\"/>\r\n"
        "<playlist title=\"Last\" filename=\"last.m3u\"/></playlists>";
    const Lines picks = {
        "user 100 file=" + libraryFolder + "\\first.m3u", "user 100 file=" + libraryFolder + "\\with blanks  in it.m3u",
        "user 100 file=" + libraryFolder + "\\third.m3u", "user 100 file=" + libraryFolder + "\\last.m3u"};
    startWith();
    for (const char* order : {"library-playlist First|-", "library-playlist Second|-", "library-playlist Third|-",
                              "library-playlist Last|-"})
        host.order(order);
    ASSERT_EQ("library-playlist ok 4", host.waitFor("library-playlist ok 4")) << host.transcript();

    std::string wide = "\xFF\xFE";
    for (char c : catalog) wide += std::string{c, '\0'};
    for (const std::string& text : {catalog, wide}) {
        writeFile(catalogPath, text);
        EXPECT_EQ((Lines{"PA", "PaFirst", "PaSecond", "PaThird", "PaLast"}), ask("55", 5));
        host.phoneWrite("56 0\n56 1\n56 2\n56 3\n56 4\n");
        EXPECT_EQ(Lines{}, collect(0));
        EXPECT_EQ(joined({{"library menu"}, picks}), host.requestLog());
        EXPECT_EQ(Lines{"KWinamp 22118 running!"}, ask("27", 1));
        host.requestLog();
    }
    ASSERT_TRUE(host.quit()) << host.transcript();
}

TEST_F(WineFiles, MissingCatalogSendsNothingAndAsksNothing) {
    std::error_code ignored;
    fs::remove(e2e::linuxPath(catalogPath), ignored);
    startWith();
    host.order("library-playlist Party|party.m3u");
    ASSERT_EQ("library-playlist ok 1", host.waitFor("library-playlist ok 1"));
    // Nothing at all, and no wait: 5 is the My Music play.
    host.phoneWrite("55\n5 a.m3u\n");
    EXPECT_EQ(Lines{}, collect(0));
    EXPECT_EQ(playNow(myMusic + "\\a.m3u"), host.requestLog());
    ASSERT_TRUE(host.quit()) << host.transcript();
}
// ---- quit from inside the lists ------------------------------------------------------------

TEST_F(WineFiles, QuitInsideAFolderListOpenedFromTheCurrentPlaylistEndsBothAtOnce) {
    const std::string inner = musicFolder + "\\Nested";
    makeFolder(inner, {}, numberedNames("n", 60, ".mp3"));
    startWith();
    fillPlaylist(120);
    EXPECT_EQ(52u, ask("7", 52).size());
    EXPECT_EQ(52u, ask("1 " + inner, 52).size());
    ASSERT_TRUE(host.quit()) << host.transcript();
    EXPECT_EQ(Lines{"X"}, host.phoneReplies(1500));
    // Both lists gave up their wait at once: quit did not use its five seconds.
    const long took = e2e::quitTookMs(host.transcript());
    EXPECT_GE(took, 0) << host.transcript();
    EXPECT_LT(took, 4500) << host.transcript();
}

TEST_F(WineFiles, QuitWhileThePhoneReadsNothingReturnsWithinItsBound) {
    // Pages of long names, more than the pseudo-terminal holds, so that the
    // plug-in's write stops on a line nobody reads.
    const std::string folder = musicFolder + "\\Stalled";
    makeFolder(folder, {}, numberedNames(std::string(180, 'x'), 400, ".mp3"));
    startWith();
    std::string burst = "1 " + folder + "\n";
    for (int page = 0; page < 7; ++page) burst += "53\n";
    host.phoneWrite(burst);
    std::this_thread::sleep_for(std::chrono::seconds(3));  // the plug-in fills the line meanwhile
    ASSERT_TRUE(host.quit()) << host.transcript();
    // Quit waits its five seconds for the stuck worker, then cuts the line's
    // I/O short; the host then unloads the plug-in and ends.
    // Five seconds of waiting show that the line really stalled the worker.
    const long took = e2e::quitTookMs(host.transcript());
    EXPECT_GE(took, 4500) << host.transcript();
    EXPECT_LT(took, 6500) << host.transcript();
}

}  // namespace

int main(int argc, char** argv) {
    testing::InitGoogleTest(&argc, argv);
    testing::AddGlobalTestEnvironment(new e2e::PrefixEnvironment(furnishDrives));
    return RUN_ALL_TESTS();
}
