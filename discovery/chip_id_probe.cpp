#include "discovery/chip_id_probe.h"

#include <cstring>

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

// The same read straight on the driver, one frame for all three calls: a
// read that delivers nothing leaves the request's own first byte, 01.
uint8_t ReadChipIdThroughDriver(IDriverXu* driver) {
    BYTE frame[kDriverFrameSize] = {2, 0, kFrameWrite, XU_REG_ADDRESS_CONTROL};
    PutLe16(frame + kFrameHeaderBytes, REG_CHIP_ID);
    driver->WriteFrame(kDriverFrameSize, frame);
    const BYTE read[8] = {1, 0, kFrameRead, XU_REG_DATA_CONTROL, 0, 0, 0, 0};
    std::memcpy(frame, read, sizeof(read));
    driver->WriteFrame(kDriverFrameSize, frame);
    driver->ReadFrame(kDriverFrameSize, frame);
    return frame[0];
}

}  // namespace

bool AttachAndReadChipId(CXuChannel* channel, const CaptureDevice& device, uint8_t* chipId) {
    if (IDriverXu* driver = device.driver.Get()) {
        driver->AddRef();
        channel->mode = ChannelMode::PrivateDriver;
        channel->AttachDriverInterface(driver);
        *chipId = ReadChipIdThroughDriver(driver);
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
