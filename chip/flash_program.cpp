#include "chip/cam_device.h"
#include "chip/register_map.h"

namespace {

// A step that failed ends the program as its normal end would: the flash
// deselected and the engine released, so that the download engine's own
// commands that follow are not garbled by a transaction left open.
int32_t AbandonProgram(CCamDevice& device, HRESULT* deselect) {
    const HRESULT hr = device.SpiDeselect();
    if (deselect) *deselect = hr;
    device.WriteReg(REG_SPI_CONTROL, kSpiEngineReleased);
    return 0;
}

}  // namespace

// Every step is examined: a write the camera refused or a wait that gave up
// ends the program as a wait that gives up does.
int32_t CCamDevice::FlashProgramBytes(const FlashProgramRequest& request, HRESULT* deselect) {
    if (deselect) *deselect = S_OK;
    if (request.count > kFlashProgramMaxBytes) return 0;
    // Each byte on the transmit register is followed by the engine's busy wait.
    const auto send = [this](uint8_t byte) {
        return WriteReg(REG_SPI_TRANSMIT, byte) >= 0 && SpiWaitIdle() >= 0;
    };
    bool ok = WriteReg(REG_SPI_CONTROL, kSpiEngineOn) >= 0 && SpiWriteEnable() >= 0 &&
              WriteReg(REG_SPI_SELECT, SpiSelectLevel) >= 0 && send(SPI_PAGE_PROGRAM);
    for (uint8_t byte : request.address) ok = ok && send(byte);
    for (uint16_t i = 0; i < request.count; ++i) ok = ok && send(request.data[i]);
    if (!ok) return AbandonProgram(*this, deselect);
    // The program runs from its deselect on; the status poll must not begin
    // before it, or its 0x05 and the byte it clocks in are programmed too.
    const HRESULT closed = SpiDeselect();
    if (deselect) *deselect = closed;
    if (closed < 0) {
        WriteReg(REG_SPI_CONTROL, kSpiEngineReleased);
        return 0;
    }
    if (FlashWaitReady() < 0 || SpiWriteDisable() < 0) return AbandonProgram(*this, deselect);
    return WriteReg(REG_SPI_CONTROL, kSpiEngineReleased) >= 0 ? 1 : 0;
}
