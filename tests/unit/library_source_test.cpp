// The test host's library sources: what a line of a library file says is what
// the plug-in gets; a shape is four counts.
#include "hostsim/library_source.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using hostsim::LibraryEntry;

TEST(LibraryFile, FieldsAreKeptByteForByteInFileOrder) {
    std::vector<LibraryEntry> entries;
    std::string error;
    ASSERT_TRUE(
        hostsim::parseLibraryText("C:\\Music\\a b.mp3| Say \"Hi\" |Album & Co|Simon & Garfunkel|Folk \n"
                                  "D:\\x.mp3|\xE9t\xE9|b|c|d\n",
                                  &entries, &error))
        << error;
    ASSERT_EQ(2u, entries.size());
    EXPECT_EQ("C:\\Music\\a b.mp3", entries[0].fileName);
    EXPECT_EQ(" Say \"Hi\" ", entries[0].title);
    EXPECT_EQ("Album & Co", entries[0].album);
    EXPECT_EQ("Simon & Garfunkel", entries[0].artist);
    EXPECT_EQ("Folk ", entries[0].genre);
    EXPECT_EQ("D:\\x.mp3", entries[1].fileName);
    EXPECT_EQ("\xE9t\xE9", entries[1].title);
    EXPECT_EQ("d", entries[1].genre);
}

TEST(LibraryFile, BackslashNIsAnAbsentFieldAndNothingElseIs) {
    LibraryEntry entry;
    ASSERT_TRUE(hostsim::parseLibraryLine("\\N|\\N|\\N|\\N|\\N", &entry));
    EXPECT_TRUE(entry.fileNameAbsent);
    EXPECT_TRUE(entry.titleAbsent);
    EXPECT_TRUE(entry.albumAbsent);
    EXPECT_TRUE(entry.artistAbsent);
    EXPECT_TRUE(entry.genreAbsent);

    ASSERT_TRUE(hostsim::parseLibraryLine("C:\\N|||\\N |\\n", &entry));
    EXPECT_FALSE(entry.fileNameAbsent);
    EXPECT_EQ("C:\\N", entry.fileName);
    EXPECT_FALSE(entry.titleAbsent);  // empty, which is not absent
    EXPECT_EQ("", entry.title);
    EXPECT_FALSE(entry.albumAbsent);
    EXPECT_FALSE(entry.artistAbsent);
    EXPECT_EQ("\\N ", entry.artist);
    EXPECT_FALSE(entry.genreAbsent);
    EXPECT_EQ("\\n", entry.genre);

    // Only the album is missing: the other fields stay where they are.
    ASSERT_TRUE(hostsim::parseLibraryLine("f.mp3|T|\\N|A|G", &entry));
    EXPECT_EQ("T", entry.title);
    EXPECT_TRUE(entry.albumAbsent);
    EXPECT_FALSE(entry.artistAbsent);
    EXPECT_EQ("A", entry.artist);
}

TEST(LibraryFile, CommentsBlankLinesAndLineEndsAreNotRecords) {
    std::vector<LibraryEntry> entries;
    std::string error;
    ASSERT_TRUE(
        hostsim::parseLibraryText("# made by hand\r\n\r\n\na|b|c|d|e\r\n#x|y|z|w|v\nf|g|h|i|j", &entries, &error))
        << error;
    ASSERT_EQ(2u, entries.size());
    EXPECT_EQ("e", entries[0].genre);  // the CR is not part of the last field
    EXPECT_EQ("f", entries[1].fileName);
    EXPECT_EQ("j", entries[1].genre);  // the last line needs no line end

    EXPECT_TRUE(hostsim::parseLibraryText("", &entries, &error));
    EXPECT_TRUE(entries.empty());
}

TEST(LibraryFile, ALineWithoutFiveFieldsIsRefusedWithItsNumber) {
    std::vector<LibraryEntry> entries;
    std::string error;
    EXPECT_FALSE(hostsim::parseLibraryText("a|b|c|d|e\n# note\na|b|c|d\n", &entries, &error));
    EXPECT_EQ(0u, error.find("line 3:")) << error;
    EXPECT_TRUE(entries.empty());
    EXPECT_FALSE(hostsim::parseLibraryText("a|b|c|d|e|f\n", &entries, &error));
    EXPECT_EQ(0u, error.find("line 1:")) << error;

    LibraryEntry entry;
    entry.title = "kept";
    EXPECT_FALSE(hostsim::parseLibraryLine("a|b|c|d", &entry));
    EXPECT_FALSE(hostsim::parseLibraryLine("a|b|c|d|e|", &entry));
    EXPECT_FALSE(hostsim::parseLibraryLine("", &entry));
    EXPECT_EQ("kept", entry.title);
}

TEST(LibraryShape, IsFourCountsSeparatedByCommas) {
    hostsim::LibraryShape shape;
    ASSERT_TRUE(hostsim::parseLibraryShape("120,7,12,3", &shape));
    EXPECT_EQ(120, shape.records);
    EXPECT_EQ(7, shape.artists);
    EXPECT_EQ(12, shape.albums);
    EXPECT_EQ(3, shape.genres);
    ASSERT_TRUE(hostsim::parseLibraryShape("0,1,1,1", &shape));
    EXPECT_EQ(0, shape.records);
    ASSERT_TRUE(hostsim::parseLibraryShape("10000000,10000000,1,1", &shape));
    EXPECT_EQ(10000000, shape.artists);

    shape = {5, 5, 5, 5};
    for (const char* bad : {"", "1,2,3", "1,2,3,4,5", "1,2,3,", ",1,2,3", "1,0,2,3", "1,2,0,3", "1,2,3,0", "-1,1,1,1",
                            "1, 2,3,4", "1,2,3,4x", "a,b,c,d", "10000001,1,1,1", "1,1,1,99999999999999999999"}) {
        EXPECT_FALSE(hostsim::parseLibraryShape(bad, &shape)) << bad;
    }
    EXPECT_EQ(5, shape.records);  // a refused shape changes nothing
}

}  // namespace
