#include <gtest/gtest.h>

#include <vector>

#include "firmware/firmware_image.h"
#include "tests/support/firmware_bytes.h"

namespace {

using Bytes = std::vector<uint8_t>;


uint8_t Xor(const Bytes& image) {
    uint8_t sum = 0;
    for (uint8_t b : image) sum ^= b;
    return sum;
}

TEST(FlashTypePatch, EachFlashTypeWritesItsCodeAndNothingElse) {
    const struct {
        uint8_t flashType;
        uint8_t code;
    } table[] = {{0, 0x00}, {1, 0x01}, {2, 0x04}, {3, 0x05}, {4, 0x06}, {5, 0x03}, {6, 0x07}};
    for (int id : {kImageV0308, kImageV0309}) {
        const Bytes original = ImageBytes(id);
        ASSERT_EQ(original[0xC006], 0x04);
        for (const auto& t : table) {
            SCOPED_TRACE(testing::Message() << "image " << id << ", FlashType " << int(t.flashType));
            Bytes image = original;
            EXPECT_EQ(PatchFlashTypeByte(image.data(), uint32_t(image.size()), t.flashType), FirmwareStatus::Ok);
            EXPECT_EQ(image[0xC006], t.code);
            image[0xC006] = original[0xC006];
            EXPECT_EQ(image, original) << "a byte other than 0xC006 changed";

            image[0xC006] = t.code;
            EXPECT_EQ(Xor(image), Xor(original) ^ 0x04 ^ t.code);
        }
    }
}

TEST(FlashTypePatch, WritesTheLastByteOfTheShortestImage) {
    Bytes image(kMinFirmwareImageSize, 0xAA);
    EXPECT_EQ(PatchFlashTypeByte(image.data(), uint32_t(image.size()), 4), FirmwareStatus::Ok);
    EXPECT_EQ(image.back(), 0x06);
    image.back() = 0xAA;
    EXPECT_EQ(image, Bytes(kMinFirmwareImageSize, 0xAA));
}

TEST(FlashTypePatch, AnIndexBeyondTheTableLeavesTheImageAlone) {
    for (uint8_t index : {7, 8, 0x7F, 0x80, 0xFF}) {
        SCOPED_TRACE(int(index));
        Bytes image = ImageBytes(kImageV0308);
        ASSERT_EQ(PatchFlashTypeByte(image.data(), uint32_t(image.size()), 4), FirmwareStatus::Ok);
        const Bytes before = image;
        EXPECT_EQ(PatchFlashTypeByte(image.data(), uint32_t(image.size()), index), FirmwareStatus::BadFlashType);
        EXPECT_EQ(image, before);
    }
}

TEST(FlashTypePatch, NoImageOrOneShortOfTheCodeIsRefused) {
    EXPECT_EQ(PatchFlashTypeByte(nullptr, kFirmwareImageSize, 0), FirmwareStatus::NoImage);
    Bytes shortImage(kFlashTypeCodeOffset, 0xAA);
    EXPECT_EQ(PatchFlashTypeByte(shortImage.data(), uint32_t(shortImage.size()), 4), FirmwareStatus::TooShort);
    EXPECT_EQ(shortImage, Bytes(kFlashTypeCodeOffset, 0xAA));
}

}  // namespace
