#include "chip/cam_device.h"
#include "chip/register_map.h"
#include "platform/clock.h"

namespace {

// The processor needs this long after 0x20BA changes before 0x2045 tells
// which image it runs.
constexpr uint32_t kImageSelectSettleMs = 2000;
constexpr uint8_t kPreDownloadMask = 0xFC;  // clears bits 0 and 1
constexpr uint8_t kImageSelectBit = 0x04;

}  // namespace

int32_t CCamDevice::ReadImageChoice() {
    ModifyReg(REG_PRE_DOWNLOAD, kPreDownloadMask, 0);
    WaitMs(kImageSelectSettleMs);
    uint8_t select = 0;
    ReadReg(REG_IMAGE_SELECT, &select);
    return (select & kImageSelectBit) ? 1 : 0;
}
