#include "discovery/hardware_id_match.h"

#include <cstring>

namespace {

// USB\VID_4271&PID_03D5...: the product digits end at character 20.
constexpr size_t kMinHardwareIdChars = 21;
constexpr size_t kVendorAt = 8;
constexpr size_t kProductAt = 17;

void HexDigits(uint16_t value, char* digits) {
    for (int i = 3; i >= 0; --i, value >>= 4) digits[i] = "0123456789ABCDEF"[value & 0xF];
}

}  // namespace

bool HardwareIdMatches(const char* ids, size_t size, char* vendor, char* product) {
    const void* end = std::memchr(ids, '\0', size);
    const size_t length = end ? size_t(static_cast<const char*>(end) - ids) : size;
    if (length < kMinHardwareIdChars) return false;
    std::memcpy(vendor, ids + kVendorAt, 4);
    std::memcpy(product, ids + kProductAt, 4);
    return std::memcmp(vendor, "4271", 4) == 0 && product[0] == '0' && product[1] == '3' &&
           (product[2] == 'D' || product[2] == 'd') && product[3] == '5';
}

bool UsbIdentityMatches(const UsbIdentity& usb, char* vendor, char* product) {
    HexDigits(usb.vendor, vendor);
    HexDigits(usb.product, product);
    return usb.vendor == kCameraVendorId && usb.product == kCameraProductId;
}
