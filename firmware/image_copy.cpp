#include <cstring>
#include <new>

#include "firmware/firmware_image.h"

FirmwareStatus CopyFirmwareImage(const uint8_t* source, uint32_t sourceSize,
                                 std::unique_ptr<uint8_t[]>* image, int32_t* imageSize) {
    if (!source || !image || !imageSize) return FirmwareStatus::NoImage;
    if (sourceSize < kMinFirmwareImageSize) return FirmwareStatus::TooShort;
    // A resource never comes near 2 GiB; refuse rather than wrap the length.
    if (sourceSize > INT32_MAX) return FirmwareStatus::NoMemory;
    uint8_t* copy = new (std::nothrow) uint8_t[sourceSize];
    if (!copy) return FirmwareStatus::NoMemory;
    std::memcpy(copy, source, sourceSize);
    image->reset(copy);
    *imageSize = static_cast<int32_t>(sourceSize);
    return FirmwareStatus::Ok;
}

FirmwareStatus LoadFirmwareImage(int id, std::unique_ptr<uint8_t[]>* image, int32_t* imageSize) {
    const uint8_t* data = nullptr;
    uint32_t size = 0;
    FirmwareStatus found = FindFirmwareResource(id, &data, &size);
    if (found != FirmwareStatus::Ok) return found;
    return CopyFirmwareImage(data, size, image, imageSize);
}
