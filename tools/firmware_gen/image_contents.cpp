#include "image_contents.h"

#include <cstddef>
#include <initializer_list>

namespace {

constexpr size_t kImageSize = 65536;

// xorshift32 from a fixed seed: cheap, non-trivial and the same everywhere.
class XorShift32 {
public:
    explicit XorShift32(uint32_t seed) : state_(seed) {}
    uint32_t Next() {
        state_ ^= state_ << 13;
        state_ ^= state_ >> 17;
        state_ ^= state_ << 5;
        return state_;
    }

private:
    uint32_t state_;
};

constexpr uint32_t kFirmwareSeed = 0x4B4F5256;    // "KORV"
constexpr uint32_t kReleaseDiffSeed = 0x30333039;  // "0309"

// Stand-ins for code and tables, [begin, end); the flash between them stays
// erased (0xFF), as an unused part of a real image would.
struct Region {
    uint32_t begin;
    uint32_t end;
};
constexpr Region kFirmwareRegions[] = {{0x0000, 0x5A40}, {0x9000, 0xB6C0}, {0xD000, 0xFD80}};

// The bytes that tell release 0309 from 0308 in the firmware proper.
constexpr uint32_t kReleaseDiffBegin = 0xE000;
constexpr uint32_t kReleaseDiffEnd = 0xFD80;
constexpr int kReleaseDiffBytes = 24;

constexpr char kManufacturer[] = "Korvane Optics Co";
constexpr char kProduct[] = "Korvane KW300 HD";
constexpr char kSerial0308[] = "10230147";
constexpr char kSerial0309[] = "10230258";
static_assert(sizeof(kManufacturer) - 1 == 17, "manufacturer string is 36 bytes");
static_assert(sizeof(kProduct) - 1 == 16, "product string is 34 bytes");
static_assert(sizeof(kSerial0308) - 1 == 8 && sizeof(kSerial0309) - 1 == 8,
              "serial string is eight digits, 18 bytes");

void Put(std::vector<uint8_t>& image, uint32_t offset, std::initializer_list<uint8_t> bytes) {
    for (uint8_t b : bytes) image[offset++] = b;
}

// A USB string descriptor: length, type 3, then the text in UTF-16LE.
void PutString(std::vector<uint8_t>& image, uint32_t offset, const char* text) {
    uint32_t at = offset + 2;
    for (const char* c = text; *c; ++c) {
        image[at++] = static_cast<uint8_t>(*c);
        image[at++] = 0x00;
    }
    Put(image, offset, {static_cast<uint8_t>(at - offset), 0x03});
}

void PutFirmware(std::vector<uint8_t>& image) {
    XorShift32 random(kFirmwareSeed);
    for (const Region& region : kFirmwareRegions)
        for (uint32_t at = region.begin; at < region.end; ++at)
            image[at] = static_cast<uint8_t>(random.Next() >> 24);
}

// Changes kReleaseDiffBytes distinct bytes, each to a different value.
void PutReleaseDiff(std::vector<uint8_t>& image) {
    XorShift32 random(kReleaseDiffSeed);
    std::vector<bool> taken(kImageSize, false);
    int changed = 0;
    while (changed < kReleaseDiffBytes) {
        uint32_t at = kReleaseDiffBegin + random.Next() % (kReleaseDiffEnd - kReleaseDiffBegin);
        if (taken[at]) continue;
        taken[at] = true;
        image[at] ^= static_cast<uint8_t>(1 + random.Next() % 255);
        ++changed;
    }
}

void PutDescriptors(std::vector<uint8_t>& image, ImageRelease release) {
    const uint8_t releaseLow = release == ImageRelease::V0308 ? 0x08 : 0x09;
    // Device: USB 2.0, IAD composite class, vendor 0x4271, product 0x03D5.
    Put(image, 0x8000,
        {0x12, 0x01, 0x00, 0x02, 0xEF, 0x02, 0x01, 0x40, 0x71, 0x42, 0xD5, 0x03, releaseLow, 0x03,
         0x01, 0x02, 0x03, 0x01});
    // Device qualifier, matching the device descriptor.
    Put(image, 0x8012, {0x0A, 0x06, 0x00, 0x02, 0xEF, 0x02, 0x01, 0x40, 0x01, 0x00});
    // Language table: English (United States).
    Put(image, 0x8028, {0x04, 0x03, 0x09, 0x04});
    PutString(image, 0x802C, kManufacturer);
    PutString(image, 0x8050, kProduct);
    PutString(image, 0x8072, release == ImageRelease::V0308 ? kSerial0308 : kSerial0309);
}

}  // namespace

std::vector<uint8_t> BuildFirmwareImage(ImageRelease release) {
    std::vector<uint8_t> image(kImageSize, 0xFF);
    PutFirmware(image);
    if (release == ImageRelease::V0309) PutReleaseDiff(image);
    PutDescriptors(image, release);
    // Flash-type block; 0xC006 holds the FlashTypeCode of FlashType 2.
    Put(image, 0xC000, {0x02, 0x02, 0x00, 0x00, 0x11, 0x01, 0x04, 0x01});
    return image;
}
