// The all-titles and artists lists over a generated library of 100,000 tracks:
// the reference host's query time, and the plug-in's own time from the host's
// answer to the end of the first page, beside the same with a quicksort that
// moves the 40-byte records, as a C library qsort does. Then a search (101)
// matching about 1 % of the tracks and one matching about half, timed the same
// way, and jumps (102) to places all over the titles and artists lists.
//
// The list runs on this thread as the worker would, through the simulated
// line and the reference host on the simulated user-interface thread. The
// phone's next line waits before the list starts, so the list ends as soon as
// its first page is out.

#include <sys/resource.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "core/context.h"
#include "hostsim/library_generator.h"
#include "hostsim/reference_host.h"
#include "library/media_library.h"
#include "library/record_sort.h"
#include "link/reply.h"
#include "platform/sim/sim.h"
#include "plugin/lifecycle.h"
#include "protocol/library_commands.h"

namespace {

using Clock = std::chrono::steady_clock;

double msBetween(Clock::time_point from, Clock::time_point to) {
    return std::chrono::duration<double, std::milli>(to - from).count();
}

long maxResidentKb() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

// ---- the way this improves on: a quicksort over the records themselves ----

using RecordCompare = int (*)(const host::LibraryRecord&, const host::LibraryRecord&);

void swapRecords(host::LibraryRecord* a, host::LibraryRecord* b) {
    host::LibraryRecord held;
    std::memcpy(&held, a, sizeof held);
    std::memcpy(a, b, sizeof held);
    std::memcpy(b, &held, sizeof held);
}

// Median-of-three quicksort with insertion sort for short ranges, swapping
// whole records, the smaller side by recursion.
void quicksortRecords(host::LibraryRecord* records, std::int32_t count, RecordCompare compare) {
    while (count > 8) {
        host::LibraryRecord* low = records;
        host::LibraryRecord* middle = records + count / 2;
        host::LibraryRecord* high = records + count - 1;
        if (compare(*middle, *low) < 0) swapRecords(middle, low);
        if (compare(*high, *middle) < 0) swapRecords(high, middle);
        if (compare(*middle, *low) < 0) swapRecords(middle, low);
        host::LibraryRecord pivot = *middle;
        std::int32_t i = 0;
        std::int32_t j = count - 1;
        for (;;) {
            while (compare(records[i], pivot) < 0) ++i;
            while (compare(pivot, records[j]) < 0) --j;
            if (i >= j) break;
            swapRecords(&records[i], &records[j]);
            ++i;
            --j;
        }
        const std::int32_t left = j + 1;
        if (left < count - left) {
            quicksortRecords(records, left, compare);
            records += left;
            count -= left;
        } else {
            quicksortRecords(records + left, count - left, compare);
            count = left;
        }
    }
    for (std::int32_t i = 1; i < count; ++i)
        for (std::int32_t j = i; j > 0 && compare(records[j], records[j - 1]) < 0; --j)
            swapRecords(&records[j], &records[j - 1]);
}

template <LibraryField field>
int compareBy(const host::LibraryRecord& a, const host::LibraryRecord& b) {
    return compareLibraryRecords(a, b, field);
}

// ---- the simulated world -----------------------------------------------------

struct World {
    std::unique_ptr<hostsim::ReferenceHost> host;
    sim::Phone phone{"COM6"};
    // When the last query's answer left the host, and how long it took there.
    Clock::time_point answered;
    double queryMs = 0;
};

void buildWorld(World& world, std::vector<hostsim::LibraryEntry> library) {
    sim::reset();
    resetPluginState();
    sim::setReadIdleMs(20);
    sim::addSerialPort("COM6");
    world.host = std::make_unique<hostsim::ReferenceHost>();
    world.host->library = std::move(library);
    World* w = &world;
    sim::runOnUiThread([w] {
        hostsim::ReferenceHost* h = w->host.get();
        platform::WindowHandle main = sim::createWindow(
            [h](unsigned int m, platform::WParam wp, platform::LParam lp) { return h->mainWindowMessage(m, wp, lp); });
        platform::WindowHandle libraryWindow =
            sim::createWindow([w, h](unsigned int m, platform::WParam wp, platform::LParam lp) {
                const Clock::time_point asked = Clock::now();
                const platform::LResult result = h->libraryWindowMessage(m, wp, lp);
                if (lp == host::libraryRunQuery) {
                    w->answered = Clock::now();
                    w->queryMs = msBetween(asked, w->answered);
                }
                return result;
            });
        h->attach(main, libraryWindow);
    });
    pluginContext = new PluginContext;
    // The search folds through the simulated PC's code page, Windows-1252, as
    // init sets it up.
    platform::CodePage codePage;
    platform::readSystemCodePage(codePage);
    buildTextFold(codePage, pluginContext->textFold);
    pluginContext->host.window = world.host->mainWindow;
    pluginContext->host.libraryWindow = world.host->libraryWindow;
    pluginContext->host.port = platform::openSerialPort("COM6");
}

struct ListFigures {
    double queryMs = 0;
    double pluginMs = 0;  // host's answer to the list's return after its first page
    double pluginBestMs = 0;
    double pluginFirstMs = 0;  // the first round, on working memory not yet touched
    double sortMs = 0;
    double quicksortMs = 0;
    std::size_t pageBytes = 0;
    bool sameOrder = true;
};

double median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

template <LibraryField field>
ListFigures measureList(World& world, Handler command, const char* query, int rounds) {
    std::vector<double> queries, plugin, sorts, quicksorts;
    ListFigures figures;
    for (int r = 0; r < rounds; ++r) {
        // The whole command: release, query, sort, header and first page, then
        // the phone's waiting line ends the list.
        world.phone.send("14\n");
        pluginContext->flags.lineConsumed = 1;
        Reply reply{*pluginContext};
        command({*pluginContext, "", 0, PickMode::play}, reply);
        const Clock::time_point done = Clock::now();
        queries.push_back(world.queryMs);
        plugin.push_back(msBetween(world.answered, done));
        figures.pageBytes = world.phone.takeReceived().size();

        // The sort alone, and the record-moving quicksort, on the same answer.
        host::LibraryQuery mine{};
        host::LibraryQuery theirs{};
        composeQueryText(pluginContext->browse, query, "");
        runLibraryQuery(*pluginContext, mine);
        runLibraryQuery(*pluginContext, theirs);
        Clock::time_point start = Clock::now();
        sortLibraryRecords(mine.results, field);
        sorts.push_back(msBetween(start, Clock::now()));
        start = Clock::now();
        quicksortRecords(theirs.results.records, theirs.results.count, compareBy<field>);
        quicksorts.push_back(msBetween(start, Clock::now()));
        for (std::int32_t i = 0; i < mine.results.count; ++i) {
            if (compareLibraryRecords(mine.results.records[i], theirs.results.records[i], field) != 0)
                figures.sameOrder = false;
        }
        releaseLibraryResults(pluginContext->host, mine);
        releaseLibraryResults(pluginContext->host, theirs);
    }
    figures.queryMs = median(queries);
    figures.pluginMs = median(plugin);
    figures.pluginBestMs = *std::min_element(plugin.begin(), plugin.end());
    figures.pluginFirstMs = plugin.front();
    figures.sortMs = median(sorts);
    figures.quicksortMs = median(quicksorts);
    return figures;
}

void print(const char* name, const ListFigures& f) {
    const double pageMs = std::max(0.0, f.pluginMs - f.sortMs);
    std::printf("%s\n", name);
    std::printf("  host query (reference host)            %8.2f ms\n", f.queryMs);
    std::printf("  plug-in: answer to end of first page    %8.2f ms  (best %.2f, first round %.2f; %zu bytes sent)\n",
                f.pluginMs, f.pluginBestMs, f.pluginFirstMs, f.pageBytes);
    std::printf("    of which sorting the records          %8.2f ms\n", f.sortMs);
    std::printf("  record-moving quicksort                 %8.2f ms  (with the first page ~%.2f ms)\n", f.quicksortMs,
                f.quicksortMs + pageMs);
    std::printf("  faster than the quicksort: sort %.1fx, answer to first page %.1fx; same order: %s\n",
                f.quicksortMs / f.sortMs, (f.quicksortMs + pageMs) / f.pluginMs, f.sameOrder ? "yes" : "NO");
}

// ---- searching and jumping ---------------------------------------------------

std::string foldedText(const std::string& text) {
    std::string out = text;
    for (char& c : out)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return out;
}

// The word of one or two letters whose share of a sample of the library comes
// nearest `share`.
std::string wordMatching(const std::vector<hostsim::LibraryEntry>& library, double share) {
    std::vector<std::string> sample;
    for (std::size_t i = 0; i < library.size(); i += library.size() / 2000 + 1) {
        const hostsim::LibraryEntry& e = library[i];
        sample.push_back(foldedText(e.title + "\n" + e.artist + "\n" + e.album));
    }
    std::string best;
    double bestDistance = 2;
    for (int length = 1; length <= 2; ++length) {
        for (int code = 0; code < (length == 1 ? 26 : 26 * 26); ++code) {
            std::string word =
                length == 1 ? std::string(1, static_cast<char>('a' + code))
                            : std::string{static_cast<char>('a' + code / 26), static_cast<char>('a' + code % 26)};
            std::size_t hits = 0;
            for (const std::string& text : sample) hits += text.find(word) != std::string::npos;
            const double distance = std::abs(static_cast<double>(hits) / sample.size() - share);
            if (distance < bestDistance) {
                bestDistance = distance;
                best = word;
            }
        }
    }
    return best;
}

struct SearchFigures {
    std::int32_t matches = 0;
    double queryMs = 0;
    double pluginMs = 0;  // the host's answer to the end of the first page
    double pluginBestMs = 0;
    double totalMs = 0;  // the command to the end of the first page
};

SearchFigures measureSearch(World& world, const std::string& words, int rounds) {
    std::vector<double> queries, plugin, totals;
    SearchFigures figures;
    for (int r = 0; r < rounds; ++r) {
        world.phone.send("14\n");
        pluginContext->flags.lineConsumed = 1;
        Reply reply{*pluginContext};
        const Clock::time_point start = Clock::now();
        commands::searchLibrary({*pluginContext, words.c_str(), 0, PickMode::play}, reply);
        const Clock::time_point done = Clock::now();
        queries.push_back(world.queryMs);
        plugin.push_back(msBetween(world.answered, done));
        totals.push_back(msBetween(start, done));
        world.phone.takeReceived();
        figures.matches = pluginContext->browse.browseMatchCount;
    }
    figures.queryMs = median(queries);
    figures.pluginMs = median(plugin);
    figures.pluginBestMs = *std::min_element(plugin.begin(), plugin.end());
    figures.totalMs = median(totals);
    return figures;
}

struct JumpFigures {
    double medianMs = 0;
    double p95Ms = 0;  // a shared machine preempts a few of them
    double worstMs = 0;
    std::size_t jumps = 0;
};

// Opens the list, then, each time the list waits for the phone, sends the next
// jump and notes when the one before had its page out; the time of a jump
// runs from its line to the list's next wait, its page all handed to the port.
// Runs inline (the host answers on this thread), so nothing but the jump is
// timed.
JumpFigures measureJumps(World& world, Handler command, const std::vector<std::string>& prefixes, int rounds) {
    std::vector<double> times;
    sim::setInlineMode(true);
    for (int r = 0; r < rounds; ++r) {
        std::size_t next = 0;
        Clock::time_point sent;
        sim::setReadFeeder([&] {
            const Clock::time_point now = Clock::now();
            if (next > 0) times.push_back(msBetween(sent, now));
            if (next < prefixes.size()) {
                world.phone.send("102 " + prefixes[next++] + "\n");
                sent = Clock::now();
            } else if (next++ == prefixes.size()) {
                world.phone.send("14\n");
            }
            world.phone.takeReceived();
        });
        pluginContext->flags.lineConsumed = 1;
        Reply reply{*pluginContext};
        command({*pluginContext, "", 0, PickMode::play}, reply);
        sim::setReadFeeder(nullptr);
        world.phone.takeReceived();
    }
    sim::setInlineMode(false);
    JumpFigures figures;
    figures.jumps = times.size();
    figures.medianMs = median(times);
    std::sort(times.begin(), times.end());
    figures.p95Ms = times[times.size() * 95 / 100];
    figures.worstMs = *std::max_element(times.begin(), times.end());
    return figures;
}

// Prefixes all over a list of names: the first letters of names spread over
// it, in both cases, "#", and prefixes past every name (a whole pass, then the
// last page).
std::vector<std::string> prefixesOver(std::vector<std::string> names) {
    std::sort(names.begin(), names.end());
    std::vector<std::string> prefixes{"#", "~", "zzzz"};
    for (int k = 1; k < 10; ++k) {
        const std::string& name = names[names.size() * k / 10];
        prefixes.push_back(name.substr(0, 3));
        prefixes.push_back(foldedText(name.substr(0, 2)));
    }
    return prefixes;
}

}  // namespace

int main(int argc, char** argv) {
    const int records = argc > 1 ? std::atoi(argv[1]) : 100000;
    const int artists = 3000;
    const int albums = 8000;
    const int genres = 40;
    const int rounds = 9;

    const long startKb = maxResidentKb();
    std::vector<hostsim::LibraryEntry> library = hostsim::generateLibrary(records, artists, albums, genres);
    const std::string rareWord = wordMatching(library, 0.01);
    const std::string commonWord = wordMatching(library, 0.5);
    std::vector<std::string> titleNames, artistNames;
    for (const hostsim::LibraryEntry& entry : library) {
        titleNames.push_back(entry.title);
        artistNames.push_back(entry.artist);
    }
    World world;
    buildWorld(world, std::move(library));
    const long libraryKb = maxResidentKb();
    std::printf("library: %d tracks, %d artists, %d albums, %d genres (median of %d rounds)\n\n", records, artists,
                albums, genres, rounds);

    print("all titles (39)",
          measureList<LibraryField::title>(world, commands::listTitles, "title != \"\" & !title isempty", rounds));
    print("artists (31)",
          measureList<LibraryField::artist>(world, commands::listArtists, "artist != \"\" & !artist isempty", rounds));

    const ListFigures titlesAgain =
        measureList<LibraryField::title>(world, commands::listTitles, "title != \"\" & !title isempty", rounds);
    std::printf(
        "\nsearch (101), beside the all-titles list of the same run; host query, the plug-in's part from\n"
        "the host's answer to the end of the first page, and the whole from the command line:\n");
    std::printf("  %-28s %8s %10s %10s %10s\n", "", "matches", "host", "plug-in", "whole");
    std::printf("  %-28s %8d %7.2f ms %7.2f ms %7.2f ms\n", "all titles (39)", records, titlesAgain.queryMs,
                titlesAgain.pluginMs, titlesAgain.queryMs + titlesAgain.pluginMs);
    for (const std::string& word : {rareWord, commonWord}) {
        const SearchFigures f = measureSearch(world, word, rounds);
        const std::string name = "search \"" + word + "\"";
        std::printf("  %-28s %8d %7.2f ms %7.2f ms %7.2f ms  (%.1f %%; plug-in best %.2f ms)\n", name.c_str(),
                    f.matches, f.queryMs, f.pluginMs, f.totalMs, 100.0 * f.matches / records, f.pluginBestMs);
    }

    std::printf("\njump (102), from its line to the end of its page:\n");
    const JumpFigures titleJumps = measureJumps(world, commands::listTitles, prefixesOver(titleNames), rounds);
    std::printf("  all titles (39): %zu jumps, median %.3f ms, 95th percentile %.3f ms, worst %.3f ms\n",
                titleJumps.jumps, titleJumps.medianMs, titleJumps.p95Ms, titleJumps.worstMs);
    const JumpFigures artistJumps = measureJumps(world, commands::listArtists, prefixesOver(artistNames), rounds);
    std::printf("  artists (31):    %zu jumps, median %.3f ms, 95th percentile %.3f ms, worst %.3f ms\n",
                artistJumps.jumps, artistJumps.medianMs, artistJumps.p95Ms, artistJumps.worstMs);

    std::printf("\nmemory high-water mark: %ld KiB (%ld KiB at start, %ld KiB with the host's library)\n",
                maxResidentKb(), startKb, libraryKb);

    platform::closeSerialPort(pluginContext->host.port);
    resetPluginState();
    sim::runOnUiThread([&world] { world.host.reset(); });
    sim::reset();
    return 0;
}
