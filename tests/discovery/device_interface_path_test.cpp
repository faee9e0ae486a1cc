#include <gtest/gtest.h>

#include "discovery/device_interface_path.h"

namespace {

TEST(DeviceInterfacePath, GivesTheInstanceIdUsbIdentityAndSerial) {
    const std::string g = "#{65e8773d-8f56-11d0-a3b9-00a0c9223196}\\global";
    const UsbIdentity ours{0x4271, 0x03D5, 0};
    struct Case {
        std::string path;
        bool read;
        const char *instanceId, *serial;
        std::optional<UsbIdentity> usb = std::nullopt;
    } cases[] = {
        {"@device:pnp:\\\\?\\usb#vid_4271&pid_03d5&mi_00#6&1a2b3c4&0&0000" + g, true,
         "USB\\VID_4271&PID_03D5&MI_00\\6&1A2B3C4&0&0000", "", ours},
        {"\\\\?\\usb#vid_4271&pid_03d5#20250417ab" + g, true, "USB\\VID_4271&PID_03D5\\20250417AB", "20250417AB", ours},
        {"\\\\?\\USB#VID_04F2&PID_B6Aa#5&2F1E&0&7" + g, true, "USB\\VID_04F2&PID_B6AA\\5&2F1E&0&7", "",
         UsbIdentity{0x04F2, 0xB6AA, 0}},
        {"@device:pnp:\\\\?\\root#image#0000" + g, true, "ROOT\\IMAGE\\0000", ""},
        {"\\\\?\\usb#vid_427&pid_03d5#1234" + g, true, "USB\\VID_427&PID_03D5\\1234", ""},
        {"@device:sw:{860BB310-5D01-11D0-BD3B-00A0C911CE86}\\{1B0A5D2E-0000}", false, "x", "x"},
        {"\\\\?\\usb#vid_4271&pid_03d5#1234", false, "x", "x"},
        {"\\\\?\\usb#vid_4271&pid_03d5#" + g, false, "x", "x"},
        {"\\\\?\\usb#vid_4271&pid_03d5#1234#5678" + g, false, "x", "x"},
        {"usb#vid_4271&pid_03d5#1234" + g, false, "x", "x"},
        {"", false, "x", "x"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.path);
        CaptureDevice device;  // what an unread path must leave alone
        device.instanceId = device.busPlace = device.serial = "x";
        EXPECT_EQ(ReadDeviceInterfacePath(c.path, &device), c.read);
        EXPECT_EQ(device.instanceId, c.instanceId);
        EXPECT_EQ(device.busPlace, c.read ? "" : "x");
        EXPECT_EQ(device.serial, c.serial);
        EXPECT_EQ(device.usb, c.usb);
    }
}

}  // namespace
