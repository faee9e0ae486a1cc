// The icon generator: the .ico layout, the picture's main features, and the
// committed app/korvane.ico being exactly what the generator writes today.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>

#include "tools/icon_gen/ico_file.h"

namespace {

uint32_t Read32(const std::vector<uint8_t>& b, std::size_t at) {
    return b[at] | b[at + 1] << 8 | b[at + 2] << 16 | uint32_t(b[at + 3]) << 24;
}

std::vector<uint8_t> ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// A 9 x 9 image: opaque red at the top left, half-covered green at the
// bottom right, everything else empty.
IconImage Probe() {
    IconImage image;
    image.size = 9;
    image.pixels.assign(81, Rgba{0, 0, 0, 0});
    image.pixels[0] = {255, 0, 0, 255};
    image.pixels[80] = {0, 255, 0, 128};
    return image;
}

TEST(IcoFile, LaysOutDirectoryHeadersPixelsAndMask) {
    const std::vector<uint8_t> ico = EncodeIco({Probe(), Probe()});
    const uint32_t entryBytes = 40 + 9 * 9 * 4 + 4 * 9;  // mask rows padded to 32 bits
    const std::size_t pixels = 6 + 2 * 16 + 40;
    const std::size_t mask = pixels + 9 * 9 * 4;
    ASSERT_EQ(ico.size(), 6 + 2 * 16 + 2 * entryBytes);
    const struct {
        std::size_t at;
        uint32_t value;
    } fields[] = {
        {2, 0x00020001},                   // an icon with two images
        {6, 0x00000909},                   // 9 x 9, no palette
        {10, 0x00200001},                  // one plane, 32 bits
        {14, entryBytes},                  // first image: size ...
        {18, 38},                          // ... and place
        {34, 38 + entryBytes},             // second image's place
        {38, 40},                          // BITMAPINFOHEADER
        {46, 18},                          // height counts colour and mask rows
        {pixels + 8 * 4, 0x8000FF00},      // bottom row comes first: green, alpha 128
        {pixels + 8 * 9 * 4, 0xFFFF0000},  // top row comes last: red, opaque
        {mask, 0x000000FF},                // bottom mask row: transparent but the half-covered pixel
        {mask + 8 * 4, 0x0000807F},        // top mask row: transparent but the first pixel
    };
    for (const auto& field : fields) {
        SCOPED_TRACE(field.at);
        EXPECT_EQ(Read32(ico, field.at), field.value);
    }
}

enum class Looks { Clear, Blue, Green };

TEST(IconArt, LensInTheMiddleArrowAtTheLowerRightCornersClear) {
    const struct {
        int size, x, y;
        Looks looks;
    } probes[] = {
        {32, 0, 0, Looks::Clear},  {32, 31, 0, Looks::Clear}, {32, 0, 31, Looks::Clear},
        {32, 14, 14, Looks::Blue}, {32, 17, 16, Looks::Blue}, {32, 25, 20, Looks::Green},
        {16, 0, 0, Looks::Clear},  {16, 15, 0, Looks::Clear}, {16, 7, 7, Looks::Blue},
        {16, 12, 10, Looks::Green},
    };
    for (const auto& probe : probes) {
        SCOPED_TRACE(std::to_string(probe.size) + ": " + std::to_string(probe.x) + "," + std::to_string(probe.y));
        const IconImage image = DrawIconArt(probe.size);
        ASSERT_EQ(image.pixels.size(), std::size_t(probe.size * probe.size));
        const Rgba p = image.pixels[probe.y * probe.size + probe.x];
        switch (probe.looks) {
        case Looks::Clear:
            EXPECT_EQ(p.a | p.r | p.g | p.b, 0);
            break;
        case Looks::Blue:
            EXPECT_EQ(p.a, 255);
            EXPECT_GT(p.b, p.r);
            EXPECT_GT(p.b, p.g);
            break;
        case Looks::Green:
            EXPECT_EQ(p.a, 255);
            EXPECT_GT(p.g, p.r);
            EXPECT_GT(p.g, p.b);
            break;
        }
    }
}

TEST(IconArt, CommittedIconIsWhatTheGeneratorWrites) {
    const std::string out = testing::TempDir() + "korvane_icon_test.ico";
    ASSERT_EQ(std::system((std::string("\"") + MAKE_ICON + "\" \"" + out + "\"").c_str()), 0);
    const std::vector<uint8_t> written = ReadFile(out);
    std::remove(out.c_str());
    EXPECT_FALSE(written.empty());
    EXPECT_EQ(written, ReadFile(COMMITTED_ICON)) << "run make_icon app/korvane.ico";
}

}  // namespace
