#include <cstring>

#include "platform/platform.h"
#include "platform/win32/windows_headers.h"

namespace platform {

PortHandle openSerialPort(const char* portName, const char** failedSetup) {
    if (failedSetup != nullptr) *failedSetup = nullptr;
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
    // A driver that refuses them may still serve the link: the caller logs the
    // failure and goes on.
    if (!SetCommTimeouts(port, &timeouts) && failedSetup != nullptr) *failedSetup = "SetCommTimeouts";
    return port;
}

bool readSerialPort(PortHandle port, char* buffer, std::uint32_t size, std::uint32_t* received) {
    DWORD count = 0;
    if (!ReadFile(port, buffer, size, &count, nullptr)) return false;
    *received = count;
    return true;
}

bool writeSerialPort(PortHandle port, const char* bytes, std::uint32_t size, std::uint32_t* written) {
    DWORD count = 0;
    if (!WriteFile(port, bytes, size, &count, nullptr)) return false;
    *written = count;
    return true;
}

void closeSerialPort(PortHandle port) {
    if (port != nullptr) CloseHandle(port);
}

bool abortSerialPortIo(PortHandle port) {
    if (port == nullptr) return false;
    // From now on a write that the link does not take gives up after 100 ms.
    COMMTIMEOUTS timeouts{};
    timeouts.ReadIntervalTimeout = MAXDWORD;
    timeouts.ReadTotalTimeoutMultiplier = 0;
    timeouts.ReadTotalTimeoutConstant = 0;
    timeouts.WriteTotalTimeoutMultiplier = 0;
    timeouts.WriteTotalTimeoutConstant = 100;
    const bool timeoutsSet = SetCommTimeouts(port, &timeouts) != FALSE;
    const bool purged = PurgeComm(port, PURGE_TXABORT | PURGE_RXABORT | PURGE_TXCLEAR | PURGE_RXCLEAR) != FALSE;
    // Fails when nothing was under way, which is no failure here.
    CancelIoEx(port, nullptr);
    return timeoutsSet && purged;
}

int presentSerialPorts(char* out, std::uint32_t size) {
    if (out == nullptr || size == 0) return 0;
    out[0] = '\0';
    // The serial device map holds one value per present port: the driver's
    // device name, whose data is the port's name.
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, "HARDWARE\\DEVICEMAP\\SERIALCOMM", 0, KEY_QUERY_VALUE, &key) !=
        ERROR_SUCCESS) {
        return 0;
    }
    std::uint32_t used = 0;  // bytes of the list so far, without its final NUL
    int count = 0;
    for (DWORD index = 0;; ++index) {
        char valueName[256];
        DWORD valueNameLength = sizeof valueName;
        char data[64];
        DWORD dataLength = sizeof data;
        DWORD type = 0;
        LONG result = RegEnumValueA(key, index, valueName, &valueNameLength, nullptr, &type,
                                    reinterpret_cast<BYTE*>(data), &dataLength);
        if (result == ERROR_NO_MORE_ITEMS) break;
        // A value too long for the buffers names no port we could offer.
        if (result != ERROR_SUCCESS || type != REG_SZ) continue;
        // The stored text need not carry its own NUL.
        std::size_t length = strnlen(data, dataLength);
        if (length == 0 || length == sizeof data) continue;
        if (used + length + 2 > size) continue;
        std::memcpy(out + used, data, length);
        used += static_cast<std::uint32_t>(length);
        out[used++] = '\0';
        out[used] = '\0';
        ++count;
    }
    RegCloseKey(key);
    return count;
}

}  // namespace platform
