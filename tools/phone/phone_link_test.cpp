#include "tools/phone/phone_link.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <stdlib.h>
#include <unistd.h>

#include <cstring>

namespace {

// A pseudo-terminal pair: the test writes on one end what the phone reads on
// the other.
struct PtyPair {
    int master = -1;
    int slave = -1;
    PtyPair() {
        master = posix_openpt(O_RDWR | O_NOCTTY);
        grantpt(master);
        unlockpt(master);
        slave = phone::openSerialDevice(ptsname(master));
        phone::makeRaw(master);
    }
    ~PtyPair() {
        if (slave >= 0) close(slave);
        if (master >= 0) close(master);
    }
    void write(const char* bytes) { ASSERT_TRUE(phone::writeAll(master, bytes, std::strlen(bytes))); }
};

TEST(PhoneLink, NowPlayingLineDecodesEveryFieldAndRefusesBrokenOnes) {
    phone::NowPlaying playing;
    ASSERT_TRUE(phone::decodeNowPlaying("J1:Intro; Part 1:44:2:180000:1234:0:1:", playing));
    EXPECT_EQ(1, playing.playState);
    EXPECT_EQ("Intro; Part 1", playing.title);
    EXPECT_EQ(44, playing.sampleRate);
    EXPECT_EQ(2, playing.channels);
    EXPECT_EQ(180000, playing.lengthMs);
    EXPECT_EQ(1234, playing.positionMs);
    EXPECT_EQ(0, playing.shuffle);
    EXPECT_EQ(1, playing.repeat);

    ASSERT_TRUE(phone::decodeNowPlaying("J0::0:0:-1000:-1:0:0:", playing));
    EXPECT_EQ("", playing.title);
    EXPECT_EQ(-1000, playing.lengthMs);

    EXPECT_FALSE(phone::decodeNowPlaying("J1:a:44:2:180000:1234:0:1", playing));       // last colon missing
    EXPECT_FALSE(phone::decodeNowPlaying("J1:a:b:c:44:2:180000:1234:0:1:", playing));  // colon in title
    EXPECT_FALSE(phone::decodeNowPlaying("Jx:a:44:2:180000:1234:0:1:", playing));
    EXPECT_FALSE(phone::decodeNowPlaying("Q1:a:44:2:180000:1234:0:1:", playing));
}

TEST(PhoneLink, VolumeAndEqualizerLinesDecodeOnlyWhenWhole) {
    int volume = 7;
    EXPECT_TRUE(phone::decodeVolume("Q0", volume));
    EXPECT_EQ(0, volume);
    EXPECT_TRUE(phone::decodeVolume("Q-5", volume));
    EXPECT_EQ(-5, volume);
    EXPECT_FALSE(phone::decodeVolume("Q", volume));
    EXPECT_FALSE(phone::decodeVolume("Q12x", volume));

    int bands[10] = {};
    ASSERT_TRUE(phone::decodeEqualizer("I32:0:63:-7:1:2:3:4:5:6:", bands));
    EXPECT_EQ(32, bands[0]);
    EXPECT_EQ(63, bands[2]);
    EXPECT_EQ(-7, bands[3]);
    EXPECT_EQ(6, bands[9]);
    EXPECT_FALSE(phone::decodeEqualizer("I1:2:3:4:5:6:7:8:9:", bands));        // nine values
    EXPECT_FALSE(phone::decodeEqualizer("I1:2:3:4:5:6:7:8:9:10:11:", bands));  // eleven
    EXPECT_FALSE(phone::decodeEqualizer("I1:2:3:4:5:6:7:8:9:10", bands));
}

TEST(PhoneLink, ListLinesGiveTheirPagingHintsAndItems) {
    phone::ListLine line = phone::decodeListLine("PA");
    EXPECT_EQ(phone::ListLine::begins, line.kind);
    EXPECT_EQ(phone::ListLine::begins, phone::decodeListLine("N").kind);

    line = phone::decodeListLine("PSNext 17");
    EXPECT_EQ(phone::ListLine::next, line.kind);
    EXPECT_EQ(17, line.number);
    line = phone::decodeListLine("FT100");
    EXPECT_EQ(phone::ListLine::position, line.kind);
    EXPECT_EQ(100, line.number);
    EXPECT_EQ(phone::ListLine::previous, phone::decodeListLine("BUPrevious 50").kind);

    line = phone::decodeListLine("PVThe Artist");
    EXPECT_EQ(phone::ListLine::item, line.kind);
    EXPECT_EQ('V', line.itemCode);
    EXPECT_EQ("The Artist", line.text);
    EXPECT_EQ("folder: Music", phone::describeReply("BBFMusic"));
    EXPECT_EQ("file: a.mp3", phone::describeReply("BBTa.mp3"));
    EXPECT_EQ("drive: System (C:)", phone::describeReply("BDSystem (C:)"));

    EXPECT_EQ(phone::ListLine::notList, phone::decodeListLine("PSNext").kind);
    EXPECT_EQ(phone::ListLine::notList, phone::decodeListLine("Pq").kind);
    EXPECT_EQ(phone::ListLine::notList, phone::decodeListLine("Q100").kind);
}

TEST(PhoneLink, RepliesAreDescribedForPeople) {
    EXPECT_EQ("volume: 100", phone::describeReply("Q100"));
    EXPECT_EQ("end of conversation", phone::describeReply("X"));
    EXPECT_EQ("version: Winamp 22118 running!", phone::describeReply("KWinamp 22118 running!"));
    EXPECT_EQ("sleep timer: Disbled!", phone::describeReply("bDisbled!"));
    EXPECT_EQ("now playing: paused \"Song\" 0:01/3:00, 44 kHz, 2 channels, shuffle off, repeat on",
              phone::describeReply("J3:Song:44:2:180000:1500:0:1:"));
    EXPECT_EQ("unknown: Zzz", phone::describeReply("Zzz"));
    EXPECT_EQ("(empty line)", phone::describeReply(""));
}

TEST(PhoneLink, ItemsCarryTheRecordIndexTheyArePickedBy) {
    phone::ListFollower follower;
    follower.sent("39");
    EXPECT_EQ("media library list begins", follower.describe("PA"));
    EXPECT_EQ("[0] title: Alpha", follower.describe("PZAlpha"));
    EXPECT_EQ("[1] title: ", follower.describe("PZ"));
    EXPECT_EQ("volume: 90", follower.describe("Q90"));  // a push between items counts nothing
    EXPECT_EQ("[2] title: Gamma", follower.describe("PZGamma"));
    EXPECT_EQ("more: 50 records follow (n or 53: next page)", follower.describe("PSNext 50"));

    // After a page turn the position line says which record comes next.
    follower.sent("53");
    EXPECT_EQ("page from record 50", follower.describe("PT50"));
    EXPECT_EQ("p or 54: previous page", follower.describe("PUPrevious 50"));
    EXPECT_EQ("[50] title: Omega", follower.describe("PZOmega"));
    follower.sent("54");
    EXPECT_EQ("page from record 0", follower.describe("PT0"));
    EXPECT_EQ("[0] title: Alpha", follower.describe("PZAlpha"));

    // A new list counts from 0 again, whichever list it is.
    follower.sent("7");
    EXPECT_EQ("current playlist begins", follower.describe("N"));
    EXPECT_EQ("[0] playlist entry: One", follower.describe("FFOne"));
    EXPECT_EQ("[1] playlist entry: Two", follower.describe("FFTwo"));
    follower.sent("55");
    EXPECT_EQ("media library list begins", follower.describe("PA"));
    EXPECT_EQ("[0] library playlist: Party", follower.describe("PaParty"));
    follower.sent("1 C:\\Music");
    EXPECT_EQ("file-system list begins", follower.describe("BA"));
    EXPECT_EQ("[0] folder: Rock", follower.describe("BBFRock"));
}

TEST(PhoneLink, NamesAndTheAllTracksLineHaveNoIndex) {
    phone::ListFollower follower;
    follower.sent("34 The Artist");
    follower.describe("PA");
    EXPECT_EQ("all tracks (not a record)", follower.describe("PZAll Tracks"));
    EXPECT_EQ("album: First", follower.describe("PWFirst"));
    EXPECT_EQ("album: Second", follower.describe("PWSecond"));
    follower.describe("PT50");
    EXPECT_EQ("album: Third", follower.describe("PWThird"));

    follower.sent("35 Jazz");
    follower.describe("PA");
    EXPECT_EQ("all tracks (not a record)", follower.describe("PZAll Tracks"));
    follower.sent("31");
    follower.describe("PA");
    EXPECT_EQ("artist: All Tracks", follower.describe("PVAll Tracks"));
    follower.sent("32");
    follower.describe("PA");
    EXPECT_EQ("genre: Jazz", follower.describe("PYJazz"));

    // Only the line right after the header of 34 and 35 is the fixed one; a
    // title of that name elsewhere is a record like any other.
    follower.sent("39");
    follower.describe("PA");
    EXPECT_EQ("[0] title: All Tracks", follower.describe("PZAll Tracks"));
    follower.sent("34 Abba");
    follower.describe("PA");
    follower.describe("PZAll Tracks");
    follower.sent("43 Gold");
    follower.describe("PA");
    EXPECT_EQ("[0] title: All Tracks", follower.describe("PZAll Tracks"));
}

TEST(PhoneLink, TypedNAndPTurnPagesFindAndJumpSearchAndOtherLinesGoAsTyped) {
    EXPECT_EQ("53", phone::commandForTyped("n"));
    EXPECT_EQ("54", phone::commandForTyped("p"));
    EXPECT_EQ("53", phone::commandForTyped(" n "));
    EXPECT_EQ("34 n", phone::commandForTyped("34 n"));
    EXPECT_EQ("nn", phone::commandForTyped("nn"));
    EXPECT_EQ("N", phone::commandForTyped("N"));
    EXPECT_EQ("54", phone::commandForTyped("54"));
    EXPECT_EQ("", phone::commandForTyped(""));
    EXPECT_EQ("101 abba  gold", phone::commandForTyped("find abba  gold"));
    EXPECT_EQ("101", phone::commandForTyped("find"));
    EXPECT_EQ("102 M", phone::commandForTyped("jump M"));
    EXPECT_EQ("finder", phone::commandForTyped("finder"));
}

TEST(PhoneLink, LinesAreReassembledFromPiecesAndSplitFromOneWrite) {
    PtyPair pty;
    phone::LineReader reader{pty.slave, {}};
    std::string line;

    EXPECT_EQ(phone::ReadResult::timeout, phone::readLine(reader, line, 50));

    pty.write("Q1");
    EXPECT_EQ(phone::ReadResult::timeout, phone::readLine(reader, line, 100));
    pty.write("00\nJ1:");
    ASSERT_EQ(phone::ReadResult::line, phone::readLine(reader, line, 1000));
    EXPECT_EQ("Q100", line);
    EXPECT_EQ(phone::ReadResult::timeout, phone::readLine(reader, line, 50));  // J1: still partial

    pty.write("x:0:0:0:0:0:0:\nX\n\n");
    ASSERT_EQ(phone::ReadResult::line, phone::readLine(reader, line, 1000));
    EXPECT_EQ("J1:x:0:0:0:0:0:0:", line);
    ASSERT_EQ(phone::ReadResult::line, phone::readLine(reader, line, 1000));
    EXPECT_EQ("X", line);
    ASSERT_EQ(phone::ReadResult::line, phone::readLine(reader, line, 1000));
    EXPECT_EQ("", line);

    // Raw mode: a CR is data and nothing is echoed back to the sender.
    pty.write("a\rb\n");
    ASSERT_EQ(phone::ReadResult::line, phone::readLine(reader, line, 1000));
    EXPECT_EQ("a\rb", line);
    ASSERT_TRUE(phone::sendLine(pty.slave, "27"));
    phone::LineReader other{pty.master, {}};
    ASSERT_EQ(phone::ReadResult::line, phone::readLine(other, line, 1000));
    EXPECT_EQ("27", line);
    EXPECT_EQ(phone::ReadResult::timeout, phone::readLine(reader, line, 50));
}

TEST(PhoneLink, ClosedOtherEndEndsTheRead) {
    PtyPair pty;
    phone::LineReader reader{pty.master, {}};
    close(pty.slave);
    pty.slave = -1;
    std::string line;
    EXPECT_EQ(phone::ReadResult::closed, phone::readLine(reader, line, 1000));
}

TEST(PhoneLink, CollectingStopsAfterAQuietGap) {
    PtyPair pty;
    phone::LineReader reader{pty.slave, {}};
    pty.write("PA\nPVOne\nPVTwo\n");
    std::vector<std::string> lines = phone::readLinesUntilQuiet(reader, 200, 5000);
    ASSERT_EQ(3u, lines.size());
    EXPECT_EQ("PVTwo", lines[2]);
    EXPECT_TRUE(phone::readLinesUntilQuiet(reader, 50, 5000).empty());
}

}  // namespace
