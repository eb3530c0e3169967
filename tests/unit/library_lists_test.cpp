// The media-library lists and selections as the phone meets them: the query
// texts the host receives, the lines the phone receives, paging, and what the
// host is asked to play, through the worker and the reference host.

#include <algorithm>

#include "code_pages.h"
#include "conversation.h"

namespace {

using Lines = std::vector<std::string>;
using Requests = std::vector<std::string>;

hostsim::LibraryEntry track(const std::string& artist, const std::string& album, const std::string& genre,
                            const std::string& title) {
    hostsim::LibraryEntry entry;
    entry.fileName = "C:\\m\\" + artist + "\\" + title + ".mp3";
    entry.title = title;
    entry.album = album;
    entry.artist = artist;
    entry.genre = genre;
    return entry;
}

std::string numberedText(const char* stem, int i) {
    char text[32];
    std::snprintf(text, sizeof text, "%s%03d", stem, i);
    return text;
}

// Lines "<codes><stem>NNN" for NNN in [first, last).
Lines numberedItems(const char* codes, const char* stem, int first, int last) {
    Lines lines;
    for (int i = first; i < last; ++i) lines.push_back(codes + numberedText(stem, i));
    return lines;
}

class LibraryListTest : public ConversationTest {
protected:
    void startWith(std::vector<hostsim::LibraryEntry> library) {
        onUi([&] { host->library = std::move(library); });
        start();
        clearRequests();
    }

    // Titles t000..t(count-1) of album "Long" by "Band", given to the host in
    // reverse, so that only sorting puts them in order.
    static std::vector<hostsim::LibraryEntry> numberedTitles(int count) {
        std::vector<hostsim::LibraryEntry> library;
        for (int i = count - 1; i >= 0; --i) library.push_back(track("Band", "Long", "Rock", numberedText("t", i)));
        return library;
    }

    // The host's log once `count` requests have come in.
    Requests requestsOnce(std::size_t count) {
        EXPECT_TRUE(waitForRequests(count));
        return requests();
    }
};

TEST_F(LibraryListTest, EveryListAndSelectionSendsItsQueryTextExactly) {
    startWith({});
    // Nothing matches, so each list ends after its header and each selection
    // after its query. 43 and 44 use the artist and genre of the latest 34 and
    // 35, which found nothing.
    const Lines replies =
        sendThenSync({"31",     "30",      "32",      "39",      "34 Abba", "35 Pop",          "38 Abba", "33 Gold",
                      "37 Pop", "43 Gold", "44 Hits", "41 Abba", "42 Gold", "40 Pop",          "45 Gold", "46 Hits",
                      "47 Pop", "48 Abba", "49 Gold", "50 Gold", "51 Hits", "38 A \"B\" & C ", "34 "});
    EXPECT_EQ(joined(replies), joined({"PA", "PA", "PA", "PA", "PA", "PZAll Tracks", "PA", "PZAll Tracks", "PA", "PA",
                                       "PA", "PA", "PA", "PA", "PA", "PZAll Tracks"}));
    const std::string run = "library run ";
    EXPECT_EQ(joined(requests()),
              joined({"library release", run + "artist != \"\" & !artist isempty", "library release",
                      run + "album != \"\" & !album isempty", "library release", run + "genre != \"\" & !genre isempty",
                      "library release", run + "title != \"\" & !title isempty", "library release",
                      run + "artist == \"Abba\" & album != \"\" & !album isempty", "library release",
                      run + "genre == \"Pop\" & album != \"\" & !album isempty", "library release",
                      run + "artist == \"Abba\"", "library release", run + "album == \"Gold\"", "library release",
                      run + "genre == \"Pop\"", "library release", run + "artist == \"Abba\" & album == \"Gold\"",
                      "library release", run + "genre == \"Pop\" & album == \"Hits\"", "library release",
                      run + "artist == \"Abba\"", "library release", run + "album == \"Gold\"", "library release",
                      run + "genre == \"Pop\"", "library release", run + "artist == \"Abba\" & album == \"Gold\"",
                      "library release", run + "genre == \"Pop\" & album == \"Hits\"", "library release",
                      run + "genre == \"Pop\"", "library release", run + "artist == \"Abba\"", "library release",
                      run + "album == \"Gold\"", "library release", run + "artist == \"Abba\" & album == \"Gold\"",
                      "library release", run + "genre == \"Pop\" & album == \"Hits\"",
                      // Values go in unchanged, quotes, blanks and all.
                      "library release", run + "artist == \"A \"B\" & C \"", "library release",
                      run + "artist == \"\" & album != \"\" & !album isempty"}));
}

TEST_F(LibraryListTest, QueryTextsThatDoNotFitAreRefusedAndRunNoQuery) {
    startWith({track("Band", "Long", "Rock", "One")});
    // `artist == "X"` holds 12 characters besides X: 499 fill the 511 a query
    // may hold, 500 do not.
    const std::string fits(499, 'n');
    const std::string tooLong(500, 'n');
    EXPECT_EQ(sendThenSync({"38 " + fits, "38 " + tooLong, "41 " + tooLong, "48 " + tooLong}), (Lines{"PA", "PA"}));
    EXPECT_EQ(requests(), (Requests{"library release", "library run artist == \"" + fits + "\"", "library release"}));

    // A 34 whose query does not fit still remembers an artist that fits.
    clearRequests();
    const std::string name(480, 'a');
    EXPECT_EQ(sendThenSync({"34 " + name, "45 G"}), (Lines{"PA", "PZAll Tracks"}));
    EXPECT_EQ(requests(), (Requests{"library release", "library release",
                                    "library run artist == \"" + name + "\" & album == \"G\""}));
    EXPECT_EQ(std::string(pluginContext->browse.selectedArtist), name);

    // An artist or genre that does not fit is refused and remembered as empty.
    clearRequests();
    EXPECT_EQ(sendThenSync({"35 Pop", "35 " + std::string(511, 'g')}),
              (Lines{"PA", "PZAll Tracks", "PA", "PZAll Tracks"}));
    EXPECT_EQ(std::string(pluginContext->browse.selectedGenre), std::string(511, 'g'));
    EXPECT_EQ(sendThenSync({"34 " + std::string(512, 'a'), "35 " + std::string(512, 'g'), "43 Gold", "44 Hits"}),
              (Lines{"PA", "PZAll Tracks", "PA", "PZAll Tracks", "PA", "PA"}));
    EXPECT_EQ(std::string(pluginContext->browse.selectedArtist), "");
    EXPECT_EQ(std::string(pluginContext->browse.selectedGenre), "");
    const Requests log = requests();
    ASSERT_GE(log.size(), 3u);
    EXPECT_EQ(Requests(log.end() - 3, log.end()),
              (Requests{"library run artist == \"\" & album == \"Gold\"", "library release",
                        "library run genre == \"\" & album == \"Hits\""}));
}

TEST_F(LibraryListTest, ItemsAreSortedByUnsignedBytesWithUpperCaseFirst) {
    std::vector<hostsim::LibraryEntry> library;
    for (const char* artist : {"abba", "Bj\xc3\xb6rk", "ABBA", "Zappa",
                               "\xc3\x89"
                               "dith"}) {
        for (int i = 0; i < 40; ++i) library.push_back(track(artist, "Album", "Genre", numberedText("t", i)));
    }
    startWith(library);
    // 200 tracks by five artists: one item each and no Next line.
    EXPECT_EQ(exchange("31", 6), (Lines{"PA", "PVABBA", "PVBj\xc3\xb6rk", "PVZappa", "PVabba",
                                        "PV\xc3\x89"
                                        "dith"}));
    EXPECT_TRUE(sendThenSync({}).empty());
}

TEST_F(LibraryListTest, TitlesOfAnAlbumShowEmptyAndMissingTitlesAsEmptyItems) {
    hostsim::LibraryEntry missing = track("Band", "Gold", "Rock", "");
    missing.titleAbsent = true;
    startWith({track("Band", "Gold", "Rock", "b"), missing, track("Band", "Gold", "Rock", ""),
               track("Band", "Gold", "Rock", "A"), track("Band", "Other", "Rock", "c")});
    EXPECT_EQ(exchange("33 Gold", 5), (Lines{"PA", "PZ", "PZ", "PZA", "PZb"}));
    // The order stays for the selection by index: 36 3 plays "b".
    EXPECT_TRUE(sendThenSync({"36 3"}).empty());
    EXPECT_EQ(requests(), (Requests{"library release", "library run album == \"Gold\"", "user 101 0",
                                    "user 100 file=C:\\m\\Band\\b.mp3", "user 102 0"}));
}

TEST_F(LibraryListTest, LongItemTextsAreCutToTheListsLine) {
    startWith({track(std::string(600, 'x'), "Album", "Genre", "t")});
    EXPECT_EQ(exchange("31", 2), (Lines{"PA", "PV" + std::string(509, 'x')}));
}

TEST_F(LibraryListTest, ArtistPagesCountRecordsAndSkipRepeats) {
    // 60 artists with three tracks each: the first page ends at the 50th
    // artist's first record (record 147), and 32 records remain.
    std::vector<hostsim::LibraryEntry> library;
    for (int i = 59; i >= 0; --i) {
        for (int t = 0; t < 3; ++t)
            library.push_back(track(numberedText("a", i), "Album", "Genre", numberedText("t", t)));
    }
    startWith(library);
    const Lines first = numberedItems("PV", "a", 0, 50);
    EXPECT_EQ(joined(exchange("31", 52)), joined(Lines{"PA"} + first + Lines{"PSNext 32"}));
    EXPECT_EQ(joined(exchange("53", 12)), joined(Lines{"PT148", "PUPrevious 50"} + numberedItems("PV", "a", 50, 60)));
    EXPECT_EQ(joined(exchange("54", 52)), joined(Lines{"PT0"} + first + Lines{"PSNext 32"}));
    EXPECT_TRUE(sendThenSync({}).empty());
    // Paging reads the records held: one query for the whole list.
    EXPECT_EQ(requests(), (Requests{"library release", "library run artist != \"\" & !artist isempty"}));
}

TEST_F(LibraryListTest, SelectionsInsideAListLeaveThePageWhereItWas) {
    startWith(numberedTitles(120));
    exchange("39", 52);
    EXPECT_EQ(exchange("53", 53).back(), "PSNext 20");
    clearRequests();
    // 36 plays the record at that index of the whole list, 52 enqueues it.
    phone.send("36 60\n52 119\n");
    EXPECT_EQ(requestsOnce(4), (Requests{"user 101 0", "user 100 file=C:\\m\\Band\\t060.mp3", "user 102 0",
                                         "user 100 file=C:\\m\\Band\\t119.mp3"}));
    EXPECT_EQ(joined(exchange("53", 22)), joined(Lines{"PT100", "PUPrevious 50"} + numberedItems("PZ", "t", 100, 120)));
    EXPECT_TRUE(sendThenSync({}).empty());
}

TEST_F(LibraryListTest, SelectionsPlayOrEnqueueEveryTrackInTitleOrder) {
    startWith({track("Abba", "Gold", "Pop", "b"), track("Abba", "Arrival", "Pop", "C"),
               track("Other", "Gold", "Pop", "x"), track("Abba", "Gold", "Pop", "a")});
    EXPECT_EQ(exchange("31", 3), (Lines{"PA", "PVAbba", "PVOther"}));
    clearRequests();
    // Inside the artists list: 48 enqueues all of an artist's albums in one
    // title-ordered run, and the list goes on waiting.
    phone.send("48 Abba\n");
    EXPECT_EQ(requestsOnce(3),
              (Requests{"library release", "library run artist == \"Abba\"",
                        "library play enqueue=1 C:\\m\\Abba\\C.mp3|C:\\m\\Abba\\a.mp3|C:\\m\\Abba\\b.mp3"}));
    // An artist without tracks has the host play nothing; 42 is not the
    // artists list's, so it ends the list and plays the album at top level.
    clearRequests();
    EXPECT_TRUE(sendThenSync({"41 Nobody", "42 Gold"}).empty());
    EXPECT_EQ(requests(),
              (Requests{"library release", "library run artist == \"Nobody\"", "library release",
                        "library run album == \"Gold\"",
                        "library play enqueue=0 C:\\m\\Abba\\a.mp3|C:\\m\\Abba\\b.mp3|C:\\m\\Other\\x.mp3"}));
    onUi([&] { EXPECT_EQ(host->playlist.size(), 3u); });
}

TEST_F(LibraryListTest, ASelectionHandsOverEveryRecordInTitleOrderWhateverCapacityTheHostReports) {
    onUi([&] { host->reportedCapacity = 1; });
    startWith(
        {track("Abba", "Gold", "Pop", "c"), track("Abba", "Gold", "Pop", "b"), track("Abba", "Gold", "Pop", "a")});
    EXPECT_TRUE(sendThenSync({"42 Gold"}).empty());
    EXPECT_EQ(requests().back(), "library play enqueue=0 C:\\m\\Abba\\a.mp3|C:\\m\\Abba\\b.mp3|C:\\m\\Abba\\c.mp3");
}

TEST_F(LibraryListTest, FortySevenInTheAlbumsOfAGenreEnqueuesThatAlbum) {
    startWith({track("Abba", "Gold", "Pop", "b"), track("Abba", "Gold", "Pop", "a"),
               track("Other", "Gold", "Rock", "x"), track("Abba", "Hits", "Pop", "h")});
    EXPECT_EQ(exchange("35 Pop", 4), (Lines{"PA", "PZAll Tracks", "PWGold", "PWHits"}));
    clearRequests();
    phone.send("47 Gold\n46 Hits\n");
    EXPECT_EQ(requestsOnce(6), (Requests{"library release", "library run genre == \"Pop\" & album == \"Gold\"",
                                         "library play enqueue=1 C:\\m\\Abba\\a.mp3|C:\\m\\Abba\\b.mp3",
                                         "library release", "library run genre == \"Pop\" & album == \"Hits\"",
                                         "library play enqueue=0 C:\\m\\Abba\\h.mp3"}));
    // 51 is not the list's: it ends the list and runs once at top level; 47
    // there enqueues the whole genre.
    clearRequests();
    EXPECT_TRUE(sendThenSync({"51 Gold", "47 Pop"}).empty());
    EXPECT_EQ(requests(),
              (Requests{"library release", "library run genre == \"Pop\" & album == \"Gold\"",
                        "library play enqueue=1 C:\\m\\Abba\\a.mp3|C:\\m\\Abba\\b.mp3", "library release",
                        "library run genre == \"Pop\"",
                        "library play enqueue=1 C:\\m\\Abba\\a.mp3|C:\\m\\Abba\\b.mp3|C:\\m\\Abba\\h.mp3"}));
}

TEST_F(LibraryListTest, AlbumsOfAnArtistOfferAllTracksAndRememberTheArtist) {
    std::vector<hostsim::LibraryEntry> library = {track("Abba", "Gold", "Pop", "b"),
                                                  track("Abba", "Arrival", "Pop", "a"),
                                                  track("Abba", "Gold", "Pop", "c"), track("Loner", "", "Pop", "l")};
    startWith(library);
    EXPECT_EQ(exchange("34 Abba", 4), (Lines{"PA", "PZAll Tracks", "PWArrival", "PWGold"}));
    clearRequests();
    phone.send("50 Gold\n");
    EXPECT_EQ(requestsOnce(3), (Requests{"library release", "library run artist == \"Abba\" & album == \"Gold\"",
                                         "library play enqueue=1 C:\\m\\Abba\\b.mp3|C:\\m\\Abba\\c.mp3"}));
    // An artist without albums: the header and All Tracks, and the next
    // command goes straight to the dispatcher.
    clearRequests();
    EXPECT_EQ(sendThenSync({"34 Loner", "13"}), (Lines{"PA", "PZAll Tracks"}));
    EXPECT_EQ(requests(),
              (Requests{"library release", "library run artist == \"Loner\" & album != \"\" & !album isempty",
                        "command 40048"}));
    EXPECT_EQ(std::string(pluginContext->browse.selectedArtist), "Loner");
}

TEST_F(LibraryListTest, AListLeftByAnOrdinaryCommandRunsThatCommandOnce) {
    startWith(numberedTitles(60));
    exchange("39", 52);
    clearRequests();
    // 13 ends the list and runs once; 53 and 54 after it are top level, where
    // they do nothing.
    EXPECT_TRUE(sendThenSync({"13", "53", "54"}).empty());
    EXPECT_EQ(requests(), (Requests{"command 40048"}));
}

TEST_F(LibraryListTest, TheTitleSelectionPicksFromTheLastBrowseResultsAfterTheListEnded) {
    startWith(
        {track("Abba", "Gold", "Pop", "b"), track("Abba", "Gold", "Pop", "a"), track("Other", "Hits", "Pop", "x")});
    // Before any browse list, and past the end of the results, nothing plays.
    EXPECT_TRUE(sendThenSync({"36 0", "52 0"}).empty());
    EXPECT_TRUE(requests().empty());
    EXPECT_EQ(exchange("33 Gold", 3), (Lines{"PA", "PZa", "PZb"}));
    clearRequests();
    // 36 is not the titles-of-an-album list's: it ends it and plays from its
    // results; so does every later 36 and 52, until the next browse list.
    EXPECT_TRUE(sendThenSync({"36 1", "52 0", "36 2", "36 -1", "52 99999999999", "36 abc"}).empty());
    EXPECT_EQ(requests(), (Requests{"user 101 0", "user 100 file=C:\\m\\Abba\\b.mp3", "user 102 0",
                                    "user 100 file=C:\\m\\Abba\\a.mp3", "user 101 0",
                                    "user 100 file=C:\\m\\Abba\\a.mp3", "user 102 0"}));

    // After the artists list, an index counts its records, not its artists.
    EXPECT_EQ(exchange("31", 3), (Lines{"PA", "PVAbba", "PVOther"}));
    clearRequests();
    EXPECT_TRUE(sendThenSync({"52 2"}).empty());
    EXPECT_EQ(requests(), (Requests{"user 100 file=C:\\m\\Other\\x.mp3"}));
}

TEST_F(LibraryListTest, GarbageAndBurstsInsideAListChangeNothingAndLoseNothing) {
    startWith(numberedTitles(120));
    exchange("39", 52);
    clearRequests();
    // Text, zeros, an empty line, a line too long to hold: taken and ignored.
    // Then a page turn, a selection, a page back and an ordinary command.
    phone.send("abc\n0\n\n0 36 1\n" + std::string(2000, '5') + "\n53\n36 70\n54\n12\n");
    const Lines lines = phone.waitForLines(105) ? phone.takeLines() : Lines{};
    EXPECT_EQ(joined(lines), joined(Lines{"PT50", "PUPrevious 50"} + numberedItems("PZ", "t", 50, 100) +
                                    Lines{"PSNext 20", "PT0"} + numberedItems("PZ", "t", 0, 50) + Lines{"PSNext 50"}));
    EXPECT_TRUE(sendThenSync({}).empty());
    EXPECT_EQ(requests(),
              (Requests{"user 101 0", "user 100 file=C:\\m\\Band\\t070.mp3", "user 102 0", "command 40044"}));
}

TEST_F(LibraryListTest, QuitWhileAListWaitsEndsItAtOnce) {
    startWith(numberedTitles(60));
    exchange("39", 52);
    clearRequests();
    stopPlugin();
    // The worker saw the flag in the list's wait and finished in time.
    EXPECT_EQ(pluginContext->flags.workerFinished.load(), 1);
    EXPECT_EQ(phone.takeLines(), (Lines{"X"}));
    EXPECT_EQ(requests(), (Requests{}));
}

// ---- searching (101) and jumping to a letter (102) ---------------------------

TEST_F(LibraryListTest, SearchKeepsTitlesHoldingEveryWordInTitleOrder) {
    hostsim::LibraryEntry noArtist = track("", "GOLD", "Pop", "C");
    noArtist.artistAbsent = true;
    hostsim::LibraryEntry noAlbum = track("Nope", "gold", "Pop", "x");
    noAlbum.albumAbsent = true;
    startWith({track("Abba", "Gold", "Pop", "b song"), track("Zed", "Gold", "Pop", "A song"),
               track("ABBA", "Hits", "Pop", "b song"), track("Other", "Silver", "Pop", "Golden"), noArtist, noAlbum,
               track("\xc3\x89"
                     "dith",
                     "Piaf", "Chanson", "Rien")});
    // Letters match in any case, in any of the three fields; equal titles keep
    // the host's order; an item shows " - " and the artist when there is one.
    EXPECT_EQ(sendThenSync({"101 GoLd"}),
              (Lines{"PA", "PZA song - Zed", "PZC", "PZGolden - Other", "PZb song - Abba"}));
    EXPECT_EQ(requests(), (Requests{"library release", "library run title != \"\" & !title isempty"}));
    // Each word may be found in another field; bytes that are no letters of
    // Windows-1252 (these are UTF-8's) match only themselves.
    EXPECT_EQ(sendThenSync({"101  b  abba ", "101 \xc3\xa9", "101 \xc3\x89"}),
              (Lines{"PA", "PZb song - Abba", "PZb song - ABBA", "PA", "PA",
                     "PZRien - \xc3\x89"
                     "dith"}));
}

// Texts in Windows-1252, the simulated PC's code page, as a user types them
// (in octal): Ü 334, ü 374, ß 337, é 351, É 311, Æ 306, Œ 214, Þ 336, ó 363.
TEST_F(LibraryListTest, SearchFoldsCaseAndAccentsAndWritesLettersOut) {
    const std::string fluss = "\334ber den Flu\337", strasse = "Stra\337e", cafe = "Caf\351";
    startWith({track("Sage", "Fl\374sse", "Folk", fluss), track(cafe + " Trio", "x", "Jazz", cafe),
               track(strasse, "y", "Pop", strasse), track("\306sop", "\214uvres", "Folk", "\336\363r"),
               track("Cafe", "z", "Jazz", "Cafes")});
    EXPECT_EQ(sendThenSync({"101 \374ber", "101 CAF\311", "101 cafe trio", "101 strasse", "101 AESOP OEUVRES THOR"}),
              (Lines{"PA", "PZ" + fluss + " - Sage", "PA", "PZCafes - Cafe", "PZ" + cafe + " - " + cafe + " Trio", "PA",
                     "PZ" + cafe + " - " + cafe + " Trio", "PA", "PZ" + strasse + " - " + strasse, "PA",
                     "PZ\336\363r - \306sop"}));
    // A word may end or begin inside a letter written out: "ss" holds both.
    EXPECT_EQ(
        sendThenSync({"101 fluss", "101 se"}),
        (Lines{"PA", "PZ" + fluss + " - Sage", "PA", "PZ" + strasse + " - " + strasse, "PZ" + fluss + " - Sage"}));
    // 104: the code page, also inside a list, which it ends before it runs (so
    // the jump after it finds no list).
    EXPECT_EQ(sendThenSync({"104", "39", "104", "102 C"}),
              (Lines{"C1252", "PA", "PZCafes", "PZ" + cafe, "PZ" + strasse, "PZ" + fluss, "PZ\336\363r", "C1252"}));
}

// Windows-1250 (from Python's codecs), in octal: Ł 243, ó 363, ź 237.
TEST_F(LibraryListTest, SearchFoldsTheLettersOfAnotherCodePage) {
    platform::CodePage page;
    page.number = publishedCodePages[0].number;
    std::copy_n(publishedCodePages[0].characters, 128, page.character);
    sim::setSystemCodePage(page);
    startWith({track("Band", "x", "Pop", "\243\363d\237")});
    EXPECT_EQ(sendThenSync({"101 lodz", "104"}), (Lines{"PA", "PZ\243\363d\237 - Band", "C1250"}));
}

// Shift-JIS: ア is 83 41 and ヂ 83 61, each with an ASCII letter for its
// second byte; ャ is 83 83. Lead bytes 81 to 9F and E0 to FC.
TEST_F(LibraryListTest, ADoubleByteCharacterIsNeitherFoldedNorMatchedInside) {
    platform::CodePage page;
    page.number = 932;
    page.doubleByte = true;
    for (unsigned byte = 0x81; byte <= 0xfc; ++byte) page.leadByte[byte - 0x80] = byte <= 0x9f || byte >= 0xe0;
    sim::setSystemCodePage(page);
    startWith({track("Duo", "x", "Pop", "\x83\x41"), track("Duo", "x", "Pop", "\x83\x83\x41")});
    EXPECT_EQ(sendThenSync({"101 \x83\x61", "101 \x83\x41", "101 a", "101 DUO", "104"}),
              (Lines{"PA", "PA", "PZ\x83\x41 - Duo", "PA", "PZ\x83\x83\x41 - Duo", "PA", "PZ\x83\x41 - Duo",
                     "PZ\x83\x83\x41 - Duo", "C932"}));
}

TEST_F(LibraryListTest, ASearchWithoutWordsOrTooLongIsRefusedAndKeepsTheResults) {
    startWith(numberedTitles(3));
    exchange("39", 4);
    clearRequests();
    // The refusal is the header alone, with no query: also the probe "101".
    // Numbers between and after the extensions still do nothing.
    EXPECT_EQ(sendThenSync({"101", "101    ", "101 " + std::string(256, 'x'), "100 x", "103 x", "102 t", "36 2"}),
              (Lines{"PA", "PA", "PA"}));
    EXPECT_EQ(requests(), (Requests{"user 101 0", "user 100 file=C:\\m\\Band\\t002.mp3", "user 102 0"}));
    clearRequests();
    EXPECT_EQ(sendThenSync({"101 " + std::string(255, 'x')}), (Lines{"PA"}));
    EXPECT_EQ(requests().size(), 2u);
}

TEST_F(LibraryListTest, SearchPicksCountMatchesDuringAndAfterTheListAndABurstRunsInOrder) {
    std::vector<hostsim::LibraryEntry> library = numberedTitles(120);
    library.push_back(track("Solo", "Long", "Rock", "Early"));
    startWith(library);
    // 101, 53 and 36 in one write: the matches t000..t099 page as any list.
    phone.send("101 t0 band\n53\n36 70\n");
    const auto matches = [](int first, int last) {
        Lines items;
        for (int i = first; i < last; ++i) items.push_back("PZ" + numberedText("t", i) + " - Band");
        return items;
    };
    const Lines lines = phone.waitForLines(104) ? phone.takeLines() : Lines{};
    EXPECT_EQ(joined(lines),
              joined(Lines{"PA"} + matches(0, 50) + Lines{"PSNext 50", "PT50", "PUPrevious 50"} + matches(50, 100)));
    // A jump in the matches, then back: 54 goes to the page before the target.
    EXPECT_EQ(joined(exchange("102 T042", 53)),
              joined(Lines{"PT42", "PUPrevious 50"} + matches(42, 92) + Lines{"PSNext 8"}));
    EXPECT_EQ(joined(exchange("54", 52)), joined(Lines{"PT0"} + matches(0, 50) + Lines{"PSNext 50"}));
    // Past every match: the last page holds the last 50.
    EXPECT_EQ(joined(exchange("102 u", 52)), joined(Lines{"PT50", "PUPrevious 50"} + matches(50, 100)));
    // After the list, 36 and 52 still pick from the matches; an index past them
    // (a record held but not matched) is ignored.
    EXPECT_TRUE(sendThenSync({"13", "52 99", "52 100"}).empty());
    EXPECT_EQ(requests(), (Requests{"library release", "library run title != \"\" & !title isempty", "user 101 0",
                                    "user 100 file=C:\\m\\Band\\t070.mp3", "user 102 0", "command 40048",
                                    "user 100 file=C:\\m\\Band\\t099.mp3"}));
}

TEST_F(LibraryListTest, AJumpGoesToTheFirstItemWithThePrefixOrAfterItOrToTheLastPage) {
    startWith({track("A", "B", "C", "Cherry"), track("A", "B", "C", "apricot"), track("A", "B", "C", "Banana"),
               track("A", "B", "C", "1st"), track("A", "B", "C", "Apple"), track("A", "B", "C", "cherry2")});
    const Lines all{"PZ1st", "PZApple", "PZBanana", "PZCherry", "PZapricot", "PZcherry2"};
    EXPECT_EQ(exchange("39", 7), Lines{"PA"} + all);
    // 1: the first that begins with the prefix, in any case, even after one
    // that sorts after it ("Banana" > "apr"). 2: else the first after it.
    // 3: else the last page's start. "#": the first not beginning with a letter.
    EXPECT_EQ(sendThenSync({"102 APR"}), (Lines{"PT4", "PUPrevious 50", "PZapricot", "PZcherry2"}));
    EXPECT_EQ(sendThenSync({"102 bz"}), (Lines{"PT3", "PUPrevious 50", "PZCherry", "PZapricot", "PZcherry2"}));
    EXPECT_EQ(sendThenSync({"102", "102 " + std::string(256, 'c'), "102 zz"}), Lines{"PT0"} + all);
    // Without items that begin otherwise, "#" is the first item.
    EXPECT_EQ(exchange("31", 2), (Lines{"PA", "PVA"}));
    EXPECT_EQ(sendThenSync({"102 #", "14", "102 a"}), (Lines{"PT0", "PVA"}));
    // "#" is no prefix: names after Z and after z do not begin with a letter,
    // and "#" goes to the first of them, not to the first item.
    const auto artistsAre = [&](std::vector<std::string> names) {
        onUi([&] {
            host->library.clear();
            for (const std::string& name : names) host->library.push_back(track(name, "B", "C", "t"));
        });
        return static_cast<int>(names.size()) + 1;
    };
    EXPECT_EQ(exchange("31", artistsAre({"Abba", "_under", "zoo",
                                         "\xc9"
                                         "dith"})),
              (Lines{"PA", "PVAbba", "PV_under", "PVzoo",
                     "PV\xc9"
                     "dith"}));
    EXPECT_EQ(sendThenSync({"102 #"}), (Lines{"PT1", "PUPrevious 50", "PV_under", "PVzoo",
                                              "PV\xc9"
                                              "dith"}));
    exchange("31", artistsAre({"Abba", "zoo",
                               "\xc9"
                               "dith"}));
    EXPECT_EQ(sendThenSync({"102 #"}), (Lines{"PT2", "PUPrevious 50",
                                              "PV\xc9"
                                              "dith"}));
}

TEST_F(LibraryListTest, AJumpInASkippingListCountsDistinctItemsBothWays) {
    std::vector<hostsim::LibraryEntry> library;
    for (int i = 119; i >= 0; --i) {
        for (int t = 0; t < 2; ++t) library.push_back(track(numberedText("a", i), "Al", "G", numberedText("t", t)));
    }
    startWith(library);
    exchange("31", 52);
    // The first page's last artist again: a jump shows it though it was the
    // last item sent.
    const Lines again = exchange("102 A049", 53);
    EXPECT_EQ(Lines(again.begin(), again.begin() + 3), (Lines{"PT98", "PUPrevious 50", "PVa049"}));
    // a070 begins at record 140; its page is the last 50 artists, and the
    // Next line counts the one record left, as pages of this list do.
    EXPECT_EQ(joined(exchange("102 a07", 53)),
              joined(Lines{"PT140", "PUPrevious 50"} + numberedItems("PV", "a", 70, 120) + Lines{"PSNext 1"}));
    // 54: the 50 artists before a070, then the start.
    EXPECT_EQ(joined(exchange("54", 53)),
              joined(Lines{"PT39", "PUPrevious 50"} + numberedItems("PV", "a", 20, 70) + Lines{"PSNext 50"}));
    EXPECT_EQ(joined(exchange("54", 52)), joined(Lines{"PT0"} + numberedItems("PV", "a", 0, 50) + Lines{"PSNext 50"}));
    // Past every artist: the last page, from its first artist's first record.
    EXPECT_EQ(exchange("102 b", 53).front(), "PT140");
}

}  // namespace
