// Whether a device's hardware-ID list names this camera: vendor 4271 and
// product 03D5 at their character places in its first string.
#pragma once

#include <cstddef>

// Looks at the first string of the size bytes at ids (terminated or not).
// When it is long enough to carry the digits, copies the four vendor and
// four product characters (no terminator) and returns whether they match.
bool HardwareIdMatches(const char* ids, size_t size, char* vendor, char* product);
