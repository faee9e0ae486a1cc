// Reading a capture device's chip identity over the path discovery chose,
// and what discovery accepts.
#pragma once

#include <cstdint>

#include "discovery/camera_source.h"
#include "link/xu_channel.h"

// Puts the device's driver path on the channel, the camera driver's own
// interface before the KS node, and reads register 0x20FF through it. The
// channel holds the interface it attaches. False when the device offers
// neither.
bool AttachAndReadChipId(CXuChannel* channel, const CaptureDevice& device, uint8_t* chipId);

// Only processors of family 0 (chip ID 0x6_) are updated.
inline bool IsSupportedChip(uint8_t chipId) { return (chipId & 0xF0) == 0x60; }

// What the log says of an accepted camera's driver path.
inline const char* CameraPathText(ChannelMode mode) {
    return mode == ChannelMode::UvcNode ? "Tarvex Camera (UVC), " : "Tarvex Camera (T+), ";
}
