#include <gtest/gtest.h>

#include <algorithm>
#include <set>
#include <vector>

#include "firmware/firmware_image.h"
#include "firmware/flash_content.h"
#include "tests/support/firmware_bytes.h"

namespace {

using Bytes = std::vector<uint8_t>;


Bytes Slice(const Bytes& image, uint32_t offset, size_t length) {
    return Bytes(image.begin() + offset, image.begin() + offset + length);
}

// A USB string descriptor holding an ASCII text in UTF-16LE.
Bytes StringDescriptor(const char* text) {
    Bytes out = {0, 0x03};
    for (const char* c = text; *c; ++c) out.insert(out.end(), {static_cast<uint8_t>(*c), 0x00});
    out[0] = static_cast<uint8_t>(out.size());
    return out;
}

struct ImageContents : ::testing::Test {
    Bytes v0308 = ImageBytes(kImageV0308);
    Bytes v0309 = ImageBytes(kImageV0309);
};

TEST_F(ImageContents, EveryFixedFieldHoldsItsBytes) {
    const struct {
        const char* name;
        uint32_t offset;
        Bytes in133;
        Bytes in135;
    } fields[] = {
        {"device descriptor", 0x8000,
         {0x12, 0x01, 0x00, 0x02, 0xEF, 0x02, 0x01, 0x40, 0x71, 0x42, 0xD5, 0x03, 0x08, 0x03, 0x01,
          0x02, 0x03, 0x01},
         {0x12, 0x01, 0x00, 0x02, 0xEF, 0x02, 0x01, 0x40, 0x71, 0x42, 0xD5, 0x03, 0x09, 0x03, 0x01,
          0x02, 0x03, 0x01}},
        {"device qualifier", 0x8012,
         {0x0A, 0x06, 0x00, 0x02, 0xEF, 0x02, 0x01, 0x40, 0x01, 0x00},
         {0x0A, 0x06, 0x00, 0x02, 0xEF, 0x02, 0x01, 0x40, 0x01, 0x00}},
        {"language table", 0x8028, {0x04, 0x03, 0x09, 0x04}, {0x04, 0x03, 0x09, 0x04}},
        {"manufacturer", 0x802C, StringDescriptor("Korvane Optics Co"),
         StringDescriptor("Korvane Optics Co")},
        {"product", 0x8050, StringDescriptor("Korvane KW300 HD"),
         StringDescriptor("Korvane KW300 HD")},
        {"serial number", 0x8072, StringDescriptor("10230147"), StringDescriptor("10230258")},
        {"flash-type block", 0xC000, {0x02, 0x02, 0x00, 0x00, 0x11, 0x01, 0x04, 0x01},
         {0x02, 0x02, 0x00, 0x00, 0x11, 0x01, 0x04, 0x01}},
    };
    for (const auto& f : fields) {
        SCOPED_TRACE(f.name);
        EXPECT_EQ(Slice(v0308, f.offset, f.in133.size()), f.in133);
        EXPECT_EQ(Slice(v0309, f.offset, f.in135.size()), f.in135);
    }
}

TEST_F(ImageContents, StringDescriptorsHaveTheirLengths) {
    const struct {
        uint32_t offset;
        uint8_t length;
    } strings[] = {{0x8028, 4}, {0x802C, 36}, {0x8050, 34}, {0x8072, 18}};
    for (const Bytes* image : {&v0308, &v0309}) {
        for (const auto& s : strings) {
            SCOPED_TRACE(s.offset);
            EXPECT_EQ((*image)[s.offset], s.length);
            EXPECT_EQ((*image)[s.offset + 1], 0x03);
        }
        // Eight decimal digits, UTF-16LE.
        for (uint32_t at = 0x8074; at < 0x8084; at += 2) {
            EXPECT_GE((*image)[at], '0');
            EXPECT_LE((*image)[at], '9');
            EXPECT_EQ((*image)[at + 1], 0x00);
        }
    }
}

TEST_F(ImageContents, TheImagesDifferInExactlyTheNamedBytes) {
    std::set<uint32_t> differing;
    for (uint32_t at = 0; at < 65536; ++at)
        if (v0308[at] != v0309[at]) differing.insert(at);

    EXPECT_EQ(differing.size(), 28u);
    for (uint32_t named : {0x800Cu, 0x807Eu, 0x8080u, 0x8082u})
        EXPECT_EQ(differing.count(named), 1u) << std::hex << named;
    size_t inFirmware = 0;
    for (uint32_t at : differing) {
        if (at >= 0xE000) ++inFirmware;
        else EXPECT_TRUE(at == 0x800C || at == 0x807E || at == 0x8080 || at == 0x8082)
                 << "unexpected difference at 0x" << std::hex << at;
    }
    EXPECT_EQ(inFirmware, 24u);
}

TEST_F(ImageContents, FlashTypeBlockIsErasedBehindItsEightBytes) {
    for (const Bytes* image : {&v0308, &v0309})
        for (uint32_t at = 0xC008; at <= 0xCFFF; ++at)
            ASSERT_EQ((*image)[at], 0xFF) << "at 0x" << std::hex << at;
}

TEST_F(ImageContents, TheRestIsNotBlankFlash) {
    const struct {
        uint32_t begin, end;
    } parts[] = {{0x0000, 0x8000}, {0x9000, 0xC000}, {0xD000, 0xE000}, {0xE000, 0x10000}};
    for (const Bytes* image : {&v0308, &v0309}) {
        for (const auto& p : parts) {
            SCOPED_TRACE(p.begin);
            std::set<uint8_t> values;
            size_t erased = 0;
            for (uint32_t at = p.begin; at < p.end; ++at) {
                values.insert((*image)[at]);
                erased += (*image)[at] == 0xFF;
            }
            EXPECT_GT(values.size(), 200u);
            EXPECT_LT(erased, (p.end - p.begin) / 2);
        }
    }
}

TEST_F(ImageContents, DescriptorCheckLooksOnlyAtByte0x8000) {
    const struct {
        uint32_t offset;
        uint8_t value;
        bool passes;
    } cases[] = {
        {0x8000, 0x00, false}, {0x8000, 0x11, false}, {0x8000, 0x13, false},
        {0x8000, 0x92, false}, {0x8000, 0xFF, false}, {0x8000, 0x12, true},
        {0x7FFF, 0x00, true},  {0x8001, 0x00, true},  {0x0000, 0x00, true},
    };
    // Both images pass as they are carried.
    EXPECT_TRUE(CheckDeviceDescriptor(v0308.data()));
    EXPECT_TRUE(CheckDeviceDescriptor(v0309.data()));
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << std::hex << c.offset << " = " << int(c.value));
        Bytes image = v0308;
        image[c.offset] = c.value;
        EXPECT_EQ(CheckDeviceDescriptor(image.data()), c.passes);
    }
    EXPECT_FALSE(CheckDeviceDescriptor(nullptr));
}

}  // namespace

// The ID program heard without its last address byte lands its IDs at
// 008071, where a flash of 8072 bytes ends after the first: the compare
// reaches the last byte and never one past it.
TEST(FlashContent, TheIdProgramIsHeldToTheFlashItFits) {
    const uint32_t size = 0x8072;
    std::vector<uint8_t> image(size, 0xFF), flash;
    const uint8_t ids[] = {0x71, 0x42, 0xD5, 0x03};
    std::copy(ids, ids + 4, image.begin() + 0x8008);
    flash = image;
    flash[0x8071] = 0x42;  // what the moved program's first ID byte left
    uint32_t first = 0;
    EXPECT_EQ(CompareFlashWithImage(flash.data(), image.data(), size, 256, &first), FlashContent::Other);
    EXPECT_EQ(first, 0x8071u);
    // Past a cut only the four IDs stand: the byte after them programmed is no cut.
    image[0x0010] = 0x00, image[0x800C] = 0x12, flash = image, flash[0x0010] = 0xFF, flash[0x8071] = 0xFF;
    EXPECT_EQ(CompareFlashWithImage(flash.data(), image.data(), size, 256, &first), FlashContent::Unfinished);
}
