// A short end-to-end run for the worlds beside the main one: the 32-bit DLL
// in a prefix of 32-bit Windows (QUILLON_WINEARCH=win32), and the 64-bit twin
// of the DLL in its own test host. Start, the version, one list, quit.
#include <gtest/gtest.h>

#include <fstream>

#include "tests/e2e/wine_fixture.h"

namespace {

using e2e::Lines;

class WineSmoke : public e2e::WineScenario {};

TEST_F(WineSmoke, StartVersionListAndQuit) {
    std::ofstream(e2e::winePaths().prefix + "/drive_c/quillon/library.txt", std::ios::binary | std::ios::trunc)
        << "C:\\Music\\sos.mp3|SOS|Greatest Hits|ABBA|Pop\n"
           "C:\\Music\\robinson.mp3|Mrs. Robinson|Bookends|Simon & Garfunkel|Folk\n"
           "C:\\Music\\demo1.mp3|Demo One||Garage Kid|Rock\n";
    ASSERT_TRUE(host.start("[Quillon Bluetooth remote control]\nportName=COM7\n", "com7",
                           {"--library-file", "C:\\quillon\\library.txt"}));
    ASSERT_EQ("library 3 records", host.waitFor("library ", 60000)) << host.transcript();
    ASSERT_EQ("init 0", host.waitFor("init ", 60000)) << host.transcript();
    EXPECT_EQ(Lines{"KWinamp 22118 running!"}, ask("27", 1));
    EXPECT_EQ((Lines{"PA", "PVABBA", "PVGarage Kid", "PVSimon & Garfunkel"}), ask("31", 4));
    ASSERT_TRUE(host.quit()) << host.transcript();
    EXPECT_EQ(Lines{"X"}, host.phoneReplies(1500));
    EXPECT_NE(std::string::npos, host.transcript().find("unload 1")) << host.transcript();
}

}  // namespace

int main(int argc, char** argv) {
    testing::InitGoogleTest(&argc, argv);
    testing::AddGlobalTestEnvironment(new e2e::PrefixEnvironment);
    return RUN_ALL_TESTS();
}
