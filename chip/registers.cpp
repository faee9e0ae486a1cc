#include "chip/cam_device.h"
#include "link/xu_channel.h"
#include "link/xu_selectors.h"
#include "platform/byte_order.h"

// Every access sends the address again: the chip layer keeps no memory of
// the last address, and the address request's result is not examined (but
// by WriteRegWhole, for the one write that must land where it was sent).

namespace {

HRESULT SendAddress(ULONG selector, uint16_t address) {
    BYTE bytes[2];
    PutLe16(bytes, address);
    return pExt->put_Property(selector, 2, bytes);
}

}  // namespace

HRESULT CCamDevice::WriteReg(uint16_t address, uint8_t value) {
    SendAddress(XU_REG_ADDRESS_CONTROL, address);
    return pExt->put_Property(XU_REG_DATA_CONTROL, 1, &value);
}

HRESULT CCamDevice::WriteRegWhole(uint16_t address, uint8_t value) {
    const HRESULT hr = SendAddress(XU_REG_ADDRESS_CONTROL, address);
    if (hr < 0) return hr;
    return pExt->put_Property(XU_REG_DATA_CONTROL, 1, &value);
}

HRESULT CCamDevice::ReadReg(uint16_t address, uint8_t* value) {
    SendAddress(XU_REG_ADDRESS_CONTROL, address);
    BYTE byte = 0;
    HRESULT hr = pExt->get_Property(XU_REG_DATA_CONTROL, 1, &byte);
    *value = hr < 0 ? 0 : byte;
    return hr;
}

HRESULT CCamDevice::WriteWideReg(uint16_t address, uint16_t value) {
    SendAddress(XU_WREG_ADDRESS_CONTROL, address);
    BYTE bytes[2];
    PutLe16(bytes, value);
    return pExt->put_Property(XU_WREG_DATA_CONTROL, 2, bytes);
}

HRESULT CCamDevice::ReadWideReg(uint16_t address, uint16_t* value) {
    SendAddress(XU_WREG_ADDRESS_CONTROL, address);
    BYTE bytes[2] = {0, 0};
    HRESULT hr = pExt->get_Property(XU_WREG_DATA_CONTROL, 2, bytes);
    *value = hr < 0 ? 0 : Le16(bytes);
    return hr;
}

HRESULT CCamDevice::ModifyReg(uint16_t address, uint8_t mask, int32_t mode) {
    uint8_t value = 0;
    HRESULT hr = ReadReg(address, &value);
    if (hr < 0) return hr;
    if (mode == 0)
        value &= mask;
    else if (mode == 1)
        value |= mask;
    else
        return 1;
    hr = WriteReg(address, value);
    return hr < 0 ? hr : 0;
}
