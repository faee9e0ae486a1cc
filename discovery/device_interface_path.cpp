#include "discovery/device_interface_path.h"

#include <cctype>
#include <cstdlib>
#include <vector>

namespace {

constexpr char kMonikerPrefix[] = "@device:pnp:";
constexpr char kInterfacePrefix[] = "\\\\?\\";

std::vector<std::string> Split(const std::string& text, char separator) {
    std::vector<std::string> parts(1);
    for (char c : text) {
        if (c == separator)
            parts.emplace_back();
        else
            parts.back() += c;
    }
    return parts;
}

std::string Upper(std::string text) {
    for (char& c : text) c = char(std::toupper(static_cast<unsigned char>(c)));
    return text;
}

bool StartsWith(const std::string& text, const std::string& start) {
    return text.compare(0, start.size(), start) == 0;
}

// "VID_4271": the name, then exactly four hexadecimal digits.
bool HexField(const std::string& token, const std::string& name, uint16_t* value) {
    if (token.size() != name.size() + 4 || !StartsWith(token, name)) return false;
    for (size_t i = name.size(); i < token.size(); ++i)
        if (!std::isxdigit(static_cast<unsigned char>(token[i]))) return false;
    *value = uint16_t(std::strtoul(token.c_str() + name.size(), nullptr, 16));
    return true;
}

}  // namespace

bool ReadDeviceInterfacePath(const std::string& path, CaptureDevice* device) {
    std::string rest = StartsWith(path, kMonikerPrefix) ? path.substr(sizeof kMonikerPrefix - 1) : path;
    if (!StartsWith(rest, kInterfacePrefix)) return false;
    // enumerator # device ID # instance # {interface class}[\reference]
    const std::vector<std::string> parts = Split(rest.substr(sizeof kInterfacePrefix - 1), '#');
    if (parts.size() != 4 || !StartsWith(parts[3], "{")) return false;
    for (size_t i = 0; i < 3; ++i)
        if (parts[i].empty() || parts[i].find('\\') != std::string::npos) return false;
    const std::string enumerator = Upper(parts[0]), id = Upper(parts[1]), instance = Upper(parts[2]);

    device->instanceId = enumerator + "\\" + id + "\\" + instance;
    device->busPlace.clear();  // the port says it, not the instance
    device->usb.reset();
    device->serial.clear();
    if (enumerator != "USB") return true;
    UsbIdentity usb;
    bool vendor = false, product = false, composite = false;
    for (const std::string& token : Split(id, '&')) {
        vendor |= HexField(token, "VID_", &usb.vendor);
        product |= HexField(token, "PID_", &usb.product);
        composite |= StartsWith(token, "MI_");
    }
    if (!vendor || !product) return true;
    device->usb = usb;
    // Windows makes up an instance with '&' in it (a composite device's
    // functions always get one); a device's serial number stands there otherwise.
    if (!composite && instance.find('&') == std::string::npos) device->serial = instance;
    return true;
}
