// The camera's USB identity: what its hardware ID carries and what its
// firmware keeps in the device descriptor in flash.
#pragma once

#include <cstdint>

constexpr uint16_t kCameraVendorId = 0x4271;
constexpr uint16_t kCameraProductId = 0x03D5;
