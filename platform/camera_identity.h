// The camera's USB identity: what its hardware ID carries and what its
// firmware keeps in the device descriptor in flash.
#pragma once

#include <cstdint>

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
