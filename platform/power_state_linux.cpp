#include <dirent.h>
#include <errno.h>

#include <fstream>
#include <string>

#include "platform/power_state.h"

namespace {

constexpr const char* kSupplies = "/sys/class/power_supply";

// The attribute's first line; false when it cannot be read.
bool Attribute(const std::string& supply, const char* name, std::string* value) {
    std::ifstream in(std::string(kSupplies) + "/" + supply + "/" + name);
    value->clear();
    return in && std::getline(in, *value);
}

}  // namespace

// The kernel's power supplies. A system battery with no supply online means
// battery; anything else is the mains: a supply online, a desktop with no
// supply at all (as Windows says of one), or one whose only supplies are
// offline non-battery ones such as an empty USB-C port. A supply that
// cannot be read leaves the state unknown, as a failed query on Windows.
PowerState ReadPowerState() {
    PowerState state;
    DIR* dir = opendir(kSupplies);
    if (!dir) {
        if (errno == ENOENT) {
            state.known = true;
            state.acLineStatus = 1;
        }
        return state;
    }
    bool online = false, battery = false, unreadable = false;
    while (const dirent* entry = readdir(dir)) {
        const std::string name = entry->d_name;
        if (name == "." || name == "..") continue;
        std::string type, value;
        if (!Attribute(name, "type", &type)) {
            unreadable = true;
        } else if (type == "Battery") {
            // A mouse's or a headset's battery says nothing about the computer.
            battery |= !Attribute(name, "scope", &value) || value != "Device";
        } else {
            online |= Attribute(name, "online", &value) && value == "1";
        }
    }
    closedir(dir);
    if (unreadable) return state;
    state.known = true;
    state.acLineStatus = !online && battery ? 0 : 1;
    return state;
}
