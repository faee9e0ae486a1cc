// The program's firmware images as plain byte vectors, for comparing with
// what a camera's flash holds.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "firmware/firmware_image.h"

// The image as carried, or 65536 zeros (and a test failure) when missing.
inline std::vector<uint8_t> ImageBytes(int id) {
    const uint8_t* data = nullptr;
    uint32_t size = 0;
    if (FindFirmwareResource(id, &data, &size) != FirmwareStatus::Ok) {
        ADD_FAILURE() << "image " << id << " not found";
        return std::vector<uint8_t>(kFirmwareImageSize, 0);
    }
    return std::vector<uint8_t>(data, data + size);
}

// The image as a download for this FlashType writes it.
inline std::vector<uint8_t> PatchedImageBytes(int id, uint8_t flashType) {
    std::vector<uint8_t> image = ImageBytes(id);
    EXPECT_EQ(PatchFlashTypeByte(image.data(), uint32_t(image.size()), flashType), FirmwareStatus::Ok);
    return image;
}
