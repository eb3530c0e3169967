// Port writes per reply line and the time to send a page of 50 list lines
// through the simulated line, beside writing one byte per call.
//
// Under Wine a port write costs about 60 us whatever its size, so the number
// of writes per line is what decides how long a page takes on a real link.

#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

#include "core/context.h"
#include "link/link.h"
#include "platform/sim/sim.h"
#include "plugin/lifecycle.h"

namespace {

std::vector<std::string> pageOfLines() {
    std::vector<std::string> lines;
    for (int i = 0; i < 50; ++i)
        lines.push_back("PZ" + std::to_string(i) + " Some Title Of A Track - With A Longish Name");
    return lines;
}

// The way of writing one byte per port call, for comparison.
void sendBytewise(const std::string& text) {
    std::string line = text + "\n";
    for (std::size_t i = 0; i < line.size();) {
        std::uint32_t written = 0;
        if (!platform::writeSerialPort(pluginContext->host.port, &line[i], 1, &written)) return;
        i += written;
    }
}

template <typename Send>
void measure(const char* name, Send send, const std::vector<std::string>& page, int rounds) {
    sim::Phone phone("COM6");
    std::size_t bytes = 0;
    for (const std::string& line : page) bytes += line.size() + 1;
    std::uint64_t writesBefore = sim::writeCallCount();
    auto start = std::chrono::steady_clock::now();
    for (int r = 0; r < rounds; ++r) {
        for (const std::string& line : page) send(line);
        phone.takeReceived();
    }
    auto elapsed = std::chrono::steady_clock::now() - start;
    double writesPerLine = double(sim::writeCallCount() - writesBefore) / (double(rounds) * page.size());
    double usPerPage = std::chrono::duration<double, std::micro>(elapsed).count() / rounds;
    // At about 60 us per port call under Wine:
    double wineMsPerPage = writesPerLine * page.size() * 0.060;
    std::printf("%-22s %8.1f writes/line %10.1f us/page (sim)  ~%7.1f ms/page at 60 us/write  (%zu bytes/page)\n", name,
                writesPerLine, usPerPage, wineMsPerPage, bytes);
}

}  // namespace

int main() {
    sim::reset();
    resetPluginState();
    sim::addSerialPort("COM6");
    pluginContext = new PluginContext;
    pluginContext->host.port = platform::openSerialPort("COM6");
    std::vector<std::string> page = pageOfLines();
    const int rounds = 200;
    measure(
        "sendReply", [](const std::string& line) { sendReply(lineWriter(*pluginContext), line.c_str()); }, page,
        rounds);
    measure("one byte per call", sendBytewise, page, rounds);
    platform::closeSerialPort(pluginContext->host.port);
    resetPluginState();
    return 0;
}
