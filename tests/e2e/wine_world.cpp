#include "tests/e2e/wine_world.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/prctl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>

namespace e2e {

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

// Process groups of the test hosts still running, for the exit-time clean-up.
constexpr int maxGroups = 16;
volatile pid_t runningGroups[maxGroups];

// Prepared before any signal can arrive: a signal handler may only exec.
char* stopWineArgv[3];
char* stopWineEnvp[2];
bool cleanupReady = false;

std::string environmentOr(const char* name, const std::string& fallback) {
    const char* value = std::getenv(name);
    return value != nullptr && *value != '\0' ? value : fallback;
}

std::string firstExisting(std::initializer_list<const char*> candidates) {
    for (const char* candidate : candidates)
        if (access(candidate, X_OK) == 0) return candidate;
    return "";
}

void rememberGroup(pid_t group) {
    for (int i = 0; i < maxGroups; ++i)
        if (runningGroups[i] == 0) {
            runningGroups[i] = group;
            return;
        }
}

void forgetGroup(pid_t group) {
    for (int i = 0; i < maxGroups; ++i)
        if (runningGroups[i] == group) runningGroups[i] = 0;
}

// Runs wineserver -k and waits for it; usable from a signal handler.
void killWineserver() {
    if (!cleanupReady) return;
    pid_t child = fork();
    if (child == 0) {
        int nullDevice = open("/dev/null", O_RDWR);
        dup2(nullDevice, 1);
        dup2(nullDevice, 2);
        execve(stopWineArgv[0], stopWineArgv, stopWineEnvp);
        _exit(127);
    }
    if (child > 0) {
        int status = 0;
        waitpid(child, &status, 0);
    }
}

void killEverything() {
    for (int i = 0; i < maxGroups; ++i)
        if (runningGroups[i] > 0) {
            kill(-runningGroups[i], SIGKILL);
            runningGroups[i] = 0;
        }
    killWineserver();
}

void onFatalSignal(int signalNumber) {
    killEverything();
    signal(signalNumber, SIG_DFL);
    raise(signalNumber);
}

std::vector<std::string> wineEnvironment() {
    std::vector<std::string> environment = {"WINEPREFIX=" + winePaths().prefix, "WINEDEBUG=-all",
                                            // No dialogs offering to download Mono or Gecko.
                                            "WINEDLLOVERRIDES=mscoree,mshtml=", "DISPLAY="};
    if (!winePaths().winearch.empty()) environment.push_back("WINEARCH=" + winePaths().winearch);
    return environment;
}

// Starts `argv` in a process group of its own, with the Wine environment; the
// child dies with the harness. Pipes to its standard input and from its
// standard output when asked.
pid_t spawn(const std::vector<std::string>& argv, int* toChild, int* fromChild) {
    int input[2] = {-1, -1}, output[2] = {-1, -1};
    if (toChild != nullptr && pipe2(input, O_CLOEXEC) != 0) return -1;
    if (fromChild != nullptr && pipe2(output, O_CLOEXEC) != 0) return -1;
    std::vector<std::string> environment = wineEnvironment();
    // Wine's own diagnostics go to a file of the run, not into the test report.
    std::string wineLog = winePaths().workDir + "/wine-stderr.log";
    pid_t child = fork();
    if (child == 0) {
        setpgid(0, 0);
        prctl(PR_SET_PDEATHSIG, SIGKILL);
        int nullDevice = open("/dev/null", O_RDWR);
        dup2(toChild != nullptr ? input[0] : nullDevice, 0);
        dup2(fromChild != nullptr ? output[1] : nullDevice, 1);
        int log = open(wineLog.c_str(), O_WRONLY | O_CREAT | O_APPEND, 0644);
        dup2(log >= 0 ? log : nullDevice, 2);
        for (const std::string& setting : environment) putenv(const_cast<char*>(setting.c_str()));
        unsetenv("DISPLAY");
        std::vector<char*> args;
        for (const std::string& arg : argv) args.push_back(const_cast<char*>(arg.c_str()));
        args.push_back(nullptr);
        execv(args[0], args.data());
        _exit(127);
    }
    if (child < 0) return -1;
    setpgid(child, child);
    rememberGroup(child);
    if (toChild != nullptr) {
        close(input[0]);
        *toChild = input[1];
    }
    if (fromChild != nullptr) {
        close(output[1]);
        *fromChild = output[0];
    }
    return child;
}

// Waits for the child; kills its group when it takes longer than `timeoutMs`.
// Its exit status, or -1 when it had to be killed.
int waitOrKill(pid_t child, int timeoutMs) {
    Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
    for (;;) {
        int status = 0;
        pid_t done = waitpid(child, &status, WNOHANG);
        if (done == child) {
            forgetGroup(child);
            return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
        }
        if (Clock::now() >= deadline) {
            kill(-child, SIGKILL);
            waitpid(child, &status, 0);
            forgetGroup(child);
            return -1;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
}

}  // namespace

namespace {

int runWith(const std::string& loader, const std::vector<std::string>& arguments, int timeoutMs) {
    std::vector<std::string> argv = {loader};
    argv.insert(argv.end(), arguments.begin(), arguments.end());
    pid_t child = spawn(argv, nullptr, nullptr);
    return child < 0 ? -1 : waitOrKill(child, timeoutMs);
}

}  // namespace

int runWineProgram(const std::vector<std::string>& arguments, int timeoutMs) {
    return runWith(winePaths().wineBoot, arguments, timeoutMs);
}

std::string linuxPath(const std::string& windowsPath) {
    std::string path = winePaths().prefix + "/drive_c";
    std::size_t start = windowsPath.size() >= 2 && windowsPath[1] == ':' ? 2 : 0;
    for (std::size_t i = start; i < windowsPath.size(); ++i) path += windowsPath[i] == '\\' ? '/' : windowsPath[i];
    return path;
}

const WinePaths& winePaths() {
    static WinePaths paths = [] {
        WinePaths found;
        found.winearch = environmentOr("QUILLON_WINEARCH", "");
        found.wine = environmentOr("QUILLON_WINE", firstExisting({"/usr/lib/wine/wine"}));
        // A 32-bit prefix is made by the 32-bit loader; a 64-bit one, with its
        // 32-bit side, by wine64.
        found.wineBoot = found.winearch == "win32"
                             ? found.wine
                             : environmentOr("QUILLON_WINE64", firstExisting({"/usr/lib/wine/wine64"}));
        found.wineserver = environmentOr("QUILLON_WINESERVER", firstExisting({"/usr/lib/wine/wineserver"}));
        found.testhost = environmentOr("QUILLON_TESTHOST_DIR", "build/win32") + "/quillon-testhost.exe";
        found.dll = environmentOr("QUILLON_DLL", "");
        found.workDir = fs::absolute(environmentOr("QUILLON_E2E_WORK", "build/e2e-wine")).string();
        found.prefix = found.workDir + "/prefix";
        return found;
    }();
    return paths;
}

std::string missingPiece() {
    const WinePaths& paths = winePaths();
    if (paths.dll.empty()) return "no plug-in DLL named (QUILLON_DLL)";
    if (access(paths.dll.c_str(), R_OK) != 0)
        return paths.dll + " is not there (tools/release.sh makes the release it is unpacked from)";
    if (access(paths.testhost.c_str(), R_OK) != 0)
        return paths.testhost + " is not built (build the win32 preset first)";
    if (paths.wine.empty()) return "Wine's 32-bit loader /usr/lib/wine/wine is not installed (wine32:i386)";
    if (paths.wineBoot.empty()) return "wine64 is not installed";
    if (paths.wineserver.empty()) return "wineserver is not installed";
    return "";
}

std::string iniLinuxPath() { return winePaths().prefix + "/drive_c/quillon/winamp.ini"; }

std::string readTextFile(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    std::stringstream text;
    text << file.rdbuf();
    return text.str();
}

void installCleanupOnExit() {
    static std::string server = winePaths().wineserver;
    static std::string kill = "-k";
    static std::string prefix = "WINEPREFIX=" + winePaths().prefix;
    stopWineArgv[0] = server.data();
    stopWineArgv[1] = kill.data();
    stopWineArgv[2] = nullptr;
    stopWineEnvp[0] = prefix.data();
    stopWineEnvp[1] = nullptr;
    cleanupReady = true;
    // A test host that has ended must not end the run when we write to it.
    signal(SIGPIPE, SIG_IGN);
    for (int signalNumber : {SIGINT, SIGTERM, SIGHUP, SIGQUIT, SIGABRT, SIGSEGV, SIGBUS})
        signal(signalNumber, onFatalSignal);
    std::atexit(killEverything);
}

bool makePrefix(std::string& error) {
    const WinePaths& paths = winePaths();
    std::error_code ignored;
    stopWine();  // a prefix left over from an interrupted run
    fs::remove_all(paths.prefix, ignored);
    fs::create_directories(paths.prefix, ignored);
    if (runWith(paths.wineBoot, {"wineboot", "-i"}, 180000) != 0) {
        error = "wineboot -i failed in " + paths.prefix;
        return false;
    }
    // Windows without a display: the null driver.
    if (runWith(paths.wineBoot, {"reg", "add", "HKCU\\Software\\Wine\\Drivers", "/v", "Graphics", "/d", "null", "/f"},
                60000) != 0) {
        error = "could not select the null display driver";
        return false;
    }
    // Wine's desktop process started by wineboot knows no display; the next
    // start brings one up that uses the null driver.
    stopWine();
    // A 64-bit prefix has the 32-bit side 64-bit Windows has; a 32-bit one has none.
    const bool wow64 = fs::is_directory(paths.prefix + "/drive_c/windows/syswow64");
    if (wow64 != (paths.winearch != "win32")) {
        error = paths.prefix + (wow64 ? " has a syswow64 folder, so it is no 32-bit prefix"
                                      : " has no syswow64 folder, so it is no 64-bit prefix with 32-bit support");
        return false;
    }
    fs::create_directories(paths.prefix + "/drive_c/quillon", ignored);
    fs::create_directories(linuxPath(hostFolderWindowsPath), ignored);
    return true;
}

void stopWine() { killWineserver(); }

// ---- one test host run ------------------------------------------------------

HostRun::~HostRun() { stop(); }

bool HostRun::start(const std::string& iniText, const std::string& portLink,
                    const std::vector<std::string>& hostOptions) {
    const WinePaths& paths = winePaths();
    std::ofstream(iniLinuxPath(), std::ios::binary | std::ios::trunc) << iniText;

    phone_ = posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (phone_ < 0 || grantpt(phone_) != 0 || unlockpt(phone_) != 0) return false;
    std::string slave = ptsname(phone_);
    // Raw mode lives with the pseudo-terminal; holding the slave open keeps it
    // (and keeps reads on the master from failing while Wine has it closed).
    lineKeeper_ = phone::openSerialDevice(slave.c_str());
    if (lineKeeper_ < 0 || !phone::makeRaw(phone_)) return false;
    reader_.fd = phone_;

    portLinkPath_ = paths.prefix + "/dosdevices/" + portLink;
    std::error_code ignored;
    fs::remove(portLinkPath_, ignored);
    fs::create_symlink(slave, portLinkPath_, ignored);
    if (ignored) return false;

    // A copy under a new name first, so a program of an earlier run that still
    // maps the old file keeps it.
    const std::string program = linuxPath(hostFolderWindowsPath) + "/quillon-testhost.exe";
    fs::copy_file(paths.testhost, program + ".new", fs::copy_options::overwrite_existing, ignored);
    if (ignored) return false;
    fs::rename(program + ".new", program, ignored);
    if (ignored) return false;

    std::vector<std::string> command = {paths.wine, std::string(hostFolderWindowsPath) + "\\quillon-testhost.exe",
                                        "--ini",    iniWindowsPath,
                                        "--folder", hostFolderWindowsPath};
    command.insert(command.end(), hostOptions.begin(), hostOptions.end());
    command.push_back(paths.dll);
    pid_ = spawn(command, &toHost_, &fromHost_);
    return pid_ > 0;
}

bool HostRun::readHostLine(std::string& line, int timeoutMs) {
    Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
    for (;;) {
        std::size_t end = hostPending_.find('\n');
        if (end != std::string::npos) {
            line = hostPending_.substr(0, end);
            hostPending_.erase(0, end + 1);
            if (!line.empty() && line.back() == '\r') line.pop_back();
            transcript_ += line + "\n";
            return true;
        }
        auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
        if (fromHost_ < 0 || left.count() <= 0) return false;
        pollfd wait{fromHost_, POLLIN, 0};
        if (poll(&wait, 1, static_cast<int>(left.count())) <= 0) continue;
        char bytes[4096];
        ssize_t count = read(fromHost_, bytes, sizeof bytes);
        if (count <= 0) {
            close(fromHost_);
            fromHost_ = -1;
            return false;
        }
        hostPending_.append(bytes, static_cast<std::size_t>(count));
    }
}

std::string HostRun::waitFor(const std::string& prefix, int timeoutMs) {
    Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
    std::string line;
    for (;;) {
        auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
        if (left.count() <= 0) return "(timed out)";
        if (!readHostLine(line, static_cast<int>(left.count()))) return fromHost_ < 0 ? "(host ended)" : "(timed out)";
        if (line.rfind(prefix, 0) == 0) return line;
    }
}

void HostRun::order(const std::string& line) {
    if (toHost_ < 0) return;
    std::string text = line + "\n";
    phone::writeAll(toHost_, text.data(), text.size());
}

std::vector<std::string> HostRun::requestLog() { return orderLines("log", "request ", "log end"); }

std::vector<std::string> HostRun::orderLines(const std::string& line, const std::string& itemPrefix,
                                             const std::string& endPrefix) {
    order(line);
    std::vector<std::string> entries;
    std::string answer;
    while (readHostLine(answer, 10000)) {
        if (answer.rfind(endPrefix, 0) == 0) break;
        if (answer.rfind(itemPrefix, 0) == 0) entries.push_back(answer.substr(itemPrefix.size()));
    }
    return entries;
}

std::string HostRun::stateField(const std::string& key) {
    order("state");
    std::string state = waitFor("state ");
    std::string marker = " " + key + "=";
    std::size_t at = state.find(marker);
    if (at == std::string::npos) return "(no " + key + ")";
    at += marker.size();
    std::size_t end = key == "playlist" ? std::string::npos : state.find(' ', at);
    return state.substr(at, end == std::string::npos ? std::string::npos : end - at);
}

bool HostRun::quit() {
    order("quit");
    bool said = waitFor("exit", 20000) == "exit";
    if (pid_ > 0) {
        bool ended = waitOrKill(pid_, 10000) == 0;
        pid_ = -1;
        return said && ended;
    }
    return said;
}

void HostRun::phoneWrite(const std::string& bytes) { phone::writeAll(phone_, bytes.data(), bytes.size()); }

std::string HostRun::phoneReply(int timeoutMs) {
    std::string line;
    phone::ReadResult result = phone::readLine(reader_, line, timeoutMs);
    if (result == phone::ReadResult::line) return line;
    return result == phone::ReadResult::timeout ? "(no reply)" : "(line closed)";
}

std::vector<std::string> HostRun::phoneReplies(int quietMs) {
    return phone::readLinesUntilQuiet(reader_, quietMs, 20000);
}

void HostRun::stop() {
    if (toHost_ >= 0) {
        // The test host quits by itself when its input ends.
        close(toHost_);
        toHost_ = -1;
    }
    if (pid_ > 0) {
        waitOrKill(pid_, 10000);
        pid_ = -1;
    }
    if (fromHost_ >= 0) close(fromHost_);
    fromHost_ = -1;
    if (!portLinkPath_.empty()) {
        std::error_code ignored;
        fs::remove(portLinkPath_, ignored);
        portLinkPath_.clear();
    }
    if (lineKeeper_ >= 0) close(lineKeeper_);
    if (phone_ >= 0) close(phone_);
    lineKeeper_ = phone_ = -1;
}

}  // namespace e2e
