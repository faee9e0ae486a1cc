#include "chip/cam_device.h"
#include "chip/register_map.h"

namespace {

// A wait that gave up ends the program as its normal end would: the flash
// deselected and the engine released, so that the download engine's own
// commands that follow are not garbled by a transaction left open.
int32_t AbandonProgram(CCamDevice& device) {
    device.WriteReg(REG_SPI_SELECT, 2 - SpiSelectLevel);
    device.WriteReg(REG_SPI_CONTROL, kSpiEngineReleased);
    return 0;
}

}  // namespace

// A failed write ends the program at once with 0, the select and the engine
// left as they are: a camera that refuses writes will not take the cleanup
// either.
int32_t CCamDevice::FlashProgramBytes(const FlashProgramRequest& request) {
    if (request.count > kFlashProgramMaxBytes) return 0;
    if (WriteReg(REG_SPI_CONTROL, kSpiEngineOn) < 0) return 0;
    if (SpiWriteEnable() == SPI_E_TIMEOUT) return AbandonProgram(*this);
    if (WriteReg(REG_SPI_SELECT, SpiSelectLevel) < 0) return 0;
    if (WriteReg(REG_SPI_TRANSMIT, SPI_PAGE_PROGRAM) < 0) return 0;
    if (SpiWaitIdle() < 0) return AbandonProgram(*this);
    for (uint8_t byte : request.address) {
        if (WriteReg(REG_SPI_TRANSMIT, byte) < 0) return 0;
        if (SpiWaitIdle() < 0) return AbandonProgram(*this);
    }
    for (uint16_t i = 0; i < request.count; ++i) {
        if (WriteReg(REG_SPI_TRANSMIT, request.data[i]) < 0) return 0;
        if (SpiWaitIdle() < 0) return AbandonProgram(*this);
    }
    if (WriteReg(REG_SPI_SELECT, 2 - SpiSelectLevel) < 0) return 0;
    if (FlashWaitReady() < 0) return AbandonProgram(*this);
    if (SpiWriteDisable() < 0) return AbandonProgram(*this);
    return WriteReg(REG_SPI_CONTROL, kSpiEngineReleased) >= 0 ? 1 : 0;
}
