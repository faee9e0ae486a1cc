#include "discovery/chip_id_probe.h"

#include "chip/register_map.h"
#include "link/xu_selectors.h"
#include "platform/byte_order.h"

namespace {

// Register 0x20FF through the channel's node path. The value lands on the
// address's first byte, so a read that delivers nothing leaves FF there.
uint8_t ReadChipIdThroughNode(CXuChannel* channel) {
    BYTE data[2];
    PutLe16(data, REG_CHIP_ID);
    channel->put_Property(XU_REG_ADDRESS_CONTROL, 2, data);
    channel->get_Property(XU_REG_DATA_CONTROL, 1, data);
    return data[0];
}

// The same read straight on the driver, one frame for all three calls.
uint8_t ReadChipIdThroughDriver(CXuChannel* channel) {
    return channel->ReadRegisterInOneFrame(XU_REG_ADDRESS_CONTROL, REG_CHIP_ID, XU_REG_DATA_CONTROL);
}

}  // namespace

bool AttachAndReadChipId(CXuChannel* channel, const CaptureDevice& device, uint8_t* chipId) {
    if (IDriverXu* driver = device.driver.Get()) {
        driver->AddRef();
        channel->mode = ChannelMode::PrivateDriver;
        channel->AttachDriverInterface(driver);
        *chipId = ReadChipIdThroughDriver(channel);
        return true;
    }
    if (IKsControl* control = device.control.Get()) {
        control->AddRef();
        channel->mode = ChannelMode::UvcNode;
        channel->AttachKsControl(control, device.nodeId);
        *chipId = ReadChipIdThroughNode(channel);
        return true;
    }
    return false;
}
