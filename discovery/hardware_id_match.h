// Whether an imaging device is this camera: vendor 4271 and product 03D5,
// at their character places in the first string of its hardware-ID list,
// or as the numbers of its USB identity.
#pragma once

#include <cstddef>

#include "platform/camera_identity.h"

// Looks at the first string of the size bytes at ids (terminated or not).
// When it is long enough to carry the digits, copies the four vendor and
// four product characters (no terminator) and returns whether they match.
bool HardwareIdMatches(const char* ids, size_t size, char* vendor, char* product);
// Copies the vendor and product as four upper-case hexadecimal digits each
// (no terminator), as a hardware ID would carry them; returns whether they match.
bool UsbIdentityMatches(const UsbIdentity& usb, char* vendor, char* product);
