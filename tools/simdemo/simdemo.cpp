// Starts the plug-in natively against the reference host, sends the command
// lines given as arguments (default: "27" and "18") from a scripted phone and
// shows what came back, then stops the plug-in.

#include <cstdio>
#include <string>
#include <vector>

#include "core/context.h"
#include "hostsim/reference_host.h"
#include "platform/sim/sim.h"
#include "plugin/lifecycle.h"

int main(int argc, char** argv) {
    std::vector<std::string> lines;
    for (int i = 1; i < argc; ++i) lines.push_back(argv[i]);
    if (lines.empty()) lines = {"27", "18"};

    sim::reset();
    sim::setReadIdleMs(50);
    sim::setHostProgramPath("C:\\Program Files\\Winamp\\winamp.exe");
    sim::addSerialPort("COM6");
    hostsim::ReferenceHost host;
    host.playlist = {{"C:\\Music\\intro.mp3", "Intro: the first"}, {"C:\\Music\\song.mp3", "Song"}};
    host.playState = 1;
    host.lengthSeconds = 215;
    host.positionMs = 12000;
    sim::runOnUiThread([&host] {
        auto main = sim::createWindow(
            [&host](unsigned m, platform::WParam w, platform::LParam l) { return host.mainWindowMessage(m, w, l); });
        auto library = sim::createWindow(
            [&host](unsigned m, platform::WParam w, platform::LParam l) { return host.libraryWindowMessage(m, w, l); });
        host.attach(main, library);
    });
    pluginDescriptor.hostWindow = host.mainWindow;
    pluginDescriptor.libraryParent = host.libraryWindow;

    int result = 0;
    sim::runOnUiThread([&result] { result = pluginDescriptor.init(); });
    std::printf("init -> %d\n", result);
    if (result != 0) return 1;

    sim::Phone phone("COM6");
    for (const std::string& line : lines) {
        std::printf("phone> %s\n", line.c_str());
        phone.send(line + "\n");
        phone.waitForLines(1, 1500);
        platform::sleepMs(200);  // let any further lines of the reply arrive
        for (const std::string& reply : phone.takeLines()) std::printf("  <- %s\n", reply.c_str());
    }
    sim::runOnUiThread([] { pluginDescriptor.quit(); });
    for (const std::string& reply : phone.takeLines()) std::printf("  <- %s\n", reply.c_str());
    std::printf("host requests:\n");
    for (const std::string& request : host.requestLog) std::printf("  %s\n", request.c_str());
    sim::reset();
    return 0;
}
