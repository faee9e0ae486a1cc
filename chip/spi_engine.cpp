#include "chip/cam_device.h"
#include "chip/register_map.h"
#include "platform/clock.h"

// The SPI engine moves one byte per register write or receive; every step
// waits for its busy flag. A write that fails means the flash never got its
// command, so the sequences stop there with the write's result; a poll must
// really read the chip to count. A wait that gives up still ends its
// transaction with the deselect, so the flash is never left selected for
// the next request.

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
    HRESULT hr;
    if ((hr = WriteReg(REG_SPI_CONTROL, kSpiEngineOn)) < 0) return hr;
    if ((hr = WriteReg(REG_SPI_TRANSMIT, SPI_WRITE_DISABLE)) < 0) return hr;
    return SpiWaitIdle();
}

HRESULT CCamDevice::SpiWriteEnable() {
    HRESULT hr;
    if ((hr = WriteReg(REG_SPI_CONTROL, kSpiEngineOn)) < 0) return hr;
    if ((hr = WriteReg(REG_SPI_SELECT, SpiSelectLevel)) < 0) return hr;
    if ((hr = WriteReg(REG_SPI_TRANSMIT, SPI_WRITE_ENABLE)) < 0) return hr;
    const HRESULT idle = SpiWaitIdle();
    const HRESULT deselect = WriteReg(REG_SPI_SELECT, 2 - SpiSelectLevel);
    return idle < 0 ? idle : deselect;
}

// One identification command with its select level; the bytes read so far
// are in out when it stops early.
HRESULT CCamDevice::SpiReadIdBytes(uint8_t out[3], uint8_t opcode, uint8_t select) {
    HRESULT hr;
    if ((hr = WriteReg(REG_SPI_SELECT, select)) < 0) return hr;
    if ((hr = WriteReg(REG_SPI_TRANSMIT, opcode)) < 0) return hr;
    // 0x90 and 0xAB take three address or dummy bytes; 0x9F answers at once.
    if (opcode != SPI_READ_JEDEC_ID) {
        if (SpiWaitIdle() < 0) return SPI_E_TIMEOUT;
        for (int i = 0; i < 3; ++i) {
            if ((hr = WriteReg(REG_SPI_TRANSMIT, 0x00)) < 0) return hr;
            if (SpiWaitIdle() < 0) return SPI_E_TIMEOUT;
        }
    }
    for (int i = 0; i < 3; ++i) {
        uint8_t discard = 0;
        if ((hr = ReadReg(REG_SPI_RECEIVE, &discard)) < 0) return hr;
        if (SpiWaitIdle() < 0) return SPI_E_TIMEOUT;
        if ((hr = ReadReg(REG_SPI_DATA, &out[i])) < 0) return hr;
        if (SpiWaitIdle() < 0) return SPI_E_TIMEOUT;
    }
    return S_OK;
}

HRESULT CCamDevice::SpiReadId(uint8_t out[3], uint8_t opcode, ChipFamily family) {
    out[0] = out[1] = out[2] = 0;
    const HRESULT disabled = SpiWriteDisable();
    if (disabled < 0) return disabled;
    // Chips of family 2 select their flash with the other level.
    const uint8_t select = (family == 0 || family == 1) ? 2 : 0;
    const HRESULT hr = SpiReadIdBytes(out, opcode, select);
    WriteReg(REG_SPI_SELECT, 2 - select);
    return hr;
}

HRESULT CCamDevice::FlashWaitReady() {
    const uint64_t start = NowMs();
    WriteReg(REG_SPI_CONTROL, kSpiEngineOn);
    for (uint32_t pass = 0; pass < kFlashReadyMaxPasses; ++pass) {
        WriteReg(REG_SPI_SELECT, SpiSelectLevel);
        WriteReg(REG_SPI_TRANSMIT, SPI_READ_STATUS);
        uint8_t discard = 0, status = 0;
        bool idle = SpiWaitIdle() >= 0;
        if (idle) {
            ReadReg(REG_SPI_RECEIVE, &discard);
            idle = SpiWaitIdle() >= 0;
        }
        const bool read = idle && ReadReg(REG_SPI_DATA, &status) >= 0;
        WriteReg(REG_SPI_SELECT, 2 - SpiSelectLevel);
        if (!idle) return SPI_E_TIMEOUT;
        if (read && (status & kStatusWriteInProgress) == 0) return S_OK;
        if (NowMs() - start > kFlashReadyTimeoutMs) break;
    }
    return SPI_E_TIMEOUT;
}

HRESULT CCamDevice::SpiDeselect() {
    const uint64_t start = NowMs();
    HRESULT hr = WriteRegWhole(REG_SPI_SELECT, 2 - SpiSelectLevel);
    for (int attempt = 1; attempt < kSpiDeselectAttempts && hr < 0; ++attempt) {
        if (NowMs() - start > kSpiDeselectTimeoutMs) break;
        hr = WriteRegWhole(REG_SPI_SELECT, 2 - SpiSelectLevel);
    }
    return hr;
}
