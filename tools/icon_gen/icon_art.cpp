#include "tools/icon_gen/icon_art.h"

#include <array>

namespace {

// The picture is laid out on a 256 x 256 grid, y downwards. A sample point
// is kept as (x, y) / scale grid units so that every test stays exact.
constexpr int kGrid = 256;
constexpr int kSamples = 4;  // per pixel and axis

struct Point {
    int64_t x, y, scale;
};

struct Colour {
    uint8_t r, g, b;
};

bool InCircle(const Point& p, int cx, int cy, int r) {
    const int64_t dx = p.x - cx * p.scale;
    const int64_t dy = p.y - cy * p.scale;
    const int64_t rr = r * p.scale;
    return dx * dx + dy * dy <= rr * rr;
}

bool InRect(const Point& p, int left, int top, int right, int bottom) {
    return p.x >= left * p.scale && p.x < right * p.scale && p.y >= top * p.scale && p.y < bottom * p.scale;
}

// Clockwise on screen (y down): inside is where every edge turns the same way.
bool InTriangle(const Point& p, const std::array<int, 6>& v) {
    int sign = 0;
    for (int i = 0; i < 3; ++i) {
        const int64_t ax = v[2 * i] * p.scale, ay = v[2 * i + 1] * p.scale;
        const int64_t bx = v[(2 * i + 2) % 6] * p.scale, by = v[(2 * i + 3) % 6] * p.scale;
        const int64_t cross = (bx - ax) * (p.y - ay) - (by - ay) * (p.x - ax);
        const int s = cross > 0 ? 1 : (cross < 0 ? -1 : 0);
        if (s != 0 && sign != 0 && s != sign) return false;
        if (s != 0) sign = s;
    }
    return true;
}

// The arrow points down at the lower right, over the camera's rim.
bool InArrow(const Point& p) {
    return InRect(p, 180, 128, 224, 194) || InTriangle(p, {156, 188, 248, 188, 202, 244});
}

// The arrow grown by `t` grid units in eight directions: its white outline.
bool InArrowOutline(const Point& p, int t) {
    const int64_t d = t * p.scale;
    const int64_t e = d * 7 / 10;
    const std::array<int64_t, 18> offsets = {0, 0, d, 0, -d, 0, 0, d, 0, -d, e, e, e, -e, -e, e, -e, -e};
    for (std::size_t i = 0; i < offsets.size(); i += 2) {
        if (InArrow({p.x + offsets[i], p.y + offsets[i + 1], p.scale})) return true;
    }
    return false;
}

// The colour of the topmost shape under the point; false where nothing is.
bool ColourAt(const Point& p, Colour* out) {
    if (InArrow(p)) return *out = {0x2F, 0xB3, 0x4A}, true;
    if (InArrowOutline(p, 14)) return *out = {0xFF, 0xFF, 0xFF}, true;
    if (InCircle(p, 100, 94, 10)) return *out = {0xDD, 0xEE, 0xFF}, true;   // glint
    if (InCircle(p, 118, 114, 18)) return *out = {0x0B, 0x22, 0x4E}, true;  // pupil
    if (InCircle(p, 118, 114, 42)) return *out = {0x23, 0x66, 0xC4}, true;  // glass
    if (InCircle(p, 118, 114, 52)) return *out = {0x12, 0x16, 0x1C}, true;  // lens mount
    if (InCircle(p, 118, 114, 66)) return *out = {0x9A, 0xA4, 0xB0}, true;  // metal ring
    if (InCircle(p, 118, 30, 7)) return *out = {0x4C, 0xD9, 0x64}, true;    // activity light
    if (InCircle(p, 118, 114, 96)) return *out = {0x2B, 0x30, 0x37}, true;  // body
    if (InCircle(p, 118, 114, 106)) return *out = {0x55, 0x5E, 0x69}, true; // rim
    return false;
}

}  // namespace

IconImage DrawIconArt(int size) {
    IconImage image;
    image.size = size;
    image.pixels.resize(std::size_t(size) * size);
    const int64_t scale = 2 * kSamples * size;  // sample centres fall on odd steps
    for (int py = 0; py < size; ++py) {
        for (int px = 0; px < size; ++px) {
            int covered = 0, r = 0, g = 0, b = 0;
            for (int sy = 0; sy < kSamples; ++sy) {
                for (int sx = 0; sx < kSamples; ++sx) {
                    const Point p = {(2 * (kSamples * px + sx) + 1) * int64_t(kGrid),
                                     (2 * (kSamples * py + sy) + 1) * int64_t(kGrid), scale};
                    Colour c;
                    if (!ColourAt(p, &c)) continue;
                    ++covered;
                    r += c.r;
                    g += c.g;
                    b += c.b;
                }
            }
            Rgba& out = image.pixels[std::size_t(py) * size + px];
            if (covered == 0) {
                out = {0, 0, 0, 0};
                continue;
            }
            const int total = kSamples * kSamples;
            out = {uint8_t((r + covered / 2) / covered), uint8_t((g + covered / 2) / covered),
                   uint8_t((b + covered / 2) / covered), uint8_t((covered * 255 + total / 2) / total)};
        }
    }
    return image;
}
