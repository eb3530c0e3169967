// How the Linux build's Windows-shaped wire paths map to local folders and to
// MPD's song names, and which texts it refuses to map at all.
#include <gtest/gtest.h>

#include "platform/posix/wire_paths.h"

namespace {

const wirepaths::Roots roots = {{'M', "/srv/music"}, {'P', "/home/u/.local/share/quillon/playlists"}};

std::string local(const std::string& wire) {
    std::string out = "(refused)";
    wirepaths::localFromWire(roots, wire, &out);
    return out;
}

TEST(WirePaths, MapsBelowTheirRootsOnly) {
    EXPECT_EQ(local("M:\\Artist\\Album\\01 One.flac"), "/srv/music/Artist/Album/01 One.flac");
    EXPECT_EQ(local("m:\\Artist\\"), "/srv/music/Artist");
    EXPECT_EQ(local("M:\\"), "/srv/music");
    EXPECT_EQ(local("M:"), "/srv/music");
    EXPECT_EQ(local("P:\\road trip.m3u"), "/home/u/.local/share/quillon/playlists/road trip.m3u");
    // Names that climb out, or that Linux would split, never reach the disk.
    for (const char* wire : {"M:\\..\\etc\\passwd", "M:\\a\\..\\..\\x", "M:\\.\\a", "M:\\a\\\\b", "M:\\a/../../x",
                             "M:\\a\x01", "D:\\a", "M", "", ":\\a", "1:\\a"})
        EXPECT_EQ(local(wire), "(refused)") << wire;
}

TEST(WirePaths, LocalPathsAndSongNamesComeBackAsTheyWent) {
    std::string wire;
    ASSERT_TRUE(wirepaths::wireFromLocal(roots, "/srv/music/Artist/01.flac", &wire));
    EXPECT_EQ(wire, "M:\\Artist\\01.flac");
    ASSERT_TRUE(wirepaths::wireFromLocal(roots, "/srv/music", &wire));
    EXPECT_EQ(wire, "M:\\");
    EXPECT_FALSE(wirepaths::wireFromLocal(roots, "/srv/musicals/a.mp3", &wire));
    EXPECT_FALSE(wirepaths::wireFromLocal(roots, "/srv/music/back\\slash.mp3", &wire));

    std::string uri;
    ASSERT_TRUE(wirepaths::musicUriFromWire("M:\\Artist\\01.flac", &uri));
    EXPECT_EQ(uri, "Artist/01.flac");
    ASSERT_TRUE(wirepaths::wireFromMusicUri(uri, &wire));
    EXPECT_EQ(wire, "M:\\Artist\\01.flac");
    EXPECT_FALSE(wirepaths::musicUriFromWire("M:\\", &uri));
    EXPECT_FALSE(wirepaths::musicUriFromWire("P:\\a.m3u", &uri));
    EXPECT_FALSE(wirepaths::wireFromMusicUri("http://radio.example/stream", &wire));
    EXPECT_FALSE(wirepaths::wireFromMusicUri("/abs/a.mp3", &wire));
}

}  // namespace
