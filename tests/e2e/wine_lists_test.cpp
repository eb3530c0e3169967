// End-to-end: browsing, paging and playing the media library (commands 30 to
// 54) with the release's 32-bit DLL in the 32-bit test host under Wine, the test host
// holding a library the scenarios know: a library file written here, or a
// generated one.
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "hostsim/library_generator.h"
#include "tests/e2e/wine_fixture.h"

namespace {

using e2e::joined;
using e2e::Lines;

const std::string iniOnCom7 = "[Quillon Bluetooth remote control]\nportName=COM7\n";
const char* const libraryWindowsPath = "C:\\quillon\\library.txt";

// Thirteen tracks with the awkward cases: upper and lower case, a byte above
// 127, quotation marks and " & " in values, empty and absent (\N) fields.
const std::string smallLibrary =
    "# FILE|TITLE|ALBUM|ARTIST|GENRE\n"
    "C:\\Music\\waterloo.mp3|Waterloo|Waterloo|ABBA|Pop\n"
    "C:\\Music\\sos.mp3|SOS|Greatest Hits|ABBA|Pop\n"
    "C:\\Music\\dancing.mp3|Dancing Queen|Arrival|ABBA|Disco\n"
    "C:\\Music\\money.mp3|Money, Money, Money|Arrival|ABBA|Pop\n"
    "C:\\Music\\silence.mp3|The Sound of Silence|Sounds of Silence|Simon & Garfunkel|Folk\n"
    "C:\\Music\\robinson.mp3|Mrs. Robinson|Bookends|Simon & Garfunkel|Folk\n"
    "C:\\Music\\hidden.mp3||Bookends|Simon & Garfunkel|Folk\n"
    "C:\\Music\\aardvark.mp3|aardvark|zoo|alpha band|Pop\n"
    "C:\\Music\\demo1.mp3|Demo One||Garage Kid|Rock\n"
    "C:\\Music\\demo2.mp3|Demo Two|\\N|Garage Kid|\\N\n"
    "C:\\Music\\quote.mp3|Say \"Hi\"|Quotes & Co|Quote \"Q\" Band|Pop\n"
    "C:\\Music\\untitled.mp3|\\N|Arrival|ABBA|Disco\n"
    "C:\\Music\\piaf.mp3|La Vie en rose|Chansons|\xC9"
    "dith Piaf|Chanson\n";
const std::string piaf =
    "\xC9"
    "dith Piaf";

// "Song 000" to "Song 119" on song000.mp3 to song119.mp3, written out of
// order (every seventh), so that only the sort puts them in place.
constexpr int songCount = 120;
std::string song(int k) {
    char text[16];
    std::snprintf(text, sizeof text, "Song %03d", k);
    return text;
}
std::string songFile(int k) {
    char text[32];
    std::snprintf(text, sizeof text, "C:\\Music\\song%03d.mp3", k);
    return text;
}
std::string songLibrary() {
    std::string text;
    for (int i = 0; i < songCount; ++i) {
        int k = i * 7 % songCount;
        text += songFile(k) + "|" + song(k) + "|Songs|Singer|Pop\n";
    }
    return text;
}
// The title lines of songs first to last.
Lines songItems(int first, int last) {
    Lines lines;
    for (int k = first; k <= last; ++k) lines.push_back("PZ" + song(k));
    return lines;
}

std::string play(int enqueue, const Lines& files) {
    std::string line = "library play enqueue=" + std::to_string(enqueue) + " ";
    for (std::size_t i = 0; i < files.size(); ++i) line += (i > 0 ? "|" : "") + files[i];
    return line;
}

// What a browse list or a selection asks of the library before it sends.
Lines runs(const std::string& query) { return {"library release", "library run " + query}; }

class WineLists : public e2e::WineScenario {
protected:
    // Starts the plug-in on COM7 with the test host's library options and
    // waits until init has returned 0.
    void startWith(const std::vector<std::string>& hostOptions, const std::string& libraryLine) {
        ASSERT_TRUE(host.start(iniOnCom7, "com7", hostOptions));
        ASSERT_EQ(libraryLine, host.waitFor("library ", 60000)) << host.transcript();
        ASSERT_EQ("init 0", host.waitFor("init ", 60000)) << host.transcript();
        host.requestLog();  // start-up requests are not what the scenarios look at
    }

    void startWithLibraryFile(const std::string& text, int records) {
        std::ofstream(e2e::winePaths().prefix + "/drive_c/quillon/library.txt", std::ios::binary | std::ios::trunc)
            << text;
        startWith({"--library-file", libraryWindowsPath}, "library " + std::to_string(records) + " records");
    }
};

// ---- the browse lists -----------------------------------------------------------

TEST_F(WineLists, NameAndTitleListsSendEveryValueOnceInByteOrder) {
    startWithLibraryFile(smallLibrary, 13);

    // Upper case before lower case, a byte above 127 after both; one item per
    // run of equal names; the records without the field are not asked for.
    EXPECT_EQ((Lines{"PA", "PVABBA", "PVGarage Kid", "PVQuote \"Q\" Band", "PVSimon & Garfunkel", "PValpha band",
                     "PV" + piaf}),
              ask("31", 7));
    EXPECT_EQ(runs("artist != \"\" & !artist isempty"), host.requestLog());

    // 30 ends the artists list and is carried out.
    EXPECT_EQ((Lines{"PA", "PWArrival", "PWBookends", "PWChansons", "PWGreatest Hits", "PWQuotes & Co",
                     "PWSounds of Silence", "PWWaterloo", "PWzoo"}),
              ask("30", 9));
    EXPECT_EQ(runs("album != \"\" & !album isempty"), host.requestLog());

    EXPECT_EQ((Lines{"PA", "PYChanson", "PYDisco", "PYFolk", "PYPop", "PYRock"}), ask("32", 6));
    EXPECT_EQ(runs("genre != \"\" & !genre isempty"), host.requestLog());

    EXPECT_EQ((Lines{"PA", "PZDancing Queen", "PZDemo One", "PZDemo Two", "PZLa Vie en rose", "PZMoney, Money, Money",
                     "PZMrs. Robinson", "PZSOS", "PZSay \"Hi\"", "PZThe Sound of Silence", "PZWaterloo", "PZaardvark"}),
              ask("39", 12));
    EXPECT_EQ(runs("title != \"\" & !title isempty"), host.requestLog());

    // An ordinary command leaves the list and is carried out.
    EXPECT_EQ(Lines{"KWinamp 22118 running!"}, ask("27", 1));
    EXPECT_EQ(Lines{"user 0 0"}, host.requestLog());
    ASSERT_TRUE(host.quit()) << host.transcript();
}

TEST_F(WineLists, TitlesOfAnArtistAlbumOrGenreKeepEmptyAndAbsentTitlesFirst) {
    startWithLibraryFile(smallLibrary, 13);

    EXPECT_EQ((Lines{"PA", "PZ", "PZMrs. Robinson", "PZThe Sound of Silence"}), ask("38 Simon & Garfunkel", 4));
    EXPECT_EQ(runs("artist == \"Simon & Garfunkel\""), host.requestLog());

    EXPECT_EQ((Lines{"PA", "PZ", "PZDancing Queen", "PZMoney, Money, Money"}), ask("33 Arrival", 4));
    EXPECT_EQ(runs("album == \"Arrival\""), host.requestLog());

    EXPECT_EQ((Lines{"PA", "PZ", "PZDancing Queen"}), ask("37 Disco", 3));
    EXPECT_EQ(runs("genre == \"Disco\""), host.requestLog());

    // The name goes into the query as it came, quotation marks and all.
    EXPECT_EQ((Lines{"PA", "PZSay \"Hi\""}), ask("38 Quote \"Q\" Band", 2));
    EXPECT_EQ(runs("artist == \"Quote \"Q\" Band\""), host.requestLog());

    // Nothing found: the header alone, and the next command is no page turn.
    EXPECT_EQ(Lines{"PA"}, ask("38 Nobody", 1));
    EXPECT_EQ(runs("artist == \"Nobody\""), host.requestLog());
    EXPECT_EQ(Lines{"KWinamp 22118 running!"}, ask("27", 1));
    ASSERT_TRUE(host.quit()) << host.transcript();
}

TEST_F(WineLists, AlbumsOfAnArtistOrGenreRememberItForTheirTitlesAndSelections) {
    startWithLibraryFile(smallLibrary, 13);

    EXPECT_EQ((Lines{"PA", "PZAll Tracks", "PWArrival", "PWGreatest Hits", "PWWaterloo"}), ask("34 ABBA", 5));
    EXPECT_EQ(runs("artist == \"ABBA\" & album != \"\" & !album isempty"), host.requestLog());
    // Selections inside the list: an album of that artist, played or enqueued
    // in title order; the list stays and sends nothing.
    EXPECT_EQ(Lines{}, ask("45 Arrival", 0));
    EXPECT_EQ(joined({runs("artist == \"ABBA\" & album == \"Arrival\""),
                      {play(0, {"C:\\Music\\untitled.mp3", "C:\\Music\\dancing.mp3", "C:\\Music\\money.mp3"})}}),
              host.requestLog());
    EXPECT_EQ(Lines{}, ask("50 Greatest Hits", 0));
    EXPECT_EQ(joined({runs("artist == \"ABBA\" & album == \"Greatest Hits\""), {play(1, {"C:\\Music\\sos.mp3"})}}),
              host.requestLog());

    // The titles of an album of the remembered artist, and its selections.
    EXPECT_EQ((Lines{"PA", "PZ", "PZDancing Queen", "PZMoney, Money, Money"}), ask("43 Arrival", 4));
    EXPECT_EQ(runs("artist == \"ABBA\" & album == \"Arrival\""), host.requestLog());
    EXPECT_EQ(Lines{}, ask("50 Waterloo", 0));
    EXPECT_EQ(joined({runs("artist == \"ABBA\" & album == \"Waterloo\""), {play(1, {"C:\\Music\\waterloo.mp3"})}}),
              host.requestLog());

    EXPECT_EQ((Lines{"PA", "PZAll Tracks", "PWBookends", "PWSounds of Silence"}), ask("35 Folk", 4));
    EXPECT_EQ(runs("genre == \"Folk\" & album != \"\" & !album isempty"), host.requestLog());
    EXPECT_EQ(Lines{}, ask("46 Bookends", 0));
    const std::string bookends = "genre == \"Folk\" & album == \"Bookends\"";
    const Lines bookendsFiles = {"C:\\Music\\hidden.mp3", "C:\\Music\\robinson.mp3"};
    EXPECT_EQ(joined({runs(bookends), {play(0, bookendsFiles)}}), host.requestLog());
    // Here 47 enqueues the chosen album of the genre, not a whole genre.
    EXPECT_EQ(Lines{}, ask("47 Bookends", 0));
    EXPECT_EQ(joined({runs(bookends), {play(1, bookendsFiles)}}), host.requestLog());
    // 51 is not this list's: it ends the list and then enqueues the album.
    EXPECT_EQ(Lines{}, ask("51 Sounds of Silence", 0));
    EXPECT_EQ(
        joined({runs("genre == \"Folk\" & album == \"Sounds of Silence\""), {play(1, {"C:\\Music\\silence.mp3"})}}),
        host.requestLog());

    EXPECT_EQ((Lines{"PA", "PZ", "PZMrs. Robinson"}), ask("44 Bookends", 3));
    EXPECT_EQ(runs(bookends), host.requestLog());
    EXPECT_EQ(Lines{}, ask("51 Bookends", 0));
    EXPECT_EQ(joined({runs(bookends), {play(1, bookendsFiles)}}), host.requestLog());
    EXPECT_EQ(Lines{}, ask("46 Bookends", 0));
    EXPECT_EQ(joined({runs(bookends), {play(0, bookendsFiles)}}), host.requestLog());

    // An artist whose tracks have no album: the header and All Tracks, no
    // wait, so the next line is an ordinary command.
    host.phoneWrite("34 Garage Kid\n27\n");
    EXPECT_EQ((Lines{"PA", "PZAll Tracks", "KWinamp 22118 running!"}), collect(3));
    EXPECT_EQ((joined({runs("artist == \"Garage Kid\" & album != \"\" & !album isempty"), {"user 0 0"}})),
              host.requestLog());
    // 43 takes the artist of the latest 34, which found nothing.
    EXPECT_EQ(Lines{"PA"}, ask("43 Arrival", 1));
    EXPECT_EQ(runs("artist == \"Garage Kid\" & album == \"Arrival\""), host.requestLog());

    // A byte above 127 goes through both ways unchanged.
    EXPECT_EQ((Lines{"PA", "PZAll Tracks", "PWChansons"}), ask("34 " + piaf, 3));
    EXPECT_EQ(runs("artist == \"" + piaf + "\" & album != \"\" & !album isempty"), host.requestLog());
    ASSERT_TRUE(host.quit()) << host.transcript();
}

// ---- selections outside a list ---------------------------------------------------

TEST_F(WineLists, PlayAndEnqueueHandTheHostTheTracksInTitleOrder) {
    startWithLibraryFile(smallLibrary, 13);

    EXPECT_EQ(Lines{}, ask("41 ABBA", 0));
    EXPECT_EQ(joined({runs("artist == \"ABBA\""),
                      {play(0, {"C:\\Music\\untitled.mp3", "C:\\Music\\dancing.mp3", "C:\\Music\\money.mp3",
                                "C:\\Music\\sos.mp3", "C:\\Music\\waterloo.mp3"})}}),
              host.requestLog());
    EXPECT_EQ("1", host.stateField("play"));
    EXPECT_EQ("untitled|Dancing Queen|Money, Money, Money|SOS|Waterloo", host.stateField("playlist"));

    EXPECT_EQ(Lines{}, ask("42 Arrival", 0));
    EXPECT_EQ(joined({runs("album == \"Arrival\""),
                      {play(0, {"C:\\Music\\untitled.mp3", "C:\\Music\\dancing.mp3", "C:\\Music\\money.mp3"})}}),
              host.requestLog());
    EXPECT_EQ(Lines{}, ask("40 Folk", 0));
    EXPECT_EQ(joined({runs("genre == \"Folk\""),
                      {play(0, {"C:\\Music\\hidden.mp3", "C:\\Music\\robinson.mp3", "C:\\Music\\silence.mp3"})}}),
              host.requestLog());
    EXPECT_EQ("|Mrs. Robinson|The Sound of Silence", host.stateField("playlist"));

    EXPECT_EQ(Lines{}, ask("47 Pop", 0));
    EXPECT_EQ(joined({runs("genre == \"Pop\""),
                      {play(1, {"C:\\Music\\money.mp3", "C:\\Music\\sos.mp3", "C:\\Music\\quote.mp3",
                                "C:\\Music\\waterloo.mp3", "C:\\Music\\aardvark.mp3"})}}),
              host.requestLog());
    EXPECT_EQ(Lines{}, ask("48 Simon & Garfunkel", 0));
    EXPECT_EQ(joined({runs("artist == \"Simon & Garfunkel\""),
                      {play(1, {"C:\\Music\\hidden.mp3", "C:\\Music\\robinson.mp3", "C:\\Music\\silence.mp3"})}}),
              host.requestLog());
    EXPECT_EQ(Lines{}, ask("49 Waterloo", 0));
    EXPECT_EQ(joined({runs("album == \"Waterloo\""), {play(1, {"C:\\Music\\waterloo.mp3"})}}), host.requestLog());
    EXPECT_EQ(
        "|Mrs. Robinson|The Sound of Silence|Money, Money, Money|SOS|Say \"Hi\"|Waterloo|aardvark||Mrs. Robinson|The "
        "Sound of Silence|Waterloo",
        host.stateField("playlist"));

    // The albums of the remembered artist and genre, once their lists are left.
    host.phoneWrite("34 ABBA\n35 Pop\n27\n");
    EXPECT_EQ(13u, collect(5 + 7 + 1).size());
    host.requestLog();
    EXPECT_EQ(Lines{}, ask("45 Waterloo", 0));
    EXPECT_EQ(joined({runs("artist == \"ABBA\" & album == \"Waterloo\""), {play(0, {"C:\\Music\\waterloo.mp3"})}}),
              host.requestLog());
    EXPECT_EQ(Lines{}, ask("46 Greatest Hits", 0));
    EXPECT_EQ(joined({runs("genre == \"Pop\" & album == \"Greatest Hits\""), {play(0, {"C:\\Music\\sos.mp3"})}}),
              host.requestLog());
    EXPECT_EQ(Lines{}, ask("50 Arrival", 0));
    EXPECT_EQ(joined({runs("artist == \"ABBA\" & album == \"Arrival\""),
                      {play(1, {"C:\\Music\\untitled.mp3", "C:\\Music\\dancing.mp3", "C:\\Music\\money.mp3"})}}),
              host.requestLog());

    // Nothing found: nothing is handed to the player.
    EXPECT_EQ(Lines{}, ask("41 Nobody", 0));
    EXPECT_EQ(runs("artist == \"Nobody\""), host.requestLog());
    EXPECT_EQ("SOS|untitled|Dancing Queen|Money, Money, Money", host.stateField("playlist"));
    ASSERT_TRUE(host.quit()) << host.transcript();
}

TEST_F(WineLists, TitleByIndexPicksFromTheLastBrowseResults) {
    startWithLibraryFile(smallLibrary, 13);

    // No browse list yet: nothing to pick from.
    EXPECT_EQ(Lines{}, ask("36 0", 0));
    EXPECT_EQ(Lines{}, host.requestLog());

    EXPECT_EQ(12u, ask("39", 12).size());
    host.requestLog();
    EXPECT_EQ(Lines{}, ask("36 4", 0));
    EXPECT_EQ((Lines{"user 101 0", "user 100 file=C:\\Music\\money.mp3", "user 102 0"}), host.requestLog());
    EXPECT_EQ(Lines{}, ask("52 10", 0));
    EXPECT_EQ(Lines{"user 100 file=C:\\Music\\aardvark.mp3"}, host.requestLog());

    // In the titles of an album 36 and 52 end the list, then pick from its
    // results, in its title order.
    EXPECT_EQ(4u, ask("33 Arrival", 4).size());
    host.requestLog();
    EXPECT_EQ(Lines{}, ask("36 2", 0));
    EXPECT_EQ((Lines{"user 101 0", "user 100 file=C:\\Music\\money.mp3", "user 102 0"}), host.requestLog());
    EXPECT_EQ(Lines{}, ask("52 1", 0));
    EXPECT_EQ(Lines{"user 100 file=C:\\Music\\dancing.mp3"}, host.requestLog());
    // No digits read as 0; past the end and below 0 there is no record.
    EXPECT_EQ(Lines{}, ask("36 abc", 0));
    EXPECT_EQ((Lines{"user 101 0", "user 100 file=C:\\Music\\untitled.mp3", "user 102 0"}), host.requestLog());
    host.phoneWrite("36 3\n52 3\n36 -1\n52 -1\n12\n");
    collect(0);
    EXPECT_EQ(Lines{"command 40044"}, host.requestLog());
    ASSERT_TRUE(host.quit()) << host.transcript();
}

TEST_F(WineLists, QueryThatDoesNotFitItsBufferIsNotRun) {
    startWithLibraryFile(smallLibrary, 13);
    // artist == "X" is twelve characters around X; 511 fit.
    const std::string fits(499, 'A');
    const std::string tooLong(500, 'A');
    EXPECT_EQ(Lines{"PA"}, ask("38 " + fits, 1));
    EXPECT_EQ(runs("artist == \"" + fits + "\""), host.requestLog());

    // One more: what an empty result sends, and no query.
    EXPECT_EQ(Lines{"PA"}, ask("38 " + tooLong, 1));
    for (const std::string& request : host.requestLog())
        EXPECT_NE(0u, request.rfind("library run", 0)) << request.substr(0, 40);
    EXPECT_EQ(Lines{}, ask("41 " + tooLong, 0));
    for (const std::string& request : host.requestLog()) {
        EXPECT_NE(0u, request.rfind("library run", 0)) << request.substr(0, 40);
        EXPECT_NE(0u, request.rfind("library play", 0)) << request.substr(0, 40);
    }
    ASSERT_TRUE(host.quit()) << host.transcript();
}

// ---- paging ------------------------------------------------------------------------

TEST_F(WineLists, TitlesPageForwardAndBackAndKeepTheirPageAcrossSelections) {
    startWithLibraryFile(songLibrary(), songCount);

    EXPECT_EQ(joined({{"PA"}, songItems(0, 49), {"PSNext 50"}}), ask("39", 52));
    EXPECT_EQ(runs("title != \"\" & !title isempty"), host.requestLog());
    // No page before the first.
    EXPECT_EQ(Lines{}, ask("54", 0));

    EXPECT_EQ(joined({{"PT50", "PUPrevious 50"}, songItems(50, 99), {"PSNext 20"}}), ask("53", 53));
    // A pick by index counts across pages, and the page stays.
    EXPECT_EQ(Lines{}, ask("36 75", 0));
    EXPECT_EQ((Lines{"user 101 0", "user 100 file=" + songFile(75), "user 102 0"}), host.requestLog());
    EXPECT_EQ(joined({{"PT100", "PUPrevious 50"}, songItems(100, 119)}), ask("53", 22));
    // No Next line was sent: nothing after the last record.
    EXPECT_EQ(Lines{}, ask("53", 0));

    // Back from the short last page to the page before it, then to the first.
    EXPECT_EQ(joined({{"PT50", "PUPrevious 50"}, songItems(50, 99), {"PSNext 20"}}), ask("54", 53));
    EXPECT_EQ(joined({{"PT0"}, songItems(0, 49), {"PSNext 50"}}), ask("54", 52));

    // Lines that read as 0 are taken and change nothing; a burst is taken in
    // order, the selection in the middle of it included.
    EXPECT_EQ(Lines{}, ask("0\nabc\n\n   ", 0));
    host.phoneWrite("53\n52 3\n53\n");
    EXPECT_EQ(joined({{"PT50", "PUPrevious 50"},
                      songItems(50, 99),
                      {"PSNext 20", "PT100", "PUPrevious 50"},
                      songItems(100, 119)}),
              collect(75));
    // Paging never asks the library again.
    EXPECT_EQ(Lines{"user 100 file=" + songFile(3)}, host.requestLog());

    // An ordinary command leaves the list: 53 is then nothing, and the
    // results stay to be picked from.
    EXPECT_EQ(Lines{}, ask("12", 0));
    EXPECT_EQ(Lines{"command 40044"}, host.requestLog());
    EXPECT_EQ(Lines{}, ask("53", 0));
    EXPECT_EQ(Lines{}, ask("36 119", 0));
    EXPECT_EQ((Lines{"user 101 0", "user 100 file=" + songFile(119), "user 102 0"}), host.requestLog());
    EXPECT_EQ(Lines{}, ask("36 120", 0));
    EXPECT_EQ(Lines{}, host.requestLog());
    ASSERT_TRUE(host.quit()) << host.transcript();
}

// The generated library's names, sorted byte by byte, each once.
Lines sortedNames(const std::vector<hostsim::LibraryEntry>& library, std::string hostsim::LibraryEntry::*field) {
    std::set<std::string> names;
    for (const hostsim::LibraryEntry& entry : library) names.insert(entry.*field);
    return Lines(names.begin(), names.end());
}

// The files of the entries whose `field` is `value`, in title order.
Lines filesInTitleOrder(const std::vector<hostsim::LibraryEntry>& library, std::string hostsim::LibraryEntry::*field,
                        const std::string& value) {
    std::vector<const hostsim::LibraryEntry*> chosen;
    for (const hostsim::LibraryEntry& entry : library)
        if (entry.*field == value) chosen.push_back(&entry);
    std::stable_sort(chosen.begin(), chosen.end(), [](auto* a, auto* b) { return a->title < b->title; });
    Lines files;
    for (const hostsim::LibraryEntry* entry : chosen) files.push_back(entry->fileName);
    return files;
}

Lines prefixed(const std::string& code, const Lines& names, std::size_t first, std::size_t end) {
    Lines lines;
    for (std::size_t i = first; i < end && i < names.size(); ++i) lines.push_back(code + names[i]);
    return lines;
}

TEST_F(WineLists, GeneratedLibrarysNameListsPageByRecordsNotNames) {
    // 60 albums of two tracks, one album per artist: 60 artists, 3 genres.
    startWith({"--generate-library", "120,60,60,3"}, "library 120 records");
    const std::vector<hostsim::LibraryEntry> library = hostsim::generateLibrary(120, 60, 60, 3);
    const Lines artists = sortedNames(library, &hostsim::LibraryEntry::artist);
    const Lines albums = sortedNames(library, &hostsim::LibraryEntry::album);
    const Lines genres = sortedNames(library, &hostsim::LibraryEntry::genre);
    ASSERT_EQ(60u, artists.size());
    ASSERT_EQ(60u, albums.size());
    ASSERT_EQ(3u, genres.size());

    // The 50th artist's first record is record 98; 21 records remain.
    EXPECT_EQ(joined({{"PA"}, prefixed("PV", artists, 0, 50), {"PSNext 21"}}), ask("31", 52));
    EXPECT_EQ(joined({{"PT99", "PUPrevious 50"}, prefixed("PV", artists, 50, 60)}), ask("53", 12));
    EXPECT_EQ(joined({{"PT0"}, prefixed("PV", artists, 0, 50), {"PSNext 21"}}), ask("54", 52));
    host.requestLog();
    EXPECT_EQ(Lines{}, ask("41 " + artists[7], 0));
    EXPECT_EQ(joined({runs("artist == \"" + artists[7] + "\""),
                      {play(0, filesInTitleOrder(library, &hostsim::LibraryEntry::artist, artists[7]))}}),
              host.requestLog());
    EXPECT_EQ(Lines{}, ask("48 " + artists[59], 0));
    EXPECT_EQ(joined({runs("artist == \"" + artists[59] + "\""),
                      {play(1, filesInTitleOrder(library, &hostsim::LibraryEntry::artist, artists[59]))}}),
              host.requestLog());
    // 52 is not the artists list's: it ends the list and enqueues record 14
    // of its results, a track of the eighth artist.
    EXPECT_EQ(Lines{}, ask("52 14", 0));
    Lines enqueued = host.requestLog();
    Lines eighth = filesInTitleOrder(library, &hostsim::LibraryEntry::artist, artists[7]);
    ASSERT_EQ(1u, enqueued.size());
    EXPECT_TRUE(enqueued[0] == "user 100 file=" + eighth[0] || enqueued[0] == "user 100 file=" + eighth[1])
        << enqueued[0];

    EXPECT_EQ(joined({{"PA"}, prefixed("PW", albums, 0, 50), {"PSNext 21"}}), ask("30", 52));
    EXPECT_EQ(joined({{"PT99", "PUPrevious 50"}, prefixed("PW", albums, 50, 60)}), ask("53", 12));
    host.requestLog();
    EXPECT_EQ(Lines{}, ask("49 " + albums[55], 0));
    EXPECT_EQ(joined({runs("album == \"" + albums[55] + "\""),
                      {play(1, filesInTitleOrder(library, &hostsim::LibraryEntry::album, albums[55]))}}),
              host.requestLog());

    EXPECT_EQ(joined({{"PA"}, prefixed("PY", genres, 0, 3)}), ask("32", 4));
    host.requestLog();
    EXPECT_EQ(Lines{}, ask("40 " + genres[1], 0));
    EXPECT_EQ(joined({runs("genre == \"" + genres[1] + "\""),
                      {play(0, filesInTitleOrder(library, &hostsim::LibraryEntry::genre, genres[1]))}}),
              host.requestLog());
    ASSERT_TRUE(host.quit()) << host.transcript();
}

// ASCII letters in lower case, every other byte as it is.
std::string folded(std::string text) {
    for (char& c : text)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return text;
}

// The generated library in the titles list's order.
std::vector<const hostsim::LibraryEntry*> byTitle(const std::vector<hostsim::LibraryEntry>& library) {
    std::vector<const hostsim::LibraryEntry*> sorted;
    for (const hostsim::LibraryEntry& entry : library) sorted.push_back(&entry);
    std::stable_sort(sorted.begin(), sorted.end(), [](auto* a, auto* b) { return a->title < b->title; });
    return sorted;
}

TEST_F(WineLists, SearchAndJumpOnAGeneratedLibrary) {
    startWith({"--generate-library", "3000,150,300,10"}, "library 3000 records");
    const std::vector<hostsim::LibraryEntry> library = hostsim::generateLibrary(3000, 150, 300, 10);
    const std::vector<const hostsim::LibraryEntry*> titles = byTitle(library);

    // A search for the first three letters of an artist, in upper case: the
    // titles whose title, artist or album hold them, in title order.
    const std::string word = folded(titles[0]->artist.substr(0, 3));
    std::vector<const hostsim::LibraryEntry*> matches;
    for (const hostsim::LibraryEntry* entry : titles) {
        if (folded(entry->title + "\n" + entry->artist + "\n" + entry->album).find(word) != std::string::npos)
            matches.push_back(entry);
    }
    ASSERT_GT(matches.size(), 60u);
    const auto items = [&](std::size_t first, std::size_t end) {
        Lines lines;
        for (std::size_t i = first; i < end && i < matches.size(); ++i)
            lines.push_back("PZ" + matches[i]->title + " - " + matches[i]->artist);
        return lines;
    };
    std::string upper = word;
    for (char& c : upper) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    const std::size_t left = matches.size() - 50;
    EXPECT_EQ(joined({{"PA"}, items(0, 50), {"PSNext " + std::to_string(left < 50 ? left : 50)}}),
              ask("101 " + upper, 52));
    EXPECT_EQ(runs("title != \"\" & !title isempty"), host.requestLog());
    // The second page, and the Next line if matches remain after it.
    const std::size_t after = matches.size() > 100 ? matches.size() - 100 : 0;
    const Lines next = after == 0 ? Lines{} : Lines{"PSNext " + std::to_string(after < 50 ? after : 50)};
    const Lines page = items(50, 100);
    EXPECT_EQ(joined({{"PT50", "PUPrevious 50"}, page, next}), ask("53", 2 + page.size() + next.size()));
    // The fourth match of the second page plays.
    EXPECT_EQ(Lines{}, ask("36 53", 0));
    EXPECT_EQ((Lines{"user 101 0", "user 100 file=" + matches[53]->fileName, "user 102 0"}), host.requestLog());

    // A jump in the titles list to the first title that begins with the
    // 1500th title's first three letters, in any case; 52 enqueues it.
    ASSERT_EQ(52u, ask("39", 52).size());
    host.requestLog();
    std::string prefix = folded(titles[1500]->title.substr(0, 3));
    std::size_t target = 0;
    while (folded(titles[target]->title).compare(0, prefix.size(), prefix) != 0) ++target;
    ASSERT_GT(target, 0u);
    prefix[0] = static_cast<char>(std::toupper(static_cast<unsigned char>(prefix[0])));
    const Lines jumped = ask("102 " + prefix, 53);
    ASSERT_EQ(53u, jumped.size());
    EXPECT_EQ((Lines{"PT" + std::to_string(target), "PUPrevious 50", "PZ" + titles[target]->title}),
              Lines(jumped.begin(), jumped.begin() + 3));
    EXPECT_EQ("PSNext 50", jumped.back());
    EXPECT_EQ(Lines{}, ask("52 " + std::to_string(target), 0));
    EXPECT_EQ((Lines{"user 100 file=" + titles[target]->fileName}), host.requestLog());
    EXPECT_EQ(Lines{}, host.requestLog());
    ASSERT_TRUE(host.quit()) << host.transcript();
}

// The prefix's code page as Wine keeps it in the registry: the ACP value of
// the Nls key, from an export (UTF-16, read here by its ASCII bytes alone).
std::string prefixCodePage() {
    const std::string file = "C:\\quillon\\codepage.reg";
    if (e2e::runWineProgram({"reg", "export", "HKLM\\System\\CurrentControlSet\\Control\\Nls\\CodePage", file, "/y"},
                            60000) != 0)
        return "(reg export failed)";
    std::string text;
    for (char c : e2e::readTextFile(e2e::linuxPath(file)))
        if (c != '\0') text += c;
    const std::size_t at = text.find("\"ACP\"=\"");
    return at == std::string::npos ? "(no ACP)" : text.substr(at + 7, text.find('"', at + 7) - at - 7);
}

// The searches of a user of Windows-1252 through the table the win32 backend
// builds from the system's own conversion (in octal: Ü 334, ü 374, ß 337,
// é 351, É 311).
TEST_F(WineLists, SearchFoldsAsThePrefixsCodePageAnd104SaysWhichItIs) {
    const std::string codePage = prefixCodePage();
    startWithLibraryFile(
        "C:\\Music\\f.mp3|\334ber den Flu\337|Fl\374sse|Sage|Folk\n"
        "C:\\Music\\c.mp3|Caf\351|x|Trio|Jazz\n"
        "C:\\Music\\s.mp3|Stra\337e|y|Band|Pop\n",
        3);
    EXPECT_EQ(Lines{"C" + codePage}, ask("104", 1));
    ASSERT_EQ("1252", codePage) << "the searches below are written in Windows-1252";
    EXPECT_EQ((Lines{"PA", "PZ\334ber den Flu\337 - Sage"}), ask("101 \374ber", 2));
    EXPECT_EQ((Lines{"PA", "PZCaf\351 - Trio"}), ask("101 CAF\311", 2));
    EXPECT_EQ((Lines{"PA", "PZCaf\351 - Trio"}), ask("101 cafe", 2));
    EXPECT_EQ((Lines{"PA", "PZStra\337e - Band"}), ask("101 strasse", 2));
    // Inside the list 104 ends it and is answered.
    EXPECT_EQ(Lines{"C1252"}, ask("104", 1));
    EXPECT_EQ(Lines{}, ask("102 S", 0));
    ASSERT_TRUE(host.quit()) << host.transcript();
}

// A Japanese Windows (Wine takes the locale from LC_ALL): Shift-JIS, whose
// ア is 83 41 and ャ 83 83, each second byte one that ASCII also has. The win32
// backend finds the lead bytes itself; nothing folds or matches inside them.
TEST_F(WineLists, ADoubleByteCodePageMatchesNothingInsideACharacter) {
    setenv("LC_ALL", "ja_JP.UTF-8", 1);
    startWithLibraryFile("C:\\Music\\a.mp3|\x83\x41|x|Duo|Pop\nC:\\Music\\y.mp3|\x83\x83\x41|x|Duo|Pop\n", 2);
    unsetenv("LC_ALL");
    EXPECT_EQ(Lines{"C932"}, ask("104", 1));
    EXPECT_EQ((Lines{"PA", "PZ\x83\x83\x41 - Duo"}), ask("101 a", 2));
    EXPECT_EQ((Lines{"PA", "PZ\x83\x41 - Duo"}), ask("101 \x83\x41", 2));
    EXPECT_EQ(Lines{"PA"}, ask("101 \x83\x61", 1));
    ASSERT_TRUE(host.quit()) << host.transcript();
}

TEST_F(WineLists, QuitWhileAListWaitsEndsTheListAndTheConversation) {
    startWithLibraryFile(songLibrary(), songCount);
    EXPECT_EQ(52u, ask("39", 52).size());
    ASSERT_TRUE(host.quit()) << host.transcript();
    EXPECT_EQ(Lines{"X"}, host.phoneReplies(1500));
    // Quit gives the worker five seconds; a list that kept waiting would use
    // them all.
    const long took = e2e::quitTookMs(host.transcript());
    ASSERT_GE(took, 0) << host.transcript();
    EXPECT_LT(took, 4500) << host.transcript();
}

}  // namespace

int main(int argc, char** argv) {
    testing::InitGoogleTest(&argc, argv);
    testing::AddGlobalTestEnvironment(new e2e::PrefixEnvironment);
    return RUN_ALL_TESTS();
}
