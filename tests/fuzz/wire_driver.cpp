#include "tests/fuzz/wire_driver.h"

#include <chrono>
#include <cstring>
#include <memory>
#include <thread>
#include <vector>

#include "core/context.h"
#include "core/wire.h"
#include "hostsim/reference_host.h"
#include "link/link.h"
#include "platform/sim/sim.h"
#include "plugin/lifecycle.h"

namespace wiredriver {

namespace {

// Opcodes: the low three bits of a byte.
enum : std::uint8_t {
    opSend = 0,       // next byte n, then n bytes as one read's worth
    opSendLine = 1,   // next byte: a command number 0..63, next: an argument choice
    opTick = 2,       // one minute tick
    opHostEvent = 3,  // next byte: what happens at the host
    opSendMore = 4,   // as opSend, a second weight
    opQuit = 5,       // stop the plug-in here
    opSendLineMore = 6,
    opNothing = 7,  // a read that finds nothing
};

const std::vector<std::string>& arguments() {
    static const std::vector<std::string> all = {"",
                                                 "0",
                                                 "1",
                                                 "2",
                                                 "-1",
                                                 "49",
                                                 "50",
                                                 "51",
                                                 "99",
                                                 "1000000000000",
                                                 "x",
                                                 "Artist 1",
                                                 "Album 2",
                                                 "Genre 1",
                                                 "Title 3",
                                                 "C:\\",
                                                 "C:\\Music",
                                                 "C:\\Music\\track1.mp3",
                                                 "mix",
                                                 "mix.m3u",
                                                 "1:2:0:0.5:1",
                                                 "0:1:1:1:0",
                                                 "1:0:0:1:1",
                                                 "3:40",
                                                 "0:63",
                                                 "\"",
                                                 " & ",
                                                 ":::::",
                                                 "C:\\Users\\me\\Music",
                                                 "..",
                                                 "a/b",
                                                 "name",
                                                 std::string(600, 'n'),
                                                 std::string(300, 'p'),
                                                 "C:\\Music\\Sub",
                                                 "0",
                                                 "1"};
    return all;
}

struct Feed {
    const std::uint8_t* data;
    std::size_t size;
    std::size_t at = 0;
    bool quitAsked = false;

    bool more() const { return at < size; }
    std::uint8_t next() { return at < size ? data[at++] : 0; }
};

// One library record of the small library every run has.
hostsim::LibraryEntry record(const char* file, const char* title, const char* album, const char* artist,
                             const char* genre) {
    hostsim::LibraryEntry entry;
    entry.fileName = file;
    entry.title = title;
    entry.album = album;
    entry.artist = artist;
    entry.genre = genre;
    return entry;
}

// The host's side every run starts from, made once: the run copies it.
struct World {
    std::vector<hostsim::PlaylistEntry> playlist;
    std::vector<hostsim::LibraryEntry> library;
    std::vector<std::string> musicFiles;
};

const World& world() {
    static const World made = [] {
        World w;
        // Just over one page of everything, so that every list pages.
        for (int i = 0; i < 53; ++i) {
            const std::string number = std::to_string(i);
            w.playlist.push_back({"C:\\Music\\track" + number + ".mp3", "Track " + number});
            w.musicFiles.push_back("C:\\Music\\track" + number + ".mp3");
        }
        for (int i = 0; i < 60; ++i) {
            w.library.push_back(
                record(("C:\\Music\\t" + std::to_string(i) + ".mp3").c_str(),
                       ("Title " + std::to_string(i % 57)).c_str(), ("Album " + std::to_string(i % 7)).c_str(),
                       ("Artist " + std::to_string(i % 5)).c_str(), ("Genre " + std::to_string(i % 3)).c_str()));
        }
        hostsim::LibraryEntry absent = record("C:\\Music\\x.mp3", "", "", "", "");
        absent.titleAbsent = absent.artistAbsent = absent.albumAbsent = absent.genreAbsent = true;
        w.library.push_back(absent);
        return w;
    }();
    return made;
}

std::vector<hostsim::LibraryEntry>& spareLibrary() {
    static std::vector<hostsim::LibraryEntry> spare;
    return spare;
}

void takeBackLibrary(hostsim::ReferenceHost& host) { spareLibrary() = std::move(host.library); }

void setUpWorld(hostsim::ReferenceHost& host) {
    const World& w = world();
    sim::setHostProgramPath("C:\\Program Files\\Winamp\\winamp.exe");
    sim::setMyMusicFolder("C:\\Users\\me\\Music");
    static const bool filesMade = [&w] {
        sim::addFile("C:\\Users\\me\\Music\\mix.m3u", "C:\\Music\\a.mp3\n");
        sim::addFolder("C:\\Program Files\\Winamp");
        for (const std::string& file : w.musicFiles) sim::addFile(file);
        sim::addFolder("C:\\Music\\Sub");
        sim::addDrive('C', platform::driveFixed, "System");
        sim::addDrive('D', platform::driveCdRom, "Disc", false);
        sim::saveFileSystem();
        return true;
    }();
    (void)filesMade;
    sim::restoreFileSystem();
    sim::addSerialPort("COM6");

    host.playlist = w.playlist;
    host.current = 0;
    host.playState = 1;
    // The library is lent to each run's host and taken back afterwards (the
    // host only reads it): copying it for every input cost a tenth of the time.
    std::vector<hostsim::LibraryEntry>& spare = spareLibrary();
    if (spare.empty()) spare = w.library;
    host.library = std::move(spare);
    spare.clear();
    host.libraryPlaylists = {{"Morning", "plf1.m3u8", 3, 600}, {"Evening", "plf2.m3u8", 2, 300}};
    host.writePlaylistCatalog();
}

// The bytes a send opcode makes the phone send: raw bytes of the input, or a
// command line of a number and one of the arguments above.
std::string sentBytes(Feed& feed, std::uint8_t op) {
    if (op == opSendLine || op == opSendLineMore) {
        const int number = feed.next() % 64;
        const std::string& argument = arguments()[feed.next() % arguments().size()];
        return std::to_string(number) + " " + argument + "\n";
    }
    const std::size_t wanted = feed.next();
    const std::size_t count = wanted < feed.size - feed.at ? wanted : feed.size - feed.at;
    std::string bytes(reinterpret_cast<const char*>(feed.data + feed.at), count);
    feed.at += count;
    return bytes;
}

// Something that happens at the host on its own: the user sets the volume,
// starts a file, the track changes, or playback stops or pauses.
void hostEvent(hostsim::ReferenceHost& host, std::uint8_t event) {
    switch (event % 4) {
        case 0:
            host.setVolumeAtPlayer(event);
            break;
        case 1:
            if (!host.playlist.empty()) host.startFile(event % static_cast<int>(host.playlist.size()));
            break;
        case 2:
            if (!host.playlist.empty()) host.changeTrack(event % static_cast<int>(host.playlist.size()));
            break;
        default:
            host.notifyStateChanged((event & 4) != 0 ? 2 : 0);
            break;
    }
}

// Carries out host-side steps until the phone has sent something, the plug-in
// is to stop, or the input ends (which stops it too).
void feedOnce(Feed& feed, sim::Phone& phone, hostsim::ReferenceHost& host) {
    while (feed.more() && !feed.quitAsked) {
        const std::uint8_t op = feed.next() & 7;
        switch (op) {
            case opSend:
            case opSendMore:
            case opSendLine:
            case opSendLineMore: {
                const std::string bytes = sentBytes(feed, op);
                if (bytes.empty()) break;
                phone.send(bytes);
                return;
            }
            case opTick:
                sim::fireTimers();
                break;
            case opHostEvent:
                hostEvent(host, feed.next());
                break;
            case opQuit:
                feed.quitAsked = true;
                break;
            default:
                return;  // a read that finds nothing
        }
    }
    // Quit's first step: the plug-in winds down from wherever it is.
    pluginContext->flags.stop = 1;
}

std::string checkReplies(const std::string& received) {
    std::size_t start = 0;
    bool endSeen = false;
    while (start < received.size()) {
        const std::size_t lf = received.find('\n', start);
        if (lf == std::string::npos) return "a reply line without its LF at the end";
        const std::string line = received.substr(start, lf - start);
        start = lf + 1;
        if (endSeen) return "a line after the end of the conversation: " + line.substr(0, 40);
        if (line.empty()) return "an empty reply line";
        if (line.size() > wire::replyTextLimit) return "a reply line over 1022 bytes";
        if (wire::replyMeaning(line[0]) == nullptr) return "a reply line with an unknown code: " + line.substr(0, 40);
        if (line[0] == wire::replyEndOfConversation) {
            if (line.size() != 1) return "an end-of-conversation line with text";
            endSeen = true;
        }
    }
    if (!endSeen) return "no end-of-conversation line";
    return "";
}

// The checks that must hold after any conversation, on what the phone
// received and what the host was left with.
void checkAfterwards(hostsim::ReferenceHost& h, std::string received, Outcome& outcome) {
    if (outcome.problem.empty()) outcome.problem = checkReplies(received);
    for (char c : received) outcome.replyLines += c == '\n' ? 1 : 0;
    outcome.linesRun = linesTaken(pluginContext->link);
    if (outcome.problem.empty() && linesTaken(pluginContext->link) > linesCompleted(pluginContext->link))
        outcome.problem = "a line was taken twice";
    if (outcome.problem.empty() && linesCompleted(pluginContext->link) > linesTaken(pluginContext->link) + 1)
        outcome.problem = "a completed line was never taken";
    if (outcome.problem.empty()) {
        if (h.volume < 0 || h.volume > 255) outcome.problem = "the host's volume left its range";
        for (int band : h.bands)
            if (band < 0 || band > 63) outcome.problem = "an equalizer band left its range";
        if (!h.playlist.empty() && (h.current < 0 || h.current >= static_cast<int>(h.playlist.size())))
            outcome.problem = "the playlist position left the playlist";
    }
    if (outcome.problem.empty()) {
        for (const std::string& path : sim::writtenFiles()) {
            const bool inMusic = path.rfind("C:\\Users\\me\\Music\\", 0) == 0 &&
                                 path.find('\\', std::strlen("C:\\Users\\me\\Music\\")) == std::string::npos;
            const bool hostOwn = path == "C:\\Program Files\\Winamp\\winamp.m3u" ||
                                 path == "C:\\Program Files\\Winamp\\Plugins\\ml\\playlists.xml" ||
                                 path == "c:\\peltaris.txt";
            if (!inMusic && !hostOwn) outcome.problem = "a file was written outside the My Music folder: " + path;
        }
    }
    outcome.received = std::move(received);
    outcome.hostRequests = std::move(h.requestLog);
}

// The host behind its two windows, made on the calling thread.
std::unique_ptr<hostsim::ReferenceHost> makeHost() {
    auto host = std::make_unique<hostsim::ReferenceHost>();
    hostsim::ReferenceHost* h = host.get();
    const platform::WindowHandle main = sim::createWindow(
        [h](unsigned int m, platform::WParam w, platform::LParam l) { return h->mainWindowMessage(m, w, l); });
    const platform::WindowHandle library = sim::createWindow(
        [h](unsigned int m, platform::WParam w, platform::LParam l) { return h->libraryWindowMessage(m, w, l); });
    host->attach(main, library);
    setUpWorld(*host);
    pluginDescriptor.hostWindow = main;
    pluginDescriptor.libraryParent = library;
    pluginDescriptor.dllInstance = nullptr;
    return host;
}

// The plug-in's worker thread has come to its end.
bool workerEnded() { return sim::threadsStarted() > 0 && sim::threadsEnded() >= sim::threadsStarted(); }

}  // namespace

Outcome runConversation(const std::uint8_t* data, std::size_t size, const std::vector<hostsim::LibraryEntry>* library) {
    Outcome outcome;
    sim::setInlineMode(true);
    sim::reset();
    resetPluginState();
    sim::setReadIdleMs(1000);
    sim::failActivityLog(true);

    std::unique_ptr<hostsim::ReferenceHost> host = makeHost();
    hostsim::ReferenceHost* h = host.get();
    if (library != nullptr) {
        takeBackLibrary(*h);
        h->library = *library;
    }
    sim::Phone phone("COM6");
    Feed feed{data, size};
    sim::setReadFeeder([&] { feedOnce(feed, phone, *h); });

    if (pluginDescriptor.init() != 0) {
        outcome.problem = "init failed";
    } else {
        sim::runStartedThreads();  // the worker: the whole conversation, until stopped
        const std::uint32_t before = platform::tickCount();
        pluginDescriptor.quit();
        if (platform::tickCount() - before > quitWaitLimitMs + 1000) outcome.problem = "quit did not return in time";
        if (pluginContext->flags.workerFinished != 1) outcome.problem = "the worker did not finish";
    }

    checkAfterwards(*h, phone.takeReceived(), outcome);

    sim::setReadFeeder(nullptr);
    if (library == nullptr) takeBackLibrary(*host);
    host.reset();
    sim::reset();
    resetPluginState();
    sim::setInlineMode(false);
    return outcome;
}

Outcome runThreadedConversation(const std::uint8_t* data, std::size_t size) {
    Outcome outcome;
    sim::setInlineMode(false);
    sim::reset();
    resetPluginState();
    sim::setReadIdleMs(2);  // short idle reads: a pause costs little real time
    sim::failActivityLog(true);

    std::unique_ptr<hostsim::ReferenceHost> host;
    sim::runOnUiThread([&host] { host = makeHost(); });
    hostsim::ReferenceHost* h = host.get();
    sim::Phone phone("COM6");

    int initResult = -1;
    sim::runOnUiThread([&initResult] { initResult = pluginDescriptor.init(); });
    if (initResult != 0) outcome.problem = "init failed";

    // The phone and the host act while the worker runs: sends are not waited
    // for, so bursts meet the worker anywhere in a command or a list.
    Feed feed{data, size};
    while (outcome.problem.empty() && feed.more()) {
        const std::uint8_t op = feed.next() & 7;
        if (op == opQuit) {
            feed.quitAsked = true;
            break;
        }
        switch (op) {
            case opSend:
            case opSendMore:
            case opSendLine:
            case opSendLineMore: {
                const std::string bytes = sentBytes(feed, op);
                if (!bytes.empty()) phone.send(bytes);
                break;
            }
            case opTick:
                sim::postTimerTick();
                break;
            case opHostEvent: {
                const std::uint8_t event = feed.next();
                sim::postToUiThread([h, event] { hostEvent(*h, event); });
                break;
            }
            default:
                // A pause: the plug-in catches up with what was sent, unless
                // the conversation has ended (after a power-off).
                for (int waited = 0; waited < 1000 && !workerEnded(); waited += 10)
                    if (phone.waitForQuiet(10)) break;
                break;
        }
    }

    if (initResult == 0) {
        // At the end of the input the plug-in first finishes what it was sent;
        // a quit the input asked for comes at once.
        if (!feed.quitAsked)
            for (int waited = 0; waited < 2000 && !workerEnded(); waited += 10)
                if (phone.waitForQuiet(10)) break;
        std::uint32_t took = 0;
        sim::runOnUiThread([&took] {
            const std::uint32_t before = platform::tickCount();
            pluginDescriptor.quit();
            took = platform::tickCount() - before;
        });
        if (took > quitWaitLimitMs + 1000) outcome.problem = "quit did not return in time";
        // Quit may leave the port to the worker to close: wait for it (wall
        // clock, as the worker is a real thread).
        for (int waited = 0; sim::threadsEnded() < sim::threadsStarted() && waited < 10000; waited += 1)
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        if (outcome.problem.empty() && sim::threadsEnded() < sim::threadsStarted())
            outcome.problem = "the worker did not finish";
    }
    // Host events still queued run before the host goes.
    sim::runOnUiThread([] {});

    checkAfterwards(*h, phone.takeReceived(), outcome);

    sim::runOnUiThread([&host] {
        takeBackLibrary(*host);
        host.reset();
    });
    sim::reset();
    resetPluginState();
    return outcome;
}

std::string encodeLines(const std::string& lines) {
    std::string encoded;
    std::size_t start = 0;
    while (start < lines.size()) {
        std::size_t lf = lines.find('\n', start);
        if (lf == std::string::npos) lf = lines.size() - 1;
        std::string line = lines.substr(start, lf - start + 1);
        start = lf + 1;
        while (!line.empty()) {
            const std::size_t piece = line.size() < 255 ? line.size() : 255;
            encoded += static_cast<char>(opSend);
            encoded += static_cast<char>(piece);
            encoded += line.substr(0, piece);
            line.erase(0, piece);
        }
    }
    return encoded;
}

}  // namespace wiredriver
