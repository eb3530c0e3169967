// The world of an end-to-end run: a private Wine prefix, a pseudo-terminal
// linked as a COM port of that prefix, the test host running the real plug-in
// DLL under Wine, and the phone on the other end of the line. By default the
// prefix is a 64-bit one with its 32-bit side (as on 64-bit Windows), and the
// test host and the DLL are the 32-bit ones users get.
#pragma once

#include <sys/types.h>

#include <string>
#include <vector>

#include "tools/phone/phone_link.h"

namespace e2e {

// Where things are; filled from the environment ctest gives the run.
struct WinePaths {
    std::string wine;        // the loader of the test host (QUILLON_WINE): Wine's 32-bit one
    std::string wineBoot;    // the loader that makes the prefix: wine64, or `wine` for a 32-bit prefix
    std::string winearch;    // "win32" for a prefix of 32-bit Windows (QUILLON_WINEARCH), else empty
    std::string wineserver;  // QUILLON_WINESERVER, or the one beside the loaders
    std::string testhost;    // quillon-testhost.exe of QUILLON_TESTHOST_DIR (the win32 build)
    std::string dll;         // the plug-in the host loads (QUILLON_DLL: the release's)
    std::string workDir;     // this run's scratch folder (the prefix lives under it)
    std::string prefix;
};

const WinePaths& winePaths();

// Why the run cannot happen here (no DLL, no Wine); empty when it can.
std::string missingPiece();

// Makes a fresh prefix with the null display driver. False, with the reason
// in `error`, when it could not be made.
bool makePrefix(std::string& error);

// Stops every Wine process of the prefix and its wineserver.
void stopWine();

// Kills what is still running and stops Wine also when the run is interrupted
// or ends early.
void installCleanupOnExit();

// Runs one of Wine's programs (such as "regedit") with the loader of the
// prefix's own width, so that it sees the registry as Wine's services do, and
// waits for it; its exit status, or -1 when it had to be killed.
int runWineProgram(const std::vector<std::string>& arguments, int timeoutMs);

// The Linux path of a path on the prefix's drive C: ("C:\\a\\b" gives
// "<prefix>/drive_c/a/b").
std::string linuxPath(const std::string& windowsPath);

// Windows path of the host's INI file and its Linux twin inside the prefix.
constexpr const char* iniWindowsPath = "C:\\quillon\\winamp.ini";
std::string iniLinuxPath();
std::string readTextFile(const std::string& path);

// The host player's folder: the test host runs from here, so it is the folder
// of the host program that the plug-in finds, and the reference host keeps its
// "winamp.m3u" and its media library's "Plugins\\ml" folder in it.
constexpr const char* hostFolderWindowsPath = "C:\\quillon\\host";

// One start of the test host with the plug-in, on a fresh pseudo-terminal.
class HostRun {
public:
    HostRun() = default;
    HostRun(const HostRun&) = delete;
    HostRun& operator=(const HostRun&) = delete;
    ~HostRun();

    // Writes the INI file, links the line as `portLink` ("com7"), puts the
    // test host into the host folder and starts it from there, with
    // `hostOptions` before the DLL on its command line; false when it could
    // not be started.
    bool start(const std::string& iniText, const std::string& portLink = "com7",
               const std::vector<std::string>& hostOptions = {});

    // Waits for a line of the test host that begins with `prefix`; the line,
    // or "(timed out)" / "(host ended)".
    std::string waitFor(const std::string& prefix, int timeoutMs = 15000);
    void order(const std::string& line);
    // The requests the host received since the last call ("log" order).
    std::vector<std::string> requestLog();
    // Gives `order` and gathers the answer's lines that begin with
    // `itemPrefix` (without it) until the line that begins with `endPrefix`.
    std::vector<std::string> orderLines(const std::string& order, const std::string& itemPrefix,
                                        const std::string& endPrefix);
    // One field of the "state" line, e.g. "volume" or "bands".
    std::string stateField(const std::string& key);
    // Quit, unload and wait for the program to end; false when it did not.
    bool quit();

    // The phone's end of the line.
    void phoneWrite(const std::string& bytes);
    std::string phoneReply(int timeoutMs = 3000);
    std::vector<std::string> phoneReplies(int quietMs = 700);

    // Everything the test host said, for failure messages.
    const std::string& transcript() const { return transcript_; }
    // Forgets it, for a long run whose request logs would pile up in it.
    void clearTranscript() { transcript_.clear(); }

    // The phone's end of the pseudo-terminal, for a caller that writes and
    // reads on it at the same time; and the test host's process, which leads
    // its own process group.
    int phoneDescriptor() const { return phone_; }
    pid_t processId() const { return pid_; }

private:
    pid_t pid_ = -1;
    int toHost_ = -1;
    int fromHost_ = -1;
    std::string hostPending_;
    std::string transcript_;
    int phone_ = -1;       // master end of the pseudo-terminal
    int lineKeeper_ = -1;  // our own hold on the slave end, so it stays in raw mode
    std::string portLinkPath_;
    phone::LineReader reader_;

    bool readHostLine(std::string& line, int timeoutMs);
    void stop();
};

}  // namespace e2e
