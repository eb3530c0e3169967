// quillon-phone: the phone's side of the link, for people and for scripts.
//
//   quillon-phone DEVICE [--control-in FIFO --control-out FIFO]
//       Interactive: each typed line goes to the plug-in as a command line and
//       every reply is shown decoded, list items with their index. "n" and "p"
//       page a list (53, 54); "find WORDS" searches the library (101) and
//       "jump PREFIX" moves a library list to a letter (102). With a test host's control channel, lines
//       starting with ':' go to the host (":state", ":volume 80", ":track 2"),
//       and the player's state is shown after every command.
//   quillon-phone DEVICE --send LINE [--send LINE ...] [--collect MS]
//       Sends the lines, prints the replies until MS pass without one, exits.
//   quillon-phone DEVICE --script FILE|-
//       Runs a script: "send TEXT", "expect PREFIX", "collect MS", "# ...".
//       Exits 1 at the first expectation that is not met.
//   --create-pty LINK in place of DEVICE
//       Makes a pseudo-terminal pair, links its other end as LINK (a COM port
//       of a Wine prefix, say) and speaks on this end.
#include <fcntl.h>
#include <poll.h>
#include <stdlib.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <fstream>
#include <iostream>
#include <string>
#include <vector>

#include "tools/phone/phone_link.h"

namespace {

int expectTimeoutMs = 3000;
phone::ListFollower lists;

void printReply(const std::string& line) {
    std::printf("  %-40s %s\n", line.c_str(), lists.describe(line).c_str());
    std::fflush(stdout);
}

bool sendCommand(int fd, const std::string& line) {
    lists.sent(line);
    return phone::sendLine(fd, line);
}

int usage() {
    std::fprintf(stderr,
                 "usage: quillon-phone DEVICE|--create-pty LINK [--control-in FIFO --control-out FIFO]\n"
                 "       quillon-phone DEVICE --send LINE [--send LINE ...] [--collect MS]\n"
                 "       quillon-phone DEVICE --script FILE|- [--timeout MS]\n");
    return 2;
}

// Orders the test host and prints its answer lines until `last` begins one.
void askHost(int controlIn, phone::LineReader& host, const std::string& order, const char* last) {
    std::string text = order + "\n";
    phone::writeAll(controlIn, text.data(), text.size());
    std::string line;
    while (phone::readLine(host, line, 20000) == phone::ReadResult::line) {
        std::printf("host| %s\n", line.c_str());
        if (line.rfind(last, 0) == 0) break;
    }
    std::fflush(stdout);
}

int runSends(phone::LineReader& reader, const std::vector<std::string>& lines, int collectMs, int controlIn,
             int controlOut) {
    phone::LineReader host{controlOut, {}};
    for (const std::string& line : lines) {
        std::printf("> %s\n", line.c_str());
        if (!sendCommand(reader.fd, line)) {
            std::fprintf(stderr, "quillon-phone: write failed\n");
            return 1;
        }
        for (const std::string& reply : phone::readLinesUntilQuiet(reader, collectMs, 30000)) printReply(reply);
        if (controlIn >= 0) askHost(controlIn, host, "state", "state");
    }
    if (controlIn >= 0) {
        askHost(controlIn, host, "quit", "exit");
        for (const std::string& reply : phone::readLinesUntilQuiet(reader, 500, 5000)) printReply(reply);
    }
    return 0;
}

// The pseudo-terminal's far end, linked as `link`; -1 on failure.
int createLinkedPty(const char* link) {
    int master = posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (master < 0 || grantpt(master) != 0 || unlockpt(master) != 0) return -1;
    const char* far = ptsname(master);
    // Raw mode is kept by the pseudo-terminal while one of its ends is open.
    int farEnd = phone::openSerialDevice(far);
    if (farEnd < 0 || !phone::makeRaw(master)) return -1;
    ::unlink(link);
    if (::symlink(far, link) != 0) return -1;
    std::printf("line %s linked as %s\n", far, link);
    std::fflush(stdout);
    return master;
}

int runScript(phone::LineReader& reader, std::istream& script) {
    std::string command;
    int lineNumber = 0;
    while (std::getline(script, command)) {
        ++lineNumber;
        if (command.empty() || command[0] == '#') continue;
        std::size_t blank = command.find(' ');
        std::string verb = command.substr(0, blank);
        std::string rest = blank == std::string::npos ? "" : command.substr(blank + 1);
        if (verb == "send") {
            std::printf("> %s\n", rest.c_str());
            if (!sendCommand(reader.fd, rest)) return 1;
        } else if (verb == "expect") {
            std::string reply;
            phone::ReadResult result = phone::readLine(reader, reply, expectTimeoutMs);
            if (result != phone::ReadResult::line) {
                std::printf("line %d: expected \"%s\", got nothing\n", lineNumber, rest.c_str());
                return 1;
            }
            printReply(reply);
            if (reply.rfind(rest, 0) != 0) {
                std::printf("line %d: expected \"%s\"\n", lineNumber, rest.c_str());
                return 1;
            }
        } else if (verb == "collect") {
            for (const std::string& reply : phone::readLinesUntilQuiet(reader, std::atoi(rest.c_str()), 30000))
                printReply(reply);
        } else {
            std::printf("line %d: unknown script command \"%s\"\n", lineNumber, verb.c_str());
            return 2;
        }
    }
    return 0;
}

// Reads whatever a descriptor has into `pending` and hands out whole lines.
bool takeLines(int fd, std::string& pending, std::vector<std::string>& lines) {
    char bytes[1024];
    ssize_t count = ::read(fd, bytes, sizeof bytes);
    if (count <= 0) return false;
    pending.append(bytes, static_cast<std::size_t>(count));
    std::size_t end;
    while ((end = pending.find('\n')) != std::string::npos) {
        lines.push_back(pending.substr(0, end));
        pending.erase(0, end + 1);
    }
    return true;
}

int runInteractive(phone::LineReader& reader, int controlIn, int controlOut) {
    std::printf("Type command lines (27 version, 18 status, 14 play, 6 equalizer, 31 artists, ...).\n");
    std::printf("In a list, n sends 53 (next page) and p sends 54 (previous page).\n");
    std::printf("find WORDS searches the library (101 WORDS; \"find\" alone asks whether the plug-in can).\n");
    std::printf(
        "jump PREFIX moves a library list or a search to the first item with PREFIX (102; # for\n"
        "items that do not begin with a letter).\n");
    if (controlIn >= 0)
        std::printf(
            "Lines starting with ':' go to the test host (:state, :volume N, :track N, "
            ":start N, :log).\n");
    std::printf("Ctrl-D ends.\n");
    std::fflush(stdout);
    std::string typed, hostPending;
    bool stateOwed = false;
    bool typingEnded = false;
    for (;;) {
        pollfd waits[3] = {{typingEnded ? -1 : 0, POLLIN, 0}, {reader.fd, POLLIN, 0}, {controlOut, POLLIN, 0}};
        int count = controlOut >= 0 ? 3 : 2;
        int ready = ::poll(waits, count, stateOwed ? 400 : -1);
        if (ready < 0) continue;
        if (ready == 0 && stateOwed) {
            // The command has had its replies; show what the player made of it.
            stateOwed = false;
            const char state[] = "state\n";
            phone::writeAll(controlIn, state, sizeof state - 1);
            continue;
        }
        if (waits[1].revents & (POLLIN | POLLHUP | POLLERR)) {
            std::string reply;
            phone::ReadResult result;
            while ((result = phone::readLine(reader, reply, 0)) == phone::ReadResult::line) printReply(reply);
            if (result == phone::ReadResult::closed) {
                std::printf("serial line closed\n");
                return 0;
            }
        }
        if (count == 3 && (waits[2].revents & (POLLIN | POLLHUP))) {
            std::vector<std::string> lines;
            if (!takeLines(controlOut, hostPending, lines)) {
                std::printf("test host ended\n");
                return 0;
            }
            for (const std::string& line : lines) std::printf("host| %s\n", line.c_str());
            std::fflush(stdout);
        }
        if (waits[0].revents & (POLLIN | POLLHUP)) {
            std::vector<std::string> lines;
            if (!takeLines(0, typed, lines)) {
                if (controlIn < 0) return 0;
                // Let the host quit so the end of the conversation shows.
                typingEnded = true;
                stateOwed = false;
                const char quit[] = "quit\n";
                phone::writeAll(controlIn, quit, sizeof quit - 1);
                continue;
            }
            for (const std::string& line : lines) {
                if (!line.empty() && line[0] == ':') {
                    if (controlIn < 0) {
                        std::printf("no test host attached\n");
                        continue;
                    }
                    std::string request = line.substr(1) + "\n";
                    phone::writeAll(controlIn, request.data(), request.size());
                } else {
                    std::string command = phone::commandForTyped(line);
                    if (command != line) std::printf("> %s\n", command.c_str());
                    sendCommand(reader.fd, command);
                    stateOwed = controlIn >= 0;
                }
            }
        }
    }
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) return usage();
    const char* device = nullptr;
    const char* ptyLink = nullptr;
    std::vector<std::string> sends;
    const char* scriptPath = nullptr;
    const char* controlInPath = nullptr;
    const char* controlOutPath = nullptr;
    int collectMs = 1500;
    for (int i = 1; i < argc; ++i) {
        std::string option = argv[i];
        if (option.rfind("--", 0) != 0) {
            device = argv[i];
            continue;
        }
        if (i + 1 >= argc) return usage();
        const char* value = argv[++i];
        if (option == "--send")
            sends.push_back(value);
        else if (option == "--collect")
            collectMs = std::atoi(value);
        else if (option == "--script")
            scriptPath = value;
        else if (option == "--timeout")
            expectTimeoutMs = std::atoi(value);
        else if (option == "--control-in")
            controlInPath = value;
        else if (option == "--control-out")
            controlOutPath = value;
        else if (option == "--create-pty")
            ptyLink = value;
        else
            return usage();
    }
    if ((device == nullptr) == (ptyLink == nullptr)) return usage();
    phone::LineReader reader;
    reader.fd = ptyLink != nullptr ? createLinkedPty(ptyLink) : phone::openSerialDevice(device);
    if (reader.fd < 0) {
        std::fprintf(stderr, "quillon-phone: cannot open %s: %s\n", ptyLink != nullptr ? "a pseudo-terminal" : device,
                     std::strerror(errno));
        return 1;
    }
    int controlIn = -1, controlOut = -1;
    if (controlInPath != nullptr && controlOutPath != nullptr) {
        // The same order as the test host opens them, so neither side waits forever.
        controlIn = ::open(controlInPath, O_WRONLY | O_CLOEXEC);
        controlOut = ::open(controlOutPath, O_RDONLY | O_CLOEXEC);
        if (controlIn < 0 || controlOut < 0) {
            std::fprintf(stderr, "quillon-phone: cannot open the control channel\n");
            return 1;
        }
    }
    if (!sends.empty()) return runSends(reader, sends, collectMs, controlIn, controlOut);
    if (scriptPath != nullptr) {
        if (std::strcmp(scriptPath, "-") == 0) return runScript(reader, std::cin);
        std::ifstream script(scriptPath);
        if (!script) {
            std::fprintf(stderr, "quillon-phone: cannot read %s\n", scriptPath);
            return 1;
        }
        return runScript(reader, script);
    }
    return runInteractive(reader, controlIn, controlOut);
}
