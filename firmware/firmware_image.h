// The two firmware images the program carries, found by type "BIN" and id,
// and the working copy that gets patched and written into the camera.
// Offsets in an image are flash addresses. Results: a FirmwareStatus, Ok or
// why not; the download (on CCamDevice) returns 1 or 0 and logs its lines.
#pragma once

#include <cstdint>
#include <memory>

#include "firmware/flash_layout.h"

constexpr int kImageV0308 = 133;
constexpr int kImageV0309 = 135;
// The images the program carries, oldest first, by the names their releases
// gave them: the check's reports and --version say these.
struct CarriedImage {
    int id;
    const char* version;
};
constexpr CarriedImage kCarriedImages[] = {{kImageV0308, "V0308"}, {kImageV0309, "V0309"}};
constexpr const char* kFirmwareResourceType = "BIN";

constexpr uint8_t kDeviceDescriptorLength = 0x12;
// The descriptor check reads 0x8000 and the patch writes 0xC006, so a
// working copy must reach at least the byte after that.
constexpr uint32_t kMinFirmwareImageSize = kFlashTypeCodeOffset + 1;

enum class FirmwareStatus : int32_t {
    Ok = 0,
    NotFound = 1,      // no "BIN" resource with that id
    TooShort = 2,      // shorter than kMinFirmwareImageSize
    BadFlashType = 3,  // FlashType index outside the code table
    NoImage = 4,       // null image pointer
    NoMemory = 5,      // the working copy could not be allocated
};

// The read-only bytes of the "BIN" resource with this id in the program
// itself. On failure *data and *size are left as they were.
FirmwareStatus FindFirmwareResource(int id, const uint8_t** data, uint32_t* size);

// A private copy of sourceSize bytes at source, for patching. Refuses an
// image shorter than kMinFirmwareImageSize; on any failure *image and
// *imageSize are left as they were and nothing is allocated.
FirmwareStatus CopyFirmwareImage(const uint8_t* source, uint32_t sourceSize,
                                 std::unique_ptr<uint8_t[]>* image, int32_t* imageSize);

// FindFirmwareResource, then CopyFirmwareImage.
FirmwareStatus LoadFirmwareImage(int id, std::unique_ptr<uint8_t[]>* image, int32_t* imageSize);

// Writes the FlashTypeCode of FlashType flashTypeIndex (0..6) into byte
// 0xC006 of an image of size bytes. An index beyond the table gives
// BadFlashType, an image that does not reach 0xC006 TooShort; either
// leaves the image untouched.
FirmwareStatus PatchFlashTypeByte(uint8_t* image, uint32_t size, uint8_t flashTypeIndex);

// True when the image starts its device descriptor with bLength 0x12 at
// 0x8000; false for anything else, including a null image.
bool CheckDeviceDescriptor(const uint8_t* image);
