// Start and stop as the host drives them: settings, the serial port, the
// start-up failure, the end of the conversation and what quit leaves behind.

#include <chrono>
#include <string>
#include <thread>

#include "harness.h"
#include "plugin/host_hook.h"
#include "plugin/settings.h"

extern "C" host::PluginDescriptor* PLATFORM_CDECL winampGetMediaLibraryPlugin();

namespace {

using LifecycleTest = PluginTest;

std::string ini(const hostsim::ReferenceHost& host, const char* section, const char* key) {
    std::string value;
    if (!sim::iniValue(host.iniPath, section, key, &value)) return "<missing>";
    return value;
}

TEST_F(LifecycleTest, PortThatCannotBeOpenedFailsWithOneMessageBoxAndStartsNothing) {
    for (int attempt = 0; attempt < 2; ++attempt) {
        if (attempt == 0) {
            sim::setIniValue(host->iniPath, settingsSection, "portName", "COM9");  // no such port
        } else {
            // COM6 exists but another program holds it: the open is exclusive.
            sim::setIniValue(host->iniPath, settingsSection, "portName", "COM6");
            ASSERT_NE(platform::openSerialPort("COM6"), nullptr);
        }
        EXPECT_EQ(startPlugin(), -1);
        std::vector<sim::MessageBoxRecord> boxes = sim::messageBoxes();
        ASSERT_EQ(boxes.size(), static_cast<std::size_t>(attempt + 1));
        EXPECT_EQ(boxes.back().text, "Failed to open  COM port");
        EXPECT_EQ(boxes.back().caption, "Error!");
        EXPECT_EQ(boxes.back().owner, host->mainWindow);
        EXPECT_EQ(sim::threadsStarted(), 0);
        EXPECT_EQ(sim::liveTimerCount(), 0);
        EXPECT_FALSE(sim::activityLogCreated());
        platform::WindowProcedure current = nullptr;
        sim::runOnUiThread([&] { current = platform::currentWindowProcedure(host->mainWindow); });
        EXPECT_NE(current, &hostWindowProc);

        // Quit after the failure waits for nothing and still saves the name.
        const std::uint32_t start = platform::tickCount();
        stopPlugin();
        EXPECT_EQ(platform::tickCount() - start, 0u);
        EXPECT_EQ(phone.received(), "");
        resetPluginState();
        started = stopped = false;
    }
}

TEST_F(LifecycleTest, QuitEndsTheConversationSavesThePortAndUnhooksTheWindow) {
    ASSERT_EQ(startPlugin(), 0);
    EXPECT_TRUE(sim::portIsOpen("COM6"));
    EXPECT_EQ(sim::threadsStarted(), 1);
    EXPECT_EQ(sim::liveTimerCount(), 1);
    EXPECT_TRUE(sim::activityLogCreated());
    platform::WindowProcedure current = nullptr;
    sim::runOnUiThread([&] { current = platform::currentWindowProcedure(host->mainWindow); });
    EXPECT_EQ(current, &hostWindowProc);
    EXPECT_EQ(ini(*host, settingsSection, "portName"), "<missing>");

    stopPlugin();
    EXPECT_EQ(phone.received(), "X\n");
    EXPECT_EQ(pluginContext->flags.workerFinished, 1);
    EXPECT_FALSE(sim::portIsOpen("COM6"));
    EXPECT_EQ(sim::liveTimerCount(), 0);
    EXPECT_EQ(ini(*host, settingsSection, "portName"), "COM6");
    sim::runOnUiThread([&] { current = platform::currentWindowProcedure(host->mainWindow); });
    EXPECT_NE(current, &hostWindowProc);
    // The host window still answers through its own procedure.
    platform::LResult version = 0;
    sim::runOnUiThread(
        [&] { version = platform::sendMessage(host->mainWindow, platform::messageUser, 0, host::requestVersion); });
    EXPECT_EQ(version, host->version);

    std::string log = sim::activityLogText();
    EXPECT_NE(log.find(" : start COM6\n"), std::string::npos) << log;
    EXPECT_NE(log.find(" : stop COM6\n"), std::string::npos) << log;
}

TEST_F(LifecycleTest, APortThatRefusesItsTimeOutsStillServesAndTheLogSaysWhy) {
    sim::failPortSetup(true);
    ASSERT_EQ(startPlugin(), 0);
    phone.send("27\n");
    EXPECT_TRUE(phone.waitForLines(1, 2000));
    stopPlugin();
    std::string log = sim::activityLogText();
    EXPECT_NE(log.find(" : start COM6\n"), std::string::npos) << log;
    EXPECT_NE(log.find(" : port setup failed SetCommTimeouts\n"), std::string::npos) << log;
}

TEST_F(LifecycleTest, SettingsComeFromTheHostsIniFileWithDefaults) {
    // Nothing stored: every default.
    ASSERT_EQ(startPlugin(), 0);
    EXPECT_STREQ(pluginContext->settings.portName, "COM6");
    EXPECT_STREQ(pluginContext->settings.extensionList, "mp3::");
    EXPECT_EQ(pluginContext->flags.volume, 100);
    EXPECT_STREQ(pluginContext->settings.hostDirectory, "C:\\Program Files\\Winamp");
    EXPECT_STREQ(pluginContext->settings.myMusicFolder, "C:\\Users\\me\\Music");
    EXPECT_EQ(pluginContext->flags.statusPush, 0);
    stopPlugin();
    resetPluginState();

    sim::addSerialPort("COM12");
    sim::setIniValue(host->iniPath, settingsSection, "portName", "COM12");
    sim::setIniValue(host->iniPath, "Winamp", "config_extlist", "mp3:ogg");
    sim::setIniValue(host->iniPath, "Winamp", "volume", "0");
    sim::setHostProgramPath("C:\\Apps\\Player\\player.exe");
    sim::setMyMusicFolder("");
    sim::Phone phone12("COM12");
    started = stopped = false;
    ASSERT_EQ(startPlugin(), 0);
    EXPECT_EQ(sim::lastOpenedDevicePath(), "\\\\.\\COM12");
    EXPECT_STREQ(pluginContext->settings.extensionList, "mp3:ogg:");
    EXPECT_EQ(pluginContext->flags.volume, 0);
    EXPECT_STREQ(pluginContext->settings.hostDirectory, "C:\\Apps\\Player");
    EXPECT_STREQ(pluginContext->settings.myMusicFolder, "");
    stopPlugin();
    EXPECT_EQ(phone12.received(), "X\n");
    EXPECT_EQ(ini(*host, settingsSection, "portName"), "COM12");
}

TEST_F(LifecycleTest, OversizedSettingsAreCutSafely) {
    sim::setIniValue(host->iniPath, "Winamp", "config_extlist", std::string(1500, 'e'));
    sim::setIniValue(host->iniPath, settingsSection, "portName", "COM6" + std::string(30, '7'));
    EXPECT_EQ(startPlugin(), -1);  // the cut name names no port
    EXPECT_EQ(std::string(pluginContext->settings.portName).size(), 15u);
    std::string list = pluginContext->settings.extensionList;
    EXPECT_EQ(list.size(), 1023u);
    EXPECT_EQ(list.back(), ':');
}

TEST_F(LifecycleTest, HostWithoutAnIniAddressFallsBackToTheBareName) {
    host->answerIniPath = false;
    sim::setIniValue("winamp.ini", "Winamp", "volume", "42");
    ASSERT_EQ(startPlugin(), 0);
    EXPECT_STREQ(pluginContext->settings.iniPath, "winamp.ini");
    EXPECT_EQ(pluginContext->flags.volume, 42);
    stopPlugin();
    std::string value;
    EXPECT_TRUE(sim::iniValue("winamp.ini", settingsSection, "portName", &value));
    EXPECT_EQ(value, "COM6");
}

TEST_F(LifecycleTest, DescriptorIsWhatTheHostExpects) {
    host::PluginDescriptor* descriptor = winampGetMediaLibraryPlugin();
    ASSERT_EQ(descriptor, &pluginDescriptor);
    EXPECT_EQ(descriptor->version, 0x15);
    EXPECT_STREQ(descriptor->description, "Quillon Bluetooth remote control");
    EXPECT_EQ(descriptor->messageProc(1023, 0, 0, 0), 0);
}

}  // namespace

namespace {

TEST_F(LifecycleTest, QuitGivesUpOnAWorkerStuckOnADeadLinkAndTheWorkerStillEnds) {
    ASSERT_EQ(startPlugin(), 0);
    sim::holdWrites(true);  // the phone stopped reading: writes never complete
    phone.send("27\n");
    ASSERT_TRUE(waitForRequests(2));  // the version request went out; its line is stuck

    // The port's short write time-out cannot be set: the log says so, and the
    // abort still frees the worker.
    sim::failPortSetup(true);
    const std::uint32_t start = platform::tickCount();
    stopPlugin();
    const std::uint32_t took = platform::tickCount() - start;
    EXPECT_GE(took, quitWaitLimitMs);
    EXPECT_LT(took, quitWaitLimitMs + 1000);
    EXPECT_EQ(ini(*host, settingsSection, "portName"), "COM6");

    // The stuck write was aborted and the end-of-conversation bytes give up on
    // the dead link, so the worker ends and closes the port by itself, with
    // the link still stalled. (The real-time bound only guards against a hang.)
    for (int i = 0; i < 2000 && sim::threadsEnded() == 0; ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    EXPECT_EQ(sim::threadsEnded(), 1);
    EXPECT_EQ(pluginContext->flags.workerFinished, 1);
    EXPECT_FALSE(sim::portIsOpen("COM6"));
    EXPECT_EQ(phone.received(), "");
    EXPECT_NE(sim::activityLogText().find(" : stop port abort incomplete\n"), std::string::npos);
}

}  // namespace
