// The reference host answers the plug-in's requests the way the plug-in relies
// on; these tests drive its window procedures directly.
#include "hostsim/reference_host.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "hostsim/library_query.h"
#include "platform/sim/sim.h"

namespace {

using hostsim::LibraryEntry;
using hostsim::QueryCondition;
using hostsim::QueryField;
using hostsim::QueryTest;
using hostsim::ReferenceHost;

platform::WParam addressParam(const void* record) {
    return static_cast<platform::WParam>(reinterpret_cast<std::uintptr_t>(record));
}

platform::LResult user(ReferenceHost& host, platform::LParam code, platform::WParam wParam = 0) {
    return host.mainWindowMessage(platform::messageUser, wParam, code);
}

platform::LResult userNumber(ReferenceHost& host, platform::LParam code, std::int32_t value) {
    return user(host, code, static_cast<platform::WParam>(value));
}

void addFile(ReferenceHost& host, const char* name) {
    host::AddFileRecord record{name, nullptr, 0};
    user(host, host::requestAddFile, addressParam(&record));
}

const char* titleAt(ReferenceHost& host, std::int32_t index) {
    return reinterpret_cast<const char*>(userNumber(host, host::requestEntryTitle, index));
}

class ReferenceHostTest : public ::testing::Test {
protected:
    void SetUp() override {
        sim::reset();
        sim::addFolder("C:\\Program Files\\Winamp\\Plugins\\ml");
        sim::addFolder("C:\\Music");
    }
    void TearDown() override { sim::reset(); }

    ReferenceHost host;
};

// ---- the query language -------------------------------------------------------

TEST(LibraryQueryText, ParsesThePlugInsFormsWithUnescapedValues) {
    std::vector<QueryCondition> c;
    ASSERT_TRUE(hostsim::parseLibraryQuery("artist == \"X\" & album != \"\" & !album isempty", &c));
    ASSERT_EQ(c.size(), 3u);
    EXPECT_EQ(c[0].field, QueryField::artist);
    EXPECT_EQ(c[0].test, QueryTest::equals);
    EXPECT_EQ(c[0].value, "X");
    EXPECT_EQ(c[1].field, QueryField::album);
    EXPECT_EQ(c[1].test, QueryTest::differs);
    EXPECT_EQ(c[1].value, "");
    EXPECT_EQ(c[2].test, QueryTest::notEmpty);

    // A value may hold " & ", quotes, and even a quote followed by " & ".
    ASSERT_TRUE(hostsim::parseLibraryQuery("artist == \"Simon & Garfunkel\"", &c));
    EXPECT_EQ(c.at(0).value, "Simon & Garfunkel");
    ASSERT_TRUE(hostsim::parseLibraryQuery("title == \"Say \"Hi\" \" & album == \"B\"", &c));
    ASSERT_EQ(c.size(), 2u);
    EXPECT_EQ(c[0].value, "Say \"Hi\" ");
    EXPECT_EQ(c[1].value, "B");
    ASSERT_TRUE(hostsim::parseLibraryQuery("album == \"a\" & b\" & genre == \"\"\"", &c));
    ASSERT_EQ(c.size(), 2u);
    EXPECT_EQ(c[0].value, "a\" & b");
    EXPECT_EQ(c[1].value, "\"");
    // Without a proper " & " the rest belongs to the value.
    ASSERT_TRUE(hostsim::parseLibraryQuery("artist == \"X\"& album != \"\"", &c));
    ASSERT_EQ(c.size(), 1u);
    EXPECT_EQ(c[0].value, "X\"& album != \"");

    for (const char* bad :
         {"", "artist", "artist == X", "artist == \"X", "composer == \"X\"", "artist == \"X\" &", "artist == \"X\" & ",
          "!artist", "artist  == \"X\"", "!year isempty", "!artist isempty & "}) {
        EXPECT_FALSE(hostsim::parseLibraryQuery(bad, &c)) << bad;
        EXPECT_TRUE(c.empty()) << bad;
    }
}

// ---- the media-library window --------------------------------------------------

TEST_F(ReferenceHostTest, QueryResultsMatchAndStayValidUntilTheirRelease) {
    host.library = {
        {"C:\\m\\1.mp3", "One", "First", "Abba", "Pop"},
        {"C:\\m\\2.mp3", "Two", "", "Abba", "Pop"},
        {"C:\\m\\3.mp3", "Three", "Third", "Simon & Garfunkel", "Folk"},
    };
    LibraryEntry noAlbum{"C:\\m\\4.mp3", "Four", "", "Abba", ""};
    noAlbum.albumAbsent = true;
    noAlbum.genreAbsent = true;
    host.library.push_back(noAlbum);

    char text[512] = "artist == \"Abba\"";
    host::LibraryQuery query{text, 0, {}};
    host.libraryWindowMessage(host::libraryMessage, addressParam(&query), host::libraryRunQuery);
    ASSERT_EQ(query.results.count, 3);
    host::LibraryRecord* records = query.results.records;
    EXPECT_STREQ(records[0].fileName, "C:\\m\\1.mp3");
    EXPECT_STREQ(records[1].album, "");
    EXPECT_EQ(records[2].album, nullptr);
    EXPECT_EQ(records[2].genre, nullptr);
    EXPECT_STREQ(records[2].artist, "Abba");
    EXPECT_EQ(records[0].extraText, nullptr);

    // Another query, and the library changing, leave the held records alone.
    char otherText[512] = "album != \"\" & !album isempty";
    host::LibraryQuery other{otherText, 0, {}};
    host.libraryWindowMessage(host::libraryMessage, addressParam(&other), host::libraryRunQuery);
    EXPECT_EQ(other.results.count, 2);
    host.library.clear();
    EXPECT_STREQ(records[1].title, "Two");
    EXPECT_STREQ(records[1].fileName, "C:\\m\\2.mp3");

    host.libraryWindowMessage(host::libraryMessage, addressParam(&query), host::libraryReleaseResults);
    EXPECT_EQ(query.results.records, nullptr);
    EXPECT_EQ(query.results.count, 0);
    EXPECT_EQ(other.results.count, 2);
    EXPECT_STREQ(other.results.records[1].artist, "Simon & Garfunkel");

    std::strcpy(text, "artist = \"Abba\"");
    host.libraryWindowMessage(host::libraryMessage, addressParam(&query), host::libraryRunQuery);
    EXPECT_EQ(query.results.count, 0);
    EXPECT_EQ(query.results.records, nullptr);

    EXPECT_EQ(host.requestLog, (std::vector<std::string>{
                                   "library run artist == \"Abba\"",
                                   "library run album != \"\" & !album isempty",
                                   "library release",
                                   "library run artist = \"Abba\"",
                               }));
}

TEST_F(ReferenceHostTest, LibraryPlayReplacesOrExtendsThePlaylistInListOrder) {
    host.playlist = {{"C:\\old.mp3", "old"}};
    char a[] = "C:\\m\\a.mp3";
    char b[] = "C:\\m\\b.mp3";
    char titleB[] = "Bee";
    host::LibraryRecord records[2] = {};
    records[0].fileName = b;
    records[0].title = titleB;
    records[1].fileName = a;
    host::LibraryRecordList list{records, 2, 2};
    host::LibraryPlayRequest play{0, &list, 0};

    host.libraryWindowMessage(host::libraryMessage, addressParam(&play), host::libraryPlayRecords);
    ASSERT_EQ(host.playlist.size(), 2u);
    EXPECT_EQ(host.playlist[0].path, b);
    EXPECT_EQ(host.playlist[0].title, "Bee");
    EXPECT_EQ(host.playlist[1].title, "a");
    EXPECT_EQ(host.playState, 1);
    EXPECT_EQ(host.current, 0);

    host.playState = 3;
    play.enqueue = 1;
    host.libraryWindowMessage(host::libraryMessage, addressParam(&play), host::libraryPlayRecords);
    ASSERT_EQ(host.playlist.size(), 4u);
    EXPECT_EQ(host.playlist[3].path, a);
    EXPECT_EQ(host.playState, 3);

    EXPECT_EQ(host.requestLog, (std::vector<std::string>{
                                   "library play enqueue=0 C:\\m\\b.mp3|C:\\m\\a.mp3",
                                   "library play enqueue=1 C:\\m\\b.mp3|C:\\m\\a.mp3",
                               }));
}

TEST_F(ReferenceHostTest, PlaylistsMenuHoldsTwoFixedItemsThenTheLibraryPlaylists) {
    host.libraryPlaylists = {{"Party", "plf1.m3u8"}, {"Quiet", "plf2.m3u8"}};
    host::MenuRequest request{{0, 0, -1}};
    auto menu = reinterpret_cast<platform::MenuHandle>(static_cast<std::uintptr_t>(
        host.libraryWindowMessage(host::libraryMessage, addressParam(&request), host::libraryPlaylistsMenu)));
    ASSERT_NE(menu, nullptr);
    EXPECT_EQ(host.lastMenuRequest[2], -1);
    EXPECT_EQ(host.requestLog, std::vector<std::string>{"library menu"});

    char text[64];
    platform::MenuHandle playlists = nullptr;
    for (int i = 0; i < platform::menuItemCount(menu); ++i) {
        platform::menuItemText(menu, i, text, sizeof text);
        if (std::string(text) == "Playlists") playlists = platform::subMenu(menu, i);
    }
    ASSERT_NE(playlists, nullptr);
    std::vector<std::string> items;
    for (int i = 0; i < platform::menuItemCount(playlists); ++i) {
        platform::menuItemText(playlists, i, text, sizeof text);
        items.push_back(text);
    }
    EXPECT_EQ(items, (std::vector<std::string>{"New Playlist", "Import Playlist", "Party", "Quiet"}));
    platform::destroyMenu(menu);
}

TEST_F(ReferenceHostTest, CatalogListsTheLibraryPlaylistsInTheTokenizersShape) {
    host.libraryPlaylists = {{"Party & Co", "plf1.m3u8", 3, 600}, {"Quiet", "plf2.m3u8", 0, 0}};
    host.writePlaylistCatalog();
    EXPECT_EQ(sim::fileContents("C:\\Program Files\\Winamp\\Plugins\\ml\\playlists.xml"),
              "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<playlists>\n"
              "<playlist filename=\"plf1.m3u8\" title=\"Party &amp; Co\" songs=\"3\" seconds=\"600\"/>\n"
              "<playlist filename=\"plf2.m3u8\" title=\"Quiet\" songs=\"0\" seconds=\"0\"/>\n"
              "</playlists>\n");
}

TEST_F(ReferenceHostTest, CatalogInUtf16HasAByteOrderMarkAndTwoBytesACharacter) {
    host.libraryPlaylists = {{"Caf\xE9", "a b.m3u", 1, 2}};
    host.writePlaylistCatalog(hostsim::ReferenceHost::CatalogEncoding::utf16);
    const std::string narrow =
        "<?xml version=\"1.0\" encoding=\"UTF-16\"?>\n<playlists>\n"
        "<playlist filename=\"a b.m3u\" title=\"Caf\xE9\" songs=\"1\" seconds=\"2\"/>\n"
        "</playlists>\n";
    std::string expected = "\xFF\xFE";
    for (char c : narrow) expected += std::string{c, '\0'};
    const std::string written = sim::fileContents("C:\\Program Files\\Winamp\\Plugins\\ml\\playlists.xml");
    EXPECT_EQ(written, expected);
    EXPECT_NE(written.find(std::string("C\0a\0f\0\xE9\0\"\0", 10)), std::string::npos);
}

// ---- the main window -------------------------------------------------------------

TEST_F(ReferenceHostTest, AddFileLoadsPlaylistFilesAndNamesPlainFiles) {
    sim::addFile("C:\\Music\\mix.M3U",
                 "#EXTM3U\r\n#EXTINF:215,Artist - Song\r\nC:\\Music\\song.mp3\r\n\r\n"
                 "# a comment\nD:\\x\\plain.ogg\n  \n#EXTINF:-1,Stream\nhttp://radio/live");
    addFile(host, "C:\\Music\\mix.M3U");
    addFile(host, "C:\\Music\\missing.m3u");
    addFile(host, "E:\\tunes\\Track.01.flac");
    addFile(host, "noextension");

    ASSERT_EQ(host.playlist.size(), 5u);
    EXPECT_EQ(host.playlist[0].path, "C:\\Music\\song.mp3");
    EXPECT_EQ(host.playlist[0].title, "Artist - Song");
    EXPECT_EQ(host.playlist[1].path, "D:\\x\\plain.ogg");
    EXPECT_EQ(host.playlist[1].title, "plain");
    EXPECT_EQ(host.playlist[2].path, "http://radio/live");
    EXPECT_EQ(host.playlist[2].title, "Stream");
    EXPECT_EQ(host.playlist[3].title, "Track.01");
    EXPECT_EQ(host.playlist[4].title, "noextension");
    EXPECT_EQ(host.requestLog.front(), "user 100 file=C:\\Music\\mix.M3U");
}

TEST_F(ReferenceHostTest, WritePlaylistLeavesAFileThatLoadsBackTheSame) {
    host.playlist = {{"C:\\a.mp3", "Alpha"}, {"C:\\b c.mp3", "Be: see"}};
    user(host, host::requestWritePlaylist);
    const std::string path = "C:\\Program Files\\Winamp\\winamp.m3u";
    EXPECT_EQ(sim::fileContents(path),
              "#EXTM3U\r\n#EXTINF:-1,Alpha\r\nC:\\a.mp3\r\n#EXTINF:-1,Be: see\r\nC:\\b c.mp3\r\n");

    ReferenceHost other;
    addFile(other, path.c_str());
    ASSERT_EQ(other.playlist.size(), 2u);
    EXPECT_EQ(other.playlist[1].path, "C:\\b c.mp3");
    EXPECT_EQ(other.playlist[1].title, "Be: see");
}

TEST_F(ReferenceHostTest, EntryTitleIsAnAddressInsideThePlaylistOrZero) {
    host.playlist = {{"C:\\a.mp3", "Alpha"}, {"C:\\b.mp3", "Beta"}};
    EXPECT_STREQ(titleAt(host, 1), "Beta");
    EXPECT_EQ(titleAt(host, 2), nullptr);
    EXPECT_EQ(titleAt(host, -1), nullptr);
    EXPECT_EQ(titleAt(host, INT32_MIN), nullptr);
    EXPECT_EQ(host.requestLog.back(), "user 212 -2147483648");
}

TEST_F(ReferenceHostTest, EqualizerSetsTheBandTheLastReadNamed) {
    host.bands[4] = 50;
    EXPECT_EQ(userNumber(host, host::requestEqualizerBand, 4), 50);
    userNumber(host, host::requestSetEqualizerBand, 7);
    EXPECT_EQ(host.bands[4], 7);
    EXPECT_EQ(userNumber(host, host::requestEqualizerBand, 9), 31);
    userNumber(host, host::requestSetEqualizerBand, -7);
    EXPECT_EQ(host.bands[9], 0);
    EXPECT_EQ(host.requestLog.back(), "user 128 -7");

    // A band outside the ten names none, so the next set changes nothing.
    EXPECT_EQ(userNumber(host, host::requestEqualizerBand, 10), 0);
    userNumber(host, host::requestSetEqualizerBand, 1);
    for (int band : host.bands) EXPECT_NE(band, 1);
}

TEST_F(ReferenceHostTest, TransportAndSettingsFollowTheButtons) {
    host.playlist = {{"a", "a"}, {"b", "b"}};
    host.lengthSeconds = 100;
    auto press = [this](platform::WParam id) { host.mainWindowMessage(platform::messageCommand, id, 0); };

    press(host::commandPause);
    EXPECT_EQ(host.playState, 0);
    press(host::commandPlay);
    EXPECT_EQ(host.playState, 1);
    press(host::commandPause);
    EXPECT_EQ(host.playState, 3);
    press(host::commandPause);
    EXPECT_EQ(host.playState, 1);
    press(host::commandNext);
    press(host::commandNext);
    EXPECT_EQ(host.current, 1);
    press(host::commandBack5s);
    EXPECT_EQ(host.positionMs, 0);
    userNumber(host, host::requestSeek, 98000);
    press(host::commandForward5s);
    EXPECT_EQ(user(host, host::requestTrackTime, 0), 100000);
    EXPECT_EQ(user(host, host::requestTrackTime, 1), 100);

    host.volume = 250;
    press(host::commandVolumeUp);
    EXPECT_EQ(host.volume, 255);
    userNumber(host, host::requestSetVolume, -5);
    EXPECT_EQ(host.volume, 0);
    EXPECT_EQ(host.requestLog.back(), "user 122 -5");

    std::int32_t sixty = 60;
    user(host, host::requestPassNumber, addressParam(&sixty));
    EXPECT_EQ(host.lastPassedNumber, 60);
    EXPECT_EQ(host.requestLog.back(), "user 1002 value=60");

    user(host, host::requestClearPlaylist);
    EXPECT_EQ(host.playState, 0);
    EXPECT_EQ(user(host, host::requestTrackTime, 0), -1);
    EXPECT_EQ(user(host, host::requestTrackTime, 1), -1);

    EXPECT_STREQ(reinterpret_cast<const char*>(user(host, host::requestIniPath)), host.iniPath.c_str());
    host.answerIniPath = false;
    EXPECT_EQ(user(host, host::requestIniPath), 1);
    EXPECT_EQ(user(host, 4242, 7), 0);
    EXPECT_EQ(host.requestLog.front(), "command 40046");
    EXPECT_EQ(host.requestLog.back(), "user 4242 7");
    EXPECT_TRUE(host.notificationLog.empty());
}

// ---- notifications to its own main window ----------------------------------------

// Stands in for the plug-in's hook: sees every message first, and on a file
// start presses stop the way the sleep timer's track mode does.
platform::WindowProcedure previousProcedure = nullptr;
std::vector<std::string> hookSaw;
platform::LResult PLATFORM_CALLBACK testHook(platform::WindowHandle window, unsigned int message,
                                             platform::WParam wParam, platform::LParam lParam) {
    if (message == platform::messageUser) {
        hookSaw.push_back(std::to_string(lParam) + " " + std::to_string(wParam));
        if (lParam == host::notifyFileStarted) {
            platform::sendMessage(window, platform::messageCommand, host::commandStop, 0);
        }
    }
    return platform::callWindowProcedure(previousProcedure, window, message, wParam, lParam);
}

TEST_F(ReferenceHostTest, OwnNotificationsPassTheHookAndStayOutOfTheRequestLog) {
    host.playlist = {{"a", "a"}, {"b", "b"}};
    hookSaw.clear();
    ReferenceHost* h = &host;
    sim::runOnUiThread([h] {
        platform::WindowHandle main = sim::createWindow(
            [h](unsigned int m, platform::WParam w, platform::LParam l) { return h->mainWindowMessage(m, w, l); });
        h->attach(main, nullptr);
        previousProcedure = platform::subclassWindow(main, testHook);

        h->setVolumeAtPlayer(300);
        h->startFile(1);
        h->notifyStateChanged(2);
        h->notifyOnChange = true;
        h->mainWindowMessage(platform::messageCommand, host::commandPlay, 0);
    });

    EXPECT_EQ(host.volume, 255);
    EXPECT_EQ(host.current, 1);
    EXPECT_EQ(hookSaw,
              (std::vector<std::string>{"122 300", "3003 1", "10000 0", "10000 2", "3003 1", "10000 0", "10000 0"}));
    EXPECT_EQ(host.notificationLog,
              (std::vector<std::string>{"user 122 300", "user 3003 1", "user 10000 0", "user 10000 2", "user 3003 1",
                                        "user 10000 0", "user 10000 0"}));
    // The stops pressed inside the file starts are requests; the play went
    // straight to the model.
    EXPECT_EQ(host.requestLog, (std::vector<std::string>{"command 40047", "command 40045", "command 40047"}));
    EXPECT_EQ(host.playState, 0);
}

}  // namespace
