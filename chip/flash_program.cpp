#include "chip/cam_device.h"
#include "chip/register_map.h"

// A failed write, or an engine or flash that never finishes, ends the
// program at once with 0: the select and the engine are left as they are.
int32_t CCamDevice::FlashProgramBytes(const FlashProgramRequest& request) {
    if (request.count > kFlashProgramMaxBytes) return 0;
    if (WriteReg(REG_SPI_CONTROL, kSpiEngineOn) < 0) return 0;
    if (SpiWriteEnable() == SPI_E_TIMEOUT) return 0;
    if (WriteReg(REG_SPI_SELECT, SpiSelectLevel) < 0) return 0;
    if (WriteReg(REG_SPI_TRANSMIT, SPI_PAGE_PROGRAM) < 0) return 0;
    if (SpiWaitIdle() < 0) return 0;
    for (uint8_t byte : request.address) {
        if (WriteReg(REG_SPI_TRANSMIT, byte) < 0) return 0;
        if (SpiWaitIdle() < 0) return 0;
    }
    for (uint16_t i = 0; i < request.count; ++i) {
        if (WriteReg(REG_SPI_TRANSMIT, request.data[i]) < 0) return 0;
        if (SpiWaitIdle() < 0) return 0;
    }
    if (WriteReg(REG_SPI_SELECT, 2 - SpiSelectLevel) < 0) return 0;
    if (FlashWaitReady() < 0) return 0;
    if (SpiWriteDisable() < 0) return 0;
    return WriteReg(REG_SPI_CONTROL, kSpiEngineReleased) >= 0 ? 1 : 0;
}
