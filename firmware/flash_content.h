// What a flash read back holds, held against an image this program would
// write into it. NOR flash only clears bits when it programs and only sets
// them when it erases, and a download erases the whole flash at its first
// packet, then programs the image from address 0 in order, and programs
// the four vendor and product ID bytes right after the first packet. So
// wherever a download of ours stopped (between two programs, or inside one
// with a byte partly programmed) every byte still holds every bit the image
// byte holds: (flash & image) == image. The one exception is the ID
// program when one of its bytes is lost on the way: the IDs then land at
// a wrong address, or shifted, and clear bits of consecutive bytes of one
// page, each by its own ID byte. Anything else is not ours to mend:
// another release's firmware.
#pragma once

#include <cstdint>

enum class FlashContent {
    Image,       // byte for byte the image
    Cut,         // the image up to an address, erased from there on
    Unfinished,  // otherwise a download of this image that did not finish
    Other,       // anything else: another release's firmware
};

// flash and image are size bytes each; programPage is what one page
// program of the fitted part reaches (its page, or 1 for a part that
// programs one byte a command). *firstDifference receives the first
// address where they differ (size when they are equal).
FlashContent CompareFlashWithImage(const uint8_t* flash, const uint8_t* image, uint32_t size,
                                   uint32_t programPage, uint32_t* firstDifference);
