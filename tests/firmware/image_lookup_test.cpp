#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "firmware/firmware_image.h"

namespace {

TEST(FirmwareLookup, BothImagesAreFoundByIdWithTheFullLength) {
    for (int id : {kImageV0308, kImageV0309}) {
        SCOPED_TRACE(id);
        const uint8_t* data = nullptr;
        uint32_t size = 0;
        ASSERT_EQ(FindFirmwareResource(id, &data, &size), FirmwareStatus::Ok);
        ASSERT_NE(data, nullptr);
        EXPECT_EQ(size, 65536u);

        std::unique_ptr<uint8_t[]> image;
        int32_t imageSize = 0;
        ASSERT_EQ(LoadFirmwareImage(id, &image, &imageSize), FirmwareStatus::Ok);
        ASSERT_NE(image, nullptr);
        EXPECT_EQ(imageSize, 65536);
        EXPECT_NE(image.get(), data) << "the working copy is not the resource itself";
        EXPECT_EQ(std::memcmp(image.get(), data, 65536), 0);
    }
}

TEST(FirmwareLookup, TheTwoIdsGiveTwoDifferentImages) {
    const uint8_t* a = nullptr;
    const uint8_t* b = nullptr;
    uint32_t sizeA = 0, sizeB = 0;
    ASSERT_EQ(FindFirmwareResource(133, &a, &sizeA), FirmwareStatus::Ok);
    ASSERT_EQ(FindFirmwareResource(135, &b, &sizeB), FirmwareStatus::Ok);
    ASSERT_EQ(sizeA, sizeB);
    EXPECT_NE(std::memcmp(a, b, sizeA), 0);
}

TEST(FirmwareLookup, OtherIdsAreNotFoundAndLeaveTheOutputsAlone) {
    // 133 + 65536 would reach image 133 if the id were cut to 16 bits.
    for (int id : {0, -1, 1, 128, 134, 136, 133 + 65536, 135 + 65536, -133}) {
        SCOPED_TRACE(id);
        const uint8_t sentinel = 0;
        const uint8_t* data = &sentinel;
        uint32_t size = 7;
        EXPECT_EQ(FindFirmwareResource(id, &data, &size), FirmwareStatus::NotFound);
        EXPECT_EQ(data, &sentinel);
        EXPECT_EQ(size, 7u);

        std::unique_ptr<uint8_t[]> image;
        int32_t imageSize = 7;
        EXPECT_EQ(LoadFirmwareImage(id, &image, &imageSize), FirmwareStatus::NotFound);
        EXPECT_EQ(image, nullptr);
        EXPECT_EQ(imageSize, 7);
    }
}

TEST(FirmwareLookup, CopyRefusesAnImageTooShortForThePatchedByte) {
    const struct {
        uint32_t size;
        FirmwareStatus expected;
    } cases[] = {
        {0, FirmwareStatus::TooShort},      {1, FirmwareStatus::TooShort},
        {0x8001, FirmwareStatus::TooShort}, {0xC006, FirmwareStatus::TooShort},
        {0xC007, FirmwareStatus::Ok},       {65536, FirmwareStatus::Ok},
    };
    std::vector<uint8_t> source(65536);
    for (size_t i = 0; i < source.size(); ++i) source[i] = static_cast<uint8_t>(i * 7 + 3);

    for (const auto& c : cases) {
        SCOPED_TRACE(c.size);
        // A buffer held from before, to show that a refusal keeps it.
        std::unique_ptr<uint8_t[]> image(new uint8_t[1]{0x5A});
        const uint8_t* before = image.get();
        int32_t imageSize = 1;

        EXPECT_EQ(CopyFirmwareImage(source.data(), c.size, &image, &imageSize), c.expected);
        if (c.expected == FirmwareStatus::Ok) {
            ASSERT_NE(image, nullptr);
            EXPECT_EQ(imageSize, static_cast<int32_t>(c.size));
            EXPECT_EQ(std::memcmp(image.get(), source.data(), c.size), 0);
        } else {
            EXPECT_EQ(image.get(), before);
            EXPECT_EQ(image[0], 0x5A);
            EXPECT_EQ(imageSize, 1);
        }
    }
}

TEST(FirmwareLookup, MissingArgumentsAreRefused) {
    std::vector<uint8_t> source(65536, 0);
    std::unique_ptr<uint8_t[]> image;
    int32_t imageSize = 0;
    const uint8_t* data = nullptr;
    uint32_t size = 0;
    EXPECT_EQ(CopyFirmwareImage(nullptr, 65536, &image, &imageSize), FirmwareStatus::NoImage);
    EXPECT_EQ(CopyFirmwareImage(source.data(), 65536, nullptr, &imageSize), FirmwareStatus::NoImage);
    EXPECT_EQ(CopyFirmwareImage(source.data(), 65536, &image, nullptr), FirmwareStatus::NoImage);
    EXPECT_EQ(FindFirmwareResource(133, nullptr, &size), FirmwareStatus::NoImage);
    EXPECT_EQ(FindFirmwareResource(133, &data, nullptr), FirmwareStatus::NoImage);
    EXPECT_EQ(image, nullptr);
}

}  // namespace
