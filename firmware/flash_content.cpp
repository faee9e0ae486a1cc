#include "firmware/flash_content.h"

#include "firmware/flash_layout.h"

namespace {

constexpr uint8_t kErased = 0xFF;

// One of the image's ID bytes programmed over this address: only the bits
// both hold stay. Never at the FlashTypeCode, whose value is the part's.
bool StrayIdByte(const uint8_t* flash, const uint8_t* image, uint32_t at) {
    if (at == kFlashTypeCodeOffset) return false;
    for (uint32_t i = 0; i < kIdBytes; ++i)
        if (flash[at] == (image[at] & image[kVendorIdOffset + i])) return true;
    return false;
}

}  // namespace

FlashContent CompareFlashWithImage(const uint8_t* flash, const uint8_t* image, uint32_t size,
                                   uint32_t* firstDifference) {
    uint32_t at = 0;
    while (at < size && flash[at] == image[at]) ++at;
    *firstDifference = at;
    if (at == size) return FlashContent::Image;
    bool cut = true;
    uint32_t stray = 0;
    for (uint32_t i = at; i < size; ++i) {
        const bool ids = i >= kVendorIdOffset && i < kVendorIdOffset + kIdBytes;
        if (flash[i] == image[i]) {
            // Past a cut only the IDs, programmed after the first packet, stand.
            cut = cut && (ids || image[i] == kErased);
        } else if (flash[i] != kErased) {
            cut = false;
            if (!StrayIdByte(flash, image, i) || ++stray > kIdBytes) return FlashContent::Other;
        }
    }
    return cut ? FlashContent::Cut : FlashContent::Unfinished;
}
