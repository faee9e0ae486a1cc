// Writes one square 32-bit image as a PNG file, for the icon theme's sizes.
#pragma once

#include <cstdint>
#include <vector>

#include "tools/icon_gen/icon_art.h"

// RGBA, 8 bits a channel, no interlace; empty when zlib fails.
std::vector<uint8_t> EncodePng(const IconImage& image);
