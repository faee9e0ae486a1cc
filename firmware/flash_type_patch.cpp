#include "firmware/firmware_image.h"

namespace {

// FlashTypeCode by FlashType: the byte the camera's boot code reads at
// 0xC006 to know which serial flash it runs from.
constexpr uint8_t kFlashTypeCodes[] = {0x00, 0x01, 0x04, 0x05, 0x06, 0x03, 0x07};

}  // namespace

FirmwareStatus PatchFlashTypeByte(uint8_t* image, uint8_t flashTypeIndex) {
    if (!image) return FirmwareStatus::NoImage;
    if (flashTypeIndex >= sizeof(kFlashTypeCodes)) return FirmwareStatus::BadFlashType;
    image[kFlashTypeCodeOffset] = kFlashTypeCodes[flashTypeIndex];
    return FirmwareStatus::Ok;
}
