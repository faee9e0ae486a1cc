#include "chip/cam_device.h"

#include "link/xu_channel.h"
#include "link/xu_selectors.h"

CCamDevice::CCamDevice() { pExt = nullptr; }

int32_t CCamDevice::PulseDownloadEnable() {
    if (!pExt) return 0;
    const BYTE on = 0x01, off = 0x00;
    pExt->put_Property(XU_DFU_ENABLE_CONTROL, 1, &on);
    return pExt->put_Property(XU_DFU_ENABLE_CONTROL, 1, &off) >= 0 ? 1 : 0;
}

void CCamDevice::CloseChannel() {
    delete pExt;
    pExt = nullptr;
}
