// The bytes of the two firmware images: the USB descriptors and the
// flash-type block at their fixed places, the rest stand-in firmware that
// is the same in both but for 24 bytes.
#pragma once

#include <cstdint>
#include <vector>

enum class ImageRelease {
    V0308,  // resource 133
    V0309,  // resource 135
};

// Always 65536 bytes; the same release gives the same bytes on every run.
std::vector<uint8_t> BuildFirmwareImage(ImageRelease release);
