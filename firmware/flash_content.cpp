#include "firmware/flash_content.h"

#include <algorithm>
#include <cstddef>
#include <vector>

#include "firmware/flash_layout.h"

namespace {

constexpr uint8_t kErased = 0xFF;

// Every bit the wanted byte holds is still set: nothing but programs still
// to come stands between them.
bool Holds(uint8_t flash, uint8_t wanted) { return (flash & wanted) == wanted; }

// The ID program as the flash hears it: three address bytes, most
// significant first, then the four ID bytes; `lost` is the byte that never
// arrived (kProgramBytes: none). The part takes the first three bytes it
// hears as the address, so a lost address byte moves the IDs, and a lost
// byte anywhere shifts those after it.
constexpr uint32_t kProgramBytes = 3 + kIdBytes;

// True when every miss lies where this program put a byte, and each byte
// it reached lies between what its data byte cleared and what the image
// still asks of it (the image's own program, before or after, cleared
// only bits the image lacks).
bool IdProgramExplains(const uint8_t* flash, const uint8_t* image, uint32_t size,
                       const std::vector<uint32_t>& misses, uint32_t lost, uint32_t page) {
    uint8_t heard[kProgramBytes];
    uint32_t n = 0;
    for (uint32_t i = 0; i < kProgramBytes; ++i) {
        if (i == lost) continue;
        heard[n++] = i < 3 ? uint8_t(kVendorIdOffset >> (8 * (2 - i))) : image[kVendorIdOffset + i - 3];
    }
    const uint32_t start = ((uint32_t(heard[0]) << 16) | (uint32_t(heard[1]) << 8) | heard[2]) % size;
    const uint32_t base = start - start % page;
    const uint32_t count = std::min<uint32_t>(n - 3, page);
    std::size_t explained = 0;
    for (uint32_t k = 0; k < count; ++k) {
        const uint32_t at = base + (start - base + k) % page;  // a program wraps inside its page
        const uint8_t data = heard[3 + k];
        if (at >= size || (flash[at] & ~data) != 0 || !Holds(flash[at], image[at] & data)) return false;
        for (uint32_t miss : misses) explained += miss == at;
    }
    return explained == misses.size();
}

}  // namespace

FlashContent CompareFlashWithImage(const uint8_t* flash, const uint8_t* image, uint32_t size,
                                   uint32_t programPage, uint32_t* firstDifference) {
    uint32_t at = 0;
    while (at < size && flash[at] == image[at]) ++at;
    *firstDifference = at;
    if (at == size) return FlashContent::Image;

    bool cut = true;
    std::vector<uint32_t> misses;
    for (uint32_t i = at; i < size; ++i) {
        const bool idPlace = i >= kVendorIdOffset && i < kVendorIdOffset + kIdBytes;
        // Past a cut only the IDs, programmed after the first packet, stand.
        if (flash[i] != kErased && !(idPlace && flash[i] == image[i])) cut = false;
        if (!Holds(flash[i], image[i])) {
            misses.push_back(i);
            // One ID program reaches at most four bytes.
            if (misses.size() > kIdBytes) return FlashContent::Other;
        }
    }
    if (misses.empty()) return cut ? FlashContent::Cut : FlashContent::Unfinished;
    if (programPage == 0 || image == nullptr || size < kVendorIdOffset + kIdBytes) return FlashContent::Other;
    for (uint32_t lost = 0; lost < kProgramBytes; ++lost)
        if (IdProgramExplains(flash, image, size, misses, lost, programPage)) return FlashContent::Unfinished;
    return FlashContent::Other;
}
