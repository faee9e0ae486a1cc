// The images as resources of the program's own module, compiled in from
// firmware_images.rc.
#include <windows.h>

#include "firmware/firmware_image.h"

FirmwareStatus FindFirmwareResource(int id, const uint8_t** data, uint32_t* size) {
    if (!data || !size) return FirmwareStatus::NoImage;
    // MAKEINTRESOURCE keeps only the low 16 bits; 133 + 65536 must not
    // find image 133.
    if (id <= 0 || id > 0xFFFF) return FirmwareStatus::NotFound;
    HMODULE module = GetModuleHandleA(nullptr);
    HRSRC info = FindResourceA(module, MAKEINTRESOURCEA(id), kFirmwareResourceType);
    if (!info) return FirmwareStatus::NotFound;
    HGLOBAL loaded = LoadResource(module, info);
    if (!loaded) return FirmwareStatus::NotFound;
    const void* bytes = LockResource(loaded);
    if (!bytes) return FirmwareStatus::NotFound;
    *data = static_cast<const uint8_t*>(bytes);
    *size = SizeofResource(module, info);
    return FirmwareStatus::Ok;
}
