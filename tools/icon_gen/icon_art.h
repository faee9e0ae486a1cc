// The program's icon picture: a webcam lens with a download arrow, drawn at
// any square size with 4 x 4 samples per pixel, in integer arithmetic only so
// that every build draws the same bytes.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

struct Rgba {
    uint8_t r, g, b, a;  // straight (not premultiplied) alpha
};

struct IconImage {
    int size = 0;             // width and height in pixels
    std::vector<Rgba> pixels; // size * size, top row first
};

IconImage DrawIconArt(int size);
