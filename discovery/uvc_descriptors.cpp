#include "discovery/uvc_descriptors.h"

#include <cstring>

#include "link/xu_channel.h"

namespace {

constexpr uint8_t kTypeConfiguration = 0x02;
constexpr uint8_t kTypeInterface = 0x04;
constexpr uint8_t kTypeClassInterface = 0x24;  // CS_INTERFACE
constexpr uint8_t kClassVideo = 0x0E;
constexpr uint8_t kSubclassVideoControl = 0x01;

constexpr size_t kConfigurationBytes = 9;
constexpr size_t kInterfaceBytes = 9;
constexpr size_t kConfigurationValueOffset = 5;
// Extension unit: bLength, bDescriptorType, bDescriptorSubtype, bUnitID,
// guidExtensionCode, bNumControls, bNrInPins; then baSourceID[p],
// bControlSize, bmControls[n], iExtension.
constexpr size_t kGuidOffset = 4;
constexpr size_t kPinsOffset = 21;
constexpr size_t kUnitFixedBytes = 24;
// Selector unit: ..., bUnitID, bNrInPins, baSourceID[p], iSelector.
constexpr size_t kSelectorPinsOffset = 4;
// Where the one source sits: output terminal (bSourceID after wTerminalType
// and bAssocTerminal), processing and encoding units (right after the ID).
constexpr size_t kOutputSourceOffset = 7;
constexpr size_t kUnitSourceOffset = 4;

// An extension unit whose pins and control bitmap lie inside bLength.
bool WholeUnit(const uint8_t* d, size_t length) {
    if (length < kUnitFixedBytes) return false;
    const size_t pins = d[kPinsOffset];
    const size_t controlSizeAt = kPinsOffset + 1 + pins;
    if (controlSizeAt >= length) return false;
    return kUnitFixedBytes + pins + d[controlSizeAt] <= length;
}

// The entity a class-specific descriptor of length `length` describes;
// false for the header, unknown subtypes and entities cut short.
bool ReadEntity(const uint8_t* d, size_t length, UvcEntity* e) {
    if (length < 4) return false;
    e->id = d[3];
    e->subtype = d[2];
    switch (e->subtype) {
    case kUvcInputTerminal: return true;
    case kUvcOutputTerminal:
        if (length <= kOutputSourceOffset) return false;
        e->sources = {d[kOutputSourceOffset]};
        return true;
    case kUvcProcessingUnit:
    case kUvcEncodingUnit:
        if (length <= kUnitSourceOffset) return false;
        e->sources = {d[kUnitSourceOffset]};
        return true;
    case kUvcSelectorUnit: {
        if (length <= kSelectorPinsOffset) return false;
        const size_t pins = d[kSelectorPinsOffset];
        if (kSelectorPinsOffset + 1 + pins > length) return false;
        e->sources.assign(d + kSelectorPinsOffset + 1, d + kSelectorPinsOffset + 1 + pins);
        return true;
    }
    case kUvcExtensionUnit: {
        if (!WholeUnit(d, length)) return false;
        std::memcpy(e->guid.data(), d + kGuidOffset, e->guid.size());
        const size_t pins = d[kPinsOffset];
        e->sources.assign(d + kPinsOffset + 1, d + kPinsOffset + 1 + pins);
        const uint8_t* controls = d + kPinsOffset + 1 + pins;
        e->controls.assign(controls + 1, controls + 1 + controls[0]);
        return true;
    }
    }
    return false;
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

std::vector<VideoControlInterface> ParseVideoControl(const uint8_t* bytes, size_t size) {
    std::vector<VideoControlInterface> found;
    if (!bytes) return found;
    uint8_t configuration = 0;
    bool inVideoControl = false;
    size_t at = 0;
    while (size - at >= 2) {
        const uint8_t* d = bytes + at;
        const size_t length = d[0];
        // A descriptor shorter than its own header, or one that runs past
        // the end, leaves nothing after it that can be trusted.
        if (length < 2 || length > size - at) break;
        if (d[1] == kTypeConfiguration && length >= kConfigurationBytes) {
            configuration = d[kConfigurationValueOffset];
            inVideoControl = false;
        } else if (d[1] == kTypeInterface) {
            inVideoControl = length >= kInterfaceBytes && d[5] == kClassVideo &&
                             d[6] == kSubclassVideoControl;
            // Alternate settings of one interface are one function.
            const bool same = inVideoControl && !found.empty() &&
                              found.back().configuration == configuration && found.back().number == d[2];
            if (inVideoControl && !same) found.push_back({configuration, d[2], {}});
        } else if (inVideoControl && d[1] == kTypeClassInterface) {
            UvcEntity entity;
            if (ReadEntity(d, length, &entity)) found.back().entities.push_back(std::move(entity));
        }
        at += length;
    }
    return found;
}

bool FindCameraUnit(const uint8_t* bytes, size_t size, uint8_t* unitId) {
    if (!bytes || !unitId) return false;
    uint8_t guid[16];
    UsbGuidBytes(PROPSETID_CAMERA_XU, guid);
    for (const VideoControlInterface& vc : ParseVideoControl(bytes, size))
        for (const UvcEntity& e : vc.entities)
            if (e.subtype == kUvcExtensionUnit && std::memcmp(e.guid.data(), guid, sizeof guid) == 0) {
                *unitId = e.id;
                return true;
            }
    return false;
}
