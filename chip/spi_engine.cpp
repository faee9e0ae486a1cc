#include "chip/cam_device.h"
#include "chip/register_map.h"
#include "platform/clock.h"

// The SPI engine moves one byte per register write or receive; every step
// waits for its busy flag. Register results are not examined except where
// a wait needs to know that a poll really read the chip.

HRESULT CCamDevice::SpiWaitIdle() {
    const uint64_t start = NowMs();
    for (uint32_t poll = 0; poll < kSpiIdleMaxPolls; ++poll) {
        uint8_t busy = 0;
        if (ReadReg(REG_SPI_BUSY, &busy) >= 0 && busy == 0) return S_OK;
        if (NowMs() - start > kSpiIdleTimeoutMs) break;
    }
    return SPI_E_TIMEOUT;
}

HRESULT CCamDevice::SpiWriteDisable() {
    WriteReg(REG_SPI_CONTROL, kSpiEngineOn);
    WriteReg(REG_SPI_TRANSMIT, SPI_WRITE_DISABLE);
    return SpiWaitIdle();
}

HRESULT CCamDevice::SpiWriteEnable() {
    WriteReg(REG_SPI_CONTROL, kSpiEngineOn);
    WriteReg(REG_SPI_SELECT, SpiSelectLevel);
    WriteReg(REG_SPI_TRANSMIT, SPI_WRITE_ENABLE);
    if (SpiWaitIdle() < 0) return SPI_E_TIMEOUT;
    return WriteReg(REG_SPI_SELECT, 2 - SpiSelectLevel);
}

int32_t CCamDevice::SpiReadId(uint8_t out[3], uint8_t opcode, ChipFamily family) {
    out[0] = out[1] = out[2] = 0;
    if (SpiWriteDisable() < 0) return 0;
    // Chips of family 2 select their flash with the other level.
    const uint8_t select = (family == 0 || family == 1) ? 2 : 0;
    WriteReg(REG_SPI_SELECT, select);
    WriteReg(REG_SPI_TRANSMIT, opcode);
    // 0x90 and 0xAB take three address or dummy bytes; 0x9F answers at once.
    if (opcode != SPI_READ_JEDEC_ID) {
        if (SpiWaitIdle() < 0) return 0;
        for (int i = 0; i < 3; ++i) {
            WriteReg(REG_SPI_TRANSMIT, 0x00);
            if (SpiWaitIdle() < 0) return 0;
        }
    }
    for (int i = 0; i < 3; ++i) {
        uint8_t discard = 0;
        ReadReg(REG_SPI_RECEIVE, &discard);
        if (SpiWaitIdle() < 0) return 0;
        ReadReg(REG_SPI_DATA, &out[i]);
        if (SpiWaitIdle() < 0) return 0;
    }
    WriteReg(REG_SPI_SELECT, 2 - select);
    return 1;
}

HRESULT CCamDevice::FlashWaitReady() {
    const uint64_t start = NowMs();
    WriteReg(REG_SPI_CONTROL, kSpiEngineOn);
    for (uint32_t pass = 0; pass < kFlashReadyMaxPasses; ++pass) {
        WriteReg(REG_SPI_SELECT, SpiSelectLevel);
        WriteReg(REG_SPI_TRANSMIT, SPI_READ_STATUS);
        if (SpiWaitIdle() < 0) return SPI_E_TIMEOUT;
        uint8_t discard = 0;
        ReadReg(REG_SPI_RECEIVE, &discard);
        if (SpiWaitIdle() < 0) return SPI_E_TIMEOUT;
        uint8_t status = 0;
        HRESULT read = ReadReg(REG_SPI_DATA, &status);
        WriteReg(REG_SPI_SELECT, 2 - SpiSelectLevel);
        if (read >= 0 && (status & kStatusWriteInProgress) == 0) return S_OK;
        if (NowMs() - start > kFlashReadyTimeoutMs) break;
    }
    return SPI_E_TIMEOUT;
}
