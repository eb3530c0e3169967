// A fresh simulated world for each test: the reference host behind two sim
// windows, a serial line "COM6" with the phone at its end, and the plug-in
// started and stopped on the simulated user-interface thread.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "core/context.h"
#include "hostsim/reference_host.h"
#include "platform/sim/sim.h"
#include "plugin/lifecycle.h"

// Reply lines and host requests, one string each, as the tests compare them.
using Lines = std::vector<std::string>;

// Two runs of lines, one after the other.
inline Lines operator+(Lines a, const Lines& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

// The lines as the phone receives them: each with its LF. Comparing the whole
// text shows where two long runs of lines part.
inline std::string joined(const Lines& lines) {
    std::string text;
    for (const std::string& line : lines) text += line + "\n";
    return text;
}

// A context of its own with the port "COM6" open, the plug-in not started: for
// the tests that drive the link and the lists directly.
inline void openLinkContext() {
    pluginContext = new PluginContext;
    pluginContext->host.port = platform::openSerialPort("COM6");
    ASSERT_NE(pluginContext->host.port, nullptr);
}

inline void closeLinkContext() {
    platform::closeSerialPort(pluginContext->host.port);
    resetPluginState();
}

// The link alone: a fresh simulated world with the line "COM6" and the phone
// at its end.
class LinkTest : public ::testing::Test {
protected:
    void SetUp() override {
        sim::reset();
        resetPluginState();
        sim::addSerialPort("COM6");
        openLinkContext();
    }
    void TearDown() override {
        closeLinkContext();
        sim::reset();
    }
    sim::Phone phone{"COM6"};
};

class PluginTest : public ::testing::Test {
protected:
    void SetUp() override {
        sim::reset();
        resetPluginState();
        sim::setReadIdleMs(2);
        sim::setHostProgramPath("C:\\Program Files\\Winamp\\winamp.exe");
        sim::setMyMusicFolder("C:\\Users\\me\\Music");
        sim::addFolder("C:\\Users\\me\\Music");
        sim::addFolder("C:\\Program Files\\Winamp");
        sim::addSerialPort("COM6");
        host = std::make_unique<hostsim::ReferenceHost>();
        hostsim::ReferenceHost* h = host.get();
        sim::runOnUiThread([h] {
            platform::WindowHandle main = sim::createWindow(
                [h](unsigned int m, platform::WParam w, platform::LParam l) { return h->mainWindowMessage(m, w, l); });
            platform::WindowHandle library =
                sim::createWindow([h](unsigned int m, platform::WParam w, platform::LParam l) {
                    return h->libraryWindowMessage(m, w, l);
                });
            h->attach(main, library);
        });
        pluginDescriptor.hostWindow = host->mainWindow;
        pluginDescriptor.libraryParent = host->libraryWindow;
        pluginDescriptor.dllInstance = nullptr;
    }

    void TearDown() override {
        if (started && !stopped) stopPlugin();
        sim::reset();
    }

    int startPlugin() {
        int result = 0;
        sim::runOnUiThread([&result] { result = pluginDescriptor.init(); });
        started = true;
        return result;
    }

    void stopPlugin() {
        sim::runOnUiThread([] { pluginDescriptor.quit(); });
        stopped = true;
    }

    // Sends one command line (LF added) and waits for `replies` reply lines.
    std::vector<std::string> exchange(const std::string& line, int replies, int timeoutMs = 2000) {
        phone.send(line + "\n");
        EXPECT_TRUE(phone.waitForLines(replies, timeoutMs)) << "waiting for replies to " << line;
        return phone.takeLines();
    }

    // Waits until the host has logged `count` requests (the plug-in's sends are
    // synchronous, so a logged request has been handled).
    bool waitForRequests(std::size_t count, int timeoutMs = 2000);

    std::unique_ptr<hostsim::ReferenceHost> host;
    sim::Phone phone{"COM6"};
    bool started = false;
    bool stopped = false;
};

inline bool PluginTest::waitForRequests(std::size_t count, int timeoutMs) {
    for (int waited = 0; waited <= timeoutMs; waited += 5) {
        bool enough = false;
        sim::runOnUiThread([&] { enough = host->requestLog.size() >= count; });
        if (enough) return true;
        platform::sleepMs(5);
    }
    return false;
}
