// Where the firmware keeps what the program patches and reads back. Image
// offsets are flash addresses: an image fills the whole flash.
#pragma once

#include <cstdint>

#include "chip/flash_types.h"

constexpr uint32_t kFirmwareImageSize = 65536;

// The firmware's USB device descriptor; idVendor and idProduct are its
// bytes 8 and 10, little-endian.
constexpr uint32_t kDeviceDescriptorOffset = 0x8000;
constexpr uint32_t kVendorIdOffset = kDeviceDescriptorOffset + 8;
constexpr uint32_t kProductIdOffset = kDeviceDescriptorOffset + 10;
// bcdDevice, byte 12: the release, as the camera running it tells USB.
constexpr uint32_t kBcdDeviceOffset = kDeviceDescriptorOffset + 12;
constexpr uint16_t kIdBytes = 4;  // vendor and product, as they lie in flash

// The FlashTypeCode the last download wrote.
constexpr uint32_t kFlashTypeCodeOffset = 0xC006;

// The flash read path reads whole blocks: an address as a block and the
// place within it.
constexpr int32_t BlockOf(uint32_t offset) { return int32_t(offset / kFlashBlockBytes); }
constexpr uint32_t InBlock(uint32_t offset) { return offset % kFlashBlockBytes; }
