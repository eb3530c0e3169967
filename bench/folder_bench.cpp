// The folder browser (command 1) over a folder of 10,000 files and 100
// sub-folders, with a host extension list of 40 extensions: the passes over
// the folder and the time from the command to the end of its first page,
// beside the same folder collected with one search per extension (the
// sub-folders, then "*.<extension>" for each), side by side in one run. Then a
// folder of 50,000 files, paged to its end.
//
// The command runs on this thread as the worker would, over the simulated file
// system, whose searches walk the whole folder as a directory search does; the
// phone's next line waits before the list starts, so the list ends as soon as
// its first page is out. Figures are of this machine and the simulation, not of
// a real disk.

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "core/context.h"
#include "core/wire.h"
#include "files/folder_entries.h"
#include "hostsim/reference_host.h"
#include "link/reply.h"
#include "platform/sim/sim.h"
#include "plugin/lifecycle.h"
#include "protocol/file_commands.h"
#include "protocol/paged_list.h"
#include "protocol/playback.h"

namespace {

using Clock = std::chrono::steady_clock;

double msBetween(Clock::time_point from, Clock::time_point to) {
    return std::chrono::duration<double, std::milli>(to - from).count();
}

double median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

// Forty extensions a media player takes, in the colon-ended form the plug-in
// keeps its extension list in.
const char* const playable[] = {"mp3", "mp2", "mp1", "aac", "m4a", "mp4", "m4v",  "ogg", "oga", "flac",
                                "wav", "wma", "wmv", "asf", "avi", "mid", "midi", "rmi", "kar", "mod",
                                "mdz", "nst", "stm", "stz", "s3m", "s3z", "it",   "itz", "xm",  "xmz",
                                "mtm", "ult", "669", "far", "amf", "okt", "ptm",  "nsv", "nsa", "cda"};
constexpr int playableCount = sizeof playable / sizeof playable[0];
static_assert(playableCount == 40);
// Files of the folder that the browser does not show.
const char* const others[] = {"jpg", "txt", "nfo", "cue", "log"};

std::string numbered(const char* stem, int i, const char* extension) {
    char name[64];
    std::snprintf(name, sizeof name, "%s%05d%s%s", stem, i, extension[0] != '\0' ? "." : "", extension);
    return name;
}

// `files` files (nine in ten playable, of every extension in turn) and
// `folders` sub-folders, in file-system order mixed.
void makeFolder(const std::string& folder, int files, int folders) {
    for (int i = 0; i < files; ++i) {
        const char* extension = i % 10 == 9 ? others[(i / 10) % 5] : playable[i % playableCount];
        sim::addFile(folder + "\\" + numbered("track", i, extension));
        if (folders > 0 && i % (files / folders) == 0) sim::addFolder(folder + "\\" + numbered("disc", i, ""));
    }
}

// ---- the way this improves on: one search per extension ------------------------

// The entries as a search per extension finds them: the sub-folders from "*",
// then each ':'-ended extension's "*.<extension>", at most 10,000 in all.
std::vector<std::string> collectBySearches(const char* folder, const char* extensions) {
    constexpr std::size_t cap = 10000;
    std::vector<std::string> entries;
    char pattern[260];
    platform::FindEntry found{};
    std::snprintf(pattern, sizeof pattern, "%s%s", folder, "\\*");
    if (platform::FindHandle search = platform::findFirstFile(pattern, &found)) {
        do {
            if ((found.attributes & platform::attributeDirectory) != 0 && found.name[0] != '.' && entries.size() < cap)
                entries.push_back(std::string("F") + found.name);
        } while (platform::findNextFile(search, &found));
        platform::findClose(search);
    }
    char extension[16];
    std::size_t length = 0;
    for (const char* p = extensions; *p != '\0'; ++p) {
        if (*p != ':') {
            if (length < sizeof extension - 1) extension[length++] = *p;
            continue;
        }
        extension[length] = '\0';
        length = 0;
        std::snprintf(pattern, sizeof pattern, "%s%s%s", folder, "\\*.", extension);
        if (platform::FindHandle search = platform::findFirstFile(pattern, &found)) {
            do {
                if (entries.size() < cap) entries.push_back(std::string("T") + found.name);
            } while (platform::findNextFile(search, &found));
            platform::findClose(search);
        }
    }
    return entries;
}

const char* vectorEntry(const std::vector<std::string>& entries, std::int32_t index) {
    return entries[static_cast<std::size_t>(index)].c_str();
}

constexpr int folderPicks[] = {2, 3};

// The same browser over entries found by one search per extension.
void listFolderBySearches(const char* folder) {
    const std::vector<std::string> entries = collectBySearches(folder, pluginContext->settings.extensionList);
    Reply reply{*pluginContext};
    runList(List<std::vector<std::string>>{.shape = {.listCode = wire::replyFileList,
                                                     .recordCount = static_cast<std::int32_t>(entries.size()),
                                                     .itemCode = wire::itemFolderEntry,
                                                     .takes = folderPicks},
                                           .source = entries,
                                           .itemText = vectorEntry},
            *pluginContext, reply);
}

// ---- the simulated world -----------------------------------------------------

struct World {
    std::unique_ptr<hostsim::ReferenceHost> host;
    sim::Phone phone{"COM6"};
};

void buildWorld(World& world) {
    sim::reset();
    resetPluginState();
    sim::setReadIdleMs(20);
    sim::addSerialPort("COM6");
    world.host = std::make_unique<hostsim::ReferenceHost>();
    hostsim::ReferenceHost* h = world.host.get();
    sim::runOnUiThread([h] {
        platform::WindowHandle main = sim::createWindow(
            [h](unsigned int m, platform::WParam wp, platform::LParam lp) { return h->mainWindowMessage(m, wp, lp); });
        platform::WindowHandle library =
            sim::createWindow([h](unsigned int m, platform::WParam wp, platform::LParam lp) {
                return h->libraryWindowMessage(m, wp, lp);
            });
        h->attach(main, library);
    });
    pluginContext = new PluginContext;
    pluginContext->host.window = world.host->mainWindow;
    pluginContext->host.libraryWindow = world.host->libraryWindow;
    pluginContext->host.port = platform::openSerialPort("COM6");

    std::string extensions;
    for (const char* extension : playable) extensions += std::string(extension) + ":";
    std::snprintf(pluginContext->settings.extensionList, sizeof pluginContext->settings.extensionList, "%s",
                  extensions.c_str());
}

struct Figures {
    std::vector<double> times;
    std::uint64_t passes = 0;
    std::string firstPage;
};

// One run of the command with the phone's next line waiting behind it.
void measureOnce(World& world, void (*browse)(const char*), const char* folder, Figures& figures) {
    world.phone.send("14\n");
    pluginContext->flags.lineConsumed = 1;
    const std::uint64_t searches = sim::searchesStarted();
    const Clock::time_point start = Clock::now();
    browse(folder);
    figures.times.push_back(msBetween(start, Clock::now()));
    figures.passes = sim::searchesStarted() - searches;
    figures.firstPage = world.phone.takeReceived();
}

void browseInOnePass(const char* folder) {
    Reply reply{*pluginContext};
    commands::listFolder({*pluginContext, folder, 0, PickMode::play}, reply);
}

int lineCount(const std::string& text, const char* prefix) {
    int count = 0;
    const std::size_t prefixLength = std::strlen(prefix);
    for (std::size_t at = 0; at < text.size();) {
        const std::size_t end = text.find('\n', at);
        if (text.compare(at, prefixLength, prefix) == 0) ++count;
        if (end == std::string::npos) break;
        at = end + 1;
    }
    return count;
}

// One pass of the folder's search with nothing done per entry: what the
// simulated file system itself costs.
double bareEnumerationMs(const char* pattern) {
    const Clock::time_point start = Clock::now();
    platform::FindEntry found{};
    if (platform::FindHandle search = platform::findFirstFile(pattern, &found)) {
        while (platform::findNextFile(search, &found)) {
        }
        platform::findClose(search);
    }
    return msBetween(start, Clock::now());
}

bool sameEntries(const char* folder) {
    FolderEntries mine;
    collectFolderEntries(folder, pluginContext->settings.extensionList, pluginContext->flags.stop, mine);
    const std::vector<std::string> theirs = collectBySearches(folder, pluginContext->settings.extensionList);
    if (static_cast<std::size_t>(mine.count) != theirs.size()) return false;
    for (std::int32_t i = 0; i < mine.count; ++i)
        if (theirs[static_cast<std::size_t>(i)] != mine.entry(i)) return false;
    return true;
}

}  // namespace

int main() {
    const int rounds = 15;
    World world;
    buildWorld(world);

    // The three side by side in every round, so that whatever else the machine
    // does falls on all of them alike.
    makeFolder("C:\\Ten", 10000, 100);
    Figures onePass;
    Figures bySearches;
    std::vector<double> bare;
    std::vector<double> ownPart;
    for (int r = 0; r < rounds; ++r) {
        bare.push_back(bareEnumerationMs("C:\\Ten\\*"));
        measureOnce(world, browseInOnePass, "C:\\Ten", onePass);
        measureOnce(world, listFolderBySearches, "C:\\Ten", bySearches);
        ownPart.push_back(onePass.times.back() - bare.back());
    }
    const double onePassMs = median(onePass.times);
    const double bySearchesMs = median(bySearches.times);
    std::printf("folder of 10,000 files and 100 sub-folders, 40 extensions (median of %d rounds)\n", rounds);
    std::printf("                               passes   command to end of first page\n");
    std::printf("  one pass, sorted by group    %6llu   %8.2f ms  (best %.2f)\n",
                static_cast<unsigned long long>(onePass.passes), onePassMs,
                *std::min_element(onePass.times.begin(), onePass.times.end()));
    std::printf("  one search per extension     %6llu   %8.2f ms  (best %.2f)\n",
                static_cast<unsigned long long>(bySearches.passes), bySearchesMs,
                *std::min_element(bySearches.times.begin(), bySearches.times.end()));
    std::printf("  %.1fx faster, %llu passes fewer; same first page: %s; same %d entries in the same order: %s\n",
                bySearchesMs / onePassMs, static_cast<unsigned long long>(bySearches.passes - onePass.passes),
                onePass.firstPage == bySearches.firstPage ? "yes" : "NO", 9100, sameEntries("C:\\Ten") ? "yes" : "NO");
    std::printf("  of the one pass: the simulated file system's bare pass %.2f ms, the plug-in's own work %.2f ms\n\n",
                median(bare), median(ownPart));

    // A folder of 50,000 files, paged to its last page and left.
    makeFolder("C:\\Fifty", 50000, 0);
    std::string lines;
    for (int page = 0; page < 1000; ++page) lines += "53\n";
    world.phone.send(lines + "14\n");
    pluginContext->flags.lineConsumed = 1;
    const Clock::time_point start = Clock::now();
    browseInOnePass("C:\\Fifty");
    const double allPagesMs = msBetween(start, Clock::now());
    const std::string received = world.phone.takeReceived();
    std::printf("folder of 50,000 files, 45,000 of them playable\n");
    const std::size_t lastPosition = received.rfind("\nBT") + 3;
    std::printf("  one pass: %d entries sent over %d pages, the last page at position %s (%.0f ms in all)\n",
                lineCount(received, "BB"), lineCount(received, "BSNext") + 1,
                received.substr(lastPosition, received.find('\n', lastPosition) - lastPosition).c_str(), allPagesMs);
    std::printf("  one search per extension: %zu entries, the cap of 10,000\n",
                collectBySearches("C:\\Fifty", pluginContext->settings.extensionList).size());

    platform::closeSerialPort(pluginContext->host.port);
    resetPluginState();
    sim::runOnUiThread([&world] { world.host.reset(); });
    sim::reset();
    return 0;
}
