#include "platform/platform.h"
#include "platform/win32/windows_headers.h"

namespace platform {

PortHandle openSerialPort(const char* portName) {
    char devicePath[MAX_PATH];
    if (!serialDevicePath(portName, devicePath, sizeof devicePath)) return nullptr;
    HANDLE port = CreateFileA(devicePath, GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    if (port == INVALID_HANDLE_VALUE) return nullptr;
    // The receiver relies on this pacing: a read ends at the first gap of more
    // than 1 ms after a byte, or after 1 ms per requested byte plus 1 ms.
    COMMTIMEOUTS timeouts{};
    timeouts.ReadIntervalTimeout = 1;
    timeouts.ReadTotalTimeoutMultiplier = 1;
    timeouts.ReadTotalTimeoutConstant = 1;
    timeouts.WriteTotalTimeoutMultiplier = 0;
    timeouts.WriteTotalTimeoutConstant = 0;
    SetCommTimeouts(port, &timeouts);
    return port;
}

int readSerialPort(PortHandle port, char* buffer, std::uint32_t size, std::uint32_t* received) {
    DWORD count = 0;
    if (!ReadFile(port, buffer, size, &count, nullptr)) return -1;
    *received = count;
    return 0;
}

int writeSerialPort(PortHandle port, const char* bytes, std::uint32_t size, std::uint32_t* written) {
    DWORD count = 0;
    if (!WriteFile(port, bytes, size, &count, nullptr)) return -1;
    *written = count;
    return 0;
}

void closeSerialPort(PortHandle port) {
    if (port != nullptr) CloseHandle(port);
}

void abortSerialPortIo(PortHandle port) {
    if (port == nullptr) return;
    // From now on a write that the link does not take gives up after 100 ms.
    COMMTIMEOUTS timeouts{};
    timeouts.ReadIntervalTimeout = MAXDWORD;
    timeouts.ReadTotalTimeoutMultiplier = 0;
    timeouts.ReadTotalTimeoutConstant = 0;
    timeouts.WriteTotalTimeoutMultiplier = 0;
    timeouts.WriteTotalTimeoutConstant = 100;
    SetCommTimeouts(port, &timeouts);
    PurgeComm(port, PURGE_TXABORT | PURGE_RXABORT | PURGE_TXCLEAR | PURGE_RXCLEAR);
    CancelIoEx(port, nullptr);
}

}  // namespace platform
