// The media library's playlists (55): the catalog's file names as the scanner
// reads them from the bytes of "playlists.xml", and the list with its picks (5
// plays, 56 enqueues) through the worker and the reference host.

#include <algorithm>
#include <cstring>
#include <random>

#include "conversation.h"
#include "files/playlist_catalog.h"

namespace {

using Lines = std::vector<std::string>;
using Requests = std::vector<std::string>;
using Names = std::vector<std::string>;

Names scanned(const std::string& bytes, bool byteByByte = false) {
    TextList list;
    CatalogScanner scanner(list);
    if (byteByByte) {
        for (char c : bytes) scanner.feed(&c, 1);
    } else {
        scanner.feed(bytes.data(), bytes.size());
    }
    scanner.finish();
    Names names;
    for (std::int32_t i = 0; i < list.count(); ++i) names.push_back(list.text(i));
    return names;
}

// The text in 16-bit little-endian characters after a byte-order mark.
std::string utf16(const std::string& text) {
    std::string bytes = "\xFF\xFE";
    for (char c : text) {
        bytes += c;
        bytes += '\0';
    }
    return bytes;
}

const std::string catalogPath = "C:\\Program Files\\Winamp\\Plugins\\ml\\playlists.xml";
const std::string playlistFolder = "C:\\Program Files\\Winamp\\Plugins\\ml\\";

TEST(CatalogScannerTest, EveryFilenameAttributeIsReadWholeBetweenItsQuotesWhereverItStands) {
    const std::string catalog =
        "<?xml version=\"1.0\" encoding=\"UTF-16\"?>\r\n<playlists playlists=\"5\">\r\n"
        "<playlist filename=\"a.m3u\" title=\"A\" songs=\"1\"/>\r\n"
        "<playlist filename=\"my list.m3u\" title=\"With blanks\"/>\r\n"
        "<playlist title=\"Last\" filename=\"b.m3u\"/>\r\n"
        "<playlist\ttitle=\"Open\"\nfilename = 'c.m3u'></playlist>\n"
        "<playlist filename=\"R&amp;B &quot;live&quot; &#39;x&#x27; &lt;&gt;.m3u\"/>\n"
        "</playlists>\n<playlist filename=\"end.m3u\"";
    const Names expected = {"a.m3u", "my list.m3u", "b.m3u", "c.m3u", "R&B \"live\" 'x' <>.m3u", "end.m3u"};
    EXPECT_EQ(scanned(catalog), expected);
    EXPECT_EQ(scanned(catalog, true), expected) << "where the reads end changes nothing";
    EXPECT_EQ(scanned(utf16(catalog)), expected) << "16-bit characters of plain ASCII read the same";
}

TEST(CatalogScannerTest, TextsThatOnlyLookLikeTheAttributeAreNoNames) {
    EXPECT_EQ(scanned("<playlists>filename=\"text.m3u\" <!-- <playlist filename=\"old.m3u\"/> -->"
                      "<playlist oldfilename=\"x.m3u\" FileName=\"y.m3u\" title=\"filename=&quot;z&quot; "
                      "filename='w'\" filename=\"real.m3u\"/><!----><p filename=\"after.m3u\"/>"),
              (Names{"real.m3u", "after.m3u"}));
    EXPECT_EQ(scanned(""), Names{});
    EXPECT_EQ(scanned("filename=\"bare.m3u\" "), Names{});
}

TEST(CatalogScannerTest, ANameThatCannotBeStoredKeepsItsPlaceAsAnEmptyEntry) {
    const std::string longest(259, 'n');
    EXPECT_EQ(scanned("<p filename=\"" + longest + "\"/><p filename=\"" + longest +
                      "n\"/>"
                      "<p filename=\"caf&eacute;.m3u\"/><p filename=\"caf&#233;.m3u\"/><p filename=\"a&b.m3u\"/>"
                      "<p filename=\"&#;\"/><p filename=\"ok.m3u\"/><p filename=\"cut"),
              (Names{longest, "", "", "", "", "", "ok.m3u", ""}));
    // A value without quotes, or none at all, is no name either.
    EXPECT_EQ(scanned("<p filename=bare.m3u title=\"B\"/><p filename=\"two.m3u\"/><p filename=><p filename=\"3\"/>"
                      "<p filename="),
              (Names{"", "two.m3u", "", "3", ""}));
    // A raw value too long for any name, then names that still count.
    EXPECT_EQ(scanned("<p filename=\"" + std::string(5000, 'r') + "\" x=\"1\"/><p filename=\"next.m3u\"/>"),
              (Names{"", "next.m3u"}));
}

TEST(CatalogScannerTest, AnyBytesInAnyChunksGiveTheSameNamesAndEveryNameFitsAPath) {
    // Catalog-like soup: pieces of elements, attributes, quotes, entities,
    // comments, zero bytes and stray bytes, in random order and chunks.
    const std::vector<std::string> pieces = {"<playlist ",
                                             "filename=",
                                             "\"",
                                             "'",
                                             "a.m3u",
                                             " ",
                                             "/>",
                                             ">",
                                             "<!--",
                                             "-->",
                                             "&amp;",
                                             "&",
                                             ";",
                                             "=",
                                             "title",
                                             std::string(300, 'x'),
                                             "\r\n",
                                             "?",
                                             "filename",
                                             "<",
                                             "\xFF\xFE",
                                             std::string(1, '\0'),
                                             "<playlist filename=\"one two.m3u\" title=\"T\"/>\n",
                                             " filename='3&lt;4.m3u' "};
    std::mt19937 random(20240601);
    int named = 0;
    for (int round = 0; round < 300; ++round) {
        std::string bytes;
        const int count = static_cast<int>(random() % 60);
        for (int i = 0; i < count; ++i) {
            const std::size_t which = random() % (pieces.size() + 2);
            if (which < pieces.size()) {
                bytes += pieces[which];
            } else {
                bytes += static_cast<char>(random() % 256);
            }
        }
        const Names whole = scanned(bytes);
        TextList list;
        CatalogScanner scanner(list);
        for (std::size_t at = 0; at < bytes.size();) {
            const std::size_t chunk = std::min<std::size_t>(1 + random() % 7, bytes.size() - at);
            scanner.feed(bytes.data() + at, chunk);
            at += chunk;
        }
        scanner.finish();
        ASSERT_EQ(list.count(), static_cast<std::int32_t>(whole.size())) << "round " << round;
        named += list.count();
        for (std::int32_t i = 0; i < list.count(); ++i) {
            EXPECT_EQ(list.text(i), whole[static_cast<std::size_t>(i)]);
            EXPECT_LE(std::strlen(list.text(i)), 259u);
        }
    }
    EXPECT_GT(named, 300) << "the soup holds names";
}

class LibraryPlaylistsTest : public ConversationTest {
protected:
    void startWithPlaylists(std::vector<hostsim::LibraryPlaylist> playlists) {
        host->libraryPlaylists = std::move(playlists);
        sim::addFolder(playlistFolder);
        host->writePlaylistCatalog();
        start();
        clearRequests();
    }
};

TEST_F(LibraryPlaylistsTest, TheTitlesAreListedAndPicksPlayOrEnqueueTheCatalogsFileAtThatIndex) {
    startWithPlaylists({{"Party", "plf1.m3u8", 3, 600}, {"Chill & Out", "plf 2.m3u8", 1, 60}});
    EXPECT_EQ(sendThenSync({"55"}), (Lines{"PA", "PaParty", "PaChill & Out"}));
    EXPECT_EQ(requests(), Requests{"library menu"});
    onUi([&] {
        EXPECT_EQ(host->lastMenuRequest[0], 0);
        EXPECT_EQ(host->lastMenuRequest[1], 0);
        EXPECT_EQ(host->lastMenuRequest[2], -1);
    });
    EXPECT_EQ(sim::liveMenuCount(), 0);

    clearRequests();
    // Indexes count from 0 over the catalog's names; one without a name picks
    // nothing and the list keeps waiting; 53 ends it and does nothing more.
    EXPECT_TRUE(sendThenSync({"5 0", "56 1", "5 2", "56 -1", "5 99999999999", "56", "53", "14"}).empty());
    EXPECT_EQ(requests(), (Requests{"user 101 0", "user 100 file=" + playlistFolder + "plf1.m3u8", "user 102 0",
                                    "user 100 file=" + playlistFolder + "plf 2.m3u8",
                                    "user 100 file=" + playlistFolder + "plf1.m3u8", "command 40045"}));
    // At top level 5 is the My Music folder's play and 56 nothing.
    clearRequests();
    EXPECT_TRUE(sendThenSync({"5 x.m3u", "56 0"}).empty());
    EXPECT_EQ(requests(), (Requests{"user 101 0", "user 100 file=C:\\Users\\me\\Music\\x.m3u", "user 102 0"}));
}

TEST_F(LibraryPlaylistsTest, WithoutACatalogNothingIsSentAndTheNextCommandRunsAtOnce) {
    host->libraryPlaylists = {{"Party", "plf1.m3u8", 3, 600}};
    start();
    clearRequests();
    EXPECT_TRUE(sendThenSync({"55", "5 0"}).empty());
    EXPECT_EQ(requests(), (Requests{"user 101 0", "user 100 file=C:\\Users\\me\\Music\\0", "user 102 0"}));
}

TEST_F(LibraryPlaylistsTest, ACatalogThatCannotBeOpenedOnceSendsNothingAndTheNextListWorks) {
    startWithPlaylists({{"Party", "plf1.m3u8", 3, 600}});
    sim::failNextFileOpen();
    EXPECT_TRUE(sendThenSync({"55", "5 0"}).empty());
    EXPECT_EQ(requests(), (Requests{"user 101 0", "user 100 file=C:\\Users\\me\\Music\\0", "user 102 0"}));
    EXPECT_EQ(sendThenSync({"55"}), (Lines{"PA", "PaParty"}));
}

TEST_F(LibraryPlaylistsTest, AMenuWithoutPlaylistsSendsTheHeaderAloneAndPicksStillPlayTheCatalog) {
    startWithPlaylists({{"Party", "plf1.m3u8", 3, 600}});
    onUi([&] { host->libraryPlaylists.clear(); });
    EXPECT_EQ(sendThenSync({"55", "5 0", "12"}), Lines{"PA"});
    EXPECT_EQ(requests(), (Requests{"library menu", "user 101 0", "user 100 file=" + playlistFolder + "plf1.m3u8",
                                    "user 102 0", "command 40044"}));
}

TEST_F(LibraryPlaylistsTest, ASixteenBitCatalogMatchesEachTitleWithItsFileEvenPastANameThatCannotBeStored) {
    host->libraryPlaylists = {{"One", "", 0, 0}, {"Too long", "", 0, 0}, {"Three", "", 0, 0}};
    sim::addFile(catalogPath, utf16("<?xml version=\"1.0\" encoding=\"UTF-16\"?>\r\n<playlists>\r\n"
                                    "<playlist title=\"One\" filename=\"one.m3u8\"/>\r\n"
                                    "<playlist title=\"Too long\" filename=\"" +
                                    std::string(300, 'x') +
                                    "\"/>\r\n"
                                    "<playlist title=\"Three\" filename=\"three.m3u8\"/>\r\n</playlists>"));
    start();
    clearRequests();
    EXPECT_EQ(sendThenSync({"55", "56 1", "56 2", "56 0"}), (Lines{"PA", "PaOne", "PaToo long", "PaThree"}));
    EXPECT_EQ(requests(), (Requests{"library menu", "user 100 file=" + playlistFolder + "three.m3u8",
                                    "user 100 file=" + playlistFolder + "one.m3u8"}));
}

}  // namespace
