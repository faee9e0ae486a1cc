#include "firmware/flash_content.h"

#include "firmware/flash_layout.h"

namespace {

constexpr uint8_t kErased = 0xFF;

bool InIds(uint32_t address) { return address >= kVendorIdOffset && address < kVendorIdOffset + kIdBytes; }

}  // namespace

FlashContent CompareFlashWithImage(const uint8_t* flash, const uint8_t* image, uint32_t size,
                                   uint32_t* firstDifference) {
    uint32_t at = 0;
    while (at < size && flash[at] == image[at]) ++at;
    *firstDifference = at;
    if (at == size) return FlashContent::Image;
    for (uint32_t i = at; i < size; ++i)
        if (flash[i] != kErased && !(InIds(i) && flash[i] == image[i])) return FlashContent::Other;
    return FlashContent::Cut;
}
