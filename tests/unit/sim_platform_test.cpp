// The simulated platform behaves as the Windows calls it stands in for, so the
// plug-in's tests over it mean something.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "platform/platform.h"
#include "platform/sim/sim.h"

namespace {

using Clock = std::chrono::steady_clock;

long long millisecondsSince(Clock::time_point start) {
    return std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count();
}

class SimPlatformTest : public ::testing::Test {
protected:
    void SetUp() override { sim::reset(); }
    void TearDown() override { sim::reset(); }
};

// ---- user-interface thread and windows ----------------------------------------

struct Delivery {
    unsigned int message;
    bool onUiThread;
};
std::vector<Delivery> hookLog;

platform::WindowProcedure previousProcedure = nullptr;

platform::LResult PLATFORM_CALLBACK hookProcedure(platform::WindowHandle window, unsigned int message,
                                                  platform::WParam wParam, platform::LParam lParam) {
    hookLog.push_back({message, sim::onUiThread()});
    return platform::callWindowProcedure(previousProcedure, window, message, wParam, lParam);
}

TEST_F(SimPlatformTest, SendsFromAWorkerAreHandledInOrderOnTheUiThreadWhileItPumps) {
    hookLog.clear();
    std::vector<Delivery> handled;  // touched only on the UI thread
    platform::WindowHandle window = nullptr;
    sim::runOnUiThread([&] {
        window = sim::createWindow([&handled](unsigned int message, platform::WParam wParam, platform::LParam) {
            handled.push_back({message, sim::onUiThread()});
            return static_cast<platform::LResult>(wParam * 2);
        });
        previousProcedure = platform::subclassWindow(window, hookProcedure);
    });
    EXPECT_EQ(platform::currentWindowProcedure(window), hookProcedure);

    // The worker's sends block until handled; the UI thread waits for the
    // worker the way quit does, letting sent messages through all the while.
    std::atomic<int> workerDone{0};
    std::vector<platform::LResult> answers;
    std::thread worker([&] {
        for (unsigned int message = 1; message <= 50; ++message) {
            answers.push_back(platform::sendMessage(window, 1000 + message, message, 0));
        }
        workerDone = 1;
    });
    sim::runOnUiThread([&] {
        while (workerDone == 0) platform::waitForSentMessages(1);
    });
    worker.join();

    ASSERT_EQ(handled.size(), 50u);
    ASSERT_EQ(hookLog.size(), 50u);
    for (unsigned int i = 0; i < 50; ++i) {
        EXPECT_EQ(hookLog[i].message, 1001 + i) << "the hook sees every message first";
        EXPECT_EQ(handled[i].message, 1001 + i) << "and in the order sent";
        EXPECT_TRUE(handled[i].onUiThread);
        EXPECT_EQ(answers[i], static_cast<platform::LResult>(2 * (i + 1)));
    }

    // A send from the UI thread itself is a plain call; a gone window answers 0.
    sim::runOnUiThread([&] { EXPECT_EQ(platform::sendMessage(window, 7, 21, 0), 42); });
    sim::destroyWindow(window);
    EXPECT_EQ(platform::currentWindowProcedure(window), nullptr);
    EXPECT_EQ(platform::sendMessage(window, 7, 21, 0), 0);
    EXPECT_EQ(platform::subclassWindow(window, hookProcedure), nullptr);
}

TEST_F(SimPlatformTest, UiThreadRunsWorkOneItemAtATimeAndIdleSendsNeedNoPump) {
    std::atomic<int> inside{0};
    std::atomic<int> overlaps{0};
    platform::WindowHandle window = sim::createWindow([&](unsigned int, platform::WParam, platform::LParam) {
        if (++inside > 1) ++overlaps;
        platform::sleepMs(1);
        --inside;
        return platform::LResult{1};
    });
    std::vector<std::thread> senders;
    std::atomic<int> answered{0};
    for (int t = 0; t < 4; ++t) {
        senders.emplace_back([&] {
            for (int i = 0; i < 20; ++i) answered += static_cast<int>(platform::sendMessage(window, 5, 0, 0));
        });
    }
    for (std::thread& sender : senders) sender.join();
    EXPECT_EQ(answered, 80);
    EXPECT_EQ(overlaps, 0);
    EXPECT_FALSE(sim::onUiThread());
    bool ranOnUi = false;
    sim::runOnUiThread([&] { ranOnUi = sim::onUiThread(); });
    EXPECT_TRUE(ranOnUi);
}

// ---- serial lines --------------------------------------------------------------

TEST_F(SimPlatformTest, PortsOpenExclusivelyThroughTheirDevicePath) {
    sim::addSerialPort("COM6");
    sim::addSerialPort("COM12");

    platform::PortHandle port = platform::openSerialPort("com6");
    ASSERT_NE(port, nullptr);
    EXPECT_EQ(sim::lastOpenedDevicePath(), "\\\\.\\com6");
    EXPECT_TRUE(sim::portIsOpen("COM6"));
    EXPECT_EQ(platform::openSerialPort("COM6"), nullptr) << "share mode 0";
    EXPECT_EQ(platform::openSerialPort("\\\\.\\COM6"), nullptr);

    EXPECT_EQ(platform::openSerialPort("COM7"), nullptr);
    EXPECT_EQ(sim::lastOpenedDevicePath(), "\\\\.\\COM7");
    EXPECT_EQ(platform::openSerialPort("COM1"), nullptr) << "COM1 is not a prefix match of COM12";

    platform::PortHandle twelve = platform::openSerialPort("COM12");
    EXPECT_NE(twelve, nullptr);
    EXPECT_NE(twelve, port);

    platform::closeSerialPort(port);
    EXPECT_FALSE(sim::portIsOpen("COM6"));
    char byte = 0;
    std::uint32_t count = 7;
    EXPECT_FALSE(platform::readSerialPort(port, &byte, 1, &count)) << "a closed handle is gone";
    EXPECT_EQ(count, 0u);
    platform::PortHandle again = platform::openSerialPort("COM6");
    EXPECT_NE(again, nullptr);
    EXPECT_NE(again, port) << "handles are never reused";
    platform::closeSerialPort(again);
    platform::closeSerialPort(twelve);
}

TEST_F(SimPlatformTest, ReadsReturnABurstAtOnceAndNothingAfterTheIdleTimeOut) {
    sim::addSerialPort("COM6");
    sim::Phone phone("COM6");
    platform::PortHandle port = platform::openSerialPort("COM6");
    ASSERT_NE(port, nullptr);
    char buffer[16];
    std::uint32_t count = 0;

    // Bursts come one per read, oldest first; one too big for the read is split.
    phone.send("12 \n");
    phone.send("abcdefgh");
    ASSERT_TRUE(platform::readSerialPort(port, buffer, sizeof buffer, &count));
    EXPECT_EQ(std::string(buffer, count), "12 \n");
    ASSERT_TRUE(platform::readSerialPort(port, buffer, 5, &count));
    EXPECT_EQ(std::string(buffer, count), "abcde");
    ASSERT_TRUE(platform::readSerialPort(port, buffer, sizeof buffer, &count));
    EXPECT_EQ(std::string(buffer, count), "fgh");

    // A silent line: nothing, and not before the idle time-out.
    sim::setReadIdleMs(60);
    Clock::time_point start = Clock::now();
    ASSERT_TRUE(platform::readSerialPort(port, buffer, sizeof buffer, &count));
    EXPECT_EQ(count, 0u);
    EXPECT_GE(millisecondsSince(start), 60);

    // A burst that arrives while a read waits ends the wait with that burst.
    sim::setReadIdleMs(20000);
    std::thread sender([&phone] {
        platform::sleepMs(30);
        phone.send("5 x\n");
    });
    start = Clock::now();
    ASSERT_TRUE(platform::readSerialPort(port, buffer, sizeof buffer, &count));
    sender.join();
    EXPECT_EQ(std::string(buffer, count), "5 x\n");
    EXPECT_LT(millisecondsSince(start), 20000);

    sim::readsReturnAtOnce(true);
    ASSERT_TRUE(platform::readSerialPort(port, buffer, sizeof buffer, &count));
    EXPECT_EQ(count, 0u);
    sim::failReads(true);
    phone.send("kept\n");
    EXPECT_FALSE(platform::readSerialPort(port, buffer, sizeof buffer, &count));
    sim::failReads(false);
    ASSERT_TRUE(platform::readSerialPort(port, buffer, sizeof buffer, &count));
    EXPECT_EQ(std::string(buffer, count), "kept\n") << "a failed read loses nothing";
    EXPECT_EQ(sim::readCallCount(), 8u);
    platform::closeSerialPort(port);
}

TEST_F(SimPlatformTest, WriteFaultsAreInjectedAndThePhoneSeesOnlyWhatWasTaken) {
    sim::addSerialPort("COM6");
    sim::Phone phone("COM6");
    platform::PortHandle port = platform::openSerialPort("COM6");
    ASSERT_NE(port, nullptr);
    std::uint32_t written = 99;

    sim::failNextWrites(2);
    EXPECT_FALSE(platform::writeSerialPort(port, "A", 1, &written));
    EXPECT_EQ(written, 0u);
    EXPECT_FALSE(platform::writeSerialPort(port, "A", 1, &written));
    EXPECT_TRUE(platform::writeSerialPort(port, "A", 1, &written));
    EXPECT_EQ(written, 1u);

    sim::takeNothingOnNextWrites(1);
    EXPECT_TRUE(platform::writeSerialPort(port, "B", 1, &written));
    EXPECT_EQ(written, 0u);

    sim::limitWriteSize(3);
    EXPECT_TRUE(platform::writeSerialPort(port, "CDEFG\n", 6, &written));
    EXPECT_EQ(written, 3u);
    sim::limitWriteSize(0);
    EXPECT_TRUE(platform::writeSerialPort(port, "\nPQ", 3, &written));
    EXPECT_EQ(phone.received(), "ACDE\nPQ");
    EXPECT_EQ(sim::writeCallCount(), 6u);

    // Complete lines are taken, the partial one waits for its LF.
    EXPECT_TRUE(phone.waitForLines(1, 10));
    EXPECT_FALSE(phone.waitForLines(2, 10));
    EXPECT_EQ(phone.takeLines(), (std::vector<std::string>{"ACDE"}));
    EXPECT_EQ(phone.takeReceived(), "PQ");

    // A held write blocks its caller until released, then completes.
    sim::holdWrites(true);
    std::atomic<int> result{-1};  // -1 while the write has not returned
    std::thread writer([&] {
        std::uint32_t count = 0;
        result = platform::writeSerialPort(port, "Z\n", 2, &count) ? 1 : 0;
    });
    EXPECT_FALSE(phone.waitForBytes(1, 50));
    EXPECT_EQ(result, -1);
    sim::holdWrites(false);
    EXPECT_TRUE(phone.waitForLines(1, 2000));
    writer.join();
    EXPECT_EQ(result, 1);
    EXPECT_EQ(phone.takeLines(), (std::vector<std::string>{"Z"}));
    platform::closeSerialPort(port);
}

// ---- files -----------------------------------------------------------------------

std::vector<std::string> listing(const char* pattern) {
    std::vector<std::string> names;
    platform::FindEntry entry{};
    platform::FindHandle search = platform::findFirstFile(pattern, &entry);
    if (search == nullptr) return names;
    do {
        names.push_back(std::string(entry.name) + ((entry.attributes & platform::attributeDirectory) ? "/" : ""));
    } while (platform::findNextFile(search, &entry));
    platform::findClose(search);
    return names;
}

TEST_F(SimPlatformTest, FindFirstFileMatchesMasksAsWindowsDoesInInsertionOrder) {
    sim::addFile("C:\\Music\\z.mp3");
    sim::addFolder("C:\\Music\\Live");
    sim::addFile("C:\\Music\\B.MP3");
    sim::addFile("C:\\Music\\c.mp3x");
    sim::addFile("C:\\Music\\README");
    sim::addFolder("C:\\Music\\Old.mp3");
    sim::addFile("C:\\Music\\.hidden.mp3");

    using Names = std::vector<std::string>;
    EXPECT_EQ(listing("C:\\Music\\*"),
              (Names{"./", "../", "z.mp3", "Live/", "B.MP3", "c.mp3x", "README", "Old.mp3/", ".hidden.mp3"}));
    EXPECT_EQ(listing("c:\\MUSIC\\*.mp3"), (Names{"z.mp3", "B.MP3", "Old.mp3/", ".hidden.mp3"}));
    EXPECT_EQ(listing("C:\\Music\\*."), (Names{"./", "../", "Live/", "README"}));
    EXPECT_EQ(listing("C:\\Music\\*.wav"), Names{});
    EXPECT_EQ(listing("C:\\Nowhere\\*"), Names{});
    EXPECT_EQ(listing("C:\\Music\\z.mp3\\*"), Names{}) << "a file is no folder";
    EXPECT_EQ(listing("C:\\*"), (Names{"Music/"})) << "a root has no dot entries";
    EXPECT_EQ(listing("C:\\*."), (Names{"Music/"})) << "a root has no dot entries";
    EXPECT_EQ(listing("C:\\Music\\Live\\..\\*.mp3x"), (Names{"c.mp3x"}));
    EXPECT_EQ(sim::searchesStarted(), 9u) << "each search, found or not, is one pass";
    EXPECT_EQ(listing((std::string("C:\\") + std::string(300, 'a') + "\\*").c_str()), Names{});
    EXPECT_EQ(sim::searchesStarted(), 9u) << "a pattern that is no path runs no search";
    EXPECT_EQ(sim::liveSearchCount(), 0);
}

TEST_F(SimPlatformTest, CopyNeverOverwritesAndDrivesReportTypeAndLabel) {
    sim::addFile("C:\\Winamp\\winamp.m3u", "#EXTM3U\r\n");
    sim::addFolder("C:\\Music");
    EXPECT_TRUE(platform::copyFileNoOverwrite("C:\\Winamp\\winamp.m3u", "C:\\Music\\Party.m3u"));
    EXPECT_EQ(sim::fileContents("c:\\music\\PARTY.M3U"), "#EXTM3U\r\n");
    sim::addFile("C:\\Winamp\\winamp.m3u", "changed");
    EXPECT_FALSE(platform::copyFileNoOverwrite("C:\\Winamp\\winamp.m3u", "C:\\Music\\party.m3u"));
    EXPECT_EQ(sim::fileContents("C:\\Music\\Party.m3u"), "#EXTM3U\r\n");
    EXPECT_FALSE(platform::copyFileNoOverwrite("C:\\Winamp\\missing.m3u", "C:\\Music\\b.m3u"));
    EXPECT_FALSE(platform::copyFileNoOverwrite("C:\\Winamp\\winamp.m3u", "C:\\Gone\\b.m3u"));
    EXPECT_FALSE(platform::copyFileNoOverwrite("C:\\Winamp\\winamp.m3u", "C:\\Music\\a?b.m3u"));
    sim::failNextCopy();
    EXPECT_FALSE(platform::copyFileNoOverwrite("C:\\Winamp\\winamp.m3u", "C:\\Music\\b.m3u"));
    EXPECT_TRUE(platform::copyFileNoOverwrite("C:\\Winamp\\winamp.m3u", "C:\\Music\\.m3u"));

    sim::addDrive('D', platform::driveCdRom, "Disc", false);
    sim::addDrive('c', platform::driveFixed, "System");
    char roots[16];
    std::memset(roots, '#', sizeof roots);
    EXPECT_EQ(platform::logicalDriveStrings(roots, 8), 8u);
    EXPECT_EQ(roots[0], '#') << "nothing written when it does not fit";
    EXPECT_EQ(platform::logicalDriveStrings(roots, 9), 8u);
    EXPECT_EQ(std::string(roots, 9), std::string("C:\\\0D:\\\0\0", 9));
    EXPECT_EQ(platform::driveType("C:\\"), platform::driveFixed);
    EXPECT_EQ(platform::driveType("E:\\"), 1u);
    char label[4];
    EXPECT_TRUE(platform::volumeLabel("C:\\", label, sizeof label));
    EXPECT_STREQ(label, "Sys");
    EXPECT_FALSE(platform::volumeLabel("D:\\", label, sizeof label));

    // The shared read is a text-mode copy; the log is a real file to read back.
    std::FILE* file = platform::openSharedForReading("C:\\Music\\Party.m3u");
    ASSERT_NE(file, nullptr);
    char text[16] = {};
    EXPECT_EQ(std::fread(text, 1, sizeof text, file), 8u);
    EXPECT_STREQ(text, "#EXTM3U\n");
    std::fclose(file);
    sim::failNextFileOpen();
    EXPECT_EQ(platform::openSharedForReading("C:\\Music\\Party.m3u"), nullptr);
    EXPECT_NE(file = platform::openSharedForReading("C:\\Music\\Party.m3u"), nullptr);
    std::fclose(file);
    std::FILE* log = platform::openActivityLog("c:\\peltaris.txt");
    ASSERT_NE(log, nullptr);
    std::fputs("0 : start ok\n", log);
    std::fclose(log);
    EXPECT_TRUE(sim::activityLogCreated());
    EXPECT_EQ(sim::activityLogText(), "0 : start ok\n");
}

// ---- dialogs, menus, settings -------------------------------------------------

char chosenPort[16] = "com2";

platform::IntPtr PLATFORM_CALLBACK portDialog(platform::WindowHandle dialog, unsigned int message,
                                              platform::WParam wParam, platform::LParam) {
    platform::WindowHandle list = platform::dialogItem(dialog, 1001);
    if (message == platform::messageInitDialog) {
        for (int i = 1; i <= 20; ++i) {
            std::string name = "COM" + std::to_string(i);
            platform::sendMessage(list, platform::listBoxAddString, 0,
                                  reinterpret_cast<platform::LParam>(name.c_str()));
        }
        platform::sendMessage(list, platform::listBoxSelectString, static_cast<platform::WParam>(-1),
                              reinterpret_cast<platform::LParam>(chosenPort));
        return 1;
    }
    if (message != platform::messageCommand) return 0;
    if ((wParam & 0xFFFF) == 1) {
        auto selection = platform::sendMessage(list, platform::listBoxGetCurSel, 0, 0);
        if (selection != platform::listBoxError) {
            platform::sendMessage(list, platform::listBoxGetText, static_cast<platform::WParam>(selection),
                                  reinterpret_cast<platform::LParam>(chosenPort));
        }
        platform::endDialog(dialog, 1);
    } else if ((wParam & 0xFFFF) == 2) {
        platform::endDialog(dialog, 0);
    }
    return 1;
}

platform::IntPtr PLATFORM_CALLBACK stubbornDialog(platform::WindowHandle, unsigned int, platform::WParam,
                                                  platform::LParam) {
    return 0;
}

TEST_F(SimPlatformTest, DialogListBoxSelectsTheFirstPrefixMatchAndScriptsDriveIt) {
    std::vector<std::string> items;
    int selectedAtStart = -2;
    sim::setDialogScript([&](platform::WindowHandle dialog) {
        items = sim::listBoxItems(dialog, 1001);
        selectedAtStart = sim::listBoxSelection(dialog, 1001);
        sim::selectListBoxItem(dialog, 1001, 4);
        sim::dialogCommand(dialog, 1);
    });
    EXPECT_EQ(platform::runDialog(nullptr, 101, nullptr, portDialog), 1);
    ASSERT_EQ(items.size(), 20u);
    EXPECT_EQ(items[19], "COM20");
    EXPECT_EQ(selectedAtStart, 1) << "com2 selects COM2, not COM20";
    EXPECT_STREQ(chosenPort, "COM5");
    EXPECT_EQ(sim::lastDialogTemplate(), 101);

    std::strcpy(chosenPort, "COM99");
    sim::setDialogScript([](platform::WindowHandle dialog) { sim::dialogCommand(dialog, 1); });
    EXPECT_EQ(platform::runDialog(nullptr, 101, nullptr, portDialog), 1);
    EXPECT_STREQ(chosenPort, "COM99") << "OK without a selection keeps the name";

    sim::setDialogScript(nullptr);
    EXPECT_EQ(platform::runDialog(nullptr, 101, nullptr, portDialog), 0) << "left open: cancelled";
    EXPECT_EQ(sim::lastDialogResult(), 0);
    EXPECT_EQ(platform::runDialog(nullptr, 101, nullptr, stubbornDialog), -1);
}

TEST_F(SimPlatformTest, MenusSettingsAndTimersKeepWhatTheyAreGiven) {
    platform::MenuHandle menu = platform::createMenu();
    platform::MenuHandle playlists = platform::createMenu();
    platform::appendMenuItem(menu, "Library", nullptr);
    platform::appendMenuItem(menu, "Playlists", playlists);
    platform::appendMenuItem(playlists, "A rather long playlist title", nullptr);
    EXPECT_EQ(platform::menuItemCount(menu), 2);
    EXPECT_EQ(platform::subMenu(menu, 1), playlists);
    EXPECT_EQ(platform::subMenu(menu, 0), nullptr);
    char text[8];
    EXPECT_EQ(platform::menuItemText(playlists, 0, text, sizeof text), 7);
    EXPECT_STREQ(text, "A rathe");
    EXPECT_EQ(platform::menuItemText(menu, 5, text, sizeof text), 0);
    EXPECT_STREQ(text, "");
    platform::destroyMenu(menu);
    EXPECT_EQ(sim::liveMenuCount(), 0) << "sub-menus go with their menu";
    EXPECT_EQ(platform::menuItemCount(menu), -1);

    sim::setIniValue("C:\\W\\winamp.ini", "Winamp", "volume", " -42x");
    EXPECT_EQ(platform::readIniInt("winamp", "VOLUME", 100, "c:\\w\\WINAMP.INI"), -42);
    sim::setIniValue("C:\\W\\winamp.ini", "Winamp", "volume", "loud");
    EXPECT_EQ(platform::readIniInt("Winamp", "volume", 100, "C:\\W\\winamp.ini"), 0);
    EXPECT_EQ(platform::readIniInt("Winamp", "missing", 100, "C:\\W\\winamp.ini"), 100);
    char port[6];
    EXPECT_EQ(platform::readIniString("Quillon", "portName", "COM6", port, sizeof port, "C:\\W\\winamp.ini"), 4u);
    EXPECT_STREQ(port, "COM6");
    EXPECT_TRUE(platform::writeIniString("Quillon", "portName", "COM123456", "C:\\W\\winamp.ini"));
    EXPECT_EQ(platform::readIniString("Quillon", "portName", "COM6", port, sizeof port, "C:\\W\\winamp.ini"), 5u);
    EXPECT_STREQ(port, "COM12");
    std::string stored;
    EXPECT_TRUE(sim::iniValue("c:\\w\\winamp.ini", "QUILLON", "portname", &stored));
    EXPECT_EQ(stored, "COM123456");

    char folder[8] = "keep";
    platform::readMyMusicFolder(folder, sizeof folder);
    EXPECT_STREQ(folder, "keep") << "no registry value leaves the buffer alone";
    sim::setMyMusicFolder("C:\\Users\\me\\Music");
    platform::readMyMusicFolder(folder, sizeof folder);
    EXPECT_STREQ(folder, "C:\\User");

    static std::atomic<int> ticks{0};
    ticks = 0;
    platform::TimerId timer =
        platform::startTimer(60000, [](platform::WindowHandle, unsigned int, platform::TimerId, platform::Dword) {
            if (sim::onUiThread()) ++ticks;
        });
    EXPECT_NE(timer, 0u);
    EXPECT_EQ(sim::liveTimerPeriods(), std::vector<std::uint32_t>{60000});
    sim::fireTimers();
    sim::fireTimers();
    EXPECT_EQ(ticks, 2);
    platform::stopTimer(timer);
    sim::fireTimers();
    EXPECT_EQ(ticks, 2);
    sim::failTimerStart(true);
    EXPECT_EQ(platform::startTimer(60000, nullptr), 0u);
    sim::setTickCount(123456);
    EXPECT_GE(platform::tickCount(), 123456u);
    EXPECT_LT(platform::tickCount(), 123456u + 1000u);
}

}  // namespace
