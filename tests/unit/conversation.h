// The phone's side of a running conversation, for the command tests: start the
// plug-in, send lines, and read what the host was asked, in order.
#pragma once

#include <string>
#include <vector>

#include "harness.h"

class ConversationTest : public PluginTest {
protected:
    void SetUp() override {
        PluginTest::SetUp();
        host->playlist = {{"C:\\Music\\one.mp3", "One"}, {"C:\\Music\\two.mp3", "Two"}};
        host->current = 0;
        host->playState = 1;
        host->positionMs = 5000;
        host->lengthSeconds = 180;
        sim::setIniValue(host->iniPath, "Winamp", "volume", "200");
    }

    void start() { ASSERT_EQ(startPlugin(), 0); }

    // The host's request log, read on the thread that writes it.
    std::vector<std::string> requests() {
        std::vector<std::string> copy;
        sim::runOnUiThread([&] { copy = host->requestLog; });
        return copy;
    }
    void clearRequests() {
        sim::runOnUiThread([&] { host->clearLog(); });
    }
    // Runs on the host's user-interface thread (host model changes, hook traffic).
    template <typename Work>
    void onUi(Work work) {
        sim::runOnUiThread(work);
    }

    // Sends `lines` as one burst and returns every line the plug-in sent until
    // it was quiet again: the replies, and the pushes the lines led to.
    std::vector<std::string> sendThenSync(const std::vector<std::string>& lines) {
        std::string burst;
        for (const std::string& line : lines) burst += line + "\n";
        phone.send(burst);
        settle();
        return phone.takeLines();
    }

    // Takes `count` lines the plug-in sends unasked, then settles.
    std::vector<std::string> pushed(int count) {
        EXPECT_TRUE(phone.waitForLines(count, 5000)) << "waiting for " << count << " pushed lines";
        std::vector<std::string> lines = phone.takeLines();
        settle();
        return lines;
    }

    // Waits until the plug-in has taken every line sent so far and the
    // conversation loop has handled every mark made so far.
    void settle() { EXPECT_TRUE(phone.waitForQuiet()) << "the plug-in did not come back to reading"; }

    // The sleep timer's state as command 59 reports it.
    std::string timerState() {
        std::vector<std::string> lines = exchange("59", 1);
        return lines.empty() ? "<none>" : lines.back();
    }
};
