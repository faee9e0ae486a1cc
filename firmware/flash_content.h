// What a flash read back holds, held against the image this program would
// write into it. A download erases the whole flash at its first packet,
// programs the image from address 0 in order, and programs the vendor and
// product IDs right after the first packet; so a download that was cut
// leaves the image up to some address and erased bytes after it, but for
// those IDs.
#pragma once

#include <cstdint>

enum class FlashContent {
    Image,  // byte for byte the image
    Cut,    // the image up to an address, erased from there on
    Other,  // anything else: another release's firmware, or damage
};

// flash and image are size bytes each; *firstDifference receives the first
// address where they differ (size when they are equal).
FlashContent CompareFlashWithImage(const uint8_t* flash, const uint8_t* image, uint32_t size,
                                   uint32_t* firstDifference);
