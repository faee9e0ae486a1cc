#include "discovery/uvc_descriptors.h"

#include <cstring>

#include "link/xu_channel.h"

namespace {

constexpr uint8_t kTypeInterface = 0x04;
constexpr uint8_t kTypeClassInterface = 0x24;  // CS_INTERFACE
constexpr uint8_t kClassVideo = 0x0E;
constexpr uint8_t kSubclassVideoControl = 0x01;
constexpr uint8_t kSubtypeExtensionUnit = 0x06;

constexpr size_t kInterfaceBytes = 9;
// bLength, bDescriptorType, bDescriptorSubtype, bUnitID, guidExtensionCode,
// bNumControls, bNrInPins; then baSourceID[p], bControlSize, bmControls[n],
// iExtension.
constexpr size_t kGuidOffset = 4;
constexpr size_t kPinsOffset = 21;
constexpr size_t kUnitFixedBytes = 24;

// A whole extension unit: its pins and control bitmap lie inside bLength.
bool WholeUnit(const uint8_t* d, size_t length) {
    if (length < kUnitFixedBytes) return false;
    const size_t pins = d[kPinsOffset];
    const size_t controlSizeAt = kPinsOffset + 1 + pins;
    if (controlSizeAt >= length) return false;
    return kUnitFixedBytes + pins + d[controlSizeAt] <= length;
}

}  // namespace

void UsbGuidBytes(const GUID& g, uint8_t out[16]) {
    for (int i = 0; i < 4; ++i) out[i] = uint8_t(g.Data1 >> (8 * i));
    out[4] = uint8_t(g.Data2);
    out[5] = uint8_t(g.Data2 >> 8);
    out[6] = uint8_t(g.Data3);
    out[7] = uint8_t(g.Data3 >> 8);
    std::memcpy(out + 8, g.Data4, 8);
}

bool FindCameraUnit(const uint8_t* bytes, size_t size, uint8_t* unitId) {
    if (!bytes || !unitId) return false;
    uint8_t guid[16];
    UsbGuidBytes(PROPSETID_CAMERA_XU, guid);
    bool inVideoControl = false;
    size_t at = 0;
    while (size - at >= 2) {
        const uint8_t* d = bytes + at;
        const size_t length = d[0];
        // A descriptor shorter than its own header, or one that runs past
        // the end, leaves nothing after it that can be trusted.
        if (length < 2 || length > size - at) break;
        if (d[1] == kTypeInterface) {
            inVideoControl = length >= kInterfaceBytes && d[5] == kClassVideo &&
                             d[6] == kSubclassVideoControl;
        } else if (inVideoControl && d[1] == kTypeClassInterface && length >= 3 &&
                   d[2] == kSubtypeExtensionUnit && WholeUnit(d, length) &&
                   std::memcmp(d + kGuidOffset, guid, sizeof guid) == 0) {
            *unitId = d[3];
            return true;
        }
        at += length;
    }
    return false;
}
