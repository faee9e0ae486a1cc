#include "tools/icon_gen/ico_file.h"

namespace {

constexpr uint32_t kDirHeader = 6;
constexpr uint32_t kDirEntry = 16;
constexpr uint32_t kInfoHeader = 40;

void Put16(std::vector<uint8_t>& out, uint32_t v) {
    out.push_back(uint8_t(v));
    out.push_back(uint8_t(v >> 8));
}

void Put32(std::vector<uint8_t>& out, uint32_t v) {
    Put16(out, v & 0xFFFF);
    Put16(out, v >> 16);
}

uint32_t MaskStride(int size) { return uint32_t((size + 31) / 32 * 4); }

uint32_t EntryBytes(int size) {
    const uint32_t s = uint32_t(size);
    return kInfoHeader + s * s * 4 + MaskStride(size) * s;
}

void PutImage(std::vector<uint8_t>& out, const IconImage& image) {
    const uint32_t s = uint32_t(image.size);
    Put32(out, kInfoHeader);
    Put32(out, s);
    Put32(out, 2 * s);  // colour rows and mask rows together
    Put16(out, 1);      // planes
    Put16(out, 32);     // bits per pixel
    Put32(out, 0);      // BI_RGB
    Put32(out, EntryBytes(image.size) - kInfoHeader);
    for (int i = 0; i < 4; ++i) Put32(out, 0);  // resolution and palette: none
    for (int y = image.size - 1; y >= 0; --y) {
        for (int x = 0; x < image.size; ++x) {
            const Rgba& p = image.pixels[std::size_t(y) * s + x];
            out.insert(out.end(), {p.b, p.g, p.r, p.a});
        }
    }
    for (int y = image.size - 1; y >= 0; --y) {
        std::vector<uint8_t> row(MaskStride(image.size), 0);
        for (int x = 0; x < image.size; ++x) {
            if (image.pixels[std::size_t(y) * s + x].a < 128) row[x / 8] |= uint8_t(0x80 >> (x % 8));
        }
        out.insert(out.end(), row.begin(), row.end());
    }
}

}  // namespace

std::vector<uint8_t> EncodeIco(const std::vector<IconImage>& images) {
    std::vector<uint8_t> out;
    Put16(out, 0);  // reserved
    Put16(out, 1);  // an icon, not a cursor
    Put16(out, uint32_t(images.size()));
    uint32_t offset = kDirHeader + kDirEntry * uint32_t(images.size());
    for (const IconImage& image : images) {
        out.push_back(uint8_t(image.size));
        out.push_back(uint8_t(image.size));
        out.push_back(0);  // no palette
        out.push_back(0);
        Put16(out, 1);
        Put16(out, 32);
        Put32(out, EntryBytes(image.size));
        Put32(out, offset);
        offset += EntryBytes(image.size);
    }
    for (const IconImage& image : images) PutImage(out, image);
    return out;
}
