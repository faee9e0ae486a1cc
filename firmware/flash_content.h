// What a flash read back holds, held against the image this program would
// write into it. A download erases the whole flash at its first packet,
// programs the image from address 0 in order, and programs the vendor and
// product IDs right after the first packet. So a download that did not
// finish leaves the image with erased bytes where it was cut off, or where
// a program was lost, and at worst the four ID bytes programmed at a
// wrong address, which can only clear bits. Another release's firmware
// differs in its own bytes.
#pragma once

#include <cstdint>

enum class FlashContent {
    Image,       // byte for byte the image
    Cut,         // the image up to an address, erased from there on
    Unfinished,  // otherwise the image with erased holes or stray ID bytes
    Other,       // anything else: another release's firmware
};

// flash and image are size bytes each; *firstDifference receives the first
// address where they differ (size when they are equal).
FlashContent CompareFlashWithImage(const uint8_t* flash, const uint8_t* image, uint32_t size,
                                   uint32_t* firstDifference);
