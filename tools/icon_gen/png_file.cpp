#include "tools/icon_gen/png_file.h"

#include <zlib.h>

#include <string>

namespace {

void PutBe32(std::vector<uint8_t>& out, uint32_t value) {
    for (int shift = 24; shift >= 0; shift -= 8) out.push_back(uint8_t(value >> shift));
}

// A chunk: its length, type, data and the CRC of type and data.
void PutChunk(std::vector<uint8_t>& out, const char* type, const std::vector<uint8_t>& data) {
    PutBe32(out, uint32_t(data.size()));
    const std::size_t start = out.size();
    out.insert(out.end(), type, type + 4);
    out.insert(out.end(), data.begin(), data.end());
    PutBe32(out, uint32_t(crc32(0, out.data() + start, uInt(out.size() - start))));
}

}  // namespace

std::vector<uint8_t> EncodePng(const IconImage& image) {
    std::vector<uint8_t> header;
    PutBe32(header, uint32_t(image.size));
    PutBe32(header, uint32_t(image.size));
    header.insert(header.end(), {8, 6, 0, 0, 0});  // 8 bits, RGBA, deflate, filter 0, no interlace
    // Each row after a filter byte of 0 (none).
    std::vector<uint8_t> rows;
    for (int y = 0; y < image.size; ++y) {
        rows.push_back(0);
        for (int x = 0; x < image.size; ++x) {
            const Rgba& p = image.pixels[std::size_t(y) * image.size + x];
            rows.insert(rows.end(), {p.r, p.g, p.b, p.a});
        }
    }
    uLongf packedSize = compressBound(uLong(rows.size()));
    std::vector<uint8_t> packed(packedSize);
    if (compress2(packed.data(), &packedSize, rows.data(), uLong(rows.size()), Z_BEST_COMPRESSION) != Z_OK) return {};
    packed.resize(packedSize);
    std::vector<uint8_t> out = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    PutChunk(out, "IHDR", header);
    PutChunk(out, "IDAT", packed);
    PutChunk(out, "IEND", {});
    return out;
}
