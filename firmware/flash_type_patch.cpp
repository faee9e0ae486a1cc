#include "chip/flash_type_table.h"
#include "firmware/firmware_image.h"

FirmwareStatus PatchFlashTypeByte(uint8_t* image, uint32_t size, uint8_t flashTypeIndex) {
    if (!image) return FirmwareStatus::NoImage;
    if (size <= kFlashTypeCodeOffset) return FirmwareStatus::TooShort;
    if (flashTypeIndex >= kFlashTypeCount) return FirmwareStatus::BadFlashType;
    image[kFlashTypeCodeOffset] = kFlashTypes[flashTypeIndex].code;
    return FirmwareStatus::Ok;
}
