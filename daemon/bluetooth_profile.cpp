#include "daemon/bluetooth_profile.h"

#include <systemd/sd-bus.h>

#include <fcntl.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdint>
#include <cstring>
#include <iostream>
#include <thread>

namespace bluetooth {

namespace {

constexpr const char* bluezName = "org.bluez";
constexpr const char* managerPath = "/org/bluez";
constexpr const char* managerInterface = "org.bluez.ProfileManager1";
constexpr const char* profileInterface = "org.bluez.Profile1";
constexpr const char* rejectedError = "org.bluez.Error.Rejected";
// BlueZ answers at once; a bus that does not answer within this is stuck.
constexpr uint64_t callTimeoutUsec = 10'000'000;

std::string errnoText(int negativeErrno) { return std::strerror(-negativeErrno); }

bool bluezMissing(const sd_bus_error& error) {
    return sd_bus_error_has_name(&error, SD_BUS_ERROR_SERVICE_UNKNOWN) ||
           sd_bus_error_has_name(&error, SD_BUS_ERROR_NAME_HAS_NO_OWNER);
}

}  // namespace

struct SerialProfile::State {
    ProfileOptions options;
    sd_bus* bus = nullptr;
    sd_bus_slot* slot = nullptr;
    // The unique bus name of the BlueZ that took the registration: the only
    // caller the profile's methods answer.
    std::string bluez;
    std::atomic<bool> registered{false};
    int wakeFd = -1;
    std::thread thread;

    void log(const std::string& text) const {
        if (options.log)
            options.log(text);
        else
            std::cerr << text << std::endl;
    }

    // The message goes to the caller, or to the log without one.
    bool fail(std::string* error, const std::string& text) {
        if (error)
            *error = text;
        else
            log(text);
        close();
        return false;
    }

    void close() {
        if (slot) slot = sd_bus_slot_unref(slot);
        if (bus) bus = sd_bus_flush_close_unref(bus);
        if (wakeFd >= 0) ::close(wakeFd);
        wakeFd = -1;
    }

    bool connect(std::string* error);
    bool registerProfile(std::string* error);
    void unregisterProfile();
    void serve();

    // A call not from the BlueZ we registered with is refused.
    bool fromBluez(sd_bus_message* m, sd_bus_error* error) const {
        const char* sender = sd_bus_message_get_sender(m);
        if (sender && bluez == sender) return true;
        sd_bus_error_set(error, SD_BUS_ERROR_ACCESS_DENIED, "Only BlueZ calls this profile");
        return false;
    }

    static int onRelease(sd_bus_message* m, void* userdata, sd_bus_error* error);
    static int onNewConnection(sd_bus_message* m, void* userdata, sd_bus_error* error);
    static int onRequestDisconnection(sd_bus_message* m, void* userdata, sd_bus_error* error);
    static const sd_bus_vtable vtable[];
};

const sd_bus_vtable SerialProfile::State::vtable[] = {
    SD_BUS_VTABLE_START(0),
    SD_BUS_METHOD("Release", "", "", onRelease, SD_BUS_VTABLE_UNPRIVILEGED),
    SD_BUS_METHOD("NewConnection", "oha{sv}", "", onNewConnection,
                  SD_BUS_VTABLE_UNPRIVILEGED),
    SD_BUS_METHOD("RequestDisconnection", "o", "", onRequestDisconnection,
                  SD_BUS_VTABLE_UNPRIVILEGED),
    SD_BUS_VTABLE_END};

int SerialProfile::State::onRelease(sd_bus_message* m, void* userdata, sd_bus_error* error) {
    auto* self = static_cast<State*>(userdata);
    if (!self->fromBluez(m, error)) return -EACCES;
    self->registered = false;
    self->log("Bluetooth: BlueZ released the serial service");
    if (self->options.released) self->options.released();
    return sd_bus_reply_method_return(m, "");
}

int SerialProfile::State::onNewConnection(sd_bus_message* m, void* userdata, sd_bus_error* error) {
    auto* self = static_cast<State*>(userdata);
    if (!self->fromBluez(m, error)) return -EACCES;
    const char* device = nullptr;
    int messageFd = -1;
    int r = sd_bus_message_read(m, "oh", &device, &messageFd);
    if (r < 0) return r;
    // The descriptor belongs to the message, which closes it when freed.
    int fd = fcntl(messageFd, F_DUPFD_CLOEXEC, 3);
    if (fd < 0) {
        self->log(std::string("Bluetooth: cannot take the connection of ") + device + ": " +
                  std::strerror(errno));
        return sd_bus_error_set_errno(error, errno);
    }
    if (self->options.connected && self->options.connected(fd, device)) {
        self->log(std::string("Bluetooth: connected to ") + device);
        return sd_bus_reply_method_return(m, "");
    }
    ::close(fd);
    self->log(std::string("Bluetooth: rejected ") + device + ": another phone is connected");
    return sd_bus_reply_method_errorf(m, rejectedError,
                                      "One phone at a time: another is connected");
}

int SerialProfile::State::onRequestDisconnection(sd_bus_message* m, void* userdata,
                                                 sd_bus_error* error) {
    auto* self = static_cast<State*>(userdata);
    if (!self->fromBluez(m, error)) return -EACCES;
    const char* device = nullptr;
    int r = sd_bus_message_read(m, "o", &device);
    if (r < 0) return r;
    self->log(std::string("Bluetooth: BlueZ ends the connection of ") + device);
    if (self->options.disconnectRequested) self->options.disconnectRequested(device);
    return sd_bus_reply_method_return(m, "");
}

bool SerialProfile::State::connect(std::string* error) {
    const std::string& address = options.busAddress;
    int r;
    if (address.empty()) {
        r = sd_bus_open_system(&bus);
    } else {
        r = sd_bus_new(&bus);
        if (r >= 0) r = sd_bus_set_address(bus, address.c_str());
        if (r >= 0) r = sd_bus_set_bus_client(bus, 1);
        if (r >= 0) r = sd_bus_start(bus);
    }
    if (r < 0) {
        const std::string where = address.empty() ? "the system bus" : "the bus at " + address;
        return fail(error, "Bluetooth: cannot connect to D-Bus, " + where + ": " + errnoText(r));
    }
    r = sd_bus_add_object_vtable(bus, &slot, options.objectPath.c_str(), profileInterface,
                                 vtable, this);
    if (r < 0)
        return fail(error, "Bluetooth: cannot export the profile at " + options.objectPath +
                               ": " + errnoText(r));
    wakeFd = eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    if (wakeFd < 0) return fail(error, std::string("Bluetooth: eventfd: ") + std::strerror(errno));
    return true;
}

bool SerialProfile::State::registerProfile(std::string* error) {
    if (options.channel < 1 || options.channel > 30)
        return fail(error, "Bluetooth: the RFCOMM channel must be 1 to 30, not " +
                               std::to_string(options.channel));
    sd_bus_message* call = nullptr;
    sd_bus_message* reply = nullptr;
    sd_bus_error busError = {};  // SD_BUS_ERROR_NULL, without the C compound literal
    int r = sd_bus_message_new_method_call(bus, &call, bluezName, managerPath, managerInterface,
                                           "RegisterProfile");
    // Pairing is required, and each connection is authorised: at once for a
    // trusted phone, through an agent for any other.
    if (r >= 0)
        r = sd_bus_message_append(
            call, "osa{sv}", options.objectPath.c_str(), serialPortUuid, 6,
            "Name", "s", options.serviceName.c_str(),
            "Role", "s", "server",
            "Channel", "q", static_cast<uint16_t>(options.channel),
            "RequireAuthentication", "b", 1,
            "RequireAuthorization", "b", 1,
            "AutoConnect", "b", 0);
    if (r >= 0) r = sd_bus_call(bus, call, callTimeoutUsec, &busError, &reply);
    sd_bus_message_unref(call);
    std::string text;
    if (r >= 0) {
        const char* sender = sd_bus_message_get_sender(reply);
        bluez = sender ? sender : "";
        registered = true;
    } else if (bluezMissing(busError)) {
        text = "Bluetooth: BlueZ is not running (no org.bluez on the system bus)";
    } else if (sd_bus_error_is_set(&busError)) {
        text = std::string("Bluetooth: BlueZ refused the serial service: ") + busError.name +
               ": " + (busError.message ? busError.message : "");
    } else {
        text = "Bluetooth: cannot register the serial service: " + errnoText(r);
    }
    sd_bus_error_free(&busError);
    sd_bus_message_unref(reply);
    if (!registered) return fail(error, text);
    log("Bluetooth: serial service \"" + options.serviceName + "\" registered on RFCOMM channel " +
        std::to_string(options.channel));
    return true;
}

void SerialProfile::State::unregisterProfile() {
    if (!registered.exchange(false)) return;
    sd_bus_error busError = {};  // SD_BUS_ERROR_NULL, without the C compound literal
    int r = sd_bus_call_method(bus, bluezName, managerPath, managerInterface, "UnregisterProfile",
                               &busError, nullptr, "o", options.objectPath.c_str());
    if (r < 0)
        log(std::string("Bluetooth: unregistering the serial service: ") +
            (sd_bus_error_is_set(&busError) ? busError.name : errnoText(r).c_str()));
    sd_bus_error_free(&busError);
}

void SerialProfile::State::serve() {
    for (;;) {
        int r;
        while ((r = sd_bus_process(bus, nullptr)) > 0) {
        }
        if (r >= 0) {
            struct pollfd fds[2] = {{sd_bus_get_fd(bus), static_cast<short>(sd_bus_get_events(bus)), 0},
                                    {wakeFd, POLLIN, 0}};
            uint64_t until = 0;
            int timeoutMs = -1;
            if (sd_bus_get_timeout(bus, &until) > 0 && until != UINT64_MAX) {
                struct timespec now;
                clock_gettime(CLOCK_MONOTONIC, &now);
                uint64_t nowUsec = uint64_t(now.tv_sec) * 1'000'000 + uint64_t(now.tv_nsec) / 1000;
                timeoutMs = until > nowUsec ? int((until - nowUsec + 999) / 1000) : 0;
            }
            r = poll(fds, 2, timeoutMs);
            if (r < 0 && errno != EINTR) r = -errno;
            if (fds[1].revents & POLLIN) return;
        }
        if (r < 0) {
            log("Bluetooth: lost the D-Bus connection: " + errnoText(r));
            if (registered.exchange(false) && options.released) options.released();
            return;
        }
    }
}

SerialProfile::SerialProfile(ProfileOptions options) : state_(std::make_unique<State>()) {
    state_->options = std::move(options);
}

SerialProfile::~SerialProfile() { stop(); }

bool SerialProfile::start(std::string* error) {
    State& s = *state_;
    if (s.bus) {
        if (error) *error = "Bluetooth: the serial service is already started";
        return false;
    }
    if (!s.connect(error) || !s.registerProfile(error)) return false;
    s.thread = std::thread([&s] { s.serve(); });
    return true;
}

void SerialProfile::stop() {
    State& s = *state_;
    if (!s.bus) return;
    if (s.thread.joinable()) {
        uint64_t one = 1;
        if (write(s.wakeFd, &one, sizeof one) < 0) s.log("Bluetooth: cannot wake the service's thread");
        s.thread.join();
    }
    s.unregisterProfile();
    s.close();
}

}  // namespace bluetooth
