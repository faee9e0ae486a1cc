#include "firmware/flash_content.h"

#include <cstddef>
#include <vector>

#include "firmware/flash_layout.h"

namespace {

constexpr uint8_t kErased = 0xFF;

// Every bit the wanted byte holds is still set: nothing but programs still
// to come stands between them.
bool Holds(uint8_t flash, uint8_t wanted) { return (flash & wanted) == wanted; }

// The ID program at a wrong address `start` reaches these places: the ID
// bytes in order, wrapping inside the page, as many as the part programs.
uint32_t IdPlace(uint32_t start, uint32_t j, uint32_t page) {
    const uint32_t base = start - start % page;
    return base + (start - base + j) % page;
}

// The bytes that do not hold their image byte are all explained by one ID
// program at `start`: each lies between what the ID byte cleared and what
// the image still asks of it.
bool OneIdProgramExplains(const uint8_t* flash, const uint8_t* image, uint32_t size,
                          const std::vector<uint32_t>& misses, uint32_t start, uint32_t page) {
    const uint32_t reach = page < kIdBytes ? page : kIdBytes;
    std::size_t explained = 0;
    for (uint32_t j = 0; j < reach; ++j) {
        const uint32_t at = IdPlace(start, j, page);
        if (at >= size) return false;
        const uint8_t id = image[kVendorIdOffset + j];
        // The ID program cleared every bit its byte lacks; the image's own
        // program, before or after it, cleared only bits the image lacks.
        if ((flash[at] & ~id) != 0 || !Holds(flash[at], image[at] & id)) return false;
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
            // One ID program reaches at most four bytes of one page.
            if (misses.size() > kIdBytes || misses.back() - misses.front() >= programPage) return FlashContent::Other;
        }
    }
    if (misses.empty()) return cut ? FlashContent::Cut : FlashContent::Unfinished;
    if (programPage == 0 || image == nullptr || size < kVendorIdOffset + kIdBytes) return FlashContent::Other;
    // Every start whose reach covers the first miss.
    const uint32_t reach = programPage < kIdBytes ? programPage : kIdBytes;
    for (uint32_t j = 0; j < reach; ++j) {
        const uint32_t first = misses.front();
        const uint32_t base = first - first % programPage;
        const uint32_t start = base + (first - base + programPage - j) % programPage;
        if (OneIdProgramExplains(flash, image, size, misses, start, programPage)) return FlashContent::Unfinished;
    }
    return FlashContent::Other;
}
