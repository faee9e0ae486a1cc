// Writes square 32-bit images as one Windows .ico file.
#pragma once

#include <cstdint>
#include <vector>

#include "tools/icon_gen/icon_art.h"

// Each image becomes one entry: a BITMAPINFOHEADER, the BGRA rows bottom-up,
// then the 1-bit mask (set where the pixel is less than half covered).
// Sizes from 1 to 255 pixels.
std::vector<uint8_t> EncodeIco(const std::vector<IconImage>& images);
