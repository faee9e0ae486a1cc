// The VideoControl interfaces in a USB device's raw descriptors (the device
// descriptor, then every configuration, as sysfs gives them), and the
// camera's extension unit among their entities.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "platform/win_types.h"

// VideoControl entity subtypes (bDescriptorSubtype).
constexpr uint8_t kUvcInputTerminal = 0x02;
constexpr uint8_t kUvcOutputTerminal = 0x03;
constexpr uint8_t kUvcSelectorUnit = 0x04;
constexpr uint8_t kUvcProcessingUnit = 0x05;
constexpr uint8_t kUvcExtensionUnit = 0x06;
constexpr uint8_t kUvcEncodingUnit = 0x07;

// A terminal or unit of a VideoControl interface.
struct UvcEntity {
    uint8_t id = 0;
    uint8_t subtype = 0;
    std::vector<uint8_t> sources;      // baSourceID, or the one bSourceID; none for input terminals
    std::array<uint8_t, 16> guid{};    // extension units: guidExtensionCode as it lies in the bytes
    std::vector<uint8_t> controls;     // extension units: bmControls (bControlSize bytes)
};

// One VideoControl interface: one camera function.
struct VideoControlInterface {
    uint8_t configuration = 0;  // bConfigurationValue of the configuration holding it
    uint8_t number = 0;         // bInterfaceNumber
    std::vector<UvcEntity> entities;
};

// Every VideoControl interface of every configuration, in the order found.
// Descriptors that are cut short or run past the end are skipped or end the
// walk; an entity whose pins or control bitmap lie outside its bLength is
// left out; nothing outside [bytes, bytes + size) is read.
std::vector<VideoControlInterface> ParseVideoControl(const uint8_t* bytes, size_t size);

// True with *unitId set when a VideoControl interface, of any configuration,
// holds an extension unit whose guidExtensionCode is the camera's property set.
bool FindCameraUnit(const uint8_t* bytes, size_t size, uint8_t* unitId);

// A GUID as USB descriptors carry it: its fields little-endian.
void UsbGuidBytes(const GUID& guid, uint8_t out[16]);
