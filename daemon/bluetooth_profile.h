// The daemon's own Bluetooth serial service: an org.bluez.Profile1 object
// registered with BlueZ's profile manager, so that BlueZ publishes the service
// record and hands each phone's connection over as a file descriptor.
#pragma once

#include <functional>
#include <memory>
#include <string>

namespace bluetooth {

constexpr const char* serialPortUuid = "00001101-0000-1000-8000-00805f9b34fb";

// The callbacks run on the profile's own thread, one at a time; none of them
// may call stop().
struct ProfileOptions {
    // Empty: the system bus (DBUS_SYSTEM_BUS_ADDRESS when set, as for every
    // D-Bus client); else a D-Bus address (tests use a private bus).
    std::string busAddress;
    std::string objectPath = "/org/quillon/serial";
    std::string serviceName = "Quillon remote";
    int channel = 1;  // RFCOMM channel, 1 to 30
    // A phone connected: `fd` is the daemon's own descriptor (duplicated from
    // the message's). Return true when the conversation took it over; false
    // rejects the connection (org.bluez.Error.Rejected), and the profile
    // closes `fd`.
    std::function<bool(int fd, const std::string& device)> connected;
    // BlueZ asks to end the phone's connection.
    std::function<void(const std::string& device)> disconnectRequested;
    // BlueZ has released the profile, or the bus connection is lost: no more
    // connections come (the one being served, if any, goes on).
    std::function<void()> released;
    std::function<void(const std::string&)> log;  // standard error when empty
};

class SerialProfile {
public:
    explicit SerialProfile(ProfileOptions options);
    ~SerialProfile();  // unregisters (if registered) and stops
    SerialProfile(const SerialProfile&) = delete;
    SerialProfile& operator=(const SerialProfile&) = delete;

    // Connects to the bus, exports the profile object and registers it, then
    // serves BlueZ's calls on a thread of its own. False with *error set to a
    // message for the user when the bus or BlueZ is missing or the
    // registration was refused.
    bool start(std::string* error);
    // Unregisters the profile and ends the thread.
    void stop();

private:
    struct State;
    std::unique_ptr<State> state_;
};

}  // namespace bluetooth
