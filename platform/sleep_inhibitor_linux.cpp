#include <fcntl.h>
#include <systemd/sd-bus.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "platform/sleep_inhibitor.h"

namespace {

// logind answers an Inhibit at once; a bus that has not answered by then
// must not hold the camera's update back any longer.
constexpr uint64_t kInhibitReplyUs = 5 * 1000 * 1000;

constexpr const char* kWhat = "sleep:shutdown:handle-lid-switch:handle-suspend-key";

std::string Reason(const sd_bus_error& error, int r) {
    return error.message ? error.message : std::strerror(-r);
}

}  // namespace

// The inhibitor lasts as long as the descriptor logind hands back is open.
// logind lists it under the name of the program that runs, whichever it is.
bool SleepInhibitor::Take(std::string* why) {
    if (held_ >= 0) return true;
    sd_bus* bus = nullptr;
    int r = sd_bus_open_system(&bus);
    if (r < 0) {
        *why = std::string("no system bus: ") + std::strerror(-r);
        return false;
    }
    sd_bus_message* call = nullptr;
    sd_bus_message* reply = nullptr;
    sd_bus_error error = SD_BUS_ERROR_NULL;
    r = sd_bus_message_new_method_call(bus, &call, "org.freedesktop.login1", "/org/freedesktop/login1",
                                       "org.freedesktop.login1.Manager", "Inhibit");
    if (r >= 0)
        r = sd_bus_message_append(call, "ssss", kWhat, program_invocation_short_name,
                                  "Writing the camera's firmware; a cut download leaves it unusable",
                                  "block");
    if (r >= 0) r = sd_bus_call(bus, call, kInhibitReplyUs, &error, &reply);
    int fd = -1;
    if (r >= 0) r = sd_bus_message_read(reply, "h", &fd);
    // The descriptor belongs to the reply: a copy of our own outlives it.
    if (r >= 0) held_ = fcntl(fd, F_DUPFD_CLOEXEC, 3);
    if (r >= 0 && held_ < 0) r = -errno;
    if (r < 0) *why = "logind: " + Reason(error, r);
    sd_bus_error_free(&error);
    sd_bus_message_unref(reply);
    sd_bus_message_unref(call);
    sd_bus_flush_close_unref(bus);
    return held_ >= 0;
}

void SleepInhibitor::Release() {
    if (held_ < 0) return;
    close(held_);
    held_ = -1;
}
