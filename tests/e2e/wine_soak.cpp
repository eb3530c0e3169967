// A long run under Wine: the real plug-in DLL in the test host, a generated
// media library, and a stream of random valid commands from the phone
// (transport, volume, seeking, the playlist, shuffle and repeat, the
// equalizer, status, the sleep timer, the library lists with their paging and
// selections, and library playback). Every command's effect is checked in
// order: the requests the host received (its request log, fetched in batches)
// and every reply line. The test host's memory after the first thousand
// commands and at the end must stay within a margin of each other.
//
//   quillon_soak [--commands N] [--seed S] [--batch B]
//
// Commands go out a batch at a time, all at once, each batch ending with a
// version request (27) whose reply marks the batch as done; then the request
// log is fetched and the batch is checked. A failure names the command's
// index, its line and the difference, and the seed repeats the run.
#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cinttypes>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <filesystem>
#include <fstream>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "core/host_interface.h"
#include "hostsim/library_generator.h"
#include "hostsim/library_source.h"
#include "hostsim/reference_host.h"
#include "tests/e2e/soak_generator.h"
#include "tests/e2e/wine_world.h"

namespace {

using namespace soak;
using Clock = std::chrono::steady_clock;

struct Options {
    long commands = 100000;
    std::uint64_t seed = 0;
    bool seedGiven = false;
    int batch = 250;
};

bool parseOptions(int argc, char** argv, Options& options) {
    for (int i = 1; i < argc; ++i) {
        std::string option = argv[i];
        if (i + 1 >= argc) return false;
        const char* value = argv[++i];
        char* end = nullptr;
        if (option == "--commands") {
            options.commands = std::strtol(value, &end, 10);
        } else if (option == "--seed") {
            options.seed = std::strtoull(value, &end, 10);
            options.seedGiven = true;
        } else if (option == "--batch") {
            options.batch = static_cast<int>(std::strtol(value, &end, 10));
        } else {
            return false;
        }
        if (end == value || *end != '\0') return false;
    }
    return options.commands >= 2 && options.batch >= 2;
}

// ---- checking what happened ------------------------------------------------------------

struct Tally {
    long commands = 0;
    long requests = 0;
    long replies = 0;
    long listPages = 0;
    long nowPlayingLines = 0;
    long titlelessRounds = 0;
    long plays = 0;
};

// Walks the commands in order against the host's request log and the reply
// lines, both read as they come. A shadow of the host (the same player model
// the test host runs) receives the requests the checker expects, so that the
// answers the plug-in builds on (a setting to toggle, the bands, the title and
// the rest of the now-playing line) are known.
class Checker {
public:
    explicit Checker(const Library& library) : library_(library), model_(library) {}

    std::deque<std::string> log;
    std::deque<std::string> replies;
    Tally tally;

    // Checks one command's effects; empty when they are as expected, else
    // what differs. The conversation loop's status push after the command
    // is checked separately, by passEnd().
    std::string check(const Command& command) {
        ++tally.commands;
        const bool topLevel = !model_.listOpen();
        // Between two turns of the conversation loop, a loop that found no
        // title repeats its queries as often as it turns.
        if (topLevel) {
            std::string failure = titlelessRounds();
            if (!failure.empty()) return failure;
        }
        shadow_.clearLog();
        for (const Step& step : model_.expect(command)) {
            std::string failure = perform(step);
            if (!failure.empty()) return failure;
        }
        return "";
    }

    bool passEndsHere() const { return !model_.listOpen(); }

    // The end of a turn of the conversation loop: the now-playing line when
    // the push is on and something raised the flag, then an owed volume line.
    std::string passEnd() {
        if (statusPush_ && playStateChanged_) {
            std::string failure = nowPlaying();
            if (!failure.empty()) return failure;
        }
        if (volumeChanged_) {
            std::string failure = expectReply("Q" + std::to_string(volume_));
            volumeChanged_ = false;
            if (!failure.empty()) return failure;
        }
        return "";
    }

    // Whatever is left unchecked.
    std::string leftOver() const {
        std::string text;
        for (const std::string& entry : log) text += "\n  request " + entry.substr(0, 160);
        for (const std::string& line : replies) text += "\n  reply " + line.substr(0, 160);
        return text;
    }

private:
    const Library& library_;
    PhoneModel model_;
    hostsim::ReferenceHost shadow_;
    bool statusPush_ = false;
    bool playStateChanged_ = false;  // unknown at start; the first push makes it known
    bool volumeChanged_ = false;
    int volume_ = startVolume;

    static std::string shorten(const std::string& text) {
        return text.size() > 300 ? text.substr(0, 300) + "... (" + std::to_string(text.size()) + " bytes)" : text;
    }

    std::string takeRequest(std::string& entry) {
        if (log.empty()) return "no further request in the host's log";
        entry = log.front();
        log.pop_front();
        ++tally.requests;
        return "";
    }

    std::string expectRequest(const std::string& expected) {
        std::string actual;
        if (std::string missing = takeRequest(actual); !missing.empty())
            return "expected request `" + shorten(expected) + "`, but " + missing;
        if (actual != expected)
            return "expected request `" + shorten(expected) + "`, the host got `" + shorten(actual) + "`";
        return "";
    }

    std::string expectReply(const std::string& expected) {
        if (replies.empty()) return "expected reply `" + shorten(expected) + "`, but no further reply line came";
        std::string actual = replies.front();
        replies.pop_front();
        ++tally.replies;
        if (actual != expected)
            return "expected reply `" + shorten(expected) + "`, the phone got `" + shorten(actual) + "`";
        return "";
    }

    // A WM_USER request to the main window: expected in the log, passed
    // through the plug-in's hook, answered by the shadow.
    std::string userRequest(std::int32_t code, std::int32_t value, platform::LResult& answer) {
        std::string failure = expectRequest("user " + std::to_string(code) + " " + std::to_string(value));
        hook(code, value);
        answer = shadow_.mainWindowMessage(platform::messageUser,
                                           static_cast<platform::WParam>(static_cast<std::intptr_t>(value)), code);
        return failure;
    }

    // What the plug-in's hook on the host window makes of a WM_USER request.
    void hook(std::int32_t code, std::int32_t value) {
        if (code == 122 && value > 0) {
            volume_ = value;
            volumeChanged_ = true;
        }
        if (value == 0 || value == 2) playStateChanged_ = true;
    }

    std::string perform(const Step& step) {
        platform::LResult answer = 0;
        switch (step.kind) {
            case Step::user: {
                std::string failure = userRequest(step.a, step.b, answer);
                if (step.a == 122) volume_ = step.b;  // stored whether the hook took it or not
                return failure;
            }
            case Step::command: {
                shadow_.mainWindowMessage(platform::messageCommand, static_cast<platform::WParam>(step.a), 0);
                return expectRequest("command " + std::to_string(step.a));
            }
            case Step::addFile:
                return addFile(step.records);
            case Step::release:
                return expectRequest("library release");
            case Step::run:
                return expectRequest("library run " + step.text);
            case Step::play:
                return play(step.a, step.records);
            case Step::reply: {
                if (step.text[0] == 'P' && (step.text == "PA" || step.text.rfind("PT", 0) == 0)) ++tally.listPages;
                std::string failure = expectReply(step.text);
                if (step.text[0] == 'Q') volumeChanged_ = false;
                return failure;
            }
            case Step::equalizerReport: {
                std::string line = "I";
                for (int band = 0; band < 10; ++band) {
                    std::string failure = userRequest(127, band, answer);
                    if (!failure.empty()) return failure;
                    line += std::to_string(63 - static_cast<std::int32_t>(answer)) + ":";
                }
                return expectReply(line);
            }
            case Step::toggle: {
                std::string failure = userRequest(step.a, 0, answer);
                if (!failure.empty()) return failure;
                return userRequest(step.b, static_cast<std::int32_t>(answer) == 1 ? 0 : 1, answer);
            }
            case Step::nowPlaying: {
                std::string failure = nowPlaying();
                statusPush_ = true;
                return failure;
            }
            case Step::pushOff:
                statusPush_ = false;
                return "";
            case Step::version: {
                std::string failure = userRequest(0, 0, answer);
                if (!failure.empty()) return failure;
                return expectReply("KWinamp " + std::to_string(static_cast<std::int32_t>(answer)) + " running!");
            }
        }
        return "";
    }

    // The file of one of `candidates` added to the playlist.
    std::string addFile(const Records& candidates) {
        std::string actual;
        if (std::string missing = takeRequest(actual); !missing.empty())
            return "expected the file of " + candidates[0]->title + " added, but " + missing;
        const std::string prefix = "user 100 file=";
        const Entry* added = nullptr;
        if (actual.rfind(prefix, 0) == 0) {
            auto found = library_.byFile.find(actual.substr(prefix.size()));
            if (found != library_.byFile.end() &&
                std::find(candidates.begin(), candidates.end(), found->second) != candidates.end())
                added = found->second;
        }
        if (added == nullptr)
            return "expected `" + prefix + shorten(candidates[0]->fileName) +
                   "` (or a record equal to it in the list's order), the host got `" + shorten(actual) + "`";
        host::AddFileRecord record{added->fileName.c_str(), nullptr, 0};
        shadow_.mainWindowMessage(platform::messageUser, reinterpret_cast<platform::WParam>(&record),
                                  host::requestAddFile);
        return "";
    }

    // The records handed to the host in title order; records of equal title
    // may come in any order among themselves.
    std::string play(int enqueue, const Records& expected) {
        ++tally.plays;
        std::string actual;
        const std::string prefix = "library play enqueue=" + std::to_string(enqueue) + " ";
        std::string wanted = prefix;
        for (std::size_t i = 0; i < expected.size(); ++i) wanted += (i > 0 ? "|" : "") + expected[i]->fileName;
        if (std::string missing = takeRequest(actual); !missing.empty())
            return "expected request `" + shorten(wanted) + "`, but " + missing;
        Records handed;
        bool readable = actual.rfind(prefix, 0) == 0;
        for (std::size_t start = prefix.size(); readable && start <= actual.size();) {
            std::size_t bar = actual.find('|', start);
            auto found =
                library_.byFile.find(actual.substr(start, bar == std::string::npos ? std::string::npos : bar - start));
            if (found == library_.byFile.end()) {
                readable = false;
                break;
            }
            handed.push_back(found->second);
            if (bar == std::string::npos) break;
            start = bar + 1;
        }
        bool same = readable && handed.size() == expected.size();
        for (std::size_t i = 0; same && i < handed.size(); ++i) same = handed[i]->title == expected[i]->title;
        if (same) {
            Records a = handed, b = expected;
            std::sort(a.begin(), a.end());
            std::sort(b.begin(), b.end());
            same = a == b;
        }
        if (!same) return "expected request `" + shorten(wanted) + "`, the host got `" + shorten(actual) + "`";

        std::vector<host::LibraryRecord> records(handed.size());
        for (std::size_t i = 0; i < handed.size(); ++i) {
            records[i].fileName = const_cast<char*>(handed[i]->fileName.c_str());
            records[i].title = const_cast<char*>(handed[i]->title.c_str());
        }
        host::LibraryRecordList list{records.data(), static_cast<std::int32_t>(records.size()),
                                     static_cast<std::int32_t>(records.size())};
        host::LibraryPlayRequest request{0, &list, enqueue};
        shadow_.libraryWindowMessage(host::libraryMessage, reinterpret_cast<platform::WParam>(&request),
                                     host::libraryPlayRecords);
        return "";
    }

    // The nine queries of the now-playing line, in their order, then the line
    // itself when the host named a title. False in `titled` when it did not.
    std::string nowPlayingQueries(bool& titled, std::string& line) {
        platform::LResult position = 0, title = 0, rate = 0, ms = 0, seconds = 0, state = 0, channels = 0, shuffle = 0,
                          repeat = 0;
        std::string failure;
        if (failure.empty()) failure = userRequest(125, 0, position);
        if (failure.empty()) failure = userRequest(212, static_cast<std::int32_t>(position), title);
        if (failure.empty()) failure = userRequest(126, 0, rate);
        if (failure.empty()) failure = userRequest(105, 0, ms);
        if (failure.empty()) failure = userRequest(105, 1, seconds);
        if (failure.empty()) failure = userRequest(104, 0, state);
        if (failure.empty()) failure = userRequest(126, 2, channels);
        if (failure.empty()) failure = userRequest(250, 0, shuffle);
        if (failure.empty()) failure = userRequest(251, 0, repeat);
        if (!failure.empty()) return failure;
        titled = title != 0;
        if (!titled) return "";
        std::string text = reinterpret_cast<const char*>(title);
        std::replace(text.begin(), text.end(), ':', ';');
        auto n = [](platform::LResult value) { return std::to_string(static_cast<std::int32_t>(value)); };
        line = "J" + n(state) + ":" + text + ":" + n(rate) + ":" + n(channels) + ":" +
               std::to_string(static_cast<std::int32_t>(seconds) * 1000) + ":" + n(ms) + ":" + n(shuffle) + ":" +
               n(repeat) + ":";
        return "";
    }

    // Whether the host names a title for its current entry now.
    bool hostHasTitle() {
        const platform::LResult position = shadow_.mainWindowMessage(platform::messageUser, 0, 125);
        return shadow_.mainWindowMessage(platform::messageUser, static_cast<platform::WParam>(position), 212) != 0;
    }

    // The now-playing line: one round of its queries and the line when the
    // host has a title. Without one no line goes out, the flag stays raised,
    // and every turn of the loop asks again: those rounds are taken before
    // the next command, however many the loop made.
    std::string nowPlaying() {
        if (!hostHasTitle()) return "";
        bool titled = false;
        std::string line;
        std::string failure = nowPlayingQueries(titled, line);
        if (!failure.empty()) return "now-playing line: " + failure;
        ++tally.nowPlayingLines;
        failure = expectReply(line);
        playStateChanged_ = false;
        return failure;
    }

    // The rounds of the now-playing queries the loop made, finding no
    // title, since the last command: any number of them.
    std::string titlelessRounds() {
        if (!(statusPush_ && playStateChanged_)) return "";
        const std::string queries[] = {"user 125 0", "user 212 ",  "user 126 0", "user 105 0", "user 105 1",
                                       "user 104 0", "user 126 2", "user 250 0", "user 251 0"};
        for (;;) {
            bool whole = log.size() >= 9;
            for (std::size_t i = 0; whole && i < 9; ++i) whole = log[i].rfind(queries[i], 0) == 0;
            if (!whole) return "";
            bool titled = false;
            std::string line;
            std::string failure = nowPlayingQueries(titled, line);
            if (!failure.empty()) return "repeated now-playing queries: " + failure;
            if (titled) return "the now-playing queries were repeated although the host has a title (" + line + ")";
            ++tally.titlelessRounds;
        }
    }
};

// ---- the test host's memory -----------------------------------------------------------------

// The resident memory of the Wine process that runs quillon-testhost.exe, in
// kB: the started process itself, or a process of its group.
long testHostMemoryKb(pid_t group) {
    namespace fs = std::filesystem;
    std::error_code error;
    for (const fs::directory_entry& entry : fs::directory_iterator("/proc", error)) {
        const std::string name = entry.path().filename().string();
        if (name.find_first_not_of("0123456789") != std::string::npos) continue;
        const pid_t pid = static_cast<pid_t>(std::atol(name.c_str()));
        if (getpgid(pid) != group) continue;
        std::string commandLine = e2e::readTextFile(entry.path().string() + "/cmdline");
        if (commandLine.find("quillon-testhost.exe") == std::string::npos) continue;
        std::ifstream status(entry.path() / "status");
        std::string line;
        while (std::getline(status, line))
            if (line.rfind("VmRSS:", 0) == 0) return std::atol(line.c_str() + 6);
    }
    return -1;
}

// ---- the line to the plug-in -------------------------------------------------------------------

// Writes a batch of command lines while reading the replies, so that neither
// side waits on a full line, until `versions` version lines have come.
bool exchange(int phone, const std::string& lines, int versions, std::string& pending, std::deque<std::string>& replies,
              int quietLimitMs) {
    std::size_t written = 0;
    int seen = 0;
    Clock::time_point lastProgress = Clock::now();
    while (seen < versions) {
        pollfd wait{phone, static_cast<short>(POLLIN | (written < lines.size() ? POLLOUT : 0)), 0};
        int ready = poll(&wait, 1, 200);
        if (ready > 0 && (wait.revents & POLLOUT) != 0 && written < lines.size()) {
            ssize_t count = write(phone, lines.data() + written, lines.size() - written);
            if (count > 0) {
                written += static_cast<std::size_t>(count);
                lastProgress = Clock::now();
            }
        }
        if (ready > 0 && (wait.revents & POLLIN) != 0) {
            char bytes[65536];
            ssize_t count = read(phone, bytes, sizeof bytes);
            if (count > 0) {
                pending.append(bytes, static_cast<std::size_t>(count));
                lastProgress = Clock::now();
                std::size_t start = 0, end;
                while ((end = pending.find('\n', start)) != std::string::npos) {
                    replies.push_back(pending.substr(start, end - start));
                    if (replies.back().rfind("K", 0) == 0) ++seen;
                    start = end + 1;
                }
                pending.erase(0, start);
            }
        }
        if (Clock::now() - lastProgress > std::chrono::milliseconds(quietLimitMs)) return false;
    }
    return true;
}

double secondsSince(Clock::time_point start) { return std::chrono::duration<double>(Clock::now() - start).count(); }

}  // namespace

int main(int argc, char** argv) {
    Options options;
    if (!parseOptions(argc, argv, options)) {
        std::fprintf(stderr, "usage: quillon_soak [--commands N (at least 2)] [--seed S] [--batch B (at least 2)]\n");
        return 2;
    }
    if (!options.seedGiven)
        options.seed = static_cast<std::uint64_t>(Clock::now().time_since_epoch().count()) % 1000000007ull;
    // Where the build put things, unless the environment says otherwise.
    setenv("QUILLON_TESTHOST_DIR", QUILLON_SOAK_TESTHOST_DIR, 0);
    setenv("QUILLON_DLL", QUILLON_SOAK_DLL, 0);
    setenv("QUILLON_E2E_WORK", QUILLON_SOAK_WORK_DIR, 0);
    std::string missing = e2e::missingPiece();
    if (!missing.empty()) {
        std::printf("end-to-end run skipped: %s\n", missing.c_str());
        return 0;
    }
    std::printf("soak: seed %" PRIu64 ", %ld commands in batches of %d, library %s\n", options.seed, options.commands,
                options.batch, libraryShape);
    std::fflush(stdout);

    e2e::installCleanupOnExit();
    std::string problem;
    if (!e2e::makePrefix(problem)) {
        std::printf("soak: FAILED: %s\n", problem.c_str());
        return 1;
    }
    e2e::HostRun host;
    if (!host.start(iniText, "com7", {"--generate-library", libraryShape})) {
        std::printf("soak: FAILED: the test host could not be started\n");
        return 1;
    }
    const std::string libraryLine = host.waitFor("library ", 60000);
    const std::string initLine = host.waitFor("init ", 60000);
    if (libraryLine != "library " + std::to_string(libraryRecords) + " records" || initLine != "init 0") {
        std::printf("soak: FAILED: the test host did not start the plug-in: %s | %s\n%s", libraryLine.c_str(),
                    initLine.c_str(), host.transcript().c_str());
        return 1;
    }
    for (int i = 0; i < extraRecordCount; ++i) {
        host.order(std::string("library ") + extraRecords[i]);
        const std::string added = host.waitFor("library ");
        if (added != "library ok " + std::to_string(libraryRecords + i + 1)) {
            std::printf("soak: FAILED: the test host did not take the record %s: %s\n", extraRecords[i], added.c_str());
            return 1;
        }
    }
    host.requestLog();  // what start-up asked of the host is not the run's
    const int phone = host.phoneDescriptor();
    fcntl(phone, F_SETFL, fcntl(phone, F_GETFL) | O_NONBLOCK);

    const Library library;
    Generator generator(library, options.seed);
    Checker checker(library);
    std::string pendingBytes;
    long sent = 0;
    long memoryAfterThousand = -1;
    long memoryLeast = 0, memoryMost = 0;  // after each batch from then on
    long sentAtFirstMeasure = 0;
    const Clock::time_point started = Clock::now();
    std::vector<Command> batch;
    bool passEndOwed = false;  // the last batch's last command: its turn's end comes with the next batch
    long passEndIndex = 0;
    Command passEndCommand;

    auto fail = [&](long index, const Command& command, const std::string& what) {
        std::printf("soak: FAILED at command %ld `%s` (seed %" PRIu64 "): %s\n", index, command.line().c_str(),
                    options.seed, what.c_str());
        std::printf("soak: the commands up to it:");
        const long first = std::max(sent, index - 40);
        for (long i = first; i <= index && i - sent < static_cast<long>(batch.size()); ++i)
            std::printf("\n  %ld: %s", i, batch[static_cast<std::size_t>(i - sent)].line().c_str());
        std::printf("\nsoak: not yet checked:%s\n", checker.leftOver().substr(0, 4000).c_str());
        return 1;
    };

    while (sent < options.commands) {
        long size = std::min<long>(options.batch, options.commands - sent);
        // The last batch holds at least two commands: the push off, then the version.
        if (options.commands - sent - size == 1) ++size;
        const bool last = sent + size == options.commands;
        batch.clear();
        for (long i = 0; i + 1 < size; ++i) {
            // The run ends with the push off, so that nothing follows its last reply.
            batch.push_back(last && i + 2 == size ? generator.take({21, ""}) : generator.next());
        }
        batch.push_back(generator.version());
        std::string lines;
        for (const Command& command : batch) lines += command.line() + "\n";

        const bool complete =
            exchange(phone, lines,
                     1 + static_cast<int>(std::count_if(batch.begin(), batch.end() - 1,
                                                        [](const Command& c) { return c.number == 27; })),
                     pendingBytes, checker.replies, 30000);
        for (std::string& entry : host.requestLog()) checker.log.push_back(std::move(entry));

        if (passEndOwed) {
            std::string failure = checker.passEnd();
            if (!failure.empty()) return fail(passEndIndex, passEndCommand, "after the command: " + failure);
            passEndOwed = false;
        }
        for (std::size_t i = 0; i < batch.size(); ++i) {
            const long index = sent + static_cast<long>(i);
            std::string failure = checker.check(batch[i]);
            if (!failure.empty()) return fail(index, batch[i], failure);
            if (!checker.passEndsHere()) continue;
            if (i + 1 == batch.size()) {
                passEndOwed = true;
                passEndIndex = index;
                passEndCommand = batch[i];
                continue;
            }
            failure = checker.passEnd();
            if (!failure.empty()) return fail(index, batch[i], "after the command: " + failure);
        }
        if (!complete) return fail(sent + size - 1, batch.back(), "the batch's last reply never came");
        host.clearTranscript();
        sent += size;

        if (sent >= 1000) {
            const long memory = testHostMemoryKb(host.processId());
            if (memoryAfterThousand < 0) {
                memoryAfterThousand = memoryLeast = memoryMost = memory;
                sentAtFirstMeasure = sent;
            }
            memoryLeast = std::min(memoryLeast, memory);
            memoryMost = std::max(memoryMost, memory);
            if (sent % 10000 < size)
                std::printf("soak: %ld commands, %.1f s, memory %ld kB\n", sent, secondsSince(started), memory);
        }
        std::fflush(stdout);
    }
    const double seconds = secondsSince(started);
    const long memoryAtEnd = testHostMemoryKb(host.processId());
    if (memoryAfterThousand < 0) {
        memoryAfterThousand = memoryLeast = memoryMost = memoryAtEnd;
        sentAtFirstMeasure = sent;
    }

    // The run ended with the push off: nothing may follow the last version line.
    std::deque<std::string>& replies = checker.replies;
    phone::LineReader rest{phone, pendingBytes};
    for (const std::string& line : phone::readLinesUntilQuiet(rest, 1500, 5000)) replies.push_back(line);
    for (std::string& entry : host.requestLog()) checker.log.push_back(std::move(entry));
    if (std::string failure = checker.passEnd(); !failure.empty())
        return fail(passEndIndex, passEndCommand, "after the command: " + failure);
    if (!checker.log.empty() || !replies.empty())
        return fail(sent - 1, batch.back(), "more came after the last command:" + checker.leftOver());

    const bool quitOk = host.quit();
    std::vector<std::string> last = host.phoneReplies(1500);

    const Tally& tally = checker.tally;
    std::printf("soak: seed %" PRIu64 "\n", options.seed);
    std::printf("soak: %ld commands in %.1f s, %.0f commands per second\n", tally.commands, seconds,
                tally.commands / seconds);
    std::printf(
        "soak: checked %ld host requests and %ld reply lines: %ld list pages, %ld library plays, "
        "%ld now-playing lines, %ld rounds of now-playing queries without a title\n",
        tally.requests, tally.replies, tally.listPages, tally.plays, tally.nowPlayingLines, tally.titlelessRounds);
    const double growth = memoryAfterThousand > 0
                              ? 100.0 * static_cast<double>(memoryAtEnd - memoryAfterThousand) / memoryAfterThousand
                              : 0.0;
    std::printf(
        "soak: test host memory (VmRSS): %ld kB after %ld commands, %ld kB at the end (%+.1f %%, limit %+.0f %%); "
        "%ld to %ld kB between batches\n",
        memoryAfterThousand, sentAtFirstMeasure, memoryAtEnd, growth, memoryMargin * 100, memoryLeast, memoryMost);
    if (!quitOk || last != std::vector<std::string>{"X"}) {
        std::printf("soak: FAILED: quit after the run: %s, the phone got %zu lines after it\n%s",
                    quitOk ? "returned" : "did not return", last.size(), host.transcript().c_str());
        return 1;
    }
    if (memoryAfterThousand <= 0 || memoryAtEnd <= 0) {
        std::printf("soak: FAILED: the test host's memory could not be read\n");
        return 1;
    }
    if (memoryAtEnd > memoryAfterThousand * (1.0 + memoryMargin)) {
        std::printf("soak: FAILED: the test host's memory grew by more than %.0f %%\n", memoryMargin * 100);
        return 1;
    }
    std::printf("soak: passed\n");
    return 0;
}
