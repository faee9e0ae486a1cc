// The camera's identity: its USB IDs, as its hardware ID carries them and
// its firmware keeps them in the device descriptor in flash; and which
// camera it is, as discovery finds it and the record of its update keeps
// it, in one struct carried whole from the one to the other.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "platform/hex_text.h"

constexpr uint16_t kCameraVendorId = 0x4271;
constexpr uint16_t kCameraProductId = 0x03D5;

// A USB device's identity as its device descriptor gives it.
struct UsbIdentity {
    uint16_t vendor = 0;
    uint16_t product = 0;
    uint16_t revision = 0;  // bcdDevice
};

inline bool operator==(const UsbIdentity& a, const UsbIdentity& b) {
    return a.vendor == b.vendor && a.product == b.product && a.revision == b.revision;
}
inline bool operator!=(const UsbIdentity& a, const UsbIdentity& b) { return !(a == b); }

// "4271:03D5", as the system lists a USB device.
inline std::string UsbIdText(const UsbIdentity& usb) {
    return HexText(usb.vendor, 4, "") + ":" + HexText(usb.product, 4, "");
}

// Which camera it is. Empty or unset where the system does not say. The
// node or moniker is reused by whatever is plugged in next: the bus place,
// the USB IDs and the serial tell cameras apart.
struct CameraIdentity {
    std::string name;                // its friendly name
    std::string path;                // its device node, or its moniker's display name
    std::string busPlace;            // Linux: its USB device's sysfs path; Windows: its port's location; "" when no port is known
    std::string instanceId;          // Windows: the device instance ID behind its interface, which every unit of one serial shares
    std::optional<UsbIdentity> usb;  // vendor, product, bcdDevice
    std::string serial;              // its USB serial number
    int chipId = -1;                 // the image processor's, -1 until read
};
