#include <dirent.h>

#include <fstream>
#include <string>

#include "console/power_state.h"

namespace {

constexpr const char* kSupplies = "/sys/class/power_supply";

std::string Attribute(const std::string& supply, const char* name) {
    std::ifstream in(std::string(kSupplies) + "/" + supply + "/" + name);
    std::string value;
    std::getline(in, value);
    return value;
}

}  // namespace

// The kernel's power supplies: a mains or USB supply that is online means
// AC; a system battery with no supply online means battery. A machine that
// reports no supply at all is a desktop on the mains, as Windows says of it.
PowerState ReadPowerState() {
    PowerState state;
    state.known = true;
    state.acLineStatus = 1;
    DIR* dir = opendir(kSupplies);
    if (!dir) return state;
    bool online = false, offlineSupply = false, battery = false;
    while (const dirent* entry = readdir(dir)) {
        const std::string name = entry->d_name;
        if (name == "." || name == "..") continue;
        const std::string type = Attribute(name, "type");
        if (type == "Battery") {
            // A mouse's or a headset's battery says nothing about the computer.
            battery |= Attribute(name, "scope") != "Device";
        } else if (!type.empty()) {
            const std::string on = Attribute(name, "online");
            online |= on == "1";
            offlineSupply |= on == "0";
        }
    }
    closedir(dir);
    if (!online && (battery || offlineSupply)) state.acLineStatus = 0;
    return state;
}
