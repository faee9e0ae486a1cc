#include <cstring>

#include "chip/cam_device.h"
#include "link/xu_channel.h"
#include "link/xu_selectors.h"
#include "platform/byte_order.h"

// The flash read path does not use the SPI engine: an address on selector
// 14, then the bytes from selector 15, as many as the camera says one read
// carries.

HRESULT CCamDevice::FlashReadLength(ULONG* length) {
    *length = 0;
    if (!pExt) return E_POINTER;
    const HRESULT hr = pExt->get_PropertySize(XU_FLASH_DATA_CONTROL, length);
    if (hr < 0) return hr;
    // A length that would not fit one block is refused before anything is read.
    if (*length == 0 || *length > kFlashBlockBytes) return FLASH_E_BLOCK_LENGTH;
    return S_OK;
}

HRESULT CCamDevice::ReadFlash(uint8_t* buffer, uint32_t address, ULONG length) {
    if (!buffer || !pExt) return E_POINTER;
    BYTE at[4];
    PutLe32(at, address);
    // Without its address the read would fetch whatever the camera last pointed at.
    const HRESULT addressed = pExt->put_Property(XU_FLASH_ADDRESS_CONTROL, 4, at);
    if (addressed < 0) return addressed;
    return pExt->get_Property(XU_FLASH_DATA_CONTROL, length, buffer);
}

HRESULT CCamDevice::ReadFlashBlock(uint8_t* buffer, int32_t block, ULONG* read) {
    if (read) *read = 0;
    if (!buffer || !pExt) return E_POINTER;
    ULONG length = 0;
    const HRESULT hr = FlashReadLength(&length);
    if (hr < 0) return hr;
    if (read) *read = length;
    // Only the address's low 16 bits go to the camera.
    return ReadFlash(buffer, (uint32_t(block) * kFlashBlockBytes) & 0xFFFF, length);
}

HRESULT CCamDevice::ReadFlashBlocks(uint8_t* buffer, int32_t blocks, uint32_t mostRequests) {
    // Bytes a driver did not deliver read as zeros, never as what an
    // earlier read or the stack held: zeros are no download's leftovers.
    std::memset(buffer, 0, size_t(blocks > 0 ? blocks : 0) * kFlashBlockBytes);
    uint8_t piece[kFlashBlockBytes] = {};
    uint64_t spent = 0;
    for (int32_t block = 0; block < blocks; ++block) {
        uint8_t* at = buffer + uint32_t(block) * kFlashBlockBytes;
        // The camera may answer another length for every block: each is
        // held to the bound as it comes, a length query and an address and
        // a read per piece.
        ULONG length = 0;
        HRESULT hr = FlashReadLength(&length);
        if (hr < 0) return hr;
        spent += 1 + 2 * uint64_t((kFlashBlockBytes + length - 1) / length);
        if (spent > mostRequests) return FLASH_E_REQUEST_BOUND;
        hr = ReadFlash(at, (uint32_t(block) * kFlashBlockBytes) & 0xFFFF, length);
        if (hr < 0) return hr;
        // A camera that reads less than a block at a time is read on to its end.
        for (ULONG done = length; done < kFlashBlockBytes; done += length) {
            std::memset(piece, 0, length);
            hr = ReadFlash(piece, uint32_t(block) * kFlashBlockBytes + done, length);
            if (hr < 0) return hr;
            std::memcpy(at + done, piece, length < kFlashBlockBytes - done ? length : kFlashBlockBytes - done);
        }
    }
    return S_OK;
}
