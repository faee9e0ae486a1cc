#include "chip/cam_device.h"
#include "chip/register_map.h"

namespace {

// An answer that continues with the next identification command.
constexpr int32_t kAskNext = -2;

struct IdAnswer {
    uint8_t b0, b1, b2;
    bool anyThird;  // the third byte is the part's size or revision: not compared
    int32_t flashType;
};

// Answers to 0x90, read manufacturer and device ID.
constexpr IdAnswer kManufacturerIdAnswers[] = {
    {0xC2, 0x05, 0xC2, false, 0},
    {0xBF, 0x48, 0xBF, false, 1},
    {0x9D, 0x05, 0x7F, false, 2},
    {0x1C, 0x05, 0x1C, false, 3},
    {0x42, 0x05, 0xC2, false, 4},
    {0xFF, 0xFF, 0xFF, false, kAskNext},  // blank answer: ask with 0xAB
    {0x00, 0x00, 0x00, false, kAskNext},
};

// Answers to 0xAB, read electronic signature; any other goes on to 0x9F.
constexpr IdAnswer kSignatureAnswers[] = {
    {0x9D, 0x7B, 0x7F, false, 2},
};

// Answers to 0x9F, read JEDEC identification.
constexpr IdAnswer kJedecAnswers[] = {
    {0x1F, 0x65, 0x00, false, 5},
    {0xC2, 0x22, 0x00, true, 6},
};

template <size_t N>
int32_t Lookup(const IdAnswer (&table)[N], const uint8_t id[3], int32_t otherwise) {
    for (const IdAnswer& row : table)
        if (id[0] == row.b0 && id[1] == row.b1 && (row.anyThird || id[2] == row.b2))
            return row.flashType;
    return otherwise;
}

}  // namespace

int32_t CCamDevice::IdentifyFlash() {
    uint8_t chipId = 0;
    ReadReg(REG_CHIP_ID, &chipId);
    const ChipFamily family = ChipFamilyOf(chipId);
    if (family == kChipFamilyUnknown) return kFlashTypeUnknown;

    uint8_t id[3];
    if (!SpiReadId(id, SPI_READ_MANUFACTURER_ID, family)) return kFlashTypeUnknown;
    int32_t type = Lookup(kManufacturerIdAnswers, id, kFlashTypeUnknown);
    if (type != kAskNext) return type;

    if (!SpiReadId(id, SPI_READ_SIGNATURE, family)) return kFlashTypeUnknown;
    type = Lookup(kSignatureAnswers, id, kAskNext);
    if (type != kAskNext) return type;

    if (!SpiReadId(id, SPI_READ_JEDEC_ID, family)) return kFlashTypeUnknown;
    return Lookup(kJedecAnswers, id, kFlashTypeUnknown);
}
