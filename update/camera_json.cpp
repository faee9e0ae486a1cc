#include "update/camera_json.h"

#include "platform/hex_text.h"

nlohmann::ordered_json IdentityJson(const CameraIdentity& c) {
    using nlohmann::json;
    const auto text = [](const std::string& s) { return s.empty() ? json(nullptr) : json(s); };
    return {
        {"name", c.name},
        {"path", c.path},
        {"chip_id", c.chipId >= 0 ? json(HexText(unsigned(c.chipId) & 0xFF, 2)) : json(nullptr)},
        {"vendor", c.usb ? json(HexText(c.usb->vendor, 4, "")) : json(nullptr)},
        {"product", c.usb ? json(HexText(c.usb->product, 4, "")) : json(nullptr)},
        {"serial", text(c.serial)},
        {"bus_place", text(c.busPlace)},
    };
}
