#include "chip/cam_device.h"
#include "chip/flash_type_table.h"
#include "chip/register_map.h"

namespace {

// The FlashType whose row holds this answer to this command, or -1.
int32_t Lookup(uint8_t opcode, const uint8_t id[3]) {
    for (int32_t type = 0; type < kFlashTypeCount; ++type)
        for (const FlashIdAnswer& a : kFlashTypes[type].ids)
            if (a.opcode == opcode && id[0] == a.b0 && id[1] == a.b1 &&
                (a.anyThird || id[2] == a.b2))
                return type;
    return kFlashTypeUnknown;
}

// A part that answers 0x90 all 0x00 or all 0xFF has not said no yet: it is
// asked again with 0xAB, then 0x9F.
bool Blank(const uint8_t id[3]) {
    return (id[0] == 0x00 && id[1] == 0x00 && id[2] == 0x00) ||
           (id[0] == 0xFF && id[1] == 0xFF && id[2] == 0xFF);
}

// What an identification read that did not finish stopped at: a request
// the camera refused (a write, the receive start or a byte read), or a wait.
const char* StopText(HRESULT hr, uint8_t opcode) {
    if (hr != SPI_E_TIMEOUT) {
        switch (opcode) {
        case SPI_READ_MANUFACTURER_ID: return "SPI request fail (0x90)";
        case SPI_READ_SIGNATURE: return "SPI request fail (0xAB)";
        default: return "SPI request fail (0x9F)";
        }
    }
    switch (opcode) {
    case SPI_READ_MANUFACTURER_ID: return "SPI engine never idle (0x90)";
    case SPI_READ_SIGNATURE: return "SPI engine never idle (0xAB)";
    default: return "SPI engine never idle (0x9F)";
    }
}

}  // namespace

FlashIdentity CCamDevice::IdentifyFlash() {
    uint8_t chipId = 0;
    if (ReadReg(REG_CHIP_ID, &chipId) < 0) return {kFlashTypeUnknown, "chip ID read fail"};
    const ChipFamily family = ChipFamilyOf(chipId);
    if (family == kChipFamilyUnknown) return {};

    uint8_t id[3];
    const uint8_t order[] = {SPI_READ_MANUFACTURER_ID, SPI_READ_SIGNATURE, SPI_READ_JEDEC_ID};
    for (uint8_t opcode : order) {
        const HRESULT hr = SpiReadId(id, opcode, family);
        if (hr < 0) {
            // Deselected already; the engine is let go too, as after a program.
            WriteReg(REG_SPI_CONTROL, kSpiEngineReleased);
            return {kFlashTypeUnknown, StopText(hr, opcode)};
        }
        const int32_t type = Lookup(opcode, id);
        if (type != kFlashTypeUnknown) return {type};
        if (opcode == SPI_READ_MANUFACTURER_ID && !Blank(id)) return {};
    }
    return {};
}
