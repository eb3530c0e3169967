// The lists' table against the lists themselves: each list, opened on the
// simulated platform with the test thread as the worker, takes every number
// the table names for it and no other, opens with the code the table names,
// and counts its items as the table says.

#include "protocol/list_vocabulary.h"

#include <algorithm>
#include <future>
#include <chrono>
#include <cstring>
#include <map>
#include <set>
#include <thread>

#include "harness.h"
#include "link/link.h"
#include "core/arguments.h"
#include "link/reply.h"

namespace {

using Lines = std::vector<std::string>;

hostsim::LibraryEntry track(const std::string& artist, const std::string& title, int n) {
    hostsim::LibraryEntry entry;
    entry.fileName = "C:\\m\\" + std::to_string(n) + ".mp3";
    entry.title = title;
    entry.album = "Album";
    entry.artist = artist;
    entry.genre = "Rock";
    return entry;
}

// What each opener is sent with; the rest go without an argument.
const std::map<int, std::string> openerArguments = {
    {1, "C:\\Users\\me\\Music"}, {33, "Album"}, {34, "Band"},  {35, "Rock"},  {37, "Rock"},
    {38, "Band"},                {43, "Album"}, {44, "Album"}, {101, "Echo"},
};

// Every number with a row.
std::vector<int> everyRow() {
    std::vector<int> numbers;
    for (int number = 0; number <= 1000; ++number)
        if (findCommand(number) != nullptr) numbers.push_back(number);
    return numbers;
}

class ListVocabularyTest : public PluginTest {
protected:
    void SetUp() override {
        PluginTest::SetUp();
        // Every name twice, so that the lists that skip repeats show it.
        host->library = {track("Band", "Echo", 1), track("Band", "Echo", 2), track("Other", "Kilo", 3)};
        host->libraryPlaylists = {{"Party", "p1.m3u8", 1, 60}, {"Party", "p2.m3u8", 1, 60}};
        sim::addFolder("C:\\Program Files\\Winamp\\Plugins\\ml\\");
        host->writePlaylistCatalog();
        sim::addFile("C:\\Users\\me\\Music\\a.mp3");
        sim::addFile("C:\\Users\\me\\Music\\b.mp3");
        sim::addFile("C:\\Users\\me\\Music\\list.m3u");
        sim::addDrive('C', platform::driveFixed, "System");
        sim::readsReturnAtOnce(true);
        openLinkContext();
        PluginContext& context = *pluginContext;
        context.host.window = host->mainWindow;
        context.host.libraryWindow = host->libraryWindow;
        std::strcpy(context.settings.extensionList, "mp3:");
        std::strcpy(context.settings.hostDirectory, "C:\\Program Files\\Winamp");
        std::strcpy(context.settings.myMusicFolder, "C:\\Users\\me\\Music");
        buildTextFold(platform::CodePage{}, context.textFold);
    }

    void TearDown() override {
        closeLinkContext();
        PluginTest::TearDown();
    }

    // Opens the list with `number` waiting, then 63 (no row: no list takes
    // it); true when the list took `number` (did not leave it waiting). The
    // lines the phone received go to `sent`; the link is fresh afterwards.
    bool takes(const ListVocabulary& list, int number, Lines* sent = nullptr) {
        sim::runOnUiThread([&] { host->playlist = {{"C:\\a.mp3", "One"}, {"C:\\b.mp3", "One"}}; });
        const auto argument = openerArguments.find(list.opener);
        phone.send(std::to_string(number) + " 0\n63\n");
        // A real-time bound that only turns a hang into a failure.
        std::promise<void> done;
        std::thread watch([finished = done.get_future()] {
            if (finished.wait_for(std::chrono::seconds(3)) == std::future_status::timeout)
                pluginContext->flags.stop = 1;
        });
        Reply reply{*pluginContext};
        runCommand(*findCommand(list.opener), argument == openerArguments.end() ? "" : argument->second.c_str(),
                   *pluginContext, reply);
        done.set_value();
        watch.join();
        EXPECT_EQ(pluginContext->flags.stop, 0) << list.opener << " did not end by itself on " << number;
        pluginContext->flags.stop = 0;
        bool taken = pluginContext->flags.lineConsumed != 0 || readDecimal(pluginContext->link.commandToken) != number;
        if (!list.waits) {
            // Nothing was read: the line is still on the port.
            pluginContext->flags.lineConsumed = 1;
            int next = -1;
            while (!receiveLine(*pluginContext, next)) {
            }
            taken = next != number;
        }
        if (sent != nullptr) *sent = phone.takeLines();
        phone.takeReceived();
        pluginContext->link.reset();
        pluginContext->flags.lineConsumed = 1;
        return taken;
    }
};

TEST_F(ListVocabularyTest, EveryListTakesWhatTheTableSaysAndEndsOnEveryOtherNumber) {
    const std::vector<int> rows = everyRow();
    for (const ListVocabulary& list : listVocabulary) {
        SCOPED_TRACE("list opened by " + std::to_string(list.opener));
        int taken[mostTakenNumbers];
        const std::size_t count = takenNumbers(list, taken);
        const std::set<int> takenSet(taken, taken + count);
        for (int number : rows) EXPECT_EQ(takes(list, number), takenSet.count(number) == 1) << "number " << number;

        // The lines of one opening: its code, the fixed line, how items count.
        Lines lines;
        takes(list, 63, &lines);
        ASSERT_FALSE(lines.empty());
        const char header = list.opener == 7 ? wire::replyPlaylistBegins : list.listCode;
        EXPECT_EQ(lines.front()[0], header);
        const bool fixed = lines.size() > 1 && lines[1] == std::string{list.listCode, wire::itemTitle} + "All Tracks";
        EXPECT_EQ(fixed, list.fixedItem);
        Lines items;
        for (std::size_t i = fixed ? 2 : 1; i < lines.size(); ++i) {
            if (list.itemCode != '\0') {
                EXPECT_EQ(lines[i].substr(0, 2), (std::string{list.listCode, list.itemCode}));
            }
            items.push_back(lines[i]);
        }
        ASSERT_FALSE(items.empty());
        // Every name came twice: a list that counts records shows a repeat.
        const bool repeats = std::set<std::string>(items.begin(), items.end()).size() < items.size();
        if (list.listCode == wire::replyLibraryList || list.listCode == wire::replyPlaylistEntry) {
            EXPECT_EQ(repeats, list.indexes == ItemIndex::record) << joined(items);
        }
    }
}

}  // namespace
