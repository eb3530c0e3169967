// Serves the Bluetooth serial profile on the bus given, for the test beside
// it: one connection at a time, greeted with "hello DEVICE" and echoed line
// by line; events on standard output; SIGTERM stops it.
#include "daemon/bluetooth_profile.h"

#include <signal.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <mutex>
#include <string>
#include <thread>

namespace {

std::mutex lock;
int current = -1;

void say(const std::string& line) {
    std::printf("%s\n", line.c_str());
    std::fflush(stdout);
}

void echo(int fd) {
    char buffer[256];
    ssize_t n;
    while ((n = read(fd, buffer, sizeof buffer)) > 0) {
        std::string text = "echo " + std::string(buffer, size_t(n));
        if (write(fd, text.data(), text.size()) < 0) break;
    }
    std::lock_guard<std::mutex> hold(lock);
    close(fd);
    current = -1;
}

}  // namespace

int main(int argc, char** argv) {
    bluetooth::ProfileOptions options;
    for (int i = 1; i + 1 < argc; i += 2) {
        if (!std::strcmp(argv[i], "--bus")) options.busAddress = argv[i + 1];
        if (!std::strcmp(argv[i], "--channel")) options.channel = std::atoi(argv[i + 1]);
        if (!std::strcmp(argv[i], "--name")) options.serviceName = argv[i + 1];
    }
    options.connected = [](int fd, const std::string& device) {
        std::lock_guard<std::mutex> hold(lock);
        if (current >= 0) return false;
        current = fd;
        std::string hello = "hello " + device + "\n";
        if (write(fd, hello.data(), hello.size()) < 0) return false;
        std::thread(echo, fd).detach();
        return true;
    };
    options.disconnectRequested = [](const std::string& device) {
        say("disconnect " + device);
        std::lock_guard<std::mutex> hold(lock);
        if (current >= 0) shutdown(current, SHUT_RDWR);
    };
    options.released = [] { say("released"); };

    sigset_t signals;
    sigemptyset(&signals);
    sigaddset(&signals, SIGTERM);
    sigaddset(&signals, SIGINT);
    pthread_sigmask(SIG_BLOCK, &signals, nullptr);

    bluetooth::SerialProfile profile(options);
    std::string error;
    if (!profile.start(&error)) {
        std::fprintf(stderr, "%s\n", error.c_str());
        return 2;
    }
    say("registered");
    int signal = 0;
    sigwait(&signals, &signal);
    profile.stop();
    say("stopped");
    return 0;
}
