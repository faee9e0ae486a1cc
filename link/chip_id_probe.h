// Reading a capture device's chip identity over the path discovery chose,
// and what discovery accepts. Shared by every way of finding cameras.
#pragma once

#include <cstdint>

#include "link/xu_channel.h"

// The extension unit's node in the capture filter's topology.
constexpr ULONG kExtensionUnitNode = 2;

// Puts the device's driver path on the channel, the camera driver's own
// interface before the KS node, and reads register 0x20FF through it. The
// channel takes over the reference of the interface it attaches; the other
// is left to the caller. False when the device offers neither.
bool AttachAndReadChipId(CXuChannel* channel, IDriverXu* driver, IKsControl* control,
                         uint8_t* chipId);

// Only processors of family 0 (chip ID 0x6_) are updated.
inline bool IsSupportedChip(uint8_t chipId) { return (chipId & 0xF0) == 0x60; }

// What the log says of an accepted camera's driver path.
inline const char* CameraPathText(ChannelMode mode) {
    return mode == ChannelMode::UvcNode ? "Tarvex Camera (UVC), " : "Tarvex Camera (T+), ";
}
