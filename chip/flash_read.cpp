#include "chip/cam_device.h"
#include "link/xu_channel.h"
#include "link/xu_selectors.h"

// The camera says how long a flash read is. A length that cannot be had,
// or that would not fit one block, is refused before anything is read.
HRESULT CCamDevice::ReadFlashBlock(uint8_t* buffer, int32_t block, ULONG* read) {
    if (read) *read = 0;
    if (!buffer || !pExt) return 0;
    ULONG length = 0;
    HRESULT hr = pExt->get_PropertySize(XU_FLASH_DATA_CONTROL, &length);
    if (hr < 0) return hr;
    if (length == 0 || length > kFlashBlockBytes) return FLASH_E_BLOCK_LENGTH;
    if (read) *read = length;
    const uint32_t address = uint32_t(block) * kFlashBlockBytes;
    const BYTE bytes[4] = {BYTE(address & 0xFF), BYTE((address >> 8) & 0xFF), 0x00, 0x00};
    pExt->put_Property(XU_FLASH_ADDRESS_CONTROL, 4, bytes);
    return pExt->get_Property(XU_FLASH_DATA_CONTROL, length, buffer);
}
