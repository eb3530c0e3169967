// The phone's side of a running conversation, for the command tests: start the
// plug-in, send lines, and read what the host was asked, in order.
#pragma once

#include <chrono>
#include <iterator>
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

    // Sends `lines` and then command 27, whose reply marks the point where
    // everything before it has been carried out. Returns the reply lines that
    // came before the marker, and takes the marker's traffic out of the host's
    // log so that the log shows only what `lines` asked for. The version query
    // carries wParam 0, so with the status push on the marker is followed by a
    // now-playing line of its own; that line is taken too.
    std::vector<std::string> sendThenSync(const std::vector<std::string>& lines) {
        std::string burst;
        for (const std::string& line : lines) burst += line + "\n";
        phone.send(burst + "27\n");
        std::vector<std::string> before;
        bool markerSeen = false;
        bool done = false;
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
        while (!done && std::chrono::steady_clock::now() < deadline) {
            if (!phone.waitForLines(1, 50)) continue;
            for (std::string& line : phone.takeLines()) {
                if (!markerSeen && line.rfind("KWinamp ", 0) == 0) {
                    markerSeen = true;
                    done = pluginContext->statusPush == 0;
                } else if (markerSeen && line[0] == 'J') {
                    done = true;
                } else {
                    before.push_back(std::move(line));
                }
                if (done) break;
            }
        }
        if (done) {
            forgetMarkerTraffic();
            settle();
            return before;
        }
        ADD_FAILURE() << "no answer to the marker command";
        return before;
    }

    // Takes `count` lines the plug-in sends unasked, then settles.
    std::vector<std::string> pushed(int count) {
        EXPECT_TRUE(phone.waitForLines(count, 5000)) << "waiting for " << count << " pushed lines";
        std::vector<std::string> lines = phone.takeLines();
        settle();
        return lines;
    }

    // A pushed line reaches the phone before the worker clears the mark that
    // caused it, and a change the hook marks in between is absorbed by design.
    // Tests that cause one change after another wait here for the marks to be
    // cleared first, so that each change gets its own line.
    void settle() {
        for (int waited = 0; waited < 2000; waited += 1) {
            const bool volumeOwed = pluginContext->volumeChanged != 0;
            const bool statusOwed = pluginContext->statusPush != 0 && pluginContext->playStateChanged != 0;
            if (!volumeOwed && !statusOwed) return;
            platform::sleepMs(1);
        }
        ADD_FAILURE() << "the worker did not clear its marks";
    }

    // The sleep timer's state as command 59 reports it.
    std::string timerState() {
        std::vector<std::string> lines = exchange("59", 1);
        return lines.empty() ? "<none>" : lines.back();
    }

private:
    void forgetMarkerTraffic() {
        sim::runOnUiThread([&] {
            std::vector<std::string>& log = host->requestLog;
            for (auto it = log.rbegin(); it != log.rend(); ++it) {
                if (*it == "user 0 0") {
                    log.erase(std::next(it).base(), log.end());
                    return;
                }
            }
        });
    }
};
